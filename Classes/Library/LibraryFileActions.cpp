#include "Classes/Library/LibraryFileActions.h"

#include "Classes/Frame/Language.h"
#include "Classes/Library/FileDescriptionViewController.h"
#include "Classes/Library/LibraryText.h"
#include "Classes/Library/SaleslibraryModel.h"
#include "Database/DataAccessManager.h"
#include "Network/Protocol/RequestDownload.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/UIKit/UIActionSheet.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIDocumentInteractionController.h"
#include "Platform/UIKit/UIPrintInteractionController.h"

namespace LibraryFileActions {

namespace {

    // The question's tag carries the index of the file it is about.
    constexpr long kUpdateQuestionTag = 2500;

}  // namespace

std::optional<long> indexOfFile(const FileList& shown, int fileId)
{
    for (size_t i = 0; i < shown.size(); ++i) {
        if (shown[i]->file_id == fileId)
            return static_cast<long>(i);
    }
    return std::nullopt;
}

std::shared_ptr<FileDescriptionViewController> presentDetails(
    UIViewController& screen, const FileRef& file, std::weak_ptr<FileDescripionDelegate> delegate, bool deletable)
{
    auto sheet = FileDescriptionViewController::initWithNibNameBundle("FileDescriptionViewController");
    sheet->setFileEntity(file);
    sheet->setDelagate(std::move(delegate));
    sheet->setModalPresentationStyle(UIModalPresentationFormSheet);
    sheet->setModalTransitionStyle(UIModalTransitionStyleCrossDissolve);
    screen.presentViewControllerAnimatedCompletion(sheet, true, nullptr);
    sheet->delButton()->setHidden(!deletable);
    const CGRect place
        = CGRectMake(220, 150, FileDescriptionViewController::kWidth, FileDescriptionViewController::kHeight);
    if (auto container = sheet->view()->superview())
        container->setFrame(place);
    else
        sheet->view()->setFrame(place);
    return sheet;
}

int requestDownload(const corvelle_library_files_Entity& file, const std::optional<std::string>& type,
    const std::shared_ptr<NetworkRecDelegate>& receiver)
{
    auto message = std::make_shared<RequestDownload>();
    message->fileNameList = { file.file_name.value_or(std::string()) };
    message->setReceiveDelegete(receiver);
    message->fileId = file.file_id;
    message->imgType = LibraryText::typeCodeOf(type);
    message->progressType = 1;
    const int downloadId = SaleslibraryModel::sharedInstance()->sendRequest(message);
    NSLog("the downloadId is %d", downloadId);
    return downloadId;
}

void askToUpdate(std::weak_ptr<UIAlertViewDelegate> delegate, long index)
{
    auto alert = std::make_shared<UIAlertView>(text("NOTIFICATION"), text("HASUPDATE"), std::move(delegate),
        text("UPDATE"), std::vector<std::string> { text("CANCEL") });
    alert->setTag(kUpdateQuestionTag + index);
    alert->show();
}

bool isUpdateQuestion(const UIAlertView& alert) { return alert.tag() >= kUpdateQuestionTag; }

std::optional<UpdateAnswer> updateAnswer(const UIAlertView& alert, long buttonIndex, const FileList& shown)
{
    if (!isUpdateQuestion(alert) || (buttonIndex != 0 && buttonIndex != 1))
        return std::nullopt;
    const long index = alert.tag() - kUpdateQuestionTag;
    if (index >= static_cast<long>(shown.size()))
        return std::nullopt;
    UpdateAnswer answer;
    answer.file = shown[static_cast<size_t>(index)];
    answer.fetch = buttonIndex == 0;
    if (!answer.fetch)
        answer.onDevice = DataAccessManager::sharedDataModel()->getLibFileUpdateByFileID(answer.file->file_id);
    return answer;
}

std::vector<std::string> shareChoiceTitles() { return { text("EMAIL"), text("PRINT"), text("OPENINOTHERAPP") }; }

void takeShareStep(long buttonIndex, const ShareSteps& steps)
{
    switch (buttonIndex) {
    case static_cast<long>(ShareChoice::Email):
        steps.email();
        break;
    case static_cast<long>(ShareChoice::Print):
        steps.print();
        break;
    case static_cast<long>(ShareChoice::OpenIn):
        steps.openIn();
        break;
    default:
        break;
    }
}

std::shared_ptr<UIActionSheet> makeShareSheet(std::weak_ptr<UIActionSheetDelegate> delegate)
{
    return std::make_shared<UIActionSheet>(
        std::nullopt, std::move(delegate), std::nullopt, std::nullopt, shareChoiceTitles());
}

void dismissShareControllers(const std::shared_ptr<UIPrintInteractionController>& printer,
    const std::shared_ptr<UIDocumentInteractionController>& opener, bool animated)
{
    if (printer)
        printer->dismissAnimated(animated);
    if (opener)
        opener->dismissMenuAnimated(animated);
}

void showNotice(const std::string& titleKey, const std::optional<std::string>& messageKey,
    std::weak_ptr<UIAlertViewDelegate> delegate)
{
    auto alert = std::make_shared<UIAlertView>(
        text(titleKey), messageKey ? text(*messageKey) : std::string(), std::move(delegate), text("OK"));
    alert->show();
}

bool canMailOrTellWhy()
{
    if (MFMailComposeViewController::canSendMail())
        return true;
    showNotice("NOTIFICATION", std::string("NOEMAILCONFIG"));
    return false;
}

std::shared_ptr<MFMailComposeViewController> mailComposer(const Data& document, const std::string& mimeType,
    const std::string& fileName, const std::string& subject,
    std::weak_ptr<MFMailComposeViewControllerDelegate> delegate)
{
    auto composer = std::make_shared<MFMailComposeViewController>();
    composer->setMailComposeDelegate(std::move(delegate));
    composer->addAttachmentDataMimeTypeFileName(document, mimeType, fileName);
    composer->setSubject(subject);
    // A form sheet, as the composer comes on a tablet: the document stays on view below it.
    composer->setModalPresentationStyle(UIModalPresentationFormSheet);
    return composer;
}

std::optional<std::string> mailResultNotice(MFMailComposeResult result)
{
    if (result == MFMailComposeResultSent)
        return std::string("FILEHAVSBEENEMAILED");
    if (result == MFMailComposeResultFailed)
        return std::string("MAILFAILED");
    return std::nullopt;
}

std::shared_ptr<UIDocumentInteractionController> openInController(
    const std::string& fileURL, std::weak_ptr<UIDocumentInteractionControllerDelegate> delegate)
{
    auto controller = UIDocumentInteractionController::interactionControllerWithURL(fileURL);
    controller->setDelegate(std::move(delegate));
    return controller;
}

}  // namespace LibraryFileActions
