#include "Database/DataAccessManager.h"

#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Network/Protocol/LoginMode.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"

namespace {

constexpr const char* kDatabaseName = "corvelle_lite.sqlite";

std::shared_ptr<DataAccessManager>& slot()
{
    static std::shared_ptr<DataAccessManager> instance;
    return instance;
}

std::string clientFolder()
{
    const auto& clientID = LoginMode::sharedInstance()->clientID();
    return NSString::stringByAppendingPathComponent(NSString::stringByAppendingPathComponent(NSHomeDirectory(), "Documents"),
        NSString::lowercaseString(clientID.value_or(std::string())));
}

}  // namespace

std::shared_ptr<DataAccessManager> DataAccessManager::sharedDataModel()
{
    if (!slot())
        slot() = std::make_shared<DataAccessManager>();
    return slot();
}

void DataAccessManager::releaseDataModel()
{
    slot().reset();
    SQLDatabase::releaseDataBase();
}

void DataAccessManager::destoryDataModel()
{
    slot().reset();
}

std::string DataAccessManager::dataFilePath()
{
    return NSString::stringByAppendingPathComponent(clientFolder(), kDatabaseName);
}

bool DataAccessManager::createEditableDatabaseOfDataCacheStoreIfNeeded()
{
    auto& fm = NSFileManager::defaultManager();
    const std::string folder = clientFolder();
    bool isDirectory = false;
    if (!fm.fileExistsAtPathIsDirectory(folder, &isDirectory) || !isDirectory)
        fm.createDirectoryAtPathWithIntermediateDirectories(folder, true);
    const std::string path = dataFilePath();
    if (fm.fileExistsAtPath(path))
        return true;
    // Copied under a temporary name and moved into place, so that a failed or
    // partial copy never leaves a database file that the next start would take.
    auto bundle = NSBundle::mainBundle();
    auto templatePath = bundle ? bundle->pathForResourceOfType("corvelle_lite", "sqlite") : std::nullopt;
    if (!templatePath) {
        NSLog("The template database is missing from the bundle");
        return false;
    }
    const std::string partial = path + ".partial";
    fm.removeItemAtPath(partial);
    std::string error;
    if (!fm.copyItemAtPathToPath(*templatePath, partial, &error) || !fm.moveItemAtPathToPath(partial, path, &error)) {
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
    db->setShouldCacheStatements(true);
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

int DataAccessManager::updateOrderIDWithOrderNumberNewOrderID(const std::optional<std::string>& orderNumber, int newOrderID)
{
    if (!m_quoteOrderModel)
        return 0;
    const int localId = m_quoteOrderModel->getLocalOrderIdWithOrderNumber(orderNumber);
    if (localId == 0)
        return 0;
    m_quoteOrderModel->updateOrderIdWithCmsOrderID(localId, newOrderID);
    return localId;
}
