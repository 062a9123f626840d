#pragma once

// The sales library's documents with their new-file marks.

#include "Database/BaseDataModel.h"
#include "Database/corvelle_lib_category_cell_entity.h"
#include "Database/corvelle_library_files_Entity.h"

#include <optional>
#include <string>
#include <vector>

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
    EntityList<corvelle_library_files_Entity> getLibFilesBysearchNameOrderBy(
        const std::optional<std::string>& text, const std::optional<std::string>& orderBy);
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
    [[nodiscard]] bool saveToDatabaseLibraryFiles(const OptionalEntityList<corvelle_library_files_Entity>& files);
    [[nodiscard]] bool saveLibraryFileToDatabase(const std::shared_ptr<corvelle_library_files_Entity>& file);
};
