#include "Network/Protocol/MsgRequest.h"

#include "Database/ClientFiles.h"
#include "Network/Protocol/LoginMode.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"

namespace {

std::string downloadsFolder(const char* kind, const std::string& clientId, int type)
{
    std::string folder = NSString::stringByAppendingPathComponent(NSTemporaryDirectory(), kind);
    folder = NSString::stringByAppendingPathComponent(folder, NSString::lowercaseString(clientId));
    return NSString::stringByAppendingPathComponent(folder, std::to_string(type));
}

void createParentFolder(const std::string& path)
{
    // Every file of a batch shares its folders: one look when they are there,
    // and the walk up the path only to make one that is missing.
    auto& files = NSFileManager::defaultManager();
    const std::string folder = NSString::stringByDeletingLastPathComponent(path);
    bool isDirectory = false;
    if (files.fileExistsAtPathIsDirectory(folder, &isDirectory) && isDirectory)
        return;
    files.createDirectoryAtPathWithIntermediateDirectories(folder, true);
}

}  // namespace

std::shared_ptr<MsgRequest> MsgRequest::initWithURL(const CFURL& url) { return std::make_shared<MsgRequest>(url); }

MsgRequest::MsgRequest(const CFURL& url, double timeOut)
    : FormDataRequest(url)
{
    setRequestMethod("POST");
    timeOutSeconds = timeOut;
    // Over https the company's certificate and name are checked: unchecked,
    // anyone between the tablet and the server could read the sign-in and
    // the session's data.
    validatesSecureCertificate = true;
    HTTPHeaderFields headers;
    headers.set("Content-Type", kContentType);
    setRequestHeaders(std::move(headers));
}

void MsgRequest::setReqInfo(const std::shared_ptr<RequestInfoBase>& info)
{
    requestType = info->requestType;
    cmdCode = info->cmdCode;
    modelDelegage = info->delegate;
    const std::string& text = info->requestUrlBody ? *info->requestUrlBody : std::string();
    info->postData = ::Data(text.begin(), text.end());
    setPostBody(std::make_shared<::Data>(info->postData));
}

void MsgRequest::setInfoWithRequest(const MsgRequest& earlier)
{
    setrequestCode(earlier.requestCode);
    setDelegate(earlier.delegate());
    requestType = earlier.requestType;
    cmdCode = earlier.cmdCode;
    modelDelegage = earlier.modelDelegage;
    if (auto body = earlier.postBody())
        setPostBody(std::make_shared<::Data>(*body));
}

std::shared_ptr<UploadRequest> UploadRequest::init(const CFURL& url) { return std::make_shared<UploadRequest>(url); }

UploadRequest::UploadRequest(const CFURL& url)
    : MsgRequest(url)
{
    showAccurateProgress = true;
    shouldContinueWhenAppEntersBackground = true;
}

void UploadRequest::setReqInfo(const std::shared_ptr<RequestInfoBase>& info)
{
    showAccurateProgress = true;
    shouldContinueWhenAppEntersBackground = true;
    requestType = info->requestType;
    cmdCode = info->cmdCode;
    modelDelegage = info->delegate;
    if (auto upload = std::dynamic_pointer_cast<UploadRequestInfo>(info)) {
        for (const auto& [key, value] : upload->valueList.dictionaryValue())
            setPostValueForKey(value.isString() ? value.stringValue() : value.description(), key.str());
        if (auto progress = upload->uploadProgressDelegate.lock())
            setUploadProgressDelegate(progress);
    }
    setDataForKey(info->postData, "data");
}

std::shared_ptr<DownloadRequest> DownloadRequest::initWithURL(const CFURL& url)
{
    return std::make_shared<DownloadRequest>(url);
}

DownloadRequest::DownloadRequest(const CFURL& url)
    : MsgRequest(url, 20.0)
{
    // A download sends no body, the URL alone names the file: a kept
    // connection may carry it, and one the server closed while idle may be
    // tried again on a new one without anything having gone out twice.
    shouldAttemptPersistentConnection = true;
    shouldResetDownloadProgress = false;
    allowResumeForFileDownloads = true;
    shouldContinueWhenAppEntersBackground = true;
}

void DownloadRequest::setReqInfo(const std::shared_ptr<RequestInfoBase>& info)
{
    requestType = info->requestType;
    cmdCode = info->cmdCode;
    modelDelegage = info->delegate;
    auto download = std::dynamic_pointer_cast<DownLoadRequestInfo>(info);
    if (!download)
        return;
    downloadId = download->downloadId;
    progressType = download->progressType;
    if (progressType == 1)
        percentDelegate = download->downloadProgressDelegate;
    fileName = download->fileName;
    const std::string name = fileName.value_or(std::string());
    const std::string client = LoginMode::sharedInstance()->clientID().value_or(std::string());
    destinationPath = ClientFiles::filePathWithNameFiletype(name, download->imgType);
    downloadDestinationPath = stagingPathFor(client, download->imgType, name);
    temporaryFileDownloadPath = partialPathFor(client, download->imgType, name);
    createParentFolder(*downloadDestinationPath);
    createParentFolder(*temporaryFileDownloadPath);
}

void DownloadRequest::setInfoWithRequest(const DownloadRequest& earlier)
{
    setrequestCode(earlier.requestCode);
    setDelegate(earlier.delegate());
    requestType = earlier.requestType;
    downloadId = earlier.downloadId;
    cmdCode = earlier.cmdCode;
    modelDelegage = earlier.modelDelegage;
    progressType = earlier.progressType;
    percentDelegate = earlier.percentDelegate;
    destinationPath = earlier.destinationPath;
    downloadDestinationPath = earlier.downloadDestinationPath;
    fileName = earlier.fileName;
    temporaryFileDownloadPath = earlier.temporaryFileDownloadPath;
}

bool DownloadRequest::commitDownload()
{
    auto& files = NSFileManager::defaultManager();
    if (!downloadDestinationPath || destinationPath.empty())
        return false;
    // The whole file replaces the old one in one step, with no look first:
    // a picture is either the old one or the new one, never missing or half.
    if (files.replaceItemAtPathWithItemAtPath(destinationPath, *downloadDestinationPath))
        return true;
    // Only when that fails: a missing folder, or a folder in the way.
    if (!files.fileExistsAtPath(*downloadDestinationPath))
        return false;
    createParentFolder(destinationPath);
    if (files.fileExistsAtPath(destinationPath) && !files.removeItemAtPath(destinationPath))
        return false;
    return files.moveItemAtPathToPath(*downloadDestinationPath, destinationPath);
}

void DownloadRequest::discardDownload(bool partialToo)
{
    auto& files = NSFileManager::defaultManager();
    if (downloadDestinationPath && files.fileExistsAtPath(*downloadDestinationPath))
        files.removeItemAtPath(*downloadDestinationPath);
    if (partialToo && temporaryFileDownloadPath && files.fileExistsAtPath(*temporaryFileDownloadPath))
        files.removeItemAtPath(*temporaryFileDownloadPath);
}

std::string DownloadRequest::partialPathFor(const std::string& clientId, int type, const std::string& name)
{
    return NSString::stringByAppendingPathComponent(downloadsFolder("Downloading", clientId, type), name);
}

std::string DownloadRequest::stagingPathFor(const std::string& clientId, int type, const std::string& name)
{
    return NSString::stringByAppendingPathComponent(downloadsFolder("Downloaded", clientId, type), name);
}
