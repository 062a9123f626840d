#pragma once

// The sales library: its category tree with the list of replaced files
// (LibraryCategoryModel) and its documents with their new-file marks
// (LibraryFilesModel). As for product categories, a category on a cycle of
// parent links reads as a top-level one, so walks of the tree end.

#include "Database/BaseDataModel.h"
#include "Database/corvelle_library_files_Entity.h"

#include <optional>
#include <string>
#include <vector>

class LibraryCategoryModel : public BaseDataModel {
public:
    bool updateVersion() override;
    bool alterLibFileUpdateTable();
    bool alterLibraryCategoryTable();

    EntityList<corvelle_library_category_Entity> getLibraryCategorys();
    EntityList<corvelle_library_category_Entity> getLibSubCategoriesByParentCategoryID(int parentId);
    // Always a record; empty when there is no published category with the id.
    std::shared_ptr<corvelle_library_category_Entity> getLibraryCategoryByCategoryid(int categoryId);
    int getLibParentCategoryIDByCategoryID(int categoryId);
    // 0 lists the uncategorised files; other ids the files of a published category.
    EntityList<corvelle_library_files_Entity> getLibraryFilesByCategory_id(int categoryId);
    std::vector<std::string> getLibraryFilesNameByCategoryName(const std::optional<std::string>& name);
    bool saveToDatabaseLibraryCategory(const OptionalEntityList<corvelle_library_category_Entity>& categories);
    bool saveToDatabaseLibraryUpdate(const std::shared_ptr<corvelle_library_files_update_Entity>& update);
    std::vector<int> getAllLibFileUpdateIDs();
    std::shared_ptr<corvelle_library_files_update_Entity> getLibFileUpdateByFileID(int fileId);
    void deleteFileUpdateWithFileID(int fileId);
};

class LibraryFilesModel : public BaseDataModel {
public:
    bool updateVersion() override;
    bool alterLibFilesTable();

    EntityList<corvelle_library_files_Entity> getAllLibFiles();
    EntityList<corvelle_library_files_Entity> getAllLibFilesOrderByDate();
    EntityList<corvelle_library_files_Entity> getAllLibFilesOrderByType();
    EntityList<corvelle_library_files_Entity> getLibFilesBycatalogId(int categoryId);
    // Published files whose title contains the text. The ordering is one of
    // "title", "date desc" and "type desc"; any other gives an empty list.
    EntityList<corvelle_library_files_Entity> getLibFilesBysearchNameOrderBy(const std::optional<std::string>& text, const std::optional<std::string>& orderBy);
    std::shared_ptr<corvelle_library_files_Entity> getFilesByFileId(int fileId);
    std::optional<std::string> getCoverImageByFileName(const std::optional<std::string>& fileName);
    std::optional<std::string> getFileTypeByFileName(const std::optional<std::string>& fileName);
    std::optional<std::string> getTitleByFileName(const std::optional<std::string>& fileName);
    int getFileIDbyFileName(const std::optional<std::string>& fileName);
    std::optional<std::string> getFileNameByTitle(const std::optional<std::string>& title);
    std::optional<std::string> getFileNameById(int fileId);
    std::optional<std::string> getFileInfoByFileId(int fileId);
    // Distinct cover image names of published files; null ones left out.
    std::vector<std::string> getAllFilesImg();
    EntityList<corvelle_lib_category_cell_entity> getCategoryFilesCount();
    bool updateOldNewFlags();
    bool saveToDatabaseLibraryFiles(const OptionalEntityList<corvelle_library_files_Entity>& files);
    bool saveLibraryFileToDatabase(const std::shared_ptr<corvelle_library_files_Entity>& file);
};
