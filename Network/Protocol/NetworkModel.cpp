#include "Network/Protocol/NetworkModel.h"
#include "Platform/UIKit/UIMainThread.h"

#include "Network/Protocol/HttpNetworkCtrl.h"
#include "Network/Protocol/ProtocolServices.h"
#include "Network/Protocol/QDJSON.h"
#include "Network/Protocol/RequestDownload.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/TextEncoding.h"

#include <algorithm>
#include <string_view>
#include <vector>

std::shared_ptr<NetworkModel> NetworkModel::sharedInstance()
{
    static std::mutex classLock;
    // Never destroyed, like the transport it hands requests to.
    static auto* instance = new std::shared_ptr<NetworkModel>();
    std::lock_guard guard(classLock);
    if (!*instance)
        *instance = std::shared_ptr<NetworkModel>(new NetworkModel());
    return *instance;
}

namespace {

// Members whose values open the account: a password, or a session id that
// stands for one until the session ends.
bool isSecretKey(std::string_view key) { return key == "password" || key == "sessionId" || key == "jsessionId"; }

// Replaces the value of every secret member, at any depth, with stars.
void maskPasswords(Value& value)
{
    if (value.isDictionary()) {
        ValueDictionary& members = value.mutableDictionary();
        for (const std::string& key : members.keys()) {
            if (isSecretKey(key))
                members.set(key, Value("******"));
            else if (Value* member = members.find(key))
                maskPasswords(*member);
        }
    } else if (value.isArray()) {
        for (Value& element : value.mutableArray())
            maskPasswords(element);
    }
}

// JSON text as it may be logged: secrets masked, and a text holding one
// that cannot be read as JSON not shown at all.
std::string loggableJSON(const std::string& text, const char* unreadable)
{
    if (text.find("password") == std::string::npos && text.find("essionId") == std::string::npos)
        return text;
    auto value = QDJsonParser().objectWithString(text);
    if (!value)
        return unreadable;
    maskPasswords(*value);
    return QDJsonWriter().stringWithObject(*value).value_or(unreadable);
}

}  // namespace

std::string NetworkModel::loggableBody(const std::string& body)
{
    return loggableJSON(body, "(a request body holding a password)");
}

namespace {

// A reply's log line shows at most this many bytes: a table reply runs to
// megabytes, and logging it whole costs more than storing it.
constexpr size_t kLoggedReplyBytes = 400;

// The start of a long text, cut on a character boundary.
std::string_view headOf(std::string_view text, size_t limit)
{
    size_t end = std::min(limit, text.size());
    while (end > 0 && end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

// Masks, in a piece of text that need not be whole JSON, the value after
// every secret name: a quoted value up to its closing quote, any other up to
// the next delimiter, and whatever the cut leaves of either.
std::string maskedPiece(std::string_view piece)
{
    const size_t n = piece.size();
    std::string out;
    out.reserve(n);
    size_t i = 0;
    for (;;) {
        size_t found = std::string_view::npos;
        size_t length = 0;
        for (std::string_view name : { std::string_view("password"), std::string_view("essionId") }) {
            const size_t at = piece.find(name, i);
            if (at < found) {
                found = at;
                length = name.size();
            }
        }
        if (found == std::string_view::npos) {
            out.append(piece.substr(i));
            return out;
        }
        size_t j = found + length;
        if (j < n && piece[j] == '"')
            ++j;
        while (j < n && piece[j] == ' ')
            ++j;
        if (j < n && (piece[j] == ':' || piece[j] == '='))
            ++j;
        while (j < n && piece[j] == ' ')
            ++j;
        const bool quoted = j < n && piece[j] == '"';
        if (quoted)
            ++j;
        out.append(piece.substr(i, j - i));
        size_t end = j;
        if (quoted) {
            while (end < n && piece[end] != '"')
                end += piece[end] == '\\' ? 2u : 1u;
        } else {
            while (end < n && piece[end] != ',' && piece[end] != '}' && piece[end] != ']' && piece[end] != '\n')
                ++end;
        }
        out.append("******");
        i = std::min(end, n);
    }
}

}  // namespace

std::string NetworkModel::loggableReply(std::string_view reply)
{
    if (reply.size() <= kLoggedReplyBytes)
        return loggableJSON(std::string(reply), "(a reply holding a password)");
    return std::to_string(reply.size()) + " bytes, beginning " + maskedPiece(headOf(reply, kLoggedReplyBytes)) + "...";
}

std::string NetworkModel::loggableURL(const std::string& url)
{
    // The session id travels in the head, after ";" and up to "?".
    const size_t start = url.find(';');
    if (start == std::string::npos)
        return url;
    const size_t end = std::min(url.find('?', start), url.size());
    if (end == start + 1)
        return url;
    return url.substr(0, start + 1) + "******" + url.substr(end);
}

int NetworkModel::sendRequest(const std::shared_ptr<RequestInterfaceBase>& request)
{
    UIKIT_CHECK_MAIN_THREAD();
    if (!request)
        return -1;
    if (request->requestType == 0) {
        auto body = request->RequestEncode();
        NSLog("the request body is %@,request id is %d", body ? loggableBody(*body) : std::string("(null)"),
            request->cmdCode);
        // Every command makes its envelope from valid inputs; one that cannot
        // would only post an empty body, so nothing is sent.
        if (!body)
            return -1;
        auto info = std::make_shared<RequestInfoBase>();
        info->requestType = request->requestType;
        info->cmdCode = request->cmdCode;
        info->requestUrlBody = std::move(body);
        info->delegate = shared_from_this();
        info->requestHeader = request->requestHead;
        const int tag = send(info);
        info->requestCode = tag;
        request->requestCode = tag;
        std::lock_guard guard(lock_);
        dicRequestList_[tag] = request;
        return tag;
    }
    if (request->requestType == 2) {
        auto download = std::dynamic_pointer_cast<RequestDownload>(request);
        if (!download)
            return -1;
        if (download->progressType != 2) {
            for (const std::string& name : download->fileNameList)
                sendFile(download, name);
            return download->downloadId;
        }
        // A batch waits as names and goes out a few files at a time: its
        // transfers and their descriptors stay few whatever its size.
        if (download->fileNameList.empty())
            return download->downloadId;
        if (!transportForTesting_)
            HttpNetworkCtrl::sharedInstance()->expectDownloads(download->fileNameList.size());
        {
            std::lock_guard guard(lock_);
            waitingBatches_.push_back({ download, 0 });
        }
        feedBatchFiles();
        return download->downloadId;
    }
    return -1;
}

int NetworkModel::sendFile(const std::shared_ptr<RequestDownload>& download, const std::string& name)
{
    auto info = std::make_shared<DownLoadRequestInfo>();
    info->requestType = download->requestType;
    info->cmdCode = download->cmdCode;
    info->fileId = download->fileId;
    info->fileName = name;
    info->imgType = download->imgType;
    info->progressType = download->progressType;
    info->delegate = shared_from_this();
    info->downloadProgressDelegate = download->receiveDelegete;
    info->downloadId = download->downloadId;
    const int tag = send(info);
    info->requestCode = tag;
    std::lock_guard guard(lock_);
    dicRequestList_[tag] = download;
    return tag;
}

void NetworkModel::feedBatchFiles()
{
    // A transport that answers at once must not feed from inside the feeding.
    if (feeding_)
        return;
    feeding_ = true;
    for (;;) {
        std::shared_ptr<RequestDownload> download;
        std::string name;
        {
            std::lock_guard guard(lock_);
            if (waitingBatches_.empty() || batchFilesOut_.size() >= kBatchFilesInFlight)
                break;
            WaitingBatch& batch = waitingBatches_.front();
            download = batch.request;
            name = download->fileNameList[batch.next++];
            if (batch.next >= download->fileNameList.size())
                waitingBatches_.pop_front();
        }
        const int tag = sendFile(download, name);
        std::lock_guard guard(lock_);
        batchFilesOut_.insert(tag);
    }
    feeding_ = false;
}

size_t NetworkModel::registeredCount()
{
    std::lock_guard guard(lock_);
    return dicRequestList_.size();
}

size_t NetworkModel::waitingBatchFiles()
{
    std::lock_guard guard(lock_);
    size_t files = 0;
    for (const auto& batch : waitingBatches_)
        files += batch.request->fileNameList.size() - batch.next;
    return files;
}

int NetworkModel::send(const std::shared_ptr<RequestInfoBase>& info)
{
    if (transportForTesting_)
        return transportForTesting_(info);
    return HttpNetworkCtrl::sharedInstance()->SendHttpRequest(info);
}

void NetworkModel::setTransportForTesting(Transport transport)
{
    auto model = sharedInstance();
    std::lock_guard guard(model->lock_);
    model->transportForTesting_ = std::move(transport);
    model->dicRequestList_.clear();
    model->waitingBatches_.clear();
    model->batchFilesOut_.clear();
}

void NetworkModel::ReciveHttpRespond(const std::shared_ptr<RequestInfoBase>& info) { deliver(info, true, true); }

void NetworkModel::ReciveDidFailed(const std::shared_ptr<RequestInfoBase>& info)
{
    NSLog("request failed!");
    deliver(info, false, false);
}

void NetworkModel::deliver(const std::shared_ptr<RequestInfoBase>& info, bool divertLockedUser, bool fillDownloadFields)
{
    UIKIT_CHECK_MAIN_THREAD();
    if (!info)
        return;
    // A batch file's end, whatever its outcome, makes room for the next one;
    // the next goes out once this reply has been handled.
    bool batchFileEnded = false;
    if (info->requestType == 2) {
        std::lock_guard guard(lock_);
        batchFileEnded = batchFilesOut_.erase(info->requestCode) > 0;
    }
    struct FeedAfter {
        NetworkModel* model;
        bool on;
        ~FeedAfter()
        {
            if (on)
                model->feedBatchFiles();
        }
    } feedAfter { this, batchFileEnded };
    // The transport ends a message's bytes with a zero; the text stops there.
    // Read in place: a table reply runs to megabytes.
    std::string_view text(
        info->recData.empty() ? "" : reinterpret_cast<const char*>(info->recData.data()), info->recData.size());
    while (!text.empty() && text.back() == '\0')
        text.remove_suffix(1);
    const bool readable = TextEncoding::isValidUTF8(text);
    NSLog("\n id = %d\nReciveHttpMsg = \n%@,", info->cmdCode, readable ? loggableReply(text) : std::string("(null)"));

    std::shared_ptr<RequestInterfaceBase> message;
    {
        std::lock_guard guard(lock_);
        auto it = dicRequestList_.find(info->requestCode);
        if (it != dicRequestList_.end())
            message = it->second;
    }
    // A table command reads its records straight from the text; every other
    // reply, and text of a form it leaves alone, is parsed whole.
    std::shared_ptr<NetBaseRst> fromText;
    if (message && readable && (info->requestType == 0 || info->requestType == 1))
        fromText = message->RequestDecodeText(text);
    std::optional<Value> reply = readable && !fromText ? JSONValue(text) : std::nullopt;
    if (reply && !reply->isDictionary())
        reply.reset();
    // The descriptor is ours now: the bytes go as soon as they are read, so
    // a table reply is never held as text, tree and records all at once.
    text = "";
    ::Data().swap(info->recData);

    if (!message)
        return;

    std::shared_ptr<NetBaseRst> result;
    if (info->requestType == 2) {
        result = message->RequestDecodeTaking(std::move(reply));
        auto download = std::dynamic_pointer_cast<DownloadRst>(result);
        auto sent = std::dynamic_pointer_cast<RequestDownload>(message);
        auto descriptor = std::dynamic_pointer_cast<DownLoadRequestInfo>(info);
        if (download && sent && fillDownloadFields) {
            download->fileId = sent->fileId;
            download->type = sent->imgType;
            if (descriptor) {
                download->fileName = descriptor->fileName;
                download->downloadId = descriptor->downloadId;
            }
        }
        if (result)
            result->cmdCode = info->cmdCode;
    } else if (info->requestType == 0 || info->requestType == 1) {
        result = fromText ? std::move(fromText) : message->RequestDecodeTaking(std::move(reply));
        if (result) {
            result->cmdCode = info->cmdCode;
            result->requestCode = info->requestCode;
        }
    }
    // The receiver gets the records; the tree they came from is done with.
    reply.reset();

    if (result) {
        result->httpRsp = info->httpRsp;
        if (divertLockedUser && result->status && *result->status == "114") {
            ProtocolServices::logoutWithLockedUser(*result->status, result->message);
        } else if (auto receiver = message->receiveDelegete.lock()) {
            receiver->ReciveHttpRespondInfo(result);
        }
    }

    std::lock_guard guard(lock_);
    dicRequestList_.erase(info->requestCode);
}

void NetworkModel::cancelDownloadReuest(const std::string& fileName)
{
    const int tag = HttpNetworkCtrl::sharedInstance()->CancelDownLoadWithName(fileName);
    if (tag == 0)
        return;
    bool batchFileEnded = false;
    {
        std::lock_guard guard(lock_);
        dicRequestList_.erase(tag);
        batchFileEnded = batchFilesOut_.erase(tag) > 0;
    }
    if (batchFileEnded)
        feedBatchFiles();
}

void NetworkModel::cancelAllRequests()
{
    // With a test transport in place the engine never saw these messages.
    if (!transportForTesting_)
        HttpNetworkCtrl::sharedInstance()->CancelAllRequests();
    std::lock_guard guard(lock_);
    dicRequestList_.clear();
    waitingBatches_.clear();
    batchFilesOut_.clear();
}

void NetworkModel::removeAllReuest(const NetworkRecDelegate* receiver)
{
    std::vector<int> tags;
    {
        std::lock_guard guard(lock_);
        for (const auto& [tag, message] : dicRequestList_) {
            if (message->receiveDelegete.lock().get() == receiver)
                tags.push_back(tag);
        }
    }
    std::lock_guard guard(lock_);
    for (int tag : tags)
        dicRequestList_.erase(tag);
}
