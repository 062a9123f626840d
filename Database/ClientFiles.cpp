#include "Database/ClientFiles.h"

#include "Database/ClientFolder.h"
#include "Database/SessionRecord.h"
#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"

namespace ClientFiles {

namespace {

    struct FileTypeRow {
        int code;
        const char* localFolder;
        const char* serverFolder;
        const char* defaultImage;
    };

    constexpr FileTypeRow kFileTypes[] = {
        { 1, "ProductImages", "product", "fileDefault.png" },
        { 2, "CatalogImages", "CatalogImages", "fileDefault.png" },
        { 3, "ConfigImages", "icon", "fileDefault.png" },
        { 4, "LibraryImages", "library/cover_image", "fileDefault.png" },
        { 5, "Pdf", "library/pdf", "icon-default_pdf" },
        { 6, "Video", "library/vedio", "icon-default_video" },
        { 7, "Excel", "library/excel", "fileDefault.png" },
        { 8, "Word", "library/word", "fileDefault.png" },
        { 9, "Keynote", "library/keynote", "icon-default_slide" },
    };

    const FileTypeRow* fileTypeRow(int code)
    {
        for (const auto& row : kFileTypes) {
            if (row.code == code)
                return &row;
        }
        return nullptr;
    }

    std::string documentsPath() { return NSString::stringByAppendingPathComponent(NSHomeDirectory(), "Documents"); }

}  // namespace

std::string clientFolderPath()
{
    const auto clientID = CurrentSession::record().clientID;
    return ClientFolder::pathForClientID(clientID.value_or(std::string())).value_or(std::string());
}

std::string filePathWithNameFiletype(std::string_view name, int fileType)
{
    std::string folder = clientFolderPath();
    // No client folder, no path: an empty path opens and writes nothing.
    if (folder.empty())
        return std::string();
    if (const auto* row = fileTypeRow(fileType))
        folder = NSString::stringByAppendingPathComponent(folder, row->localFolder);
    return NSString::stringByAppendingPathComponent(folder, name);
}

int getFileType(std::string_view type)
{
    if (type == "PDF")
        return FileTypePdf;
    if (type == "VEDIO")
        return FileTypeVideo;
    if (type == "EXCEL")
        return FileTypeExcel;
    if (type == "WORD")
        return FileTypeWord;
    return FileTypeKeynote;
}

std::string localFolderForFileType(int fileType)
{
    const auto* row = fileTypeRow(fileType);
    return row ? row->localFolder : "";
}

std::string serverFolderForFileType(int fileType)
{
    const auto* row = fileTypeRow(fileType);
    return row ? row->serverFolder : "";
}

std::string defaultImageNameForFileType(int fileType)
{
    const auto* row = fileTypeRow(fileType);
    return row ? row->defaultImage : "fileDefault.png";
}

void createDirectoryifNeed(std::string_view name)
{
    // The name is a client folder and the folders under it ("acme/Images/"):
    // every component must be one that stays inside Documents.
    const auto components = NSString::componentsSeparatedByString(name, "/");
    for (size_t i = 0; i < components.size(); ++i) {
        const bool trailing = i > 0 && components[i].empty();
        if (!trailing && !ClientFolder::isValidClientID(components[i]))
            return;
    }
    const std::string path = NSString::stringByAppendingPathComponent(documentsPath(), name);
    auto& fm = NSFileManager::defaultManager();
    if (!fm.fileExistsAtPath(path))
        fm.createDirectoryAtPathWithIntermediateDirectories(path, true);
}

std::string applicationDocumentsPathURL()
{
    auto paths = NSSearchPathForDirectoriesInDomains(NSDocumentDirectory, NSUserDomainMask, true);
    std::string path = paths.empty() ? documentsPath() : paths.front();
    NSFileManager::defaultManager().createDirectoryAtPathWithIntermediateDirectories(path, true);
    return path;
}

std::string applicationLibraryPathURL()
{
    auto paths = NSSearchPathForDirectoriesInDomains(NSLibraryDirectory, NSUserDomainMask, true);
    std::string path
        = paths.empty() ? NSString::stringByAppendingPathComponent(NSHomeDirectory(), "Library") : paths.front();
    NSFileManager::defaultManager().createDirectoryAtPathWithIntermediateDirectories(path, true);
    return path;
}

}  // namespace ClientFiles
