#pragma once

// The sales library's category tree with the list of replaced files. As for
// product categories, a category on a cycle of parent links reads as a
// top-level one, so walks of the tree end.

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
    [[nodiscard]] bool saveToDatabaseLibraryCategory(
        const OptionalEntityList<corvelle_library_category_Entity>& categories);
    [[nodiscard]] bool saveToDatabaseLibraryUpdate(const std::shared_ptr<corvelle_library_files_update_Entity>& update);
    std::vector<int> getAllLibFileUpdateIDs();
    std::shared_ptr<corvelle_library_files_update_Entity> getLibFileUpdateByFileID(int fileId);
    void deleteFileUpdateWithFileID(int fileId);
};

// Its includers expect the model that once shared this header.
#include "Database/LibraryFilesModel.h"
