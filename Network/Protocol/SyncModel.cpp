#include "Network/Protocol/SyncModel.h"

#include "Database/ClientFiles.h"
#include "Database/ConfigManager.h"
#include "Database/DataAccessManager.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Network/Protocol/ImageThumbnail.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/NetworkModel.h"
#include "Network/Protocol/ProtocolServices.h"
#include "Network/Protocol/RequestDownload.h"
#include "Network/Protocol/SessionCommands.h"
#include "Network/Protocol/SessionServices.h"
#include "Network/Protocol/SyncCommands.h"
#include "Platform/Foundation/BackgroundWork.h"
#include "Platform/Foundation/NSDate.h"
#include "Platform/Foundation/NSDateFormatter.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/Foundation/PerformRequests.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <unordered_set>

namespace {

std::mutex& classLock()
{
    static std::mutex lock;
    return lock;
}

std::shared_ptr<SyncModel>& slot()
{
    static std::shared_ptr<SyncModel> instance;
    return instance;
}

template <typename T> OptionalEntityList<T> listOf(const std::vector<T>& records)
{
    EntityList<T> list;
    list.reserve(records.size());
    for (const auto& record : records)
        list.push_back(std::make_shared<T>(record));
    return list;
}

// Moves a reply's records into the list the data layer takes: a big table is
// not held twice while it is stored.
template <typename T> OptionalEntityList<T> takeListOf(std::vector<T>& records)
{
    EntityList<T> list;
    list.reserve(records.size());
    for (auto& record : records)
        list.push_back(std::make_shared<T>(std::move(record)));
    std::vector<T>().swap(records);
    return list;
}

bool notBlank(const std::optional<std::string>& text)
{
    return text && !NSString::stringByTrimmingCharactersInSet(*text, CharacterSet::whitespace).empty();
}

bool fileExists(const std::string& path) { return NSFileManager::defaultManager().fileExistsAtPath(path); }

std::string clientKey(const std::string& suffix)
{
    return LoginMode::clientKey(LoginMode::sharedInstance()->clientID(), suffix);
}

// The names in the client's folder of a kind, read in one listing: a run asks
// after every picture of the catalogue, and one listing costs far less than a
// look at each of 200,000 paths. A link is looked at itself (it may point at
// nothing), and a folder that cannot be read whole is asked name by name.
class FolderNames {
public:
    explicit FolderNames(int fileType)
        : m_fileType(fileType)
    {
        const std::string any = ClientFiles::filePathWithNameFiletype("x", fileType);
        if (any.empty())
            return;
        std::error_code error;
        std::filesystem::directory_iterator it(std::filesystem::path(any).parent_path(), error);
        if (error) {
            m_listed = error == std::errc::no_such_file_or_directory;
            return;
        }
        for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
            if (error)
                return;
            std::error_code typeError;
            if (!it->is_symlink(typeError) && !typeError)
                m_names.insert(it->path().filename().string());
            else
                m_links.insert(it->path().filename().string());
        }
        m_listed = !error;
    }

    bool has(const std::string& name) const
    {
        if (m_listed && !m_links.contains(name))
            return m_names.contains(name);
        return fileExists(ClientFiles::filePathWithNameFiletype(name, m_fileType));
    }

private:
    int m_fileType;
    bool m_listed = false;
    std::unordered_set<std::string> m_names;
    std::unordered_set<std::string> m_links;
};

// Deletes a file of the client's folder of a kind, when its name stays inside
// it; whether it is there is asked of `present` when the folder was listed.
void deleteLocalFile(const std::optional<std::string>& name, int fileType, const FolderNames* present = nullptr)
{
    if (!notBlank(name) || !NSPathIsSafeComponent(*name) || !LoginMode::sharedInstance()->clientFolder())
        return;
    std::string path = ClientFiles::filePathWithNameFiletype(*name, fileType);
    if (present ? present->has(*name) : fileExists(path))
        NSFileManager::defaultManager().removeItemAtPath(path);
}

// A wanted file that is missing from the kind's folder; unsafe names are never fetched.
bool isMissing(const std::string& name, const FolderNames& folder)
{
    return !name.empty() && NSPathIsSafeComponent(name) && !folder.has(name);
}

}  // namespace

// The product records of one table reply, stored a batch at a time inside
// one transaction: a refused or broken reply, or a process killed while the
// reply is read, leaves the old tables whole.
class SyncModel::ProductBatches : public ProductTableStore {
public:
    explicit ProductBatches(std::weak_ptr<SyncModel> model)
        : m_model(std::move(model))
    {
    }

    bool begin() override
    {
        auto model = m_model.lock();
        auto db = SQLDatabase::sharedDataBase();
        m_stored.reset();
        // Inside someone else's transaction the reply could not be undone alone.
        if (!model || !db || db->inTransaction() || !db->beginTransaction())
            return false;
        m_open = true;
        m_saved = true;
        m_lost = false;
        m_changedImages.clear();
        m_idsBefore = model->m_needUpdateProductIDs.size();
        return true;
    }

    void store(SyncAllTableRst& records) override
    {
        auto model = m_model.lock();
        if (!model || !stillOpen()) {
            // The batch cannot be kept; the reply's end undoes the rest.
            records.productTable.clear();
            records.productAttributeTable.clear();
            records.productCategoryXrefTable.clear();
            records.productPriceTable.clear();
            records.productRelatedTable.clear();
            records.imagesTable.clear();
            return;
        }
        model->storeProductRecords(records, false, m_saved, m_changedImages);
    }

    void end(const std::shared_ptr<SyncAllTableRst>& last) override
    {
        if (!m_open)
            return;
        m_open = false;
        auto model = m_model.lock();
        auto db = SQLDatabase::sharedDataBase();
        if (last && model && db && stillOpen()) {
            model->storeProductRecords(*last, true, m_saved, m_changedImages);
            if (stillOpen() && db->commit()) {
                m_stored = last;
                return;
            }
        }
        if (db && db->inTransaction())
            db->rollback();
        // Nothing of the reply stands: no picture of it is removed, and no
        // product of it counts as updated.
        m_changedImages.clear();
        if (model && model->m_needUpdateProductIDs.size() > m_idsBefore)
            model->m_needUpdateProductIDs.resize(m_idsBefore);
        if (last) {
            // A good reply whose records could not be kept: its group stays
            // unmarked, and its receiver must not store its emptied tables.
            NSLog("Error on product sync!");
            m_saved = false;
            m_stored = last;
        }
    }

    // Whether `reply`'s records were stored (or dropped) here; then whether
    // every save succeeded, and the pictures whose records changed.
    bool took(const SyncAllTableRst& reply, bool& saved, std::string& changedImages)
    {
        if (m_stored.lock().get() != &reply)
            return false;
        m_stored.reset();
        saved = m_saved;
        changedImages = std::move(m_changedImages);
        m_changedImages.clear();
        return true;
    }

private:
    // SQLite ends the transaction itself after disk full or an I/O error;
    // later statements would then commit one by one, so nothing more is stored.
    bool stillOpen()
    {
        auto db = SQLDatabase::sharedDataBase();
        if (!m_lost && (!db || !db->inTransaction())) {
            NSLog("Error on product sync: the reply's transaction ended");
            m_lost = true;
        }
        if (m_lost)
            m_saved = false;
        return !m_lost;
    }

    std::weak_ptr<SyncModel> m_model;
    std::weak_ptr<SyncAllTableRst> m_stored;
    std::string m_changedImages;
    size_t m_idsBefore = 0;
    bool m_open = false;
    bool m_saved = true;
    bool m_lost = false;
};

std::shared_ptr<SyncModel> SyncModel::sharedInstance()
{
    std::lock_guard<std::mutex> guard(classLock());
    if (!slot()) {
        slot() = std::make_shared<SyncModel>();
        std::weak_ptr<SyncModel> weak = slot();
        NSNotificationCenter::defaultCenter().addObserver(slot().get(), "netUnconnect", [weak](const NSNotification&) {
            if (auto self = weak.lock())
                self->netUnconnect();
        });
    }
    return slot();
}

void SyncModel::freeInstance()
{
    std::shared_ptr<SyncModel> ending;
    {
        std::lock_guard<std::mutex> guard(classLock());
        ending = std::move(slot());
        slot().reset();
    }
}

SyncModel::SyncModel()
    : m_thumbnailQueue(dispatch_queue_create("SyncModel.thumbnails", DISPATCH_QUEUE_SERIAL))
{
    createAllDirectorys();
}

SyncModel::~SyncModel()
{
    NSNotificationCenter::defaultCenter().removeObserver(this);
    PerformRequests::cancelPreviousPerformRequests(this);
    // A thumbnail under way is finished (no half-written file), the rest left undone.
    for (const auto& task : m_thumbnailTasks)
        task->cancel();
    for (const auto& task : m_thumbnailTasks)
        task->cancelAndWait();
}

void SyncModel::createAllDirectorys()
{
    auto clientId = LoginMode::sharedInstance()->clientID();
    if (!LoginMode::isUsableClientId(clientId))
        return;
    std::string client = NSString::lowercaseString(*clientId);
    for (const char* folder : { "ProductImages/", "CatalogImages/", "ConfigImages/", "LibraryImages/", "Pdf/", "Video/",
             "Excel/", "Word/", "Keynote/", "tempDownload/" })
        ClientFiles::createDirectoryifNeed(client + "/" + folder);
}

int SyncModel::send(const std::shared_ptr<RequestInterfaceBase>& request)
{
    request->setReceiveDelegete(shared_from_this());
    return NetworkModel::sharedInstance()->sendRequest(request);
}

void SyncModel::setFlag(const std::string& key) { ConfigManager::sharedInstance()->flagDic()[key] = "YES"; }

void SyncModel::markSynced(const std::string& suffix)
{
    NSUserDefaults::standardUserDefaults()->setObjectForKey(Value("synced"), clientKey(suffix));
}

// ---- Starting ----

void SyncModel::startSync()
{
    if (LoginMode::sharedInstance()->loginType() == LoginMode::kLoginTypeOnline) {
        requestSync();
        return;
    }
    m_needWork = 1;
    requestLogin();
}

void SyncModel::startSyncData()
{
    if (auto delegate = m_delegate.lock())
        delegate->startSyncData();
}

void SyncModel::requestLogin()
{
    auto info = LoginMode::sharedInstance()->loginInfo();
    auto request = std::make_shared<RequestLogin>();
    request->userName = info->accountId;
    request->passWord = info->passWord;
    request->clientID = info->clientId;
    request->deviceID = info->deviceId;
    send(request);
}

void SyncModel::loadByConfig()
{
    auto config = ConfigManager::sharedInstance();
    m_isCatalogOnshow = config->isOnShow(1);
    m_isCustomerOnShow = config->isOnShow(2);
    m_isSalesLibraryOnShow = config->isOnShow(4);
}

void SyncModel::requestSync()
{
    m_retryImageArry.clear();
    m_fileSavesOk = true;
    m_customerSavesOk = true;
    auto session = LoginMode::sharedInstance();
    session->getUserinfo();
    session->getRuntimeConfig();
    loadByConfig();
    m_isDownloading = true;
    m_existFilesRat = 0;
    if (m_isCatalogOnshow) {
        auto request = std::make_shared<RequestSyncAllTable>();
        request->isFull = needSyncAll("ProductSynced");
        if (!m_productBatches && !weak_from_this().expired())
            m_productBatches = std::make_shared<ProductBatches>(weak_from_this());
        request->batches = m_productBatches;
        NSLog("the rst is %d", send(request));
    } else if (m_isSalesLibraryOnShow) {
        getProgressProduct();
    } else if (m_isCustomerOnShow) {
        getCustomerSync();
    } else {
        // Nothing to fetch: the run is over at once rather than waiting for a
        // reply that will never come.
        finishedSync();
    }
}

std::string SyncModel::needSyncAll(const std::optional<std::string>& suffix) const
{
    if (m_isSyncAllData || !suffix)
        return "true";
    Value stored = NSUserDefaults::standardUserDefaults()->objectForKey(clientKey(*suffix));
    return stored.isString() ? "false" : "true";
}

void SyncModel::breakSync(const std::string& message)
{
    if (auto delegate = m_delegate.lock())
        delegate->breakSync(message);
    NetworkModel::sharedInstance()->cancelAllRequests();
}

void SyncModel::resetDownloadProgress()
{
    m_productProgress = 0;
    m_iconProgress = 0;
    m_libProgress = 0;
    m_lastTime.reset();
    m_isDownloading = false;
    m_downloadRemotingPImgList.clear();
    m_downloadRemotingPImgListIcon.clear();
    m_downloadRemotingPImgListLibimg.clear();
}

void SyncModel::netUnconnect()
{
    if (m_isDownloading)
        breakSync(ProtocolServices::languageText("NETWORKPOOR").value_or(std::string()));
}

// ---- Replies ----

void SyncModel::ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& reply)
{
    if (!reply)
        return;
    auto self = shared_from_this();
    if (reply->status == std::optional<std::string>("207")) {
        ProtocolServices::logoutWithLockedUser("207", reply->message);
        return;
    }
    switch (reply->cmdCode) {
    case 258: {
        auto session = LoginMode::sharedInstance();
        auto login = std::dynamic_pointer_cast<LoginRst>(reply);
        if (login && isSuccess(*login)) {
            session->setLoginType(LoginMode::kLoginTypeOnline);
            // The new session's ids go with every later command, as after a sign-in.
            session->setSessionId(login->sessionId);
            session->setVendorId(NSString::intValue(login->vendor_id.value_or(std::string())));
            if (LoginMode::isUsableClientId(login->clientId))
                session->setClientID(login->clientId);
            if (m_needWork == 1)
                requestSync();
        } else {
            session->setLoginType(reply->status == std::optional<std::string>("999") ? LoginMode::kLoginTypeOffline
                                                                                     : LoginMode::kLoginTypeNone);
            if (m_needWork == 1)
                breakSync(reply->message.value_or(std::string()));
        }
        break;
    }
    case 513:
        getAllSyncTablesRespond(std::dynamic_pointer_cast<SyncAllTableRst>(reply));
        break;
    case 514:
        getIconSyncTablesRespond(std::dynamic_pointer_cast<SyncIconTableRst>(reply));
        break;
    case 515:
        getFilesSyncTablesRespond(std::dynamic_pointer_cast<SyncFileTableRst>(reply));
        break;
    case 516:
        getCustomerSyncRespond(std::dynamic_pointer_cast<SyncCustomerTableRst>(reply));
        break;
    case 517:
        syncFinishedProductRespond(reply);
        break;
    case 769:
        downloadFileRespond(reply);
        break;
    default:
        break;
    }
}

void SyncModel::getAllSyncTablesRespond(const std::shared_ptr<SyncAllTableRst>& reply)
{
    if (!reply || !isSuccess(*reply)) {
        breakSync(reply && reply->message ? *reply->message : std::string());
        return;
    }
    bool allSaved = true;
    std::string changedImages;
    // A reply read from its text was stored as it was read; any other is stored here whole.
    if (!m_productBatches || !m_productBatches->took(*reply, allSaved, changedImages))
        storeProductRecords(*reply, true, allSaved, changedImages);
    deleteChangedImages(changedImages);
    if (allSaved)
        markSynced("ProductSynced");
    setFlag("Needreloadcatelog");
    NSUserDefaults::standardUserDefaults()->synchronize();
    getProgressProduct();
}

void SyncModel::storeProductRecords(SyncAllTableRst& reply, bool whole, bool& saved, std::string& changedImages)
{
    for (const auto& product : reply.productTable)
        m_needUpdateProductIDs.push_back(product.product_id);
    auto data = DataAccessManager::sharedDataModel();
    // An empty table has nothing to save: the data layer answers NO for it,
    // which is no failure of the group.
    auto check = [&saved](bool empty, bool stored, const char* failure) {
        if (!stored) {
            NSLog("%s", failure);
            saved = saved && empty;
        }
    };
    // Each table's records move into what is stored; the reply keeps none.
    auto store = [&check](auto& records, auto save, const char* failure) {
        const bool empty = records.empty();
        check(empty, save(takeListOf(records)), failure);
    };
    store(
        reply.productTable, [&](const auto& list) { return data->saveToDatabaseProduct(list); },
        "Error on product sync!");
    store(
        reply.productAttributeTable, [&](const auto& list) { return data->saveToDatabaseProductAttribute(list); },
        "Error on ProductAttribute sync!");
    if (whole) {
        store(
            reply.fieldsAttributeTable,
            [&](const auto& list) { return data->saveToDatabaseFieldsProductAttribute(list); },
            "Error on fieldsProductAttribute sync!");
    }
    store(
        reply.productCategoryXrefTable, [&](const auto& list) { return data->saveToDatabasePxrefC(list); },
        "Error on productAndcategoryTable sync!");
    store(
        reply.productPriceTable, [&](const auto& list) { return data->saveToDatabasePrice(list); },
        "Error on Price sync!");
    store(
        reply.productRelatedTable, [&](const auto& list) { return data->saveToDatabaseProductrelated(list); },
        "Error on productrelated sync!");
    // The files of the changed pictures are removed once their records stand.
    std::string names;
    for (const auto& image : reply.imagesTable) {
        for (const auto& name : { image.image_thumb_address, image.image_full_address }) {
            names += name.value_or(std::string());
            names += '\0';
        }
    }
    const bool noImages = reply.imagesTable.empty();
    const bool imagesSaved = data->saveToDatabaseImage(takeListOf(reply.imagesTable));
    check(noImages, imagesSaved, "Error on imageTable sync!");
    if (imagesSaved)
        changedImages += names;
    if (!whole)
        return;
    store(
        reply.categoryTable, [&](const auto& list) { return data->saveToDatabaseCategory(list); },
        "Error on category sync!");
    store(
        reply.productRelatedFilesTable, [&](const auto& list) { return data->saveToDatabaseProductRelatedFile(list); },
        "Error on productRelatedFilesTable sync!");
    store(
        reply.productTagTable, [&](const auto& list) { return data->saveToDatabaseProductTag(list); },
        "Error on productTagTable sync!");
    store(
        reply.productRelateTagTable, [&](const auto& list) { return data->saveToDatabaseProductRelatedTag(list); },
        "Error on productRelateTagTable sync!");
}

void SyncModel::deleteChangedImages(const std::string& changedImages)
{
    if (changedImages.empty() || !LoginMode::sharedInstance()->clientFolder())
        return;
    const FolderNames present(kProductImages);
    // "<name>\0" for each name, as storeProductRecords wrote them.
    for (size_t at = 0; at < changedImages.size();) {
        const size_t end = changedImages.find('\0', at);
        deleteLocalFile(changedImages.substr(at, end - at), kProductImages, &present);
        at = end + 1;
    }
}

void SyncModel::getProgressProduct()
{
    auto request = std::make_shared<RequestSyncFileTable>();
    request->isFull = needSyncAll("FileSynced");
    NSLog("the rst is %d", send(request));
}

void SyncModel::deleteImgThumb(const std::vector<corvelle_image_Entity>& images)
{
    for (const auto& image : images) {
        deleteLocalFile(image.image_thumb_address, kProductImages);
        deleteLocalFile(image.image_full_address, kProductImages);
    }
}

void SyncModel::deleteCoverImages(const std::vector<corvelle_library_files_Entity>& files)
{
    for (const auto& file : files)
        deleteLocalFile(file.cover_image, kLibraryCovers);
}

void SyncModel::getFilesSyncTablesRespond(const std::shared_ptr<SyncFileTableRst>& reply)
{
    if (!reply || !isSuccess(*reply)) {
        breakSync(reply && reply->message ? *reply->message : std::string());
        return;
    }
    auto data = DataAccessManager::sharedDataModel();
    auto old = data->getAllLibFiles();
    std::map<int, std::shared_ptr<corvelle_library_files_Entity>> present;
    for (const auto& record : old) {
        if (!record || !record->file_name || !NSPathIsSafeComponent(*record->file_name))
            continue;
        int type = ClientFiles::getFileType(record->type.value_or(std::string()));
        if (fileExists(ClientFiles::filePathWithNameFiletype(*record->file_name, type)))
            present[record->file_id] = record;
    }

    std::vector<corvelle_library_files_Entity> files = reply->libFileTable;
    if (reply->isFull == std::optional<std::string>("false") || !old.empty()) {
        auto findOld = [&old](int id) -> std::shared_ptr<corvelle_library_files_Entity> {
            for (const auto& record : old) {
                if (record && record->file_id == id)
                    return record;
            }
            return nullptr;
        };
        bool marked = false;
        for (auto& file : files) {
            if (!findOld(file.file_id)) {
                file.isNew = 1;
                marked = true;
            }
        }
        if (marked) {
            data->updateOldNewFlags();
        } else {
            for (auto& file : files) {
                if (auto previous = findOld(file.file_id))
                    file.isNew = previous->isNew;
            }
        }
    }

    bool filesSaved = data->saveToDatabaseLibraryFiles(listOf(files));
    if (filesSaved) {
        deleteCoverImages(files);
    } else {
        NSLog("Error on Files sync!");
        m_fileSavesOk = m_fileSavesOk && files.empty();
    }
    if (!data->saveToDatabaseLibraryCategory(listOf(reply->libCategoryTable))) {
        NSLog("Error on libraryCategory sync!");
        m_fileSavesOk = m_fileSavesOk && reply->libCategoryTable.empty();
    }

    if (!reply->libFileUpdateTable.empty() && needSyncAll("FileSynced") == "false") {
        for (const auto& idText : reply->libFileUpdateTable) {
            auto oldRecord = present.find(NSString::intValue(idText));
            if (oldRecord == present.end())
                continue;
            auto stored = data->getFilesByFileId(NSString::intValue(idText));
            if (!stored || stored->published == 0 || oldRecord->second->file_name == stored->file_name)
                continue;
            auto update = std::make_shared<corvelle_library_files_update_Entity>();
            update->fileID = oldRecord->second->file_id;
            update->oldFileName = oldRecord->second->file_name;
            update->oldFileType = oldRecord->second->type;
            if (!data->saveToDatabaseLibraryUpdate(update))
                NSLog("Failed to save to corvelle_update!");
            stored->isNew = 0;
            if (!data->saveLibraryFileToDatabase(stored))
                NSLog("Failed to save to corvelle_library_files");
        }
    }
    setFlag("Needreloadlibrary");
    getProgressFile();
}

void SyncModel::getIconSyncTablesRespond(const std::shared_ptr<SyncIconTableRst>& reply)
{
    if (!reply || !isSuccess(*reply)) {
        breakSync(reply && reply->message ? *reply->message : std::string());
        return;
    }
    if (!DataAccessManager::sharedDataModel()->saveToDatabaseIcon(listOf(reply->iconTable)))
        NSLog("Error on Icon sync!");
    getProgressFile();
}

// ---- Images ----

void SyncModel::getProgressFile()
{
    addAllImageLists();
    startDownloadProductImage(kProductImages);
}

void SyncModel::addAllImageLists()
{
    auto data = DataAccessManager::sharedDataModel();
    ValueArray images = data->getPublishImages(true);
    m_productImgCount = static_cast<int>(images.size() * 2);
    const FolderNames productFolder(kProductImages);
    for (const Value& entry : images) {
        for (const char* key : { "imageFull", "imageThumb" }) {
            const Value& name = entry[key];
            if (name.isString() && isMissing(name.stringValue(), productFolder))
                m_downloadRemotingPImgList.push_back(name.stringValue());
        }
    }
    auto icons = data->getAllIconAddress();
    m_iconImgCount = static_cast<int>(icons.size());
    const FolderNames iconFolder(kIcons);
    for (const auto& name : icons) {
        if (isMissing(name, iconFolder))
            m_downloadRemotingPImgListIcon.push_back(name);
    }
    auto covers = data->getAllFilesImg();
    m_libImgCount = static_cast<int>(covers.size());
    const FolderNames coverFolder(kLibraryCovers);
    for (const auto& name : covers) {
        if (isMissing(name, coverFolder))
            m_downloadRemotingPImgListLibimg.push_back(name);
    }
}

std::vector<std::string>* SyncModel::listFor(int imageType)
{
    switch (imageType) {
    case kProductImages:
        return &m_downloadRemotingPImgList;
    case kIcons:
        return &m_downloadRemotingPImgListIcon;
    case kLibraryCovers:
        return &m_downloadRemotingPImgListLibimg;
    default:
        return nullptr;
    }
}

int SyncModel::wantedCountFor(int imageType) const
{
    switch (imageType) {
    case kProductImages:
        return m_productImgCount;
    case kIcons:
        return m_iconImgCount;
    case kLibraryCovers:
        return m_libImgCount;
    default:
        return 0;
    }
}

void SyncModel::continueDownloadImages()
{
    auto* list = listFor(m_imageType);
    int wanted = wantedCountFor(m_imageType);
    if (list && !list->empty() && wanted > 0)
        m_existFilesRat = 1.0f - static_cast<float>(list->size()) / static_cast<float>(wanted);
}

void SyncModel::startDownloadProductImage(int imageType)
{
    m_imageType = imageType;
    continueDownloadImages();
    auto* list = listFor(imageType);
    if (!list)
        return;
    if (list->empty()) {
        downloadimageFinished(imageType);
        if (imageType == kProductImages)
            startDownloadProductImage(kIcons);
        else if (imageType == kIcons)
            startDownloadProductImage(kLibraryCovers);
        else
            endImagePhase();
        return;
    }
    auto request = std::make_shared<RequestDownload>();
    request->imgType = imageType;
    request->progressType = 2;
    request->fileNameList = *list;
    NSLog("the downloadId is %d", send(request));
}

void SyncModel::endImagePhase()
{
    if (m_isCustomerOnShow)
        getCustomerSync();
    else
        syncFinishedtype("product");
}

void SyncModel::downloadimageFinished(int imageType)
{
    if (auto delegate = m_delegate.lock())
        delegate->downloadimageFinished(imageType);
}

int SyncModel::remainingSeconds(double elapsed, float productProgress, size_t productLeft, float iconProgress,
    size_t iconLeft, float libProgress, size_t libLeft)
{
    double files = static_cast<double>(productLeft + iconLeft + libLeft);
    float doneFloat = productProgress * static_cast<float>(productLeft) + iconProgress * static_cast<float>(iconLeft)
        + libProgress * static_cast<float>(libLeft);
    int done = static_cast<int>(doneFloat);
    // Without a whole file done there is no rate to divide by.
    if (done <= 0)
        return 0;
    double remaining = elapsed * files / done - elapsed;
    if (!(remaining > 0))
        return 0;
    if (remaining > 2147483647.0)
        return 2147483647;
    return static_cast<int>(remaining);
}

bool SyncModel::setProgress(float progress)
{
    if (progress == 0.0f)
        return true;
    auto self = shared_from_this();
    double elapsed = 0;
    Date now = NSDate::date();
    if (m_lastTime)
        elapsed = NSDate::timeIntervalSinceDate(now, *m_lastTime);
    else
        m_lastTime = now;
    float value = std::min(progress, 1.0f);
    std::weak_ptr<SyncModel> weak = weak_from_this();
    auto later = [this, weak](int next) {
        PerformRequests::performAfterDelay(
            this, "startDownloadProductImage",
            [weak, next] {
                if (auto strong = weak.lock())
                    strong->startDownloadProductImage(next);
            },
            0.1);
    };
    switch (m_imageType) {
    case kProductImages:
        if (value == m_productProgress)
            return true;
        m_productProgress = value;
        if (value == 1.0f) {
            m_downloadRemotingPImgList.clear();
            // Paths are resolved here, on the main thread: the worker must not read the
            // session, which logout or the end of the process may be tearing down.
            auto paths = thumbnailPaths(DataAccessManager::sharedDataModel()->getPublishImages(true));
            std::erase_if(m_thumbnailTasks, [](const auto& task) { return task->isDone(); });
            m_thumbnailTasks.push_back(BackgroundTask::start(
                [paths = std::move(paths)](
                    const BackgroundTask& task) { createImgThumb(paths, [&task] { return task.isCancelled(); }); },
                m_thumbnailQueue));
            later(kIcons);
        }
        break;
    case kIcons:
        if (value == m_iconProgress)
            return true;
        m_iconProgress = value;
        if (value == 1.0f) {
            m_downloadRemotingPImgListIcon.clear();
            later(kLibraryCovers);
        }
        break;
    case kLibraryCovers:
        if (value == m_libProgress)
            return true;
        m_libProgress = value;
        if (value == 1.0f) {
            m_downloadRemotingPImgListLibimg.clear();
            endImagePhase();
        }
        break;
    default:
        break;
    }
    int remain = remainingSeconds(elapsed, m_productProgress, m_downloadRemotingPImgList.size(), m_iconProgress,
        m_downloadRemotingPImgListIcon.size(), m_libProgress, m_downloadRemotingPImgListLibimg.size());
    progressRespondImageTypeRemainTime(value, m_imageType, remain);
    return true;
}

void SyncModel::progressRespondImageTypeRemainTime(float progress, int imageType, int remainSeconds)
{
    if (auto delegate = m_delegate.lock())
        delegate->setProgressImageTypeRemainTime(
            m_existFilesRat + progress * (1 - m_existFilesRat), imageType, remainSeconds);
}

ThumbnailPaths::ThumbnailPaths(std::string folder)
    : m_folder(std::move(folder))
{
}

void ThumbnailPaths::add(std::string_view full, std::string_view thumb)
{
    m_names.append(full).push_back('\0');
    m_names.append(thumb).push_back('\0');
    ++m_count;
}

std::pair<std::string, std::string> ThumbnailPaths::const_iterator::operator*() const
{
    const std::string_view names(m_list->m_names);
    const size_t fullEnd = names.find('\0', m_at);
    const size_t thumbEnd = names.find('\0', fullEnd + 1);
    return { NSString::stringByAppendingPathComponent(m_list->m_folder, names.substr(m_at, fullEnd - m_at)),
        NSString::stringByAppendingPathComponent(m_list->m_folder, names.substr(fullEnd + 1, thumbEnd - fullEnd - 1)) };
}

ThumbnailPaths::const_iterator& ThumbnailPaths::const_iterator::operator++()
{
    const std::string_view names(m_list->m_names);
    m_at = names.find('\0', names.find('\0', m_at) + 1) + 1;
    return *this;
}

ThumbnailPaths SyncModel::thumbnailPaths(const ValueArray& images)
{
    // No client folder, no paths: nothing would be written anywhere.
    const std::string client = ClientFiles::clientFolderPath();
    if (client.empty())
        return ThumbnailPaths();
    ThumbnailPaths paths(
        NSString::stringByAppendingPathComponent(client, ClientFiles::localFolderForFileType(kProductImages)));
    for (const Value& entry : images) {
        if (!entry.isDictionary())
            continue;
        const Value& full = entry["imageFull"];
        const Value& thumb = entry["imageThumb"];
        if (full.isString() && thumb.isString() && NSPathIsSafeComponent(full.stringValue())
            && NSPathIsSafeComponent(thumb.stringValue()))
            paths.add(full.stringValue(), thumb.stringValue());
    }
    return paths;
}

void SyncModel::createImgThumb(const ThumbnailPaths& paths, const std::function<bool()>& stop)
{
    for (const auto& [full, thumb] : paths) {
        if (stop && stop())
            return;
        ImageThumbnail::createImgThumbAtPathThumbPath(full, thumb);
    }
}

void SyncModel::downloadFileRespond(const std::shared_ptr<NetBaseRst>& reply)
{
    if (isSuccess(*reply))
        return;
    auto download = std::dynamic_pointer_cast<DownloadRst>(reply);
    downloadimageFaildImageType(download ? download->fileName : std::nullopt, download ? download->type : m_imageType);
}

void SyncModel::downloadimageFaildImageType(const std::optional<std::string>& fileName, int imageType)
{
    std::string name = fileName.value_or(std::string());
    if (std::find(m_retryImageArry.begin(), m_retryImageArry.end(), name) != m_retryImageArry.end())
        return;
    m_retryImageArry.push_back(name);
    NSLog("the the file %@ can't be down!", name);
    retryDownloadImageImageType(fileName, imageType);
}

void SyncModel::retryDownloadImageImageType(const std::optional<std::string>& fileName, int imageType)
{
    if (!fileName)
        return;
    auto request = std::make_shared<RequestDownload>();
    request->imgType = imageType;
    request->progressType = 2;
    request->fileNameList = { *fileName };
    NSLog("the downloadId is %d", send(request));
}

// ---- Customers and the finish reports ----

void SyncModel::getCustomerSync()
{
    auto request = std::make_shared<RequestSyncCustomerTable>();
    request->isFull = needSyncAll("CustomerSynced");
    NSLog("the rst is %d", send(request));
}

void SyncModel::getCustomerSyncRespond(const std::shared_ptr<SyncCustomerTableRst>& reply)
{
    if (!reply || !isSuccess(*reply)) {
        breakSync(reply && reply->message ? *reply->message : std::string());
        return;
    }
    auto data = DataAccessManager::sharedDataModel();
    // All five tables or none: the customer rows clear their addresses,
    // attributes and contacts, which must not stay cleared when a later table
    // fails. An empty table is nothing to save, not a failure.
    using Table = SyncedCustomerTables::Table;
    Table failed = Table::Customers;
    const SaveResult saved = data->saveSyncedCustomerTables(
        { listOf(reply->customerTable), listOf(reply->customerAttributeTable), listOf(reply->fieldsAttributeTable),
            listOf(reply->customerAddressTable), listOf(reply->customerContactTable) },
        &failed);
    if (saved.failed()) {
        switch (failed) {
        case Table::Customers:
            NSLog("Error on Customer sync!");
            break;
        case Table::Attributes:
            NSLog("Error on CustomerAttribute sync!");
            break;
        case Table::AttributeFields:
            NSLog("Error on fieldsCustomerAttribute sync!");
            break;
        case Table::Addresses:
            NSLog("Error on customerAddressTable sync!");
            break;
        case Table::Contacts:
            NSLog("Error on saveToDatabaseCustomerContact sync!");
            break;
        }
    }
    m_customerSavesOk = !saved.failed();
    if (reply->resultCount() != 0) {
        setFlag("Needreloadcustomer");
        SessionServices::reloadCustomerData();
    }
    getProgressCustomer();
}

void SyncModel::getProgressCustomer()
{
    getCustomerFinished();
    syncFinishedtype("product");
}

void SyncModel::getCustomerFinished()
{
    if (auto delegate = m_delegate.lock())
        delegate->getCustomerFinished();
}

void SyncModel::syncFinishedtype(const std::string& tableType)
{
    auto request = std::make_shared<RequestSyncDataFinish>();
    request->tableType = tableType;
    NSLog("the request is %d", send(request));
}

void SyncModel::syncFinishedProductRespond(const std::shared_ptr<NetBaseRst>& reply)
{
    // A report the server did not take is no finished group: the run breaks
    // with its message and nothing is marked, so the next run reports again.
    if (!isSuccess(*reply)) {
        breakSync(reply->message.value_or(std::string()));
        return;
    }
    auto finished = std::dynamic_pointer_cast<SyncDataFinishRst>(reply);
    std::string type = finished ? finished->tableType.value_or(std::string()) : std::string();
    auto defaults = NSUserDefaults::standardUserDefaults();
    if (type == "product") {
        setFlag("Needreloadcatelog");
        syncFinishedtype("file");
    } else if (type == "file") {
        if (m_fileSavesOk)
            markSynced("FileSynced");
        setFlag("Needreloadlibrary");
        defaults->synchronize();
        if (m_isCustomerOnShow)
            syncFinishedtype("customer");
        else
            finishedSync();
    } else if (type == "customer") {
        if (m_customerSavesOk)
            markSynced("CustomerSynced");
        finishedSync();
    }
}

void SyncModel::finishedSync()
{
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObjectForKey(
        Value(NSDateFormatter("HH:mm MM/dd/yy").stringFromDate(NSDate::date())), clientKey("lastsync"));
    defaults->synchronize();
    if (auto delegate = m_delegate.lock())
        delegate->finishedSync();
}
