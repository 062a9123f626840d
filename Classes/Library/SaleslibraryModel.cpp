#include "Classes/Library/SaleslibraryModel.h"

#include "Classes/Frame/PublicFunction.h"
#include "Database/DataAccessManager.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/NetworkModel.h"
#include "Network/Protocol/SyncCommands.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"

#include <algorithm>
#include <mutex>

namespace {

std::mutex& classLock()
{
    static std::mutex lock;
    return lock;
}

std::shared_ptr<SaleslibraryModel>& slot()
{
    static std::shared_ptr<SaleslibraryModel> instance;
    return instance;
}

bool contains(const std::vector<std::string>& list, const std::string& name)
{
    return std::find(list.begin(), list.end(), name) != list.end();
}

void removeAll(std::vector<std::string>& list, const std::string& name)
{
    list.erase(std::remove(list.begin(), list.end(), name), list.end());
}

// A library file on the device, by the name and type text the database holds;
// a name that could leave the type's folder is never made into a path.
bool libraryFileExists(const std::optional<std::string>& name, int fileType)
{
    if (!name || !NSPathIsSafeComponent(*name))
        return false;
    return NSFileManager::defaultManager().fileExistsAtPath(PublicFunction::filePathWithNameFiletype(*name, fileType));
}

}  // namespace

SaleslibraryModel::SaleslibraryModel(Token) { }

SaleslibraryModel::~SaleslibraryModel() = default;

std::shared_ptr<SaleslibraryModel> SaleslibraryModel::sharedInstance()
{
    std::shared_ptr<SaleslibraryModel> made;
    {
        std::lock_guard<std::mutex> guard(classLock());
        if (slot())
            return slot();
        made = std::make_shared<SaleslibraryModel>(Token {});
        slot() = made;
    }
    made->loadExistsFiles();
    return made;
}

void SaleslibraryModel::freeInstance()
{
    auto instance = sharedInstance();
    instance->cancelAllUncompleteFiles();
    std::lock_guard<std::mutex> guard(classLock());
    slot().reset();
}

int SaleslibraryModel::sendRequest(const std::shared_ptr<RequestDownload>& request)
{
    if (!request)
        return -1;
    for (const std::string& name : request->fileNameList) {
        m_downloadFileNameArray.push_back(name);
        removeAll(m_pauseFileArray, name);
    }
    request->setReceiveDelegete(shared_from_this());
    return NetworkModel::sharedInstance()->sendRequest(request);
}

void SaleslibraryModel::pauseDownloadFile(const std::optional<std::string>& fileName)
{
    if (!fileName || !contains(m_downloadFileNameArray, *fileName))
        return;
    m_pauseFileArray.push_back(*fileName);
    removeAll(m_downloadFileNameArray, *fileName);
    NetworkModel::sharedInstance()->cancelDownloadReuest(*fileName);
}

void SaleslibraryModel::cancelDownloadFile(const std::optional<std::string>& fileName)
{
    if (!fileName)
        return;
    if (contains(m_downloadFileNameArray, *fileName)) {
        removeAll(m_downloadFileNameArray, *fileName);
        NetworkModel::sharedInstance()->cancelDownloadReuest(*fileName);
    }
    removeAll(m_pauseFileArray, *fileName);
}

void SaleslibraryModel::cancelAllUncompleteFiles()
{
    const auto names = m_downloadFileNameArray;
    for (const std::string& name : names)
        NetworkModel::sharedInstance()->cancelDownloadReuest(name);
}

bool SaleslibraryModel::isInDownloadList(const std::optional<std::string>& fileName) const
{
    return fileName && contains(m_downloadFileNameArray, *fileName);
}

bool SaleslibraryModel::isInPauseList(const std::optional<std::string>& fileName) const
{
    return fileName && contains(m_pauseFileArray, *fileName);
}

bool SaleslibraryModel::isExists(int fileId) const
{
    return std::find(m_existsFiles.begin(), m_existsFiles.end(), fileId) != m_existsFiles.end();
}

void SaleslibraryModel::removeExistsFiles(int fileId)
{
    m_existsFiles.erase(std::remove(m_existsFiles.begin(), m_existsFiles.end(), fileId), m_existsFiles.end());
}

float SaleslibraryModel::getDownloadPercentage(const std::optional<std::string>& fileName) const
{
    if (!fileName)
        return 0;
    auto found = m_downloadPercentageDic.find(*fileName);
    return found == m_downloadPercentageDic.end() ? 0 : found->second;
}

void SaleslibraryModel::loadExistsFiles()
{
    m_existsFiles.clear();
    if (!LoginMode::sharedInstance()->clientFolder())
        return;
    auto data = DataAccessManager::sharedDataModel();
    for (const auto& file : data->getAllLibFiles()) {
        if (!file)
            continue;
        bool present
            = libraryFileExists(file->file_name, PublicFunction::getFileType(file->type.value_or(std::string())));
        if (!present) {
            // A replaced file still counts while its previous version is on the device.
            if (auto update = data->getLibFileUpdateByFileID(file->file_id))
                present = libraryFileExists(
                    update->oldFileName, PublicFunction::getFileType(update->oldFileType.value_or(std::string())));
        }
        if (present)
            m_existsFiles.push_back(file->file_id);
    }
}

void SaleslibraryModel::registerCallBackList(const std::shared_ptr<NetworkRecDelegate>& screen)
{
    if (!screen)
        return;
    for (const CallBack& c : m_callBackDelegateArry) {
        if (c.address == screen.get())
            return;
    }
    m_callBackDelegateArry.push_back({ screen.get(), screen });
}

void SaleslibraryModel::removeFromCallBackList(const NetworkRecDelegate* screen)
{
    m_callBackDelegateArry.erase(std::remove_if(m_callBackDelegateArry.begin(), m_callBackDelegateArry.end(),
                                     [screen](const CallBack& c) { return c.address == screen; }),
        m_callBackDelegateArry.end());
}

std::vector<std::shared_ptr<NetworkRecDelegate>> SaleslibraryModel::liveCallBacks() const
{
    // A copy, so a screen may register or leave while it is being told.
    std::vector<std::shared_ptr<NetworkRecDelegate>> screens;
    for (const CallBack& c : m_callBackDelegateArry) {
        if (auto screen = c.screen.lock())
            screens.push_back(std::move(screen));
    }
    return screens;
}

void SaleslibraryModel::downloadFileFinishFileId(const std::string& fileName, int fileId)
{
    auto self = shared_from_this();
    DataAccessManager::sharedDataModel()->deleteFileUpdateWithFileID(fileId);
    auto report = std::make_shared<RequestDownloadFinish>();
    report->setReceiveDelegete(self);
    report->fileId = fileId;
    removeAll(m_downloadFileNameArray, fileName);
    const int tag = NetworkModel::sharedInstance()->sendRequest(report);
    NSLog("the rst is %d", tag);
    m_downloadPercentageDic.erase(fileName);
}

void SaleslibraryModel::ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& reply)
{
    if (!reply)
        return;
    auto self = shared_from_this();
    if (reply->cmdCode == 0x207) {
        if (isSuccess(*reply))
            NSLog("request download finish success!");
        return;
    }
    if (reply->cmdCode != 0x301)
        return;
    auto download = std::dynamic_pointer_cast<DownloadRst>(reply);
    const std::string name = download && download->fileName ? *download->fileName : std::string();
    NSLog("the download file is %@", name);
    removeAll(m_downloadFileNameArray, name);
    if (download && isSuccess(*download)) {
        if (libraryFileExists(download->fileName, download->type))
            m_existsFiles.push_back(download->fileId);
        downloadFileFinishFileId(name, download->fileId);
    }
    for (const auto& screen : liveCallBacks())
        screen->ReciveHttpRespondInfo(reply);
}

void SaleslibraryModel::ReciveDownloadPercent(const std::shared_ptr<DownLoadRequestInfo>& info)
{
    if (!info)
        return;
    auto self = shared_from_this();
    if (info->fileName)
        m_downloadPercentageDic[*info->fileName] = info->downloadPercent;
    for (const auto& screen : liveCallBacks())
        screen->ReciveDownloadPercent(info);
}
