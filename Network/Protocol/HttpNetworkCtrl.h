#pragma once

// The transport: the one object that talks HTTP to the company's server. The
// front door hands it a request descriptor; it tags the request (command code
// << 16 | a 16-bit sequence), builds the URL, puts an HTTP request on one of
// four queues (messages, uploads, overall-progress downloads, other downloads;
// three at a time each) and, when the request ends, hands the reply bytes back
// in a fresh descriptor. A message answered with an HTTP error whose body
// still reads "200" counts as failed. A failed message is sent once more after 3 s, a
// failed per-file download up to three more times; otherwise a canned reply
// stands in for the server's, so a receiver always hears "200", "404" or
// "999". Cancelled requests are never retried.
//
// Everything but tag assignment runs on the main thread, where the engine
// reports; `lock_` makes tags safe from any thread and guards reading the
// queues while cancelling.

#include "Network/HTTP/NetworkQueue.h"
#include "Network/Protocol/RequestInfoBase.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class DownloadRequest;
class MsgRequest;

class HttpNetworkCtrl : public HTTPRequestDelegate, public std::enable_shared_from_this<HttpNetworkCtrl> {
public:
    static constexpr const char* kNetworkErrorReply
        = R"({"content":"","results":[{"detail":"","message":"Network error!","status":"999"}]})";
    static constexpr const char* kFileMissingReply
        = R"({"content":"","results":[{"detail":"","message":"File is not exist!","status":"404"}]})";
    static constexpr const char* kDownloadSuccessReply
        = R"({"content":"","results":[{"detail":"","message":"Download Successfully!","status":"200"}]})";

    static std::shared_ptr<HttpNetworkCtrl> sharedInstance();
    ~HttpNetworkCtrl() override;

    // The tag, or -1 for no descriptor.
    int SendHttpRequest(const std::shared_ptr<RequestInfoBase>& info);
    // Files of an overall-progress batch the front door will hand over one at
    // a time: the batch's progress and its end count them all from now on.
    void expectDownloads(size_t count);
    int getTagCode(int cmdCode);
    static int getCmdcode(int tag) { return static_cast<int>(static_cast<unsigned>(tag) / 65536u); }

    std::string GetMsgURLWithHeader(const std::string& head);
    std::string GetFileURL(const std::optional<std::string>& path);
    std::string GetUploadFileURL();

    void OperationFinished(const std::shared_ptr<HTTPRequest>& request);
    void OperationFailed(const std::shared_ptr<HTTPRequest>& request);
    void reRequestMsg(const std::shared_ptr<MsgRequest>& request);

    // The engine's per-chunk call for downloads.
    bool respondsToSelector(HTTPSelector selector) const override;
    void requestDidReceiveData(const std::shared_ptr<HTTPRequest>& request, const Data& data) override;

    // The tag of the cancelled transfer, or 0.
    int CancelDownLoadWithName(const std::string& fileName);
    void CancelDownLoadRequest(int downloadId);
    void CancelAllRequests();
    void netUnconnect();

    // Whether this chunk's percentage is reported: about one chunk in 40, at
    // random. Tests may replace it.
    std::function<bool()> shouldReportChunk;

    // The upload service's port: always 8080 on the company's servers; tests
    // point it at a local server.
    int uploadPort = 8080;

    NetworkQueue& messageQueue() { return *workQueueMsg_; }
    NetworkQueue& downloadQueue() { return *workQueueDownload_; }
    NetworkQueue& currentDownloadQueue() { return *workQueueDownloadCur_; }

private:
    HttpNetworkCtrl();
    void setUp();
    std::shared_ptr<NetworkQueue> makeQueue();
    void deliver(const std::shared_ptr<RequestInfoBase>& reply, const std::weak_ptr<HTTP_REC_RESPOND>& delegate);
    void refuseDownload(const std::shared_ptr<DownLoadRequestInfo>& info, int tag);
    void downloadFailed(const std::shared_ptr<DownloadRequest>& request, long errorCode, int status);
    void endOfBatchIfDone();
    static int httpRspForError(long errorCode);
    int cancelInQueue(NetworkQueue& queue, const std::string& fileName, bool forgetRetries);

    // Forwards the download queue's overall progress to a receiver.
    class ProgressForwarder;

    std::mutex lock_;
    std::shared_ptr<NetworkQueue> workQueueMsg_;
    std::shared_ptr<NetworkQueue> workQueueUpload_;
    std::shared_ptr<NetworkQueue> workQueueDownload_;
    std::shared_ptr<NetworkQueue> workQueueDownloadCur_;
    std::map<std::string, int> dicDownloadCount_;
    std::map<int, int> dicRequestCount_;
    std::shared_ptr<ProgressForwarder> m_downloadProgress;
};
