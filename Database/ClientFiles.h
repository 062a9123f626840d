#pragma once

// Where the signed-in client's files live: the client folder under Documents,
// the local and server folders of each file-type code, and the application's
// own folders. Plain functions without the interface kit, so the data layer
// and the protocol use them too; PublicFunction's members of the same names
// forward here.

#include <string>
#include <string_view>

namespace ClientFiles {

// File-type codes: the same code names the local folder and the server path.
enum FileType {
    FileTypeProductImage = 1,
    FileTypeCatalogImage = 2,
    FileTypeConfigImage = 3,
    FileTypeLibraryCover = 4,
    FileTypePdf = 5,
    FileTypeVideo = 6,
    FileTypeExcel = 7,
    FileTypeWord = 8,
    FileTypeKeynote = 9,
};

// <home>/Documents/<client id in lower case>; empty when the session's id may
// not name a folder (ClientFolder::isValidClientID).
std::string clientFolderPath();
// Client folder / folder of the code / name; outside 1 to 9 the name sits
// in the client folder. Empty without a client folder.
std::string filePathWithNameFiletype(std::string_view name, int fileType);
// "PDF" 5, "VEDIO" 6, "EXCEL" 7, "WORD" 8, anything else 9 (case-sensitive).
int getFileType(std::string_view type);
// The local folder and server folder of a code; empty outside 1 to 9.
std::string localFolderForFileType(int fileType);
std::string serverFolderForFileType(int fileType);
// The bundle image to show when the local image of a code is missing.
std::string defaultImageNameForFileType(int fileType);
// Creates <home>/Documents/<name> with its parents unless something is
// there; a name with a component that is no valid client id ("..",
// "", "a\b") makes nothing.
void createDirectoryifNeed(std::string_view name);

// The application's Documents and Library folders, made when missing.
std::string applicationDocumentsPathURL();
std::string applicationLibraryPathURL();

}  // namespace ClientFiles
