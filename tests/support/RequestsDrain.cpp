#include "RequestsDrain.h"

#include "Network/Protocol/HttpNetworkCtrl.h"
#include "Network/Protocol/NetworkModel.h"
#include "RunLoopPump.h"

bool cancelAllRequestsAndDrainTransport(double timeoutSeconds)
{
    auto transport = HttpNetworkCtrl::sharedInstance();
    NetworkModel::sharedInstance()->cancelAllRequests();
    return pumpMainRunLoopUntil(
        [&] {
            return transport->messageQueue().requestsCount() == 0 && transport->downloadQueue().requestsCount() == 0
                && transport->currentDownloadQueue().requestsCount() == 0;
        },
        timeoutSeconds);
}
