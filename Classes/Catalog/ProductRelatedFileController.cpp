#include "Classes/Catalog/ProductRelatedFileController.h"

#include "Classes/Frame/Language.h"
#include "Classes/Library/LibraryCoverFilling.h"
#include "Classes/Library/LibraryDetailCell.h"
#include "Classes/Library/LibraryFileActions.h"
#include "Classes/Library/SaleslibraryModel.h"
#include "Classes/Library/VideoViewController.h"
#include "Database/DataAccessManager.h"
#include "Network/Protocol/LoginMode.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIProgressView.h"

#include <algorithm>

namespace {

constexpr int kDownloadCommand = 0x301;

std::shared_ptr<SaleslibraryModel> manager() { return SaleslibraryModel::sharedInstance(); }

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
    NSNotificationCenter::defaultCenter().addObserver(
        this, kStopViewVideoNotification, [weak](const NSNotification& n) {
            if (auto s = weak.lock())
                s->stopViewVideo(n);
        });
    manager()->registerCallBackList(
        std::static_pointer_cast<NetworkRecDelegate>(protect<ProductRelatedFileController>()));
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

NSUInteger ProductRelatedFileController::numberOfItemsInGridView(GridView&) { return m_libfilesArray.size(); }

std::optional<CGSize> ProductRelatedFileController::portraitGridCellSizeForGridView(GridView& gridView)
{
    // Four covers a row, two rows in view.
    const CGSize box = gridView.frame().size;
    return CGSizeMake(box.width / 4 - 10, box.height / 2);
}

std::shared_ptr<GridViewCell> ProductRelatedFileController::gridViewCellForItemAtIndex(
    GridView& gridView, NSUInteger index)
{
    auto cell = LibraryCoverFilling::coverCell(gridView);
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
    cell->setDetailDelegate(
        std::static_pointer_cast<LibraryDetailCellDelegate>(protect<ProductRelatedFileController>()));
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
        selectDownloadedFileType(
            file->file_name, DataAccessManager::sharedDataModel()->getFileTypeByFileName(file->file_name));
    }
    if (m_libraryFileScrollView) {
        if (cellIndex >= 0)
            m_libraryFileScrollView->deselectItemAtIndexAnimated(static_cast<NSUInteger>(cellIndex), false);
        m_libraryFileScrollView->reloadData();
    }
}

void ProductRelatedFileController::didSelectedInfoButton(const FileRef& file) { selectShowInfo(file); }

void ProductRelatedFileController::selectShowInfo(const FileRef& file)
{
    if (!file)
        return;
    auto self = protect<ProductRelatedFileController>();
    LibraryFileActions::presentDetails(*this, file, std::static_pointer_cast<FileDescripionDelegate>(self), false);
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
        if (auto index = LibraryFileActions::indexOfFile(m_libfilesArray, file->file_id))
            selectFileToUpdateWithIndex(*index);
        return;
    }
    selectDownloadedFileType(
        file->file_name, DataAccessManager::sharedDataModel()->getFileTypeByFileName(file->file_name));
}

void ProductRelatedFileController::markButtonPressed() { reloadGrid(); }

// --------------------------------------------------------------- downloads

void ProductRelatedFileController::showNotice(const std::string& message, bool isKey)
{
    auto alert = std::make_shared<UIAlertView>(text("NOTIFICATION"), isKey ? text(message) : message,
        std::static_pointer_cast<UIAlertViewDelegate>(protect<ProductRelatedFileController>()), text("OK"));
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
    LibraryFileActions::requestDownload(*file,
        DataAccessManager::sharedDataModel()->getFileTypeByFileName(file->file_name),
        std::static_pointer_cast<NetworkRecDelegate>(protect<ProductRelatedFileController>()));
    reloadGrid();
}

void ProductRelatedFileController::pauseDownload(const FileRef& file)
{
    if (file)
        manager()->pauseDownloadFile(file->file_name);
}

void ProductRelatedFileController::selectFileToUpdateWithIndex(long index)
{
    LibraryFileActions::askToUpdate(
        std::static_pointer_cast<UIAlertViewDelegate>(protect<ProductRelatedFileController>()), index);
}

void ProductRelatedFileController::alertViewClickedButtonAtIndex(UIAlertView& alertView, long buttonIndex)
{
    const auto answer = LibraryFileActions::updateAnswer(alertView, buttonIndex, m_libfilesArray);
    if (!answer)
        return;
    auto self = protect<ProductRelatedFileController>();
    if (answer->fetch) {
        // The pending update is left for the download manager to drop once the
        // new version has arrived; a refused or failed download keeps the old copy in reach.
        selectedFileToDownload(answer->file);
    } else if (answer->onDevice) {
        selectDownloadedFileType(answer->onDevice->oldFileName, answer->onDevice->oldFileType);
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

std::shared_ptr<UINavigationController> ProductRelatedFileController::rootNavigation()
{
    if (auto root = std::dynamic_pointer_cast<UINavigationController>(LibraryFileViewers::rootViewControllerOf(*this)))
        return root;
    return navigationController();
}

void ProductRelatedFileController::selectDownloadedFileType(
    const std::optional<std::string>& fileName, const std::optional<std::string>& type)
{
    auto self = protect<ProductRelatedFileController>();
    const LibraryFileViewers::From from { *this, rootNavigation(),
        std::static_pointer_cast<PdfViewControllerDelegate>(self),
        std::static_pointer_cast<UIDocumentInteractionControllerDelegate>(self) };
    if (auto refusal = m_viewers.open(from, fileName, type))
        showNotice(*refusal, true);
}

void ProductRelatedFileController::dismissReaderViewController(PdfViewController&)
{
    if (auto navigation = rootNavigation())
        navigation->popViewControllerAnimated(true);
}

void ProductRelatedFileController::stopViewVideo(const NSNotification&) { m_viewers.closeVideo(); }
