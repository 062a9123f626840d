#pragma once

// The steps a library file's cover offers that the library grid and a
// product's related documents take alike: the details sheet, a download asked
// of the download manager, and the question put when a newer version of a
// file on the device waits. What each screen does around them (reloading,
// its download-all button, edit mode) stays with the screen.

#include <memory>
#include <optional>
#include <string>
#include <vector>

class FileDescripionDelegate;
class FileDescriptionViewController;
class NetworkRecDelegate;
class UIAlertView;
class UIAlertViewDelegate;
class UIViewController;
struct corvelle_library_files_Entity;
struct corvelle_library_files_update_Entity;

namespace LibraryFileActions {

using FileRef = std::shared_ptr<corvelle_library_files_Entity>;
using FileList = std::vector<FileRef>;

// Where `fileId` stands among the shown files; nothing when it is not shown.
std::optional<long> indexOfFile(const FileList& shown, int fileId);

// The details sheet of `file`, presented over `screen` in its place; its
// delete button shows only when `deletable`.
std::shared_ptr<FileDescriptionViewController> presentDetails(
    UIViewController& screen, const FileRef& file, std::weak_ptr<FileDescripionDelegate> delegate, bool deletable);

// Hands the download manager a download of `file` stored under the folder of
// `type`, its reply to `receiver`; gives the download id.
int requestDownload(const corvelle_library_files_Entity& file, const std::optional<std::string>& type,
    const std::shared_ptr<NetworkRecDelegate>& receiver);

// Asks whether the shown file at `index` is to be updated ("UPDATE") or its
// copy on the device opened ("CANCEL").
void askToUpdate(std::weak_ptr<UIAlertViewDelegate> delegate, long index);
bool isUpdateQuestion(const UIAlertView& alert);

struct UpdateAnswer {
    FileRef file;
    // "UPDATE": the new version is to be fetched.
    bool fetch = false;
    // "CANCEL": the copy on the device, when its pending-update record is still there.
    std::shared_ptr<corvelle_library_files_update_Entity> onDevice;
};
// What the answer `buttonIndex` to the update question asks for; nothing for
// another alert, a file no longer shown at its index, or another button.
std::optional<UpdateAnswer> updateAnswer(const UIAlertView& alert, long buttonIndex, const FileList& shown);

}  // namespace LibraryFileActions
