#pragma once

// The single data-access object: every screen and service reads and writes
// the signed-in client's database through it. Made on first use after the
// session has set its client id, it finds or makes the client's database
// (a copy of the bundle's template), opens the process-wide connection on it
// and creates one table model per group of tables; its operations pass each
// request to the model that owns the tables and hand the answer back. When
// the database cannot be opened it has no models, and every operation
// answers nothing, 0 or false. Released at logout and at every sign-in.

#include "Database/BaseDataModel.h"
#include "Database/CategoryModel.h"
#include "Database/ConfigMode.h"
#include "Database/CustomerModel.h"
#include "Database/FavoriteModel.h"
#include "Database/ImageModel.h"
#include "Database/LibraryCategoryModel.h"
#include "Database/LoginUserModel.h"
#include "Database/PriceModel.h"
#include "Database/ProductMaterialModel.h"
#include "Database/ProductModel.h"
#include "Database/QuoteOrderModel.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class DataAccessManager {
public:
    static std::shared_ptr<DataAccessManager> sharedDataModel();
    // Ends the instance and closes the shared connection.
    static void releaseDataModel();
    // Ends the instance and leaves the connection.
    static void destoryDataModel();
    // <home>/Documents/<client id in lower case>/corvelle_lite.sqlite
    static std::string dataFilePath();
    // The bundle's empty database that every client's starts as.
    static std::optional<std::string> templatePath();

    DataAccessManager();
    // Makes the client folder and copies the template there when the database is missing.
    bool createEditableDatabaseOfDataCacheStoreIfNeeded();
    // Runs every model's schema upgrade, in list order.
    void updateVersion();
    // The stored order with that number takes the server's id; 0 when there is none.
    int updateOrderIDWithOrderNumberNewOrderID(const std::optional<std::string>& orderNumber, int newOrderID);

    const std::vector<std::shared_ptr<BaseDataModel>>& dataModelList() const { return m_dataModelList; }
    const std::shared_ptr<ProductModel>& productmodel() const { return m_productmodel; }
    void setProductmodel(std::shared_ptr<ProductModel> model) { m_productmodel = std::move(model); }
    const std::shared_ptr<ImageModel>& imagemodel() const { return m_imagemodel; }
    void setImagemodel(std::shared_ptr<ImageModel> model) { m_imagemodel = std::move(model); }
    const std::shared_ptr<CategoryModel>& categorymodel() const { return m_categorymodel; }
    void setCategorymodel(std::shared_ptr<CategoryModel> model) { m_categorymodel = std::move(model); }
    const std::shared_ptr<productAndcategoryXrefModel>& pacmodel() const { return m_pacmodel; }
    void setPacmodel(std::shared_ptr<productAndcategoryXrefModel> model) { m_pacmodel = std::move(model); }
    const std::shared_ptr<IconModel>& iconmodel() const { return m_iconmodel; }
    void setIconmodel(std::shared_ptr<IconModel> model) { m_iconmodel = std::move(model); }
    const std::shared_ptr<FavoriteModel>& favoritemodel() const { return m_favoritemodel; }
    void setFavoritemodel(std::shared_ptr<FavoriteModel> model) { m_favoritemodel = std::move(model); }
    const std::shared_ptr<CompareModel>& comparemodel() const { return m_comparemodel; }
    void setComparemodel(std::shared_ptr<CompareModel> model) { m_comparemodel = std::move(model); }
    const std::shared_ptr<PriceModel>& pricemodel() const { return m_pricemodel; }
    void setPricemodel(std::shared_ptr<PriceModel> model) { m_pricemodel = std::move(model); }
    const std::shared_ptr<ProductRelatedModel>& productrelatedmodel() const { return m_productrelatedmodel; }
    void setProductrelatedmodel(std::shared_ptr<ProductRelatedModel> model)
    {
        m_productrelatedmodel = std::move(model);
    }
    const std::shared_ptr<ProductMaterialModel>& productMaterialModel() const { return m_productMaterialModel; }
    void setProductMaterialModel(std::shared_ptr<ProductMaterialModel> model)
    {
        m_productMaterialModel = std::move(model);
    }
    const std::shared_ptr<LibraryCategoryModel>& libraryCategoryModel() const { return m_libraryCategoryModel; }
    void setLibraryCategoryModel(std::shared_ptr<LibraryCategoryModel> model)
    {
        m_libraryCategoryModel = std::move(model);
    }
    const std::shared_ptr<LibraryFilesModel>& libraryFilesModel() const { return m_libraryFilesModel; }
    void setLibraryFilesModel(std::shared_ptr<LibraryFilesModel> model) { m_libraryFilesModel = std::move(model); }
    const std::shared_ptr<CustomerModel>& customerModel() const { return m_customerModel; }
    void setCustomerModel(std::shared_ptr<CustomerModel> model) { m_customerModel = std::move(model); }
    const std::shared_ptr<ConfigMode>& configMode() const { return m_configMode; }
    void setConfigMode(std::shared_ptr<ConfigMode> model) { m_configMode = std::move(model); }
    const std::shared_ptr<QuoteOrderModel>& quoteOrderModel() const { return m_quoteOrderModel; }
    void setQuoteOrderModel(std::shared_ptr<QuoteOrderModel> model) { m_quoteOrderModel = std::move(model); }
    const std::shared_ptr<LoginUserModel>& loginUserModel() const { return m_loginUserModel; }
    void setLoginUserModel(std::shared_ptr<LoginUserModel> model) { m_loginUserModel = std::move(model); }
    const std::shared_ptr<LibraryFavoriteModel>& libraryFavoriteModel() const { return m_libraryFavoriteModel; }
    void setLibraryFavoriteModel(std::shared_ptr<LibraryFavoriteModel> model)
    {
        m_libraryFavoriteModel = std::move(model);
    }

    // ProductModel
    EntityList<corvelle_product_Entity> getAllProducts()
    {
        return m_productmodel ? m_productmodel->getAllProducts() : EntityList<corvelle_product_Entity> {};
    }
    EntityList<corvelle_product_Entity> getAllTags()
    {
        return m_productmodel ? m_productmodel->getAllTags() : EntityList<corvelle_product_Entity> {};
    }
    EntityList<corvelle_tag_entity> getAllProductTags()
    {
        return m_productmodel ? m_productmodel->getAllProductTags() : EntityList<corvelle_tag_entity> {};
    }
    EntityList<corvelle_product_Entity> getProductsByCategory_id(int categoryId)
    {
        return m_productmodel ? m_productmodel->getProductsByCategory_id(categoryId)
                              : EntityList<corvelle_product_Entity> {};
    }
    std::shared_ptr<corvelle_product_Entity> getProductByProductId(int productId)
    {
        return m_productmodel ? m_productmodel->getProductByProductId(productId)
                              : std::shared_ptr<corvelle_product_Entity> {};
    }
    EntityList<product_attribute_cell_Entity> getProductAttributeByProductId(int productId)
    {
        return m_productmodel ? m_productmodel->getProductAttributeByProductId(productId)
                              : EntityList<product_attribute_cell_Entity> {};
    }
    std::shared_ptr<corvelle_product_Entity> getProductByProductSKU(const std::optional<std::string>& sku)
    {
        return m_productmodel ? m_productmodel->getProductByProductSKU(sku)
                              : std::shared_ptr<corvelle_product_Entity> {};
    }
    EntityList<corvelle_product_Entity> getProductsBySearchString(const std::optional<std::string>& text)
    {
        return m_productmodel ? m_productmodel->getProductsBySearchString(text)
                              : EntityList<corvelle_product_Entity> {};
    }
    [[nodiscard]] bool saveToDatabaseProduct(const OptionalEntityList<corvelle_product_Entity>& v)
    {
        return m_productmodel ? m_productmodel->saveToDatabaseProduct(v) : bool {};
    }
    [[nodiscard]] bool saveToDatabaseProductAttribute(const OptionalEntityList<corvelle_product_attribute_Entity>& v)
    {
        return m_productmodel ? m_productmodel->saveToDatabaseProductAttribute(v) : bool {};
    }
    [[nodiscard]] bool saveToDatabaseFieldsProductAttribute(
        const OptionalEntityList<corvelle_fields_product_attribute_Entity>& v)
    {
        return m_productmodel ? m_productmodel->saveToDatabaseFieldsProductAttribute(v) : bool {};
    }
    [[nodiscard]] bool saveToDatabaseProductTag(const OptionalEntityList<corvelle_tag_entity>& v)
    {
        return m_productmodel ? m_productmodel->saveToDatabaseProductTag(v) : bool {};
    }
    [[nodiscard]] bool saveToDatabaseProductRelatedTag(const OptionalEntityList<corvelle_product_related_tag_Entity>& v)
    {
        return m_productmodel ? m_productmodel->saveToDatabaseProductRelatedTag(v) : bool {};
    }
    EntityList<corvelle_tag_entity> getTagsByProductID(int productId)
    {
        return m_productmodel ? m_productmodel->getTagsByProductID(productId) : EntityList<corvelle_tag_entity> {};
    }
    std::vector<std::string> getAllTagsByProductID(int productId)
    {
        return m_productmodel ? m_productmodel->getAllTagsByProduct_id(productId) : std::vector<std::string> {};
    }
    // ImageModel
    EntityList<corvelle_image_Entity> getManyImageByKeyId(int keyId)
    {
        return m_imagemodel ? m_imagemodel->getManyImageByKeyId(keyId) : EntityList<corvelle_image_Entity> {};
    }
    std::shared_ptr<corvelle_image_Entity> getImageByKeyId(int keyId)
    {
        return m_imagemodel ? m_imagemodel->getImageByKeyId(keyId) : std::shared_ptr<corvelle_image_Entity> {};
    }
    std::vector<std::string> getThumbImages()
    {
        return m_imagemodel ? m_imagemodel->getThumbImages() : std::vector<std::string> {};
    }
    std::vector<std::string> getFullImages()
    {
        return m_imagemodel ? m_imagemodel->getFullImages() : std::vector<std::string> {};
    }
    ValueArray getPublishImages(bool published)
    {
        return m_imagemodel ? m_imagemodel->getPublishImages(published) : ValueArray {};
    }
    [[nodiscard]] bool saveToDatabaseImage(const OptionalEntityList<corvelle_image_Entity>& v)
    {
        return m_imagemodel ? m_imagemodel->saveToDatabaseImage(v) : bool {};
    }
    std::optional<std::string> getFullImagePathByTitle(const std::optional<std::string>& title)
    {
        return m_imagemodel ? m_imagemodel->getFullImagePathByName(title) : std::optional<std::string> {};
    }
    // CategoryModel
    [[nodiscard]] bool saveToDatabaseCategory(const OptionalEntityList<corvelle_category_Entity>& v)
    {
        return m_categorymodel ? m_categorymodel->saveToDatabaseCategory(v) : bool {};
    }
    EntityList<corvelle_category_Entity> getAllCategory()
    {
        return m_categorymodel ? m_categorymodel->getAllCategory() : EntityList<corvelle_category_Entity> {};
    }
    EntityList<corvelle_category_Entity> getCategoryByProductid(int productId)
    {
        return m_categorymodel ? m_categorymodel->getCategoryByProductid(productId)
                               : EntityList<corvelle_category_Entity> {};
    }
    EntityList<corvelle_category_Entity> getProductByCategoryname(const std::optional<std::string>& name)
    {
        return m_categorymodel ? m_categorymodel->getProductByCategoryname(name)
                               : EntityList<corvelle_category_Entity> {};
    }
    EntityList<corvelle_category_Entity> getCategoryWithParentCategoryid(int parentId)
    {
        return m_categorymodel ? m_categorymodel->getCategoryWithParentCategoryid(parentId)
                               : EntityList<corvelle_category_Entity> {};
    }
    int getProductCountUnderCategoryid(int parentId)
    {
        return m_categorymodel ? m_categorymodel->getProductCountUnderCategoryid(parentId) : int {};
    }
    int getParentCategoryId(int categoryId)
    {
        return m_categorymodel ? m_categorymodel->getParentCategoryId(categoryId) : int {};
    }
    std::shared_ptr<corvelle_category_Entity> getCategoryWithCategoryid(int categoryId)
    {
        return m_categorymodel ? m_categorymodel->getCategoryWithCategoryid(categoryId)
                               : std::shared_ptr<corvelle_category_Entity> {};
    }
    int getCategoryCountUnderCategoryid(int parentId)
    {
        return m_categorymodel ? m_categorymodel->getCategoryCountUnderCategoryid(parentId) : int {};
    }
    // productAndcategoryXrefModel
    std::vector<std::string> getCategoryIDsByProductid(int productId)
    {
        return m_pacmodel ? m_pacmodel->getCategoryIDsByProductid(productId) : std::vector<std::string> {};
    }
    std::vector<int> getProductIDsByCategoryid(int categoryId)
    {
        return m_pacmodel ? m_pacmodel->getProductIDsByCategoryid(categoryId) : std::vector<int> {};
    }
    [[nodiscard]] bool saveToDatabasePxrefC(const OptionalEntityList<corvelle_product_category_xref_Entity>& v)
    {
        return m_pacmodel ? m_pacmodel->saveToDatabasePxrefC(v) : bool {};
    }
    // IconModel
    std::shared_ptr<corvelle_icon_Entity> getIconByIconId(int iconId)
    {
        return m_iconmodel ? m_iconmodel->getIconByIconId(iconId) : std::shared_ptr<corvelle_icon_Entity> {};
    }
    std::shared_ptr<corvelle_icon_Entity> getPublishedIconByIconName(const std::optional<std::string>& name)
    {
        return m_iconmodel ? m_iconmodel->getPublishedIconByIconName(name) : std::shared_ptr<corvelle_icon_Entity> {};
    }
    std::vector<std::string> getAllIconAddress()
    {
        return m_iconmodel ? m_iconmodel->getAllIconAddress() : std::vector<std::string> {};
    }
    [[nodiscard]] bool saveToDatabaseIcon(const OptionalEntityList<corvelle_icon_Entity>& v)
    {
        return m_iconmodel ? m_iconmodel->saveToDatabaseIcon(v) : bool {};
    }
    // FavoriteModel
    void deleteAllFavorites()
    {
        if (m_favoritemodel)
            m_favoritemodel->deleteAllFavorites();
    }
    EntityList<corvelle_favorite_Entity> getFavorites()
    {
        return m_favoritemodel ? m_favoritemodel->getFavorites() : EntityList<corvelle_favorite_Entity> {};
    }
    std::shared_ptr<corvelle_favorite_Entity> getFavoriteByFavoriteId(int productId)
    {
        return m_favoritemodel ? m_favoritemodel->getFavoriteByFavoriteId(productId)
                               : std::shared_ptr<corvelle_favorite_Entity> {};
    }
    void deleteSingleFavoriteByFavoriteId(int productId)
    {
        if (m_favoritemodel)
            m_favoritemodel->deleteSingleFavoriteByFavoriteId(productId);
    }
    [[nodiscard]] bool saveToDatabaseFavoriteSkuName(
        int productId, const std::optional<std::string>& sku, const std::optional<std::string>& name)
    {
        return m_favoritemodel ? m_favoritemodel->saveToDatabaseFavoriteSkuName(productId, sku, name) : bool {};
    }
    // CompareModel
    void deleteSingleCompareByCompareId(int productId)
    {
        if (m_comparemodel)
            m_comparemodel->deleteSingleCompareByCompareId(productId);
    }
    void deleteAllCompare()
    {
        if (m_comparemodel)
            m_comparemodel->deleteAllCompare();
    }
    EntityList<corvelle_compare_Entity> getCompares()
    {
        return m_comparemodel ? m_comparemodel->getCompares() : EntityList<corvelle_compare_Entity> {};
    }
    int getPublishByCompareId(int productId)
    {
        return m_comparemodel ? m_comparemodel->getPublishByCompareId(productId) : int {};
    }
    std::shared_ptr<corvelle_compare_Entity> getCompareByCompareId(int productId)
    {
        return m_comparemodel ? m_comparemodel->getCompareByCompareId(productId)
                              : std::shared_ptr<corvelle_compare_Entity> {};
    }
    [[nodiscard]] bool saveToDatabaseCompareSkuName(
        int productId, const std::optional<std::string>& sku, const std::optional<std::string>& name)
    {
        return m_comparemodel ? m_comparemodel->saveToDatabaseCompareSkuName(productId, sku, name) : bool {};
    }
    // PriceModel
    double getwholesalePriceByProductId(int productId)
    {
        return m_pricemodel ? m_pricemodel->getwholesalePriceByProductId(productId) : double {};
    }
    double getretailPriceByProductId(int productId)
    {
        return m_pricemodel ? m_pricemodel->getretailPriceByProductId(productId) : double {};
    }
    double getPriceByProductId(int productId)
    {
        return m_pricemodel ? m_pricemodel->getPriceByProductId(productId) : double {};
    }
    std::shared_ptr<corvelle_product_price_Entity> getPriceEntityByProductId(int productId)
    {
        return m_pricemodel ? m_pricemodel->getPriceEntityByProductId(productId)
                            : std::shared_ptr<corvelle_product_price_Entity> {};
    }
    std::unordered_map<int, std::shared_ptr<corvelle_product_price_Entity>> getPriceEntitiesByProductIds(
        const std::vector<int>& productIds)
    {
        return m_pricemodel ? m_pricemodel->getPriceEntitiesByProductIds(productIds)
                            : std::unordered_map<int, std::shared_ptr<corvelle_product_price_Entity>> {};
    }
    [[nodiscard]] bool saveToDatabasePrice(const OptionalEntityList<corvelle_product_price_Entity>& v)
    {
        return m_pricemodel ? m_pricemodel->saveToDatabasePrice(v) : bool {};
    }
    std::string getpriceCurrencyByProductId(int productId)
    {
        return m_pricemodel ? m_pricemodel->getpriceCurrencyByProductId(productId) : std::string {};
    }
    // ProductRelatedModel
    std::optional<EntityList<corvelle_product_Entity>> getrelatedProductIDsByProductid(int productId)
    {
        return m_productrelatedmodel ? m_productrelatedmodel->getrelatedProductIDsByProductid(productId)
                                     : std::optional<EntityList<corvelle_product_Entity>> {};
    }
    [[nodiscard]] bool saveToDatabaseProductrelated(const OptionalEntityList<corvelle_product_related_Entity>& v)
    {
        return m_productrelatedmodel ? m_productrelatedmodel->saveToDatabaseProductrelated(v) : bool {};
    }
    // ProductMaterialModel
    EntityList<corvelle_library_files_Entity> getProductRelatedFilesByProductId(int productId)
    {
        return m_productMaterialModel ? m_productMaterialModel->getProductRelatedFilesByProductId(productId)
                                      : EntityList<corvelle_library_files_Entity> {};
    }
    [[nodiscard]] bool saveToDatabaseProductRelatedFile(
        const OptionalEntityList<corvelle_product_related_files_Entity>& v)
    {
        return m_productMaterialModel ? m_productMaterialModel->saveToDatabaseProductRelatedFile(v) : bool {};
    }
    // LibraryCategoryModel
    EntityList<corvelle_library_files_Entity> getLibraryFilesByCategory_id(int categoryId)
    {
        return m_libraryCategoryModel ? m_libraryCategoryModel->getLibraryFilesByCategory_id(categoryId)
                                      : EntityList<corvelle_library_files_Entity> {};
    }
    EntityList<corvelle_library_category_Entity> getLibraryCategorys()
    {
        return m_libraryCategoryModel ? m_libraryCategoryModel->getLibraryCategorys()
                                      : EntityList<corvelle_library_category_Entity> {};
    }
    int getLibParentCategoryIDByCategoryID(int categoryId)
    {
        return m_libraryCategoryModel ? m_libraryCategoryModel->getLibParentCategoryIDByCategoryID(categoryId) : int {};
    }
    EntityList<corvelle_library_category_Entity> getLibSubCategoriesByParentCategoryID(int parentId)
    {
        return m_libraryCategoryModel ? m_libraryCategoryModel->getLibSubCategoriesByParentCategoryID(parentId)
                                      : EntityList<corvelle_library_category_Entity> {};
    }
    std::shared_ptr<corvelle_library_category_Entity> getLibraryCategoryByCategoryid(int categoryId)
    {
        return m_libraryCategoryModel ? m_libraryCategoryModel->getLibraryCategoryByCategoryid(categoryId)
                                      : std::shared_ptr<corvelle_library_category_Entity> {};
    }
    [[nodiscard]] bool saveToDatabaseLibraryCategory(const OptionalEntityList<corvelle_library_category_Entity>& v)
    {
        return m_libraryCategoryModel ? m_libraryCategoryModel->saveToDatabaseLibraryCategory(v) : bool {};
    }
    std::vector<std::string> getLibraryFilesNameByCategoryName(const std::optional<std::string>& name)
    {
        return m_libraryCategoryModel ? m_libraryCategoryModel->getLibraryFilesNameByCategoryName(name)
                                      : std::vector<std::string> {};
    }
    [[nodiscard]] bool saveToDatabaseLibraryUpdate(const std::shared_ptr<corvelle_library_files_update_Entity>& update)
    {
        return m_libraryCategoryModel ? m_libraryCategoryModel->saveToDatabaseLibraryUpdate(update) : bool {};
    }
    std::vector<int> getAllLibFileUpdateIDs()
    {
        return m_libraryCategoryModel ? m_libraryCategoryModel->getAllLibFileUpdateIDs() : std::vector<int> {};
    }
    std::shared_ptr<corvelle_library_files_update_Entity> getLibFileUpdateByFileID(int fileId)
    {
        return m_libraryCategoryModel ? m_libraryCategoryModel->getLibFileUpdateByFileID(fileId)
                                      : std::shared_ptr<corvelle_library_files_update_Entity> {};
    }
    void deleteFileUpdateWithFileID(int fileId)
    {
        if (m_libraryCategoryModel)
            m_libraryCategoryModel->deleteFileUpdateWithFileID(fileId);
    }
    // LibraryFilesModel
    EntityList<corvelle_lib_category_cell_entity> getCategoryFilesCount()
    {
        return m_libraryFilesModel ? m_libraryFilesModel->getCategoryFilesCount()
                                   : EntityList<corvelle_lib_category_cell_entity> {};
    }
    EntityList<corvelle_library_files_Entity> getLibFilesBycatalogId(int categoryId)
    {
        return m_libraryFilesModel ? m_libraryFilesModel->getLibFilesBycatalogId(categoryId)
                                   : EntityList<corvelle_library_files_Entity> {};
    }
    std::shared_ptr<corvelle_library_files_Entity> getFilesByFileId(int fileId)
    {
        return m_libraryFilesModel ? m_libraryFilesModel->getFilesByFileId(fileId)
                                   : std::shared_ptr<corvelle_library_files_Entity> {};
    }
    std::vector<std::string> getAllFilesImg()
    {
        return m_libraryFilesModel ? m_libraryFilesModel->getAllFilesImg() : std::vector<std::string> {};
    }
    EntityList<corvelle_library_files_Entity> getLibFilesBysearchNameOrderBy(
        const std::optional<std::string>& text, const std::optional<std::string>& orderBy)
    {
        return m_libraryFilesModel ? m_libraryFilesModel->getLibFilesBysearchNameOrderBy(text, orderBy)
                                   : EntityList<corvelle_library_files_Entity> {};
    }
    EntityList<corvelle_library_files_Entity> getAllLibFiles()
    {
        return m_libraryFilesModel ? m_libraryFilesModel->getAllLibFiles()
                                   : EntityList<corvelle_library_files_Entity> {};
    }
    EntityList<corvelle_library_files_Entity> getAllLibFilesOrderByDate()
    {
        return m_libraryFilesModel ? m_libraryFilesModel->getAllLibFilesOrderByDate()
                                   : EntityList<corvelle_library_files_Entity> {};
    }
    EntityList<corvelle_library_files_Entity> getAllLibFilesOrderByType()
    {
        return m_libraryFilesModel ? m_libraryFilesModel->getAllLibFilesOrderByType()
                                   : EntityList<corvelle_library_files_Entity> {};
    }
    std::optional<std::string> getTitleByFileName(const std::optional<std::string>& fileName)
    {
        return m_libraryFilesModel ? m_libraryFilesModel->getTitleByFileName(fileName) : std::optional<std::string> {};
    }
    std::optional<std::string> getFileNameByTitle(const std::optional<std::string>& title)
    {
        return m_libraryFilesModel ? m_libraryFilesModel->getFileNameByTitle(title) : std::optional<std::string> {};
    }
    std::optional<std::string> getFileNameById(int fileId)
    {
        return m_libraryFilesModel ? m_libraryFilesModel->getFileNameById(fileId) : std::optional<std::string> {};
    }
    std::optional<std::string> getCoverImageByFileName(const std::optional<std::string>& fileName)
    {
        return m_libraryFilesModel ? m_libraryFilesModel->getCoverImageByFileName(fileName)
                                   : std::optional<std::string> {};
    }
    std::optional<std::string> getFileTypeByFileName(const std::optional<std::string>& fileName)
    {
        return m_libraryFilesModel ? m_libraryFilesModel->getFileTypeByFileName(fileName)
                                   : std::optional<std::string> {};
    }
    bool updateOldNewFlags() { return m_libraryFilesModel ? m_libraryFilesModel->updateOldNewFlags() : bool {}; }
    [[nodiscard]] bool saveToDatabaseLibraryFiles(const OptionalEntityList<corvelle_library_files_Entity>& v)
    {
        return m_libraryFilesModel ? m_libraryFilesModel->saveToDatabaseLibraryFiles(v) : bool {};
    }
    [[nodiscard]] bool saveLibraryFileToDatabase(const std::shared_ptr<corvelle_library_files_Entity>& file)
    {
        return m_libraryFilesModel ? m_libraryFilesModel->saveLibraryFileToDatabase(file) : bool {};
    }
    int getFileIDbyFileName(const std::optional<std::string>& fileName)
    {
        return m_libraryFilesModel ? m_libraryFilesModel->getFileIDbyFileName(fileName) : int {};
    }
    std::optional<std::string> getFileInfoByFileId(int fileId)
    {
        return m_libraryFilesModel ? m_libraryFilesModel->getFileInfoByFileId(fileId) : std::optional<std::string> {};
    }
    // CustomerModel
    bool deleteCustomerTableWithID(int customerId)
    {
        return m_customerModel ? m_customerModel->deleteCustomerTableWithID(customerId) : bool {};
    }
    bool updateCustomerTableHiddenWithCustomerIdWithHidden(int customerId, int hidden)
    {
        return m_customerModel ? m_customerModel->updateCustomerTableHiddenWithCustomerIdWithHidden(customerId, hidden)
                               : bool {};
    }
    [[nodiscard]] bool updateCustomerTable(const OptionalEntityList<corvelle_customer_Entity>& v)
    {
        return m_customerModel ? m_customerModel->updateCustomerTable(v) : bool {};
    }
    int getLastLocalCustomerAttributesId()
    {
        return m_customerModel ? m_customerModel->getLastLocalCustomerAttributesId() : int {};
    }
    int getLastLocalCustomerContactsId()
    {
        return m_customerModel ? m_customerModel->getLastLocalCustomerContactsId() : int {};
    }
    [[nodiscard]] bool updateContactIdAfterUpload(const OptionalEntityList<corvelle_customer_contact_entity>& v)
    {
        return m_customerModel ? m_customerModel->updateContactIdAfterUpload(v) : bool {};
    }
    int getLastLocalCustomerAddressId()
    {
        return m_customerModel ? m_customerModel->getLastLocalCustomerAddressId() : int {};
    }
    int getLastLocalCustomerId() { return m_customerModel ? m_customerModel->getLastLocalCustomerId() : int {}; }
    std::map<int, CustomerDictionary> getAllCustomers(bool includeHidden)
    {
        return m_customerModel ? m_customerModel->getAllCustomers(includeHidden) : std::map<int, CustomerDictionary> {};
    }
    EntityList<customer_attribute_cell_Entity> getAllAttributes()
    {
        return m_customerModel ? m_customerModel->getAllAttributes() : EntityList<customer_attribute_cell_Entity> {};
    }
    EntityList<corvelle_customer_address_Entity> getCustomerAddress(int customerId)
    {
        return m_customerModel ? m_customerModel->getCustomerAddress(customerId)
                               : EntityList<corvelle_customer_address_Entity> {};
    }
    EntityList<corvelle_customer_attribute_Entity> getCustomerAttributes(int customerId)
    {
        return m_customerModel ? m_customerModel->getCustomerAttributes(customerId)
                               : EntityList<corvelle_customer_attribute_Entity> {};
    }
    bool updateContactToDefaultContact(int customerId, int contactId)
    {
        return m_customerModel ? m_customerModel->updateContactToDefaultContact(customerId, contactId) : bool {};
    }
    bool updateAddressToDefaultIndexId(int customerId, int addressId)
    {
        return m_customerModel ? m_customerModel->updateAddressToDefaultIndexId(customerId, addressId) : bool {};
    }
    [[nodiscard]] bool updateCustomerAddressTable(const OptionalEntityList<corvelle_customer_address_Entity>& v)
    {
        return m_customerModel ? m_customerModel->updateCustomerAddressTable(v) : bool {};
    }
    [[nodiscard]] bool updateCustomerAttributeTable(const OptionalEntityList<corvelle_customer_attribute_Entity>& v)
    {
        return m_customerModel ? m_customerModel->updateCustomerAttributeTable(v) : bool {};
    }
    [[nodiscard]] bool saveToDatabaseCustomer(const OptionalEntityList<corvelle_customer_Entity>& v)
    {
        return m_customerModel ? m_customerModel->saveToDatabaseCustomer(v) : bool {};
    }
    [[nodiscard]] bool saveToDatabaseCustomerContact(const OptionalEntityList<corvelle_customer_contact_entity>& v)
    {
        return m_customerModel ? m_customerModel->saveToDatabaseCustomerContact(v) : bool {};
    }
    bool isInUnsubmitOrder(int customerId)
    {
        return m_customerModel ? m_customerModel->isInUnsubmitOrder(customerId) : bool {};
    }
    [[nodiscard]] bool saveToDatabaseCustomerAttribute(const OptionalEntityList<corvelle_customer_attribute_Entity>& v)
    {
        return m_customerModel ? m_customerModel->saveToDatabaseCustomerAttribute(v) : bool {};
    }
    [[nodiscard]] bool saveToDatabaseFieldsCustomerAttribute(
        const OptionalEntityList<corvelle_fields_customer_attribute_Entity>& v)
    {
        return m_customerModel ? m_customerModel->saveToDatabaseFieldsCustomerAttribute(v) : bool {};
    }
    [[nodiscard]] bool saveToDatabaseCustomerAddress(const OptionalEntityList<corvelle_customer_address_Entity>& v)
    {
        return m_customerModel ? m_customerModel->saveToDatabaseCustomerAddress(v) : bool {};
    }
    SaveResult saveLocalCustomer(const LocalCustomerRecords& records)
    {
        return m_customerModel ? m_customerModel->saveLocalCustomer(records) : SaveResult::Kind::Failed;
    }
    SaveResult renumberUploadedCustomers(const OptionalEntityList<corvelle_customer_Entity>& customers,
        const OptionalEntityList<corvelle_customer_address_Entity>& addresses,
        const OptionalEntityList<corvelle_customer_attribute_Entity>& attributes,
        const OptionalEntityList<corvelle_customer_contact_entity>& contacts)
    {
        return m_customerModel ? m_customerModel->renumberUploadedCustomers(customers, addresses, attributes, contacts)
                               : SaveResult::Kind::Failed;
    }
    SaveResult saveSyncedCustomerTables(
        const SyncedCustomerTables& tables, SyncedCustomerTables::Table* failed = nullptr)
    {
        return m_customerModel ? m_customerModel->saveSyncedCustomerTables(tables, failed) : SaveResult::Kind::Failed;
    }
    // ConfigMode
    [[nodiscard]] bool syncConfigData(const OptionalEntityList<ConfigEntity>& v)
    {
        return m_configMode ? m_configMode->syncConfigData(v) : bool {};
    }
    std::shared_ptr<ConfigEntity> queryConfig(const std::optional<std::string>& type)
    {
        return m_configMode ? m_configMode->queryConfig(type) : std::shared_ptr<ConfigEntity> {};
    }
    void deleteConfig()
    {
        if (m_configMode)
            m_configMode->deleteConfig();
    }
    // QuoteOrderModel
    EntityList<QuoteOrderEntity> fetchQuoteOrdersCondition(int type, const std::optional<std::string>& condition)
    {
        return m_quoteOrderModel ? m_quoteOrderModel->fetchQuoteOrdersCondition(type, condition)
                                 : EntityList<QuoteOrderEntity> {};
    }
    Value fetchUnsubmittedQuoteOrdersDic(int orderId)
    {
        return m_quoteOrderModel ? m_quoteOrderModel->fetchUnsubmittedQuoteOrdersDic(orderId) : Value {};
    }
    std::optional<EntityList<QuoteOrderItemEntity>> fetchQuoteOrderItemsWithQuoteOrder(int orderId)
    {
        return m_quoteOrderModel ? m_quoteOrderModel->fetchQuoteOrderItemsWithQuoteOrder(orderId)
                                 : std::optional<EntityList<QuoteOrderItemEntity>> {};
    }
    std::optional<Value> fetchQuoteOrderItemsDicWithQuoteOrder(int orderId)
    {
        return m_quoteOrderModel ? m_quoteOrderModel->fetchQuoteOrderItemsDicWithQuoteOrder(orderId)
                                 : std::optional<Value> {};
    }
    [[nodiscard]] int saveQuoteOrder(const std::shared_ptr<QuoteOrderEntity>& order)
    {
        return m_quoteOrderModel ? m_quoteOrderModel->saveQuoteOrder(order) : int {};
    }
    bool removeQuoteOrder(int orderId)
    {
        return m_quoteOrderModel ? m_quoteOrderModel->removeQuoteOrder(orderId) : bool {};
    }
    [[nodiscard]] bool saveQuoteOrderItem(const std::shared_ptr<QuoteOrderItemEntity>& item)
    {
        return m_quoteOrderModel ? m_quoteOrderModel->saveQuoteOrderItem(item) : bool {};
    }
    bool removeQuoteOrderItem(const std::shared_ptr<QuoteOrderItemEntity>& item)
    {
        return m_quoteOrderModel ? m_quoteOrderModel->removeQuoteOrderItem(item) : bool {};
    }
    [[nodiscard]] bool replaceQuoteOrder(const std::shared_ptr<QuoteOrderEntity>& order)
    {
        return m_quoteOrderModel ? m_quoteOrderModel->replaceQuoteOrder(order) : bool {};
    }

    bool removeQuoteOrderItemsByQuoteOrderID(int orderId)
    {
        return m_quoteOrderModel ? m_quoteOrderModel->removeQuoteOrderItemsByQuoteOrderID(orderId) : bool {};
    }
    bool updateOrderSignatureWithOrderId(const std::optional<std::string>& signature, int orderId)
    {
        return m_quoteOrderModel ? m_quoteOrderModel->updateOrderSignatureWithOrderId(signature, orderId) : bool {};
    }
    std::optional<std::string> fetchQuoteOrdersDicString(int orderId)
    {
        return m_quoteOrderModel ? m_quoteOrderModel->fetchQuoteOrdersDicString(orderId)
                                 : std::optional<std::string> {};
    }
    void setQuoteOrdersToUploaded(int orderId)
    {
        if (m_quoteOrderModel)
            m_quoteOrderModel->setQuoteOrdersToUploaded(orderId);
    }
    void setQuoteOrdersUploadedWithOrderNumber(const std::optional<std::string>& orderNumber)
    {
        if (m_quoteOrderModel)
            m_quoteOrderModel->setQuoteOrdersUploadedWithOrderNumber(orderNumber);
    }
    int retriveMaxOrderID() { return m_quoteOrderModel ? m_quoteOrderModel->retriveMaxOrderID() : int {}; }
    int retriveMaxOrderItemID() { return m_quoteOrderModel ? m_quoteOrderModel->retriveMaxOrderItemID() : int {}; }
    bool updateOrderTable(const OptionalEntityList<corvelle_customer_Entity>& v)
    {
        return m_quoteOrderModel ? m_quoteOrderModel->updateOrderTable(v) : bool {};
    }
    void updateOrderIDWithCmsOrderID(int localOrderId, int serverOrderId)
    {
        if (m_quoteOrderModel)
            m_quoteOrderModel->updateOrderIdWithCmsOrderID(localOrderId, serverOrderId);
    }
    int getLocalOrderIdWithOrderNumber(const std::optional<std::string>& orderNumber)
    {
        return m_quoteOrderModel ? m_quoteOrderModel->getLocalOrderIdWithOrderNumber(orderNumber) : int {};
    }
    bool updateLocalHistoryOrderFromServer(const Value& order)
    {
        return m_quoteOrderModel ? m_quoteOrderModel->updateLocalHistoryOrderFromServer(order) : bool {};
    }
    bool updateLocalHistoryOrderItemFromServer(const Value& item)
    {
        return m_quoteOrderModel ? m_quoteOrderModel->updateLocalHistoryOrderItemFromServer(item) : bool {};
    }
    std::optional<std::string> retriveEarliestSubmittedOrderTime()
    {
        return m_quoteOrderModel ? m_quoteOrderModel->retriveEarliestSubmittedOrderTime()
                                 : std::optional<std::string> {};
    }
    int numberOfAllSubmittedOrder()
    {
        return m_quoteOrderModel ? m_quoteOrderModel->numberOfAllSubmittedlOrder() : int {};
    }
    double timeDurationOfAllSubmittedOrder()
    {
        return m_quoteOrderModel ? m_quoteOrderModel->timeDurationOfAllSubmittedOrder() : double {};
    }
    // LoginUserModel
    std::shared_ptr<LoginInfo> getUserInfo(const std::optional<std::string>& userId)
    {
        return m_loginUserModel ? m_loginUserModel->getUserInfo(userId) : std::shared_ptr<LoginInfo> {};
    }
    std::optional<std::string> checkLocalUserInfo(const std::shared_ptr<LoginInfo>& info)
    {
        return m_loginUserModel ? m_loginUserModel->checkLocalUserInfo(info) : std::optional<std::string> {};
    }
    [[nodiscard]] bool saveUserInfo(const std::shared_ptr<LoginInfo>& info)
    {
        return m_loginUserModel ? m_loginUserModel->saveUserInfo(info) : bool {};
    }
    bool forgetRefusedPassword(const std::shared_ptr<LoginInfo>& info)
    {
        return m_loginUserModel ? m_loginUserModel->forgetRefusedPassword(info) : bool {};
    }
    // LibraryFavoriteModel
    std::shared_ptr<corvelle_library_favorite_Entity> getLibraryFavoriteByFavoriteId(int fileId)
    {
        return m_libraryFavoriteModel ? m_libraryFavoriteModel->getFavoriteByFavoriteId(fileId)
                                      : std::shared_ptr<corvelle_library_favorite_Entity> {};
    }
    void deleteLibraryFavoriteByFavoriteId(int fileId)
    {
        if (m_libraryFavoriteModel)
            m_libraryFavoriteModel->deleteSingleFavoriteByFavoriteId(fileId);
    }
    [[nodiscard]] bool saveToDatabaseLibraryFavoriteName(int fileId, const std::optional<std::string>& fileName)
    {
        return m_libraryFavoriteModel ? m_libraryFavoriteModel->saveToDatabaseFavoriteName(fileId, fileName) : bool {};
    }

private:
    std::shared_ptr<ProductModel> m_productmodel;
    std::shared_ptr<ImageModel> m_imagemodel;
    std::shared_ptr<CategoryModel> m_categorymodel;
    std::shared_ptr<productAndcategoryXrefModel> m_pacmodel;
    std::shared_ptr<IconModel> m_iconmodel;
    std::shared_ptr<FavoriteModel> m_favoritemodel;
    std::shared_ptr<CompareModel> m_comparemodel;
    std::shared_ptr<PriceModel> m_pricemodel;
    std::shared_ptr<ProductRelatedModel> m_productrelatedmodel;
    std::shared_ptr<ProductMaterialModel> m_productMaterialModel;
    std::shared_ptr<LibraryCategoryModel> m_libraryCategoryModel;
    std::shared_ptr<LibraryFilesModel> m_libraryFilesModel;
    std::shared_ptr<CustomerModel> m_customerModel;
    std::shared_ptr<ConfigMode> m_configMode;
    std::shared_ptr<QuoteOrderModel> m_quoteOrderModel;
    std::shared_ptr<LoginUserModel> m_loginUserModel;
    std::shared_ptr<LibraryFavoriteModel> m_libraryFavoriteModel;
    std::vector<std::shared_ptr<BaseDataModel>> m_dataModelList;
};
