#include "Classes/Catalog/ProductRelatedFileController.h"

#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Library/LibraryCoverFilling.h"
#include "Classes/Library/LibraryDetailCell.h"
#include "Classes/Library/LibraryText.h"
#include "Classes/Library/PPTLoadingViewController.h"
#include "Classes/Library/PdfDocument.h"
#include "Classes/Library/SaleslibraryModel.h"
#include "Classes/Library/VideoViewController.h"
#include "Database/DataAccessManager.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/RequestDownload.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIProgressView.h"
#include "Platform/UIKit/UIWindow.h"

#include <algorithm>
#include <array>
#include <cctype>

using LibraryText::text;

namespace {

constexpr int kDownloadCommand = 0x301;

std::shared_ptr<SaleslibraryModel> manager()
{
    return SaleslibraryModel::sharedInstance();
}

std::string lowerExtension(const std::string& path)
{
    std::string ext = NSString::pathExtension(path);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

bool isOfficeExtension(const std::string& ext)
{
    static constexpr std::array<const char*, 6> kOffice { "pptx", "ppt", "xls", "xlsx", "doc", "docx" };
    return std::any_of(kOffice.begin(), kOffice.end(), [&](const char* e) { return ext == e; });
}

}  // namespace

ProductRelatedFileController::ProductRelatedFileController() = default;

ProductRelatedFileController::~ProductRelatedFileController()
{
    // The manager does not own its listeners; a screen that goes must leave its list.
    manager()->removeFromCallBackList(this);
    NSNotificationCenter::defaultCenter().removeObserver(this);
}

// ---------------------------------------------------------------- building

void ProductRelatedFileController::viewDidLoad()
{
    PopBaseController::viewDidLoad();
    auto self = protect<ProductRelatedFileController>();
    m_libFilesArrayIDS = DataAccessManager::sharedDataModel()->getAllLibFileUpdateIDs();

    auto background = std::make_shared<UIImageView>(CGRectMake(0, 44, 1024, 768));
    background->setImage(UIImage::imageNamed("background"));
    view()->addSubview(background);
    if (lblTittle)
        lblTittle->setText(text("RELATEDMATERIALS"));

    m_libraryFileScrollView = std::make_shared<GridView>(CGRectMake(0, 55, 1024, 638));
    m_libraryFileScrollView->setLeftContentInset(15);
    m_libraryFileScrollView->setRightContentInset(15);
    m_libraryFileScrollView->setDataSource(std::static_pointer_cast<GridViewDataSource>(self));
    m_libraryFileScrollView->setDelegate(std::static_pointer_cast<GridViewDelegate>(self));
    m_libraryFileScrollView->reloadData();
    view()->addSubview(m_libraryFileScrollView);
    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
}

void ProductRelatedFileController::viewAfterFirstDidLoad()
{
    PopBaseController::viewAfterFirstDidLoad();
    auto weak = weakSelf<ProductRelatedFileController>();
    NSNotificationCenter::defaultCenter().addObserver(this, kStopViewVideoNotification, [weak](const NSNotification& n) {
        if (auto s = weak.lock())
            s->stopViewVideo(n);
    });
    manager()->registerCallBackList(std::static_pointer_cast<NetworkRecDelegate>(protect<ProductRelatedFileController>()));
}

void ProductRelatedFileController::viewDidUnload()
{
    PopBaseController::viewDidUnload();
    m_libraryFileScrollView.reset();
}

void ProductRelatedFileController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    PopBaseController::updateLanguage();
    if (lblTittle)
        lblTittle->setText(text("RELATEDMATERIALS"));
}

void ProductRelatedFileController::reloadGrid()
{
    if (m_libraryFileScrollView)
        m_libraryFileScrollView->reloadData();
}

bool ProductRelatedFileController::isInFilesIDS(const corvelle_library_files_Entity& file) const
{
    return std::find(m_libFilesArrayIDS.begin(), m_libFilesArrayIDS.end(), file.file_id) != m_libFilesArrayIDS.end();
}

// -------------------------------------------------------------------- grid

NSUInteger ProductRelatedFileController::numberOfItemsInGridView(GridView&)
{
    return m_libfilesArray.size();
}

std::optional<CGSize> ProductRelatedFileController::portraitGridCellSizeForGridView(GridView& gridView)
{
    // Four covers a row, two rows in view.
    const CGSize box = gridView.frame().size;
    return CGSizeMake(box.width / 4 - 10, box.height / 2);
}

std::shared_ptr<GridViewCell> ProductRelatedFileController::gridViewCellForItemAtIndex(GridView& gridView, NSUInteger index)
{
    auto cell = std::dynamic_pointer_cast<LibraryDetailCell>(gridView.dequeueReusableCellWithIdentifier(LibraryDetailCell::kCellIdentifier));
    if (!cell)
        cell = LibraryDetailCell::initWithFrameReuseIdentifier(CGRectMake(0, 0, 180, 240), LibraryDetailCell::kCellIdentifier);
    if (index >= m_libfilesArray.size())
        return cell;
    const FileRef& f = m_libfilesArray[index];
    auto m = manager();
    const bool onDisk = m->isExists(f->file_id);
    LibraryCoverFilling::showFile(*cell, f, isInFilesIDS(*f), onDisk);
    cell->setCellIndex(static_cast<long>(index));
    LibraryCoverFilling::showTransfer(*cell, *m, *f, m->isInDownloadList(f->file_name) && !onDisk);
    cell->deleteButton()->setHidden(true);
    const bool favourite = DataAccessManager::sharedDataModel()->getLibraryFavoriteByFavoriteId(f->file_id) != nullptr;
    cell->markImageView()->setImage(favourite ? UIImage::imageNamed("btn-favAdded") : nullptr);
    cell->setDetailDelegate(std::static_pointer_cast<LibraryDetailCellDelegate>(protect<ProductRelatedFileController>()));
    return cell;
}

// ------------------------------------------------------------------ covers

void ProductRelatedFileController::didSelectedCellCellIndex(const FileRef& file, long cellIndex)
{
    if (!file)
        return;
    auto self = protect<ProductRelatedFileController>();
    auto m = manager();
    if (m->isInDownloadList(file->file_name)) {
        pauseDownload(file);
    } else if (m->isInPauseList(file->file_name)) {
        selectedFileToDownload(file);
    } else if (!m->isExists(file->file_id)) {
        selectShowInfo(file);
    } else if (isInFilesIDS(*file)) {
        selectFileToUpdateWithIndex(cellIndex);
    } else {
        selectDownloadedFileType(file->file_name, DataAccessManager::sharedDataModel()->getFileTypeByFileName(file->file_name));
    }
    if (m_libraryFileScrollView) {
        if (cellIndex >= 0)
            m_libraryFileScrollView->deselectItemAtIndexAnimated(static_cast<NSUInteger>(cellIndex), false);
        m_libraryFileScrollView->reloadData();
    }
}

void ProductRelatedFileController::didSelectedInfoButton(const FileRef& file)
{
    selectShowInfo(file);
}

void ProductRelatedFileController::selectShowInfo(const FileRef& file)
{
    if (!file)
        return;
    auto self = protect<ProductRelatedFileController>();
    auto sheet = FileDescriptionViewController::initWithNibNameBundle("FileDescriptionViewController");
    sheet->setFileEntity(file);
    sheet->setDelagate(std::static_pointer_cast<FileDescripionDelegate>(self));
    sheet->setModalPresentationStyle(UIModalPresentationFormSheet);
    sheet->setModalTransitionStyle(UIModalTransitionStyleCrossDissolve);
    presentViewControllerAnimatedCompletion(sheet, true, nullptr);
    sheet->delButton()->setHidden(true);
    const CGRect place = CGRectMake(220, 150, FileDescriptionViewController::kWidth, FileDescriptionViewController::kHeight);
    if (auto container = sheet->view()->superview())
        container->setFrame(place);
    else
        sheet->view()->setFrame(place);
}

void ProductRelatedFileController::actionButtonPressed(const FileRef& file)
{
    NSLog("press");
    if (!file)
        return;
    auto self = protect<ProductRelatedFileController>();
    if (!manager()->isExists(file->file_id)) {
        selectedFileToDownload(file);
        return;
    }
    if (isInFilesIDS(*file)) {
        for (size_t i = 0; i < m_libfilesArray.size(); ++i) {
            if (m_libfilesArray[i]->file_id == file->file_id) {
                selectFileToUpdateWithIndex(static_cast<long>(i));
                break;
            }
        }
        return;
    }
    selectDownloadedFileType(file->file_name, DataAccessManager::sharedDataModel()->getFileTypeByFileName(file->file_name));
}

void ProductRelatedFileController::markButtonPressed()
{
    reloadGrid();
}

// --------------------------------------------------------------- downloads

void ProductRelatedFileController::showNotice(const std::string& message, bool isKey)
{
    auto alert = std::make_shared<UIAlertView>(text("NOTIFICATION"), isKey ? text(message) : message,
                                               std::static_pointer_cast<UIAlertViewDelegate>(protect<ProductRelatedFileController>()),
                                               text("OK"));
    alert->setTag(kNoticeTag);
    alert->show();
}

void ProductRelatedFileController::selectedFileToDownload(const FileRef& file)
{
    if (!file)
        return;
    if (LoginMode::sharedInstance()->loginType() == LoginMode::kLoginTypeOffline) {
        showNotice("999", true);
        return;
    }
    auto message = std::make_shared<RequestDownload>();
    message->fileNameList = { file->file_name.value_or(std::string()) };
    message->setReceiveDelegete(std::static_pointer_cast<NetworkRecDelegate>(protect<ProductRelatedFileController>()));
    message->fileId = file->file_id;
    message->imgType = LibraryText::typeCodeOf(DataAccessManager::sharedDataModel()->getFileTypeByFileName(file->file_name));
    message->progressType = 1;
    const int downloadId = manager()->sendRequest(message);
    NSLog("the downloadId is %d", downloadId);
    reloadGrid();
}

void ProductRelatedFileController::pauseDownload(const FileRef& file)
{
    if (file)
        manager()->pauseDownloadFile(file->file_name);
}

void ProductRelatedFileController::selectFileToUpdateWithIndex(long index)
{
    m_updateIndex = index;
    auto alert = std::make_shared<UIAlertView>(text("NOTIFICATION"), text("HASUPDATE"),
                                               std::static_pointer_cast<UIAlertViewDelegate>(protect<ProductRelatedFileController>()),
                                               text("UPDATE"), std::vector<std::string> { text("CANCEL") });
    alert->setTag(kUpdateQuestionTag);
    alert->show();
}

void ProductRelatedFileController::alertViewClickedButtonAtIndex(UIAlertView& alertView, long buttonIndex)
{
    if (alertView.tag() != kUpdateQuestionTag)
        return;
    const long index = m_updateIndex;
    if (index < 0 || index >= static_cast<long>(m_libfilesArray.size()))
        return;
    auto self = protect<ProductRelatedFileController>();
    const FileRef file = m_libfilesArray[static_cast<size_t>(index)];
    auto update = DataAccessManager::sharedDataModel()->getLibFileUpdateByFileID(file->file_id);
    if (buttonIndex == 0) {
        // The pending update is left for the download manager to drop once the
        // new version has arrived; a refused or failed download keeps the old copy in reach.
        selectedFileToDownload(file);
    } else if (buttonIndex == 1 && update) {
        selectDownloadedFileType(update->oldFileName, update->oldFileType);
    }
}

void ProductRelatedFileController::ReciveDownloadPercent(const std::shared_ptr<DownLoadRequestInfo>& info)
{
    if (!info)
        return;
    NSLog("the filename is %@,the percent is %f", info->fileName.value_or(std::string()), info->downloadPercent);
    dataDownloadAtPercent(*info);
}

void ProductRelatedFileController::dataDownloadAtPercent(const DownLoadRequestInfo& info)
{
    if (m_libraryFileScrollView)
        LibraryCoverFilling::showPercent(*m_libraryFileScrollView, m_libfilesArray, info);
}

void ProductRelatedFileController::ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& reply)
{
    if (!reply || reply->cmdCode != kDownloadCommand)
        return;
    auto self = protect<ProductRelatedFileController>();
    if (isSuccess(*reply)) {
        auto download = std::dynamic_pointer_cast<DownloadRst>(reply);
        downloadFileFinish(download && download->fileName ? *download->fileName : std::string());
        return;
    }
    showNotice(reply->message.value_or(std::string()), false);
}

void ProductRelatedFileController::downloadFileFinish(const std::string&)
{
    // The manager has dropped the pending update of the file that arrived;
    // its cover loses the update mark and opens the new version.
    m_libFilesArrayIDS = DataAccessManager::sharedDataModel()->getAllLibFileUpdateIDs();
    reloadGrid();
}

// ----------------------------------------------------------------- viewers

std::shared_ptr<UIViewController> ProductRelatedFileController::rootViewController()
{
    std::shared_ptr<UIWindow> window;
    if (auto app = CorvelleAppDelegate::sharedAppDelegate())
        window = app->window();
    if (!window && isViewLoaded())
        window = view()->window();
    return window ? window->rootViewController() : nullptr;
}

std::shared_ptr<UINavigationController> ProductRelatedFileController::rootNavigation()
{
    if (auto root = std::dynamic_pointer_cast<UINavigationController>(rootViewController()))
        return root;
    return navigationController();
}

void ProductRelatedFileController::selectDownloadedFileType(const std::optional<std::string>& fileName, const std::optional<std::string>& type)
{
    // A name from the server that could leave its folder is never made into a path.
    if (!LibraryText::isSafeName(fileName))
        return;
    auto self = protect<ProductRelatedFileController>();
    const std::string name = *fileName;
    const std::string path = PublicFunction::filePathWithNameFiletype(name, LibraryText::typeCodeOf(type));
    const std::string title = DataAccessManager::sharedDataModel()->getTitleByFileName(name).value_or(std::string());
    const std::string kind = type.value_or(std::string());
    if (kind == "VEDIO") {
        m_videoviewcontroller = std::make_shared<VideoViewController>();
        m_videoviewcontroller->createWithFilenameAndFilePath(title, path);
        if (auto root = rootViewController())
            root->view()->addSubview(m_videoviewcontroller->view());
        return;
    }
    if (kind == "PDF") {
        auto document = PdfDocument::withDocumentFilePathPassword(path, std::nullopt);
        if (!document) {
            showNotice("THEFILEISCORRUPTED", true);
            return;
        }
        auto reader = PdfViewController::initWithReaderDocumentDocumentName(document, title);
        reader->setDelegate(std::static_pointer_cast<PdfViewControllerDelegate>(self));
        if (auto navigation = rootNavigation())
            navigation->pushViewControllerAnimated(reader, true);
        return;
    }
    if (!PublicFunction::safeSizeOfPath(path)) {
        tryOpenIn(path, name, "FILETOOLARGEALERT");
        return;
    }
    if (isOfficeExtension(lowerExtension(path))) {
        auto preview = std::make_shared<PPTLoadingViewController>();
        preview->setFileName(title);
        preview->setFilePath(path);
        m_pptViewController = preview;
        if (auto navigation = rootNavigation())
            navigation->pushViewControllerAnimated(preview, true);
        return;
    }
    tryOpenIn(path, name, "PLEASEDOWNLOADKEYNOTE");
}

void ProductRelatedFileController::tryOpenIn(const std::string& path, const std::string& name, const char* failureKey)
{
    m_documentController.reset();
    m_documentController = UIDocumentInteractionController::interactionControllerWithURL("file://" + path);
    m_documentController->name = name;
    m_documentController->setDelegate(std::static_pointer_cast<UIDocumentInteractionControllerDelegate>(protect<ProductRelatedFileController>()));
    if (!m_documentController->presentOpenInMenuFromRectInViewAnimated(CGRectMake(500, -200, 200, 200), view(), true)) {
        m_documentController.reset();
        showNotice(failureKey, true);
    }
}

void ProductRelatedFileController::dismissReaderViewController(PdfViewController&)
{
    if (auto navigation = rootNavigation())
        navigation->popViewControllerAnimated(true);
}

void ProductRelatedFileController::stopViewVideo(const NSNotification&)
{
    if (!m_videoviewcontroller)
        return;
    if (m_videoviewcontroller->isViewLoaded())
        m_videoviewcontroller->view()->removeFromSuperview();
    m_videoviewcontroller.reset();
}
