#include "Network/Protocol/HttpNetworkCtrl.h"

#include "Network/Protocol/ServerSettings.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/MsgRequest.h"
#include "Network/Protocol/NetworkModel.h"
#include "Network/Protocol/QDJSON.h"
#include "Network/Protocol/RequestInterfaceBase.h"
#include "Network/Protocol/ServerInfo.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/PerformRequests.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>

namespace {

// The class-level tag sequence: 1 ... 0xFFFE, then 1 again.
int tagSequence = 1;

::Data bytesOf(const char* text) { return ::Data(text, text + std::strlen(text)); }

bool isEngineError(const HTTPErrorRef& error) { return error && error->domain == HTTPRequestErrorDomain; }

// Whether a message's answer reads as the server's "200".
bool saysSuccess(const std::optional<::Data>& body)
{
    if (!body)
        return false;
    auto text = NSString::initWithDataEncoding(*body, NSUTF8StringEncoding);
    NetBaseRst reply;
    RequestInterfaceBase::DecodeResults(reply, text ? JSONValue(*text) : std::nullopt);
    return isSuccess(reply);
}

}  // namespace

class HttpNetworkCtrl::ProgressForwarder : public HTTPProgressDelegate {
public:
    explicit ProgressForwarder(std::weak_ptr<NetworkRecDelegate> receiver)
        : m_receiver(std::move(receiver))
    {
    }
    bool respondsToProgressSelector(HTTPSelector selector) const override
    {
        return selector == HTTPSelector::setProgress && !m_receiver.expired();
    }
    void setProgress(float progress) override
    {
        if (auto receiver = m_receiver.lock())
            receiver->setProgress(progress);
    }

private:
    std::weak_ptr<NetworkRecDelegate> m_receiver;
};

std::shared_ptr<HttpNetworkCtrl> HttpNetworkCtrl::sharedInstance()
{
    static std::mutex classLock;
    // Never destroyed: the network thread may still report while the process exits.
    static auto* instance = new std::shared_ptr<HttpNetworkCtrl>();
    std::lock_guard guard(classLock);
    if (!*instance) {
        *instance = std::shared_ptr<HttpNetworkCtrl>(new HttpNetworkCtrl());
        (*instance)->setUp();
    }
    return *instance;
}

HttpNetworkCtrl::HttpNetworkCtrl()
{
    shouldReportChunk = [] {
        static thread_local std::mt19937 generator { std::random_device {}() };
        return std::uniform_int_distribution<int>(0, 39)(generator) == 1;
    };
}

HttpNetworkCtrl::~HttpNetworkCtrl() { NSNotificationCenter::defaultCenter().removeObserver(this); }

std::shared_ptr<NetworkQueue> HttpNetworkCtrl::makeQueue()
{
    auto queue = NetworkQueue::queue();
    queue->reset();
    queue->setDelegate(shared_from_this());
    std::weak_ptr<HttpNetworkCtrl> weak = weak_from_this();
    queue->requestDidFinishSelector = [weak](const std::shared_ptr<HTTPRequest>& request) {
        if (auto self = weak.lock())
            self->OperationFinished(request);
    };
    queue->requestDidFailSelector = [weak](const std::shared_ptr<HTTPRequest>& request) {
        if (auto self = weak.lock())
            self->OperationFailed(request);
    };
    queue->setMaxConcurrentOperationCount(3);
    return queue;
}

void HttpNetworkCtrl::setUp()
{
    workQueueMsg_ = makeQueue();
    workQueueDownload_ = makeQueue();
    workQueueUpload_ = makeQueue();
    workQueueDownloadCur_ = makeQueue();
    std::weak_ptr<HttpNetworkCtrl> weak = weak_from_this();
    NSNotificationCenter::defaultCenter().addObserver(this, "netUnconnect", [weak](const NSNotification&) {
        if (auto self = weak.lock())
            self->netUnconnect();
    });
}

int HttpNetworkCtrl::getTagCode(int cmdCode)
{
    std::lock_guard guard(lock_);
    int sequence = tagSequence;
    tagSequence = sequence >= 0xFFFE ? 1 : sequence + 1;
    return static_cast<int>((static_cast<unsigned>(cmdCode) << 16) | static_cast<unsigned>(sequence));
}

std::string HttpNetworkCtrl::GetMsgURLWithHeader(const std::string& head)
{
    auto server = ServerSettings::GetServer();
    std::string url = stringWithFormat(
        "%@%@:%d/%@/%@", server->messageScheme + "://", server->strIP, server->httpPort, server->websiteServer, head);
    NSLog("the url is %@", NetworkModel::loggableURL(url));
    return NSString::stringByAddingPercentEscapesUsingEncoding(url).value_or(std::string());
}

std::string HttpNetworkCtrl::GetFileURL(const std::optional<std::string>& path)
{
    if (!path)
        return "";
    auto server = ServerSettings::GetServer();
    std::string url
        = stringWithFormat("%@%@:%d%@", server->imageScheme + "://", server->imageIP, server->imageHttpPort, *path);
    NSLog("the download url is %@", url);
    return url;
}

std::string HttpNetworkCtrl::GetUploadFileURL()
{
    auto server = ServerSettings::GetServer();
    std::string url
        = stringWithFormat("%@%@:%d/%@", server->messageScheme + "://", server->strIP, uploadPort, "CorvelleSaas");
    NSLog("the upload url is %@", url);
    return url;
}

int HttpNetworkCtrl::SendHttpRequest(const std::shared_ptr<RequestInfoBase>& info)
{
    if (!info)
        return -1;
    const int tag = getTagCode(info->cmdCode);
    switch (info->requestType) {
    case 2: {
        auto download = std::dynamic_pointer_cast<DownLoadRequestInfo>(info);
        if (!download)
            break;
        if (download->progressType == 2) {
            m_downloadProgress = std::make_shared<ProgressForwarder>(download->downloadProgressDelegate);
            workQueueDownload_->setDownloadProgressDelegate(m_downloadProgress);
        }
        const std::string name = download->fileName.value_or(std::string());
        const std::string client = LoginMode::sharedInstance()->clientID().value_or(std::string());
        // The name and the client id become local path components: anything
        // that could step outside the client's folder is answered as missing.
        if (!NSPathIsSafeComponent(name) || !NSPathIsSafeComponent(client)) {
            NSLog("refused the file name %@ of client %@", name, client);
            refuseDownload(download, tag);
            break;
        }
        auto text = ServerSettings::fileURLWithNameFiletype(name, download->imgType);
        if (text) {
            // The URL is all path: a "?" or "#" in a file name would end the
            // path there and fetch another file.
            std::string escaped;
            for (char ch : *text)
                escaped += ch == '?' ? std::string("%3F") : ch == '#' ? std::string("%23") : std::string(1, ch);
            text = escaped;
        }
        NSLog("the img url is %@", text.value_or(std::string()));
        auto url = text ? CFURL::URLWithString(*text) : std::nullopt;
        if (!url) {
            refuseDownload(download, tag);
            break;
        }
        auto request = DownloadRequest::initWithURL(*url);
        request->setDelegate(shared_from_this());
        request->setReqInfo(download);
        request->setrequestCode(tag);
        if (download->progressType == 2) {
            workQueueDownload_->addOperation(request);
            workQueueDownload_->go();
        } else {
            dicDownloadCount_.erase(name);
            workQueueDownloadCur_->addOperation(request);
            workQueueDownloadCur_->go();
        }
        break;
    }
    case 1:
    case 0: {
        const bool upload = info->requestType == 1;
        auto url
            = CFURL::URLWithString(upload ? GetUploadFileURL() : GetMsgURLWithHeader(info->requestHeader.value_or("")));
        if (!url) {
            // No request can be made of this URL: the receiver still hears.
            auto reply = std::make_shared<RequestInfoBase>();
            reply->recData = bytesOf(kNetworkErrorReply);
            reply->requestType = info->requestType;
            reply->requestCode = tag;
            reply->cmdCode = getCmdcode(tag);
            reply->httpRsp = httpRspForError(HTTPUnableToCreateRequestErrorType);
            std::weak_ptr<HttpNetworkCtrl> weak = weak_from_this();
            auto delegate = info->delegate;
            NSRunLoop::mainRunLoop()->performBlock([weak, reply, delegate] {
                if (auto self = weak.lock())
                    self->deliver(reply, delegate);
            });
            break;
        }
        std::shared_ptr<MsgRequest> request = upload ? UploadRequest::init(*url) : MsgRequest::initWithURL(*url);
        request->setReqInfo(info);
        request->setrequestCode(tag);
        auto& queue = upload ? workQueueUpload_ : workQueueMsg_;
        queue->addOperation(request);
        queue->go();
        break;
    }
    default:
        break;
    }
    return tag;
}

void HttpNetworkCtrl::expectDownloads(size_t count)
{
    workQueueDownload_->expectRequests(static_cast<int>(std::min<size_t>(count, 0x7fffffff)));
}

void HttpNetworkCtrl::refuseDownload(const std::shared_ptr<DownLoadRequestInfo>& info, int tag)
{
    auto reply = std::make_shared<DownLoadRequestInfo>();
    reply->fileName = info->fileName;
    reply->downloadId = info->downloadId;
    reply->recData = bytesOf(kFileMissingReply);
    reply->requestType = info->requestType;
    reply->requestCode = tag;
    reply->cmdCode = getCmdcode(tag);
    const bool overall = info->progressType == 2;
    if (overall)
        workQueueDownload_->forgoExpectedRequest();
    std::weak_ptr<HttpNetworkCtrl> weak = weak_from_this();
    auto delegate = info->delegate;
    // Later, on the main loop: the front door registers the message under the
    // tag only once this call has returned.
    NSRunLoop::mainRunLoop()->performBlock([weak, reply, delegate, overall] {
        auto self = weak.lock();
        if (!self)
            return;
        if (overall)
            self->endOfBatchIfDone();
        self->deliver(reply, delegate);
    });
}

void HttpNetworkCtrl::deliver(
    const std::shared_ptr<RequestInfoBase>& reply, const std::weak_ptr<HTTP_REC_RESPOND>& delegate)
{
    reply->delegate = delegate;
    if (auto receiver = delegate.lock())
        receiver->ReciveHttpRespond(reply);
}

void HttpNetworkCtrl::endOfBatchIfDone()
{
    // The queue's own count: it drops as each request ends, before we hear of it.
    if (workQueueDownload_->requestsCount() == 0 && m_downloadProgress
        && m_downloadProgress->respondsToProgressSelector(HTTPSelector::setProgress))
        m_downloadProgress->setProgress(1.0f);
}

int HttpNetworkCtrl::httpRspForError(long errorCode)
{
    switch (errorCode) {
    case HTTPConnectionFailureErrorType:
        return 6;
    case HTTPRequestTimedOutErrorType:
        return 2;
    case HTTPAuthenticationErrorType:
        return 3;
    case HTTPRequestCancelledErrorType:
        return 1;
    case HTTPUnableToCreateRequestErrorType:
        return 4;
    default:
        return -1;
    }
}

void HttpNetworkCtrl::OperationFinished(const std::shared_ptr<HTTPRequest>& request)
{
    auto message = std::dynamic_pointer_cast<MsgRequest>(request);
    if (!message)
        return;
    std::shared_ptr<RequestInfoBase> reply;
    if (message->requestType == 2) {
        auto download = std::dynamic_pointer_cast<DownloadRequest>(request);
        if (!download)
            return;
        const int status = request->responseStatusCode();
        // A 416 counts when the engine found the partial file already whole.
        const bool good = status == 200 || (status == 206 && download->askedForRange())
            || (status == 416 && download->partialDownloadWasComplete());
        // Only the file itself may land at the destination: any other answer
        // is a failure, and leaves what the device has alone.
        if (status != 404 && (!good || !download->commitDownload())) {
            downloadFailed(download, good ? HTTPFileManagementError : 0, status);
            return;
        }
        auto info = std::make_shared<DownLoadRequestInfo>();
        info->fileName = download->fileName;
        info->downloadId = download->downloadId;
        if (status == 404) {
            NSFileManager::defaultManager().removeItemAtPath(download->destinationPath);
            download->discardDownload(true);
            info->recData = bytesOf(kFileMissingReply);
        } else {
            info->recData = bytesOf(kDownloadSuccessReply);
        }
        if (download->progressType == 2)
            endOfBatchIfDone();
        else
            dicDownloadCount_.erase(download->fileName.value_or(std::string()));
        reply = info;
    } else if (message->requestType == 0 || message->requestType == 1) {
        // An HTTP error is the server saying it failed the request: a body
        // that still reads as success must not count as one, or an answer
        // the server disowns would mark work done. It goes as a failure
        // (sent once more, then the network error); a refusal in the body
        // stands and reaches the receiver as it is.
        const int status = request->responseStatusCode();
        if ((status < 200 || status > 299) && saysSuccess(request->responseData())) {
            NSLog("the answer of HTTP status %d is taken as a failure", status);
            OperationFailed(request);
            return;
        }
        if (message->requestType == 0)
            dicRequestCount_.erase(message->requestCode);
        reply = std::make_shared<RequestInfoBase>();
        // Taken, not copied: a table reply runs to tens of megabytes, and the
        // request lives on while the receiver reads and stores it.
        if (auto data = request->takeResponseData()) {
            reply->recData = std::move(*data);
            reply->recData.push_back(0);
        }
    } else {
        return;
    }
    reply->requestType = message->requestType;
    reply->requestCode = message->requestCode;
    reply->cmdCode = getCmdcode(message->requestCode);
    deliver(reply, message->modelDelegage);
}

void HttpNetworkCtrl::OperationFailed(const std::shared_ptr<HTTPRequest>& request)
{
    auto message = std::dynamic_pointer_cast<MsgRequest>(request);
    if (!message)
        return;
    auto error = request->error();
    const long code = isEngineError(error) ? error->code : 0;
    NSLog("---RequestDidFailed---\n redID = %d, errorID = %d\n", message->requestCode, code);
    if (message->requestType == 2) {
        if (auto download = std::dynamic_pointer_cast<DownloadRequest>(request))
            downloadFailed(download, code, request->responseStatusCode());
        return;
    }
    if (message->requestType != 0 && message->requestType != 1)
        return;
    if (message->requestType == 0 && code != HTTPRequestCancelledErrorType) {
        int& tries = dicRequestCount_[message->requestCode];
        if (tries == 0) {
            tries = 1;
            std::weak_ptr<HttpNetworkCtrl> weak = weak_from_this();
            PerformRequests::performAfterDelay(
                this, "reRequestMsg:",
                [weak, message] {
                    if (auto self = weak.lock())
                        self->reRequestMsg(message);
                },
                3.0, message.get());
            return;
        }
    }
    if (message->requestType == 0)
        dicRequestCount_.erase(message->requestCode);
    auto reply = std::make_shared<RequestInfoBase>();
    reply->recData = bytesOf(kNetworkErrorReply);
    reply->requestType = message->requestType;
    reply->requestCode = message->requestCode;
    reply->cmdCode = getCmdcode(message->requestCode);
    reply->httpRsp = httpRspForError(code);
    deliver(reply, message->modelDelegage);
}

void HttpNetworkCtrl::downloadFailed(const std::shared_ptr<DownloadRequest>& download, long code, int status)
{
    const std::string name = download->fileName.value_or(std::string());
    if (download->cancelledQuietly) {
        download->discardDownload(false);
        if (download->progressType == 2)
            endOfBatchIfDone();
        return;
    }
    const bool missing = status == 404;
    if (missing)
        NSFileManager::defaultManager().removeItemAtPath(download->destinationPath);
    // A refused range means the partial file no longer matches the server's.
    download->discardDownload(missing || status == 416);
    if (download->progressType != 2) {
        if (code != HTTPRequestCancelledErrorType) {
            int& tries = dicDownloadCount_[name];
            if (tries <= 2) {
                ++tries;
                auto retry = DownloadRequest::initWithURL(download->url());
                retry->setInfoWithRequest(*download);
                workQueueDownloadCur_->addOperation(retry);
                workQueueDownloadCur_->go();
                return;
            }
        }
        dicDownloadCount_.erase(name);
    } else {
        endOfBatchIfDone();
    }
    auto reply = std::make_shared<DownLoadRequestInfo>();
    reply->fileName = download->fileName;
    reply->downloadId = download->downloadId;
    reply->recData = bytesOf(missing ? kFileMissingReply : kNetworkErrorReply);
    reply->requestType = download->requestType;
    reply->requestCode = download->requestCode;
    reply->cmdCode = getCmdcode(download->requestCode);
    reply->httpRsp = httpRspForError(code);
    deliver(reply, download->modelDelegage);
}

void HttpNetworkCtrl::reRequestMsg(const std::shared_ptr<MsgRequest>& earlier)
{
    auto request = MsgRequest::initWithURL(earlier->url());
    request->setInfoWithRequest(*earlier);
    workQueueMsg_->addOperation(request);
    workQueueMsg_->go();
}

bool HttpNetworkCtrl::respondsToSelector(HTTPSelector selector) const
{
    return selector == HTTPSelector::requestDidReceiveData;
}

void HttpNetworkCtrl::requestDidReceiveData(const std::shared_ptr<HTTPRequest>& request, const Data& data)
{
    auto download = std::dynamic_pointer_cast<DownloadRequest>(request);
    if (!download || download->requestType != 2)
        return;
    download->receiveLength += static_cast<long long>(data.size());
    auto receiver = download->percentDelegate.lock();
    if (!receiver || !shouldReportChunk || !shouldReportChunk())
        return;
    auto header = request->responseHeaders().value("Content-Length");
    const double length = header ? std::strtod(header->c_str(), nullptr) : 0.0;
    // Without a known length there is no fraction to report.
    if (!(length > 0))
        return;
    const double partial = static_cast<double>(request->partialDownloadSize());
    const double received = static_cast<double>(download->receiveLength);
    double percent = partial != 0 ? (received + partial) / (length + partial) : received / length;
    auto info = std::make_shared<DownLoadRequestInfo>();
    info->fileName = download->fileName;
    info->downloadId = download->downloadId;
    info->downloadPercent = static_cast<float>(std::clamp(percent, 0.0, 1.0));
    info->downloadProgressDelegate = receiver;
    receiver->ReciveDownloadPercent(info);
}

int HttpNetworkCtrl::cancelInQueue(NetworkQueue& queue, const std::string& fileName, bool forgetRetries)
{
    queue.shouldCancelAllRequestsOnFailure = false;
    std::vector<std::shared_ptr<NSOperation>> operations;
    {
        std::lock_guard guard(lock_);
        operations = queue.operations();
    }
    for (const auto& operation : operations) {
        auto download = std::dynamic_pointer_cast<DownloadRequest>(operation);
        if (!download || download->cancelledQuietly || download->fileName != fileName)
            continue;
        // Cancelled through the queue so that its count stays true; the
        // failure that follows is swallowed.
        download->cancelledQuietly = true;
        download->setDelegate(nullptr);
        download->cancel();
        if (forgetRetries)
            dicDownloadCount_.erase(fileName);
        return download->requestCode;
    }
    return 0;
}

int HttpNetworkCtrl::CancelDownLoadWithName(const std::string& fileName)
{
    int tag = cancelInQueue(*workQueueDownloadCur_, fileName, true);
    if (int overall = cancelInQueue(*workQueueDownload_, fileName, false))
        return overall;
    return tag;
}

void HttpNetworkCtrl::CancelDownLoadRequest(int downloadId)
{
    for (auto* queue : { workQueueDownloadCur_.get(), workQueueDownload_.get() }) {
        queue->shouldCancelAllRequestsOnFailure = false;
        std::vector<std::shared_ptr<NSOperation>> operations;
        {
            std::lock_guard guard(lock_);
            operations = queue->operations();
        }
        for (const auto& operation : operations) {
            auto download = std::dynamic_pointer_cast<DownloadRequest>(operation);
            if (!download || download->cancelledQuietly)
                continue;
            NSLog("downloadid is %d,downloadReq id is %d", downloadId, download->downloadId);
            if (download->downloadId != downloadId)
                continue;
            download->cancelledQuietly = true;
            download->setDelegate(nullptr);
            download->cancel();
            if (queue == workQueueDownloadCur_.get())
                dicDownloadCount_.erase(download->fileName.value_or(std::string()));
        }
    }
}

void HttpNetworkCtrl::CancelAllRequests()
{
    workQueueDownload_->setDownloadProgressDelegate(nullptr);
    workQueueDownloadCur_->setDownloadProgressDelegate(nullptr);
    m_downloadProgress.reset();
    workQueueMsg_->cancelAllOperations();
    workQueueUpload_->cancelAllOperations();
    workQueueDownload_->cancelAllOperations();
    workQueueDownloadCur_->cancelAllOperations();
    dicDownloadCount_.clear();
    dicRequestCount_.clear();
    // A message waiting for its second try is part of everything.
    PerformRequests::cancelPreviousPerformRequests(this);
}

void HttpNetworkCtrl::netUnconnect()
{
    NSLog("______________netUnconnect cancel all download operation_________________");
    workQueueDownload_->cancelAllOperations();
}
