#include "Network/Protocol/RequestDownload.h"

#include "Network/Protocol/ProtocolServices.h"

#include <mutex>

namespace {

std::mutex downloadIdLock;
int downloadIdCounter = 0;

}  // namespace

RequestDownload::RequestDownload()
{
    requestType = 2;
    cmdCode = 0x301;
    std::lock_guard guard(downloadIdLock);
    downloadId = ++downloadIdCounter;
}

std::shared_ptr<NetBaseRst> RequestDownload::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<DownloadRst>();
    DecodeResults(*result, reply);
    if (*result->status != "200" && *result->status != "404")
        result->message = ProtocolServices::languageText("DOWNLOADERROR");
    return result;
}
