#include "Database/DataAccessManager.h"

#include "Database/ClientFolder.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Database/SessionRecord.h"
#include "Platform/Foundation/MainThreadCheck.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"

#include <filesystem>

namespace {

constexpr const char* kDatabaseName = "corvelle_lite.sqlite";

std::shared_ptr<DataAccessManager>& slot()
{
    static std::shared_ptr<DataAccessManager> instance;
    return instance;
}

// Empty when the session's client id may not name a folder.
std::string clientFolder()
{
    const auto clientID = CurrentSession::record().clientID;
    return ClientFolder::pathForClientID(clientID.value_or(std::string())).value_or(std::string());
}

// The database holds the stored sign-ins' passwords: the owner's eyes only.
// SQLite gives its journal the same bits.
bool ownerOnly(const std::string& path)
{
    std::error_code ec;
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
        std::filesystem::perm_options::replace, ec);
    return !ec;
}

}  // namespace

std::shared_ptr<DataAccessManager> DataAccessManager::sharedDataModel()
{
    // The data layer is the main thread's; workers are handed what they need.
    FOUNDATION_CHECK_MAIN_THREAD();
    if (!slot())
        slot() = std::make_shared<DataAccessManager>();
    return slot();
}

void DataAccessManager::releaseDataModel()
{
    FOUNDATION_CHECK_MAIN_THREAD();
    slot().reset();
    SQLDatabase::releaseDataBase();
}

void DataAccessManager::destoryDataModel()
{
    FOUNDATION_CHECK_MAIN_THREAD();
    slot().reset();
}

std::string DataAccessManager::dataFilePath()
{
    const std::string folder = clientFolder();
    return folder.empty() ? std::string() : NSString::stringByAppendingPathComponent(folder, kDatabaseName);
}

std::optional<std::string> DataAccessManager::templatePath()
{
    auto bundle = NSBundle::mainBundle();
    return bundle ? bundle->pathForResourceOfType("corvelle_lite", "sqlite") : std::nullopt;
}

bool DataAccessManager::createEditableDatabaseOfDataCacheStoreIfNeeded()
{
    auto& fm = NSFileManager::defaultManager();
    const std::string folder = clientFolder();
    if (folder.empty()) {
        NSLog("refused the client id %@ as a folder name", CurrentSession::record().clientID.value_or(std::string()));
        return false;
    }
    bool isDirectory = false;
    if (!fm.fileExistsAtPathIsDirectory(folder, &isDirectory) || !isDirectory)
        fm.createDirectoryAtPathWithIntermediateDirectories(folder, true);
    const std::string path = dataFilePath();
    if (fm.fileExistsAtPath(path)) {
        ownerOnly(path);
        return true;
    }
    // Copied under a temporary name and moved into place, so that a failed or
    // partial copy never leaves a database file that the next start would take.
    auto templatePath = DataAccessManager::templatePath();
    if (!templatePath) {
        NSLog("The template database is missing from the bundle");
        return false;
    }
    const std::string partial = path + ".partial";
    fm.removeItemAtPath(partial);
    std::string error;
    if (!fm.copyItemAtPathToPath(*templatePath, partial, &error) || !ownerOnly(partial)
        || !fm.moveItemAtPathToPath(partial, path, &error)) {
        NSLog("Copying the template database failed: %@", error);
        fm.removeItemAtPath(partial);
        return false;
    }
    return true;
}

DataAccessManager::DataAccessManager()
{
    const std::string path = dataFilePath();
    // Without the database file an open would make an empty one; the object
    // then stays without models and the next sign-in copies the template again.
    if (!createEditableDatabaseOfDataCacheStoreIfNeeded()) {
        NSLog("Open database error!");
        return;
    }
    auto db = SQLDatabase::databaseWithPath(path);
    if (!db->open()) {
        NSLog("Open database error!");
        return;
    }
    // A damaged file opens like a sound one and then reads as empty tables;
    // refuse it here, close it and leave it on disk for the user.
    if (auto damage = db->schemaDamage()) {
        NSLog("The database %@ cannot be read: %@", path, *damage);
        db->close();
        NSLog("Open database error!");
        return;
    }
    db->setShouldCacheStatements(true);
    // With a write-ahead log a read takes no lock on the file itself and never
    // checks for a journal left by a crash, and a second connection (the
    // unsent-work check, a writer elsewhere) neither blocks nor is blocked by
    // this one's readers. The last connection to close folds the log back in.
    const auto mode = db->stringForQuery("PRAGMA journal_mode = WAL");
    if (!mode || NSString::lowercaseString(*mode) != "wal")
        NSLog("The database %@ keeps its rollback journal", path);
    auto add = [this](std::shared_ptr<BaseDataModel> model) { m_dataModelList.push_back(std::move(model)); };
    add(m_productmodel = std::make_shared<ProductModel>());
    add(m_imagemodel = std::make_shared<ImageModel>());
    add(m_categorymodel = std::make_shared<CategoryModel>());
    add(m_pacmodel = std::make_shared<productAndcategoryXrefModel>());
    add(m_iconmodel = std::make_shared<IconModel>());
    add(m_favoritemodel = std::make_shared<FavoriteModel>());
    add(m_comparemodel = std::make_shared<CompareModel>());
    add(m_pricemodel = std::make_shared<PriceModel>());
    add(m_productrelatedmodel = std::make_shared<ProductRelatedModel>());
    add(m_productMaterialModel = std::make_shared<ProductMaterialModel>());
    add(m_libraryCategoryModel = std::make_shared<LibraryCategoryModel>());
    add(m_libraryFilesModel = std::make_shared<LibraryFilesModel>());
    add(m_customerModel = std::make_shared<CustomerModel>());
    add(m_configMode = std::make_shared<ConfigMode>());
    add(m_quoteOrderModel = std::make_shared<QuoteOrderModel>());
    add(m_loginUserModel = std::make_shared<LoginUserModel>());
    add(m_libraryFavoriteModel = std::make_shared<LibraryFavoriteModel>());
}

void DataAccessManager::updateVersion()
{
    for (const auto& model : m_dataModelList)
        model->updateVersion();
}

int DataAccessManager::updateOrderIDWithOrderNumberNewOrderID(
    const std::optional<std::string>& orderNumber, int newOrderID)
{
    if (!m_quoteOrderModel)
        return 0;
    const int localId = m_quoteOrderModel->getLocalOrderIdWithOrderNumber(orderNumber);
    if (localId == 0)
        return 0;
    m_quoteOrderModel->updateOrderIdWithCmsOrderID(localId, newOrderID);
    return localId;
}
