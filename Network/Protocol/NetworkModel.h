#pragma once

// The front door: every part of the system talks to the company's server by
// handing a request message to `sendRequest`. The message is encoded, handed
// to the transport and kept under its tag until the reply comes back; then it
// decodes the reply into its reply object, which goes to the message's
// receiver, except that status "114" goes to the locked-user handling instead.
// A reply whose tag is no longer registered (cancelled meanwhile) is dropped.
//
// Sending and delivery run on the main thread; `lock_` guards the registry so
// that cancelling from elsewhere sees it whole.

#include "Network/Protocol/RequestInfoBase.h"
#include "Network/Protocol/RequestInterfaceBase.h"

class RequestDownload;

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>

class NetworkModel : public HTTP_REC_RESPOND, public std::enable_shared_from_this<NetworkModel> {
public:
    static std::shared_ptr<NetworkModel> sharedInstance();

    // Files of an overall-progress batch handed to the transport at a time; the
    // rest wait as names, so a batch of any size holds few transfers alive.
    static constexpr size_t kBatchFilesInFlight = 256;

    // A message's tag, a download's downloadId, or -1 when nothing was sent.
    int sendRequest(const std::shared_ptr<RequestInterfaceBase>& request);
    void ReciveHttpRespond(const std::shared_ptr<RequestInfoBase>& info) override;
    void cancelDownloadReuest(const std::string& fileName);
    void cancelAllRequests();
    // Forgets the messages of a receiver without cancelling their transfers.
    void removeAllReuest(const NetworkRecDelegate* receiver);
    void ReciveDidFailed(const std::shared_ptr<RequestInfoBase>& info);

    // The request body as it may be logged: the password parameter masked.
    static std::string loggableBody(const std::string& body);
    // The reply text as it may be logged: every password and session id member
    // masked; a long reply is shown by its size and its first few hundred bytes.
    static std::string loggableReply(std::string_view reply);
    // A message URL as it may be logged: the session id in its head masked.
    static std::string loggableURL(const std::string& url);

    // What carries a descriptor to the server: it answers the tag, and later
    // hands the descriptor back through ReciveHttpRespond or ReciveDidFailed
    // on the main thread. Tests put a fake in place of the HTTP engine here;
    // an empty one restores the engine. Either way the messages still
    // registered are forgotten, so no reply crosses from one test to the next.
    using Transport = std::function<int(const std::shared_ptr<RequestInfoBase>& info)>;
    static void setTransportForTesting(Transport transport);

    // Messages and files registered for a reply, and batch files not yet
    // handed to the transport: what a sync keeps alive at the moment.
    size_t registeredCount();
    size_t waitingBatchFiles();

private:
    // A batch's names from `next` on, not yet handed to the transport.
    struct WaitingBatch {
        std::shared_ptr<RequestDownload> request;
        size_t next = 0;
    };

    NetworkModel() = default;
    int send(const std::shared_ptr<RequestInfoBase>& info);
    int sendFile(const std::shared_ptr<RequestDownload>& download, const std::string& name);
    // Hands waiting batch files to the transport while fewer than
    // kBatchFilesInFlight are out.
    void feedBatchFiles();
    void deliver(const std::shared_ptr<RequestInfoBase>& info, bool divertLockedUser, bool fillDownloadFields);

    std::mutex lock_;
    std::map<int, std::shared_ptr<RequestInterfaceBase>> dicRequestList_;
    std::deque<WaitingBatch> waitingBatches_;
    std::set<int> batchFilesOut_;
    bool feeding_ = false;
    Transport transportForTesting_;
};
