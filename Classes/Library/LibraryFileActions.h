#pragma once

// The steps a library file's cover offers that the library grid and a
// product's related documents take alike: the details sheet, a download asked
// of the download manager, and the question put when a newer version of a
// file on the device waits. What each screen does around them (reloading,
// its download-all button, edit mode) stays with the screen.
//
// And the sharing every viewer offers for the document it shows: by e-mail,
// on a printer or in another application, with the notices that go with them.
// Where each viewer shows its menus and what it prints stay with the viewer.

#include "Platform/Foundation/Value.h"
#include "Platform/UIKit/MFMailComposeViewController.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class FileDescripionDelegate;
class FileDescriptionViewController;
class NetworkRecDelegate;
class UIActionSheet;
class UIActionSheetDelegate;
class UIAlertView;
class UIAlertViewDelegate;
class UIDocumentInteractionController;
class UIDocumentInteractionControllerDelegate;
class UIPrintInteractionController;
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

// The share menu's choices, in the order of its buttons.
enum class ShareChoice : long { Email = 0, Print = 1, OpenIn = 2 };
// The choices' titles in the interface language, in menu order.
std::vector<std::string> shareChoiceTitles();
// What a viewer does for each choice.
struct ShareSteps {
    std::function<void()> email;
    std::function<void()> print;
    std::function<void()> openIn;
};
// Takes the step the share menu's button `buttonIndex` stands for; nothing for a dismissal.
void takeShareStep(long buttonIndex, const ShareSteps& steps);
// The share menu, answering `delegate`.
std::shared_ptr<UIActionSheet> makeShareSheet(std::weak_ptr<UIActionSheetDelegate> delegate);
// The print panel and the open-in menu of an earlier share leave the screen.
void dismissShareControllers(const std::shared_ptr<UIPrintInteractionController>& printer,
    const std::shared_ptr<UIDocumentInteractionController>& opener, bool animated);

// A notice with one "OK" button; its title and message are language keys.
void showNotice(const std::string& titleKey, const std::optional<std::string>& messageKey,
    std::weak_ptr<UIAlertViewDelegate> delegate = {});
// Whether mail can go out from here; when it cannot, the person is told why.
bool canMailOrTellWhy();
// A composer with the document attached, to be presented as a form sheet.
std::shared_ptr<MFMailComposeViewController> mailComposer(const Data& document, const std::string& mimeType,
    const std::string& fileName, const std::string& subject,
    std::weak_ptr<MFMailComposeViewControllerDelegate> delegate);
// The language key of the notice that tells how a mail ended; nothing when
// it was cancelled or saved, which the person did knowingly.
std::optional<std::string> mailResultNotice(MFMailComposeResult result);
// The controller of an open-in menu for the file at `fileURL`.
std::shared_ptr<UIDocumentInteractionController> openInController(
    const std::string& fileURL, std::weak_ptr<UIDocumentInteractionControllerDelegate> delegate);

}  // namespace LibraryFileActions
