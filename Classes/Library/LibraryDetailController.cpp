#include "Classes/Library/LibraryDetailController.h"

#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/OrderingController.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Library/LibraryCatalogController.h"
#include "Classes/Library/LibraryCoverFilling.h"
#include "Classes/Library/LibraryDetailCell.h"
#include "Classes/Library/LibraryFileActions.h"
#include "Classes/Library/LibraryText.h"
#include "Classes/Library/SaleslibraryModel.h"
#include "Classes/Library/VideoViewController.h"
#include "Database/DataAccessManager.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/NetworkModel.h"
#include "Network/Protocol/SessionCommands.h"
#include "Network/Protocol/SyncCommands.h"
#include "Network/Protocol/SyncModel.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/PerformRequests.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIProgressView.h"
#include "Platform/UIKit/UITouch.h"
#include "Platform/UIKit/UIWindow.h"

#include <algorithm>
#include <set>
#include <unordered_map>

namespace {

const char* const kFilterKeys[] = { "SHOWALL", "NEWADDED", "MARKED", "HIDEDOWNLOADED" };
const char* const kSortKeys[] = { "BYDEFAULT", "BYTITLE", "BYDATE", "BYTYPE" };
// The sort type of each sort-menu entry.
const int kSortTypeOfEntry[] = { 0, 3, 1, 2 };

constexpr long kTagOK = 1001;
constexpr long kTagDownloadAll = 1002;
constexpr long kTagUpdateAll = 1003;
constexpr long kTagWifiSingle = 1004;
constexpr long kTagWifiAll = 1005;
constexpr long kTagCancelDownloads = 1006;

bool contains(const std::vector<int>& ids, int id) { return std::find(ids.begin(), ids.end(), id) != ids.end(); }

std::shared_ptr<SaleslibraryModel> manager() { return SaleslibraryModel::sharedInstance(); }

}  // namespace

LibraryDetailController::LibraryDetailController() = default;

LibraryDetailController::~LibraryDetailController()
{
    manager()->removeFromCallBackList(this);
    NSNotificationCenter::defaultCenter().removeObserver(this);
    PerformRequests::cancelPreviousPerformRequests(this);
    if (m_tapGesture) {
        if (auto v = m_tapGesture->view())
            v->removeGestureRecognizer(m_tapGesture);
    }
}

// ---------------------------------------------------------------- building

void LibraryDetailController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    auto self = protect<LibraryDetailController>();
    std::weak_ptr<LibraryDetailController> weak = self;
    const bool hidden = m_masterHide;
    const CGFloat x = hidden ? 0 : 244;
    const CGFloat width = hidden ? 1024 : 780;

    m_showOnlyNewFiles = false;
    m_showOnlyMarkedFiles = false;
    m_showCollectionInLibrary = true;
    m_showCellShaking = false;
    auto root = view();
    auto background = std::make_shared<UIImageView>(root->bounds());
    background->setImage(UIImage::imageNamed("background"));
    // The view is made screen-high and only then fitted into the pane; the
    // background follows it rather than reach down over the tab bar.
    background->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    root->addSubview(background);

    m_productShowView = std::make_shared<GridView>(CGRectMake(x, 50, width, 588));
    m_productShowView->setLeftContentInset(hidden ? 25 : 20);
    m_productShowView->setRightContentInset(hidden ? 25 : 20);
    m_productShowView->setAlwaysBounceVertical(true);
    m_productShowView->setDataSource(std::static_pointer_cast<GridViewDataSource>(self));
    m_productShowView->setDelegate(std::static_pointer_cast<GridViewDelegate>(self));
    root->addSubview(m_productShowView);
    auto pan = std::make_shared<UIPanGestureRecognizer>([weak](UIGestureRecognizer& r) {
        if (auto s = weak.lock())
            s->panMove(r);
    });
    root->addGestureRecognizer(pan);
    m_panDistance = 0;

    m_headView = std::make_shared<UIView>(CGRectMake(x, 0, width, 50));
    root->addSubview(m_headView);
    std::vector<std::string> filters(std::begin(kFilterKeys), std::end(kFilterKeys) - (m_libraryTab == 1 ? 1 : 0));
    m_filterController = OrderingController::initWithOrderButtonFrameOrderingsNamesDelegateInView(
        CGRectMake(hidden ? 615 : 371, 8, 160, 34), filters, std::static_pointer_cast<OrderingControllerDelegate>(self),
        root);
    m_orderController = OrderingController::initWithOrderButtonFrameOrderingsNamesDelegateInView(
        CGRectMake(hidden ? 790 : 546, 8, 160, 34),
        std::vector<std::string>(std::begin(kSortKeys), std::end(kSortKeys)),
        std::static_pointer_cast<OrderingControllerDelegate>(self), root);
    for (const auto& menu : { m_filterController, m_orderController }) {
        auto button = menu->orderingButton();
        button->titleLabel()->setFont(UIFont::boldSystemFontOfSize(14));
        button->setTitleColorForState(UIColor::darkGrayColor(), UIControlStateNormal);
        button->setBackgroundImageForState(
            PublicFunction::resizeImageWithCapInsets(
                SkinManager::skinFromImageName(std::string("btn_sort.png")), UIEdgeInsetsMake(5, 5, 5, 24)),
            UIControlStateNormal);
        button->titleEdgeInsets = UIEdgeInsetsMake(0, 0, 0, 20);
    }

    m_searchBar = std::make_shared<UISearchBar>(CGRectMake(15, 7, 300, 34));
    m_searchBar->setPlaceholder(text("LIBRARYSEARCHHOLD"));
    m_searchBar->showsScopeBar = false;
    m_searchBar->showsBookmarkButton = false;
    m_searchBar->showsSearchResultsButton = false;
    m_searchBar->setBackgroundColor(UIColor::clearColor());
    m_searchBar->setBackgroundImage(UIImage::imageNamed("bg_searchbar"));
    m_searchBar->setDelegate(std::static_pointer_cast<UISearchBarDelegate>(self));
    m_headView->addSubview(m_searchBar);

    m_btnDownloadAll = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnDownloadAll->setFrame(CGRectMake(hidden ? 970 : 726, 8, 34, 34));
    PublicFunction::initializeToButtonHeight34(m_btnDownloadAll);
    m_btnDownloadAll->setImageForState(
        UIImage::imageNamed(m_libraryTab == 1 ? "icon_update.png" : "icon_download.png"), UIControlStateNormal);
    m_btnDownloadAll->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto s = weak.lock())
            s->downloadAll();
    });
    root->addSubview(m_btnDownloadAll);
    m_isBtnCancel = false;
    m_alreadyShowDownloadError = false;

    m_shadowView = std::make_shared<UIImageView>(CGRectMake(0, 50, 1024, 15));
    std::static_pointer_cast<UIImageView>(m_shadowView)->setImage(UIImage::imageNamed("bg-Shadow"));
    m_shadowView->setOpaque(false);
    root->addSubview(m_shadowView);

    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
}

void LibraryDetailController::viewAfterFirstDidLoad()
{
    BaseViewController::viewAfterFirstDidLoad();
    m_selectedRow = 0;
    m_selectedCategory = -1;
    reloadDataWithPostNotiChangeTab(true, false);
    std::weak_ptr<LibraryDetailController> weak = protect<LibraryDetailController>();
    auto& center = NSNotificationCenter::defaultCenter();
    center.addObserver(this, "display_catalog", [weak](const NSNotification& n) {
        if (auto s = weak.lock())
            s->displayCatalog(n);
    });
    center.addObserver(this, kStopViewVideoNotification, [weak](const NSNotification& n) {
        if (auto s = weak.lock())
            s->stopViewVideo(n);
    });
    center.addObserver(this, "AppWillEnterBackgound", [weak](const NSNotification&) {
        if (auto s = weak.lock())
            s->willEnterBackground();
    });
    center.addObserver(this, "AppWillEnterForegroud", [weak](const NSNotification&) {
        if (auto s = weak.lock())
            s->willEnterForeground();
    });
}

void LibraryDetailController::viewWillAppear(bool animated)
{
    BaseViewController::viewWillAppear(animated);
    manager()->registerCallBackList(std::static_pointer_cast<NetworkRecDelegate>(protect<LibraryDetailController>()));
    reloadDataWithPostNotiChangeTab(true, true);
    updateBtnDownlaodOrUpdate();
    if (m_searchBar)
        m_searchBar->resignFirstResponder();
}

void LibraryDetailController::viewWillDisappear(bool animated)
{
    BaseViewController::viewWillDisappear(animated);
    manager()->removeFromCallBackList(this);
}

void LibraryDetailController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    if (m_searchBar)
        m_searchBar->setPlaceholder(text("LIBRARYSEARCHHOLD"));
    if (m_filterController)
        m_filterController->updateLanguage();
    if (m_orderController)
        m_orderController->updateLanguage();
    reloadDataWithPostNotiChangeTab(false, false);
}

void LibraryDetailController::viewDidUnload()
{
    BaseViewController::viewDidUnload();
    m_productShowView.reset();
    m_searchBar.reset();
    m_btnDownloadAll.reset();
    m_filterController.reset();
    m_orderController.reset();
    m_tapGesture.reset();
}

// ------------------------------------------------------- the displayed list

void LibraryDetailController::reloadDataWithPostNotiChangeTab(bool post, bool changeTab)
{
    auto self = protect<LibraryDetailController>();
    m_libFilesArrayIDS = DataAccessManager::sharedDataModel()->getAllLibFileUpdateIDs();
    filterAndSortArray();
    if (m_productShowView)
        m_productShowView->reloadData();
    if (post) {
        Value info = Value::dictionary();
        info.set("ChangeTab", Value(changeTab));
        NSNotificationCenter::defaultCenter().postNotificationName("reloadlibrarycatalog", Value(), info, self);
    }
}

bool LibraryDetailController::isFavorite(const corvelle_library_files_Entity& file) const
{
    return DataAccessManager::sharedDataModel()->getLibraryFavoriteByFavoriteId(file.file_id) != nullptr;
}

bool LibraryDetailController::isInFilesIDS(const corvelle_library_files_Entity& file) const
{
    return contains(m_libFilesArrayIDS, file.file_id);
}

void LibraryDetailController::filterAndSortArray()
{
    auto data = DataAccessManager::sharedDataModel();
    if (!m_isSearching) {
        switch (m_sortType) {
        case 1:
            m_searchResultArray = data->getAllLibFilesOrderByDate();
            break;
        case 2:
            m_searchResultArray = data->getAllLibFilesOrderByType();
            break;
        default:
            m_searchResultArray = data->getAllLibFiles();
            break;
        }
    }
    // Each file's favourite mark is read once per rebuild.
    std::unordered_map<int, bool> favourites;
    auto favourite = [&](const corvelle_library_files_Entity& f) {
        auto found = favourites.find(f.file_id);
        if (found == favourites.end())
            found = favourites.emplace(f.file_id, isFavorite(f)).first;
        return found->second;
    };
    if (m_sortType == 0) {
        // Favourites, then new files, then pending updates, then the rest; each group keeps its order.
        FileList groups[4];
        for (const auto& f : m_searchResultArray) {
            if (!f)
                continue;
            const int group = favourite(*f) ? 0 : f->isNew != 0 ? 1 : isInFilesIDS(*f) ? 2 : 3;
            groups[group].push_back(f);
        }
        m_searchResultArray.clear();
        for (auto& g : groups)
            m_searchResultArray.insert(m_searchResultArray.end(), g.begin(), g.end());
    }
    m_libfilesArray = m_searchResultArray;
    auto m = manager();
    if (m_libraryTab == 1) {
        std::erase_if(m_libfilesArray, [&](const FileRef& f) {
            return !(m->isExists(f->file_id) || m->isInDownloadList(f->file_name) || m->isInPauseList(f->file_name));
        });
    }
    m_catalogDisplayFileArray = m_libfilesArray;
    if (m_selectedCategory != -1)
        std::erase_if(
            m_libfilesArray, [&](const FileRef& f) { return !fileIsInCategoryCategoryID(*f, m_selectedCategory); });
    auto filter = [&](FileList& list) {
        if (m_showOnlyNewFiles)
            std::erase_if(list, [](const FileRef& f) { return f->isNew == 0; });
        else if (m_showOnlyMarkedFiles)
            std::erase_if(list, [&](const FileRef& f) { return !favourite(*f); });
        else if (!m_showCollectionInLibrary)
            std::erase_if(list, [&](const FileRef& f) { return m->isExists(f->file_id); });
    };
    filter(m_libfilesArray);
    filter(m_catalogDisplayFileArray);
}

bool LibraryDetailController::fileIsInCategoryCategoryID(
    const corvelle_library_files_Entity& file, int categoryId) const
{
    if (file.category == categoryId)
        return true;
    auto data = DataAccessManager::sharedDataModel();
    // The server's parent links may form a loop; each category is visited once.
    std::set<int> visited { file.category };
    int current = file.category;
    while (true) {
        const int parent = data->getLibParentCategoryIDByCategoryID(current);
        if (parent == 0 || !visited.insert(parent).second)
            return false;
        if (parent == categoryId)
            return true;
        current = parent;
    }
}

// ------------------------------------------------------------------ grid

NSUInteger LibraryDetailController::numberOfItemsInGridView(GridView&) { return m_libfilesArray.size(); }

std::optional<CGSize> LibraryDetailController::portraitGridCellSizeForGridView(GridView&)
{
    return CGSizeMake(200, 300);
}

std::shared_ptr<GridViewCell> LibraryDetailController::gridViewCellForItemAtIndex(GridView& gridView, NSUInteger index)
{
    auto cell = LibraryCoverFilling::coverCell(gridView);
    if (index >= m_libfilesArray.size())
        return cell;
    const FileRef& f = m_libfilesArray[index];
    auto m = manager();
    LibraryCoverFilling::showFile(*cell, f, fileCanBeUpdated(*f), m->isExists(f->file_id));
    LibraryCoverFilling::showTransfer(*cell, *m, *f, m->isInDownloadList(f->file_name));
    cell->deleteButton()->setHidden(!m_isEditing);
    cell->setShaking(m_showCellShaking);
    cell->markImageView()->setImage(isFavorite(*f) ? UIImage::imageNamed("btn-favAdded") : nullptr);
    cell->setDetailDelegate(std::static_pointer_cast<LibraryDetailCellDelegate>(protect<LibraryDetailController>()));
    cell->setCellIndex(static_cast<long>(index));
    return cell;
}

// ----------------------------------------------------------------- cells

void LibraryDetailController::didSelectedCellCellIndex(const FileRef& file, long cellIndex)
{
    if (!file)
        return;
    auto self = protect<LibraryDetailController>();
    auto m = manager();
    const bool editing = m_libraryTab == 1 && m_isEditing;
    if (m->isInDownloadList(file->file_name)) {
        pauseDownload(file);
        updateBtnDownlaodOrUpdate();
    } else if (m->isInPauseList(file->file_name)) {
        selectedFileToDownload(file);
        reloadDataWithPostNotiChangeTab(true, false);
        updateBtnDownlaodOrUpdate();
    } else if (fileCanBeUpdated(*file)) {
        if (!editing)
            selectFileToUpdateWithIndex(cellIndex);
    } else if (m->isExists(file->file_id)) {
        if (!editing)
            openOnDevice(file);
    } else {
        selectShowInfo(file);
    }
    if (m_productShowView) {
        m_productShowView->deselectItemAtIndexAnimated(static_cast<NSUInteger>(cellIndex), false);
        m_productShowView->reloadData();
    }
}

void LibraryDetailController::openOnDevice(const FileRef& file)
{
    auto data = DataAccessManager::sharedDataModel();
    if (file->isNew) {
        file->isNew = 0;
        // The mark only badges the file as new; unstored, the badge comes back, nothing more.
        (void)data->saveLibraryFileToDatabase(file);
    }
    selectDownloadedFileType(file->file_name, data->getFileTypeByFileName(file->file_name));
}

void LibraryDetailController::didSelectedInfoButton(const FileRef& file) { selectShowInfo(file); }

void LibraryDetailController::selectShowInfo(const FileRef& file)
{
    if (!file)
        return;
    auto self = protect<LibraryDetailController>();
    LibraryFileActions::presentDetails(*this, file, std::static_pointer_cast<FileDescripionDelegate>(self),
        m_libraryTab == 1 || manager()->isExists(file->file_id));
}

void LibraryDetailController::actionButtonPressed(const FileRef& file)
{
    if (!file)
        return;
    auto self = protect<LibraryDetailController>();
    if (!manager()->isExists(file->file_id)) {
        selectedFileToDownload(file);
        reloadDataWithPostNotiChangeTab(true, false);
        updateBtnDownlaodOrUpdate();
    } else if (fileCanBeUpdated(*file)) {
        if (auto index = LibraryFileActions::indexOfFile(m_libfilesArray, file->file_id))
            selectFileToUpdateWithIndex(*index);
    } else {
        openOnDevice(file);
    }
}

void LibraryDetailController::descriptionViewDeleteButtonPressed(const FileRef& file)
{
    std::weak_ptr<LibraryDetailController> weak = protect<LibraryDetailController>();
    PerformRequests::performAfterDelay(
        this, "didSelectedDeleteButton:",
        [weak, file] {
            if (auto s = weak.lock())
                s->didSelectedDeleteButton(file);
        },
        0.5);
}

void LibraryDetailController::markButtonPressed()
{
    reloadDataWithPostNotiChangeTab(false, false);
    updateBtnDownlaodOrUpdate();
}

std::shared_ptr<UINavigationController> LibraryDetailController::rootNavigation()
{
    return std::dynamic_pointer_cast<UINavigationController>(LibraryFileViewers::rootViewControllerOf(*this));
}

void LibraryDetailController::selectDownloadedFileType(
    const std::optional<std::string>& fileName, const std::optional<std::string>& type)
{
    auto self = protect<LibraryDetailController>();
    LibraryFileViewers::From from { *this, rootNavigation(), std::static_pointer_cast<PdfViewControllerDelegate>(self),
        std::static_pointer_cast<UIDocumentInteractionControllerDelegate>(self) };
    from.previewFirst = true;
    if (auto refusal = m_viewers.open(from, fileName, type))
        showAlert(text("NOTIFICATION"), text(*refusal), { text("OK") }, kTagOK);
}

void LibraryDetailController::dismissReaderViewController(PdfViewController&)
{
    if (auto navigation = rootNavigation())
        navigation->popViewControllerAnimated(true);
}

void LibraryDetailController::documentInteractionControllerDidEndPreview(UIDocumentInteractionController&)
{
    m_viewers.dropDocumentController();
}

void LibraryDetailController::stopViewVideo(const NSNotification&) { m_viewers.closeVideo(); }

void LibraryDetailController::didSelectedDeleteButton(const FileRef& file)
{
    if (!file)
        return;
    auto self = protect<LibraryDetailController>();
    auto data = DataAccessManager::sharedDataModel();
    std::optional<std::string> name = file->file_name;
    std::optional<std::string> type = file->type;
    if (fileCanBeUpdated(*file)) {
        if (auto update = data->getLibFileUpdateByFileID(file->file_id)) {
            name = update->oldFileName;
            type = update->oldFileType;
        }
        data->deleteFileUpdateWithFileID(file->file_id);
    }
    auto& files = NSFileManager::defaultManager();
    // A name from the server that could leave its folder is never made into a path.
    const std::string path = LibraryText::isSafeName(name)
        ? PublicFunction::filePathWithNameFiletype(*name, LibraryText::typeCodeOf(type))
        : std::string();
    if (!path.empty() && files.fileExistsAtPath(path)) {
        files.removeItemAtPath(path);
        if (isFavorite(*file))
            data->deleteLibraryFavoriteByFavoriteId(file->file_id);
    } else {
        manager()->cancelDownloadFile(file->file_name);
    }
    manager()->removeExistsFiles(file->file_id);
    reloadDataWithPostNotiChangeTab(true, false);
    updateBtnDownlaodOrUpdate();
}

// ------------------------------------------------------------- edit mode

void LibraryDetailController::didCellLongPressed()
{
    if (m_libraryTab != 1 || m_isEditing)
        return;
    auto self = protect<LibraryDetailController>();
    auto window = view()->window();
    if (!window)
        return;
    std::weak_ptr<LibraryDetailController> weak = self;
    m_tapGesture = std::make_shared<UITapGestureRecognizer>([weak](UIGestureRecognizer& r) {
        if (auto s = weak.lock())
            s->handleSingleTap(r);
    });
    m_tapGesture->setCancelsTouchesInView(false);
    m_tapGesture->setDelegate(std::static_pointer_cast<UIGestureRecognizerDelegate>(self));
    window->addGestureRecognizer(m_tapGesture);
    m_isEditing = true;
    m_showCellShaking = true;
    reloadDataWithPostNotiChangeTab(false, false);
    for (const auto& cell : m_productShowView->visibleCells()) {
        if (auto background = cell->backgroundView())
            background->setBackgroundColor(UIColor::clearColor());
    }
}

bool LibraryDetailController::gestureRecognizerShouldReceiveTouch(UIGestureRecognizer&, UITouch& touch)
{
    if (!m_productShowView)
        return true;
    for (const auto& cell : m_productShowView->visibleCells()) {
        const CGPoint p = touch.locationInView(cell);
        if (CGRectContainsPoint(cell->bounds(), p))
            return false;
    }
    return true;
}

void LibraryDetailController::handleSingleTap(UIGestureRecognizer& recognizer)
{
    if (m_libraryTab != 1 || recognizer.state() != UIGestureRecognizerStateRecognized)
        return;
    auto self = protect<LibraryDetailController>();
    m_isEditing = false;
    m_showCellShaking = false;
    if (m_productShowView)
        m_productShowView->reloadData();
    if (m_tapGesture) {
        if (auto v = m_tapGesture->view())
            v->removeGestureRecognizer(m_tapGesture);
        m_tapGesture.reset();
    }
}

void LibraryDetailController::willEnterBackground()
{
    if (!m_isEditing)
        return;
    m_showCellShaking = false;
    if (m_productShowView)
        m_productShowView->reloadData();
}

void LibraryDetailController::willEnterForeground()
{
    if (!m_isEditing)
        return;
    m_showCellShaking = true;
    if (m_productShowView)
        m_productShowView->reloadData();
}

void LibraryDetailController::panMove(UIGestureRecognizer& recognizer)
{
    auto* pan = dynamic_cast<UIPanGestureRecognizer*>(&recognizer);
    if (!pan)
        return;
    const auto state = recognizer.state();
    if ((state == UIGestureRecognizerStateBegan || state == UIGestureRecognizerStateChanged) && m_panDistance > -100
        && m_panDistance < 100) {
        m_panDistance += static_cast<float>(pan->translationInView(view().get()).x);
        return;
    }
    if (m_panDistance > 100) {
        m_masterHide = false;
        NSNotificationCenter::defaultCenter().postNotificationName("ShowLibraryMasterView");
    } else if (m_panDistance < -100) {
        m_masterHide = true;
        NSNotificationCenter::defaultCenter().postNotificationName("HideLibraryMasterView");
    }
    m_panDistance = 0;
}

// ----------------------------------------------------- menus and search

void LibraryDetailController::orderingDidSelectedSelectedIndex(OrderingController& controller, unsigned selectedIndex)
{
    auto self = protect<LibraryDetailController>();
    if (&controller == m_orderController.get()) {
        if (selectedIndex < 4)
            m_sortType = kSortTypeOfEntry[selectedIndex];
        if (m_isSearching && m_searchBar)
            searchBarTextDidChange(*m_searchBar, m_searchBar->text());
        reloadDataWithPostNotiChangeTab(false, false);
        return;
    }
    if (&controller == m_filterController.get()) {
        m_showOnlyNewFiles = selectedIndex == 1;
        m_showOnlyMarkedFiles = selectedIndex == 2;
        m_showCollectionInLibrary = selectedIndex != 3;
        reloadDataWithPostNotiChangeTab(true, false);
        updateBtnDownlaodOrUpdate();
    }
}

void LibraryDetailController::searchBarTextDidChange(UISearchBar&, const std::string& searchText)
{
    auto self = protect<LibraryDetailController>();
    if (searchText.empty()) {
        m_isSearching = false;
        m_selectedRow = 0;
        m_selectedCategory = -1;
    } else {
        m_isSearching = true;
    }
    const char* order = m_sortType == 2 ? "type desc" : m_sortType == 1 ? "date desc" : "title";
    m_searchResultArray
        = DataAccessManager::sharedDataModel()->getLibFilesBysearchNameOrderBy(searchText, std::string(order));
    reloadDataWithPostNotiChangeTab(true, false);
    updateBtnDownlaodOrUpdate();
}

void LibraryDetailController::searchBarTextDidBeginEditing(UISearchBar& searchBar)
{
    if (!searchBar.text().empty())
        return;
    auto self = protect<LibraryDetailController>();
    m_isSearching = true;
    m_selectedCategory = -1;
    m_selectedRow = 0;
    reloadDataWithPostNotiChangeTab(true, false);
    updateBtnDownlaodOrUpdate();
}

void LibraryDetailController::displayCatalog(const NSNotification& notification)
{
    // Only the category tree posts this, with itself as the sender.
    if (!notification.sender)
        return;
    auto tree = std::static_pointer_cast<LibraryCatalogController>(notification.sender);
    if (tree->tabIndex() != m_libraryTab)
        return;
    auto self = protect<LibraryDetailController>();
    m_selectedRow = static_cast<int>(tree->m_selectRow());
    m_selectedCategory = static_cast<int>(tree->clickIndex());
    reloadDataWithPostNotiChangeTab(true, false);
    updateBtnDownlaodOrUpdate();
}

// ------------------------------------------------------------- downloads

bool LibraryDetailController::fileCanBeDownloaded(const corvelle_library_files_Entity& file) const
{
    auto m = manager();
    return (!m->isExists(file.file_id) && !m->isInDownloadList(file.file_name)) || m->isInPauseList(file.file_name);
}

bool LibraryDetailController::fileCanBeUpdated(const corvelle_library_files_Entity& file) const
{
    return isInFilesIDS(file) && manager()->isExists(file.file_id);
}

double LibraryDetailController::getFileSize(const corvelle_library_files_Entity& file)
{
    const std::string info = file.infoShow();
    const auto slash = info.find('/');
    if (slash == std::string::npos)
        return 0;
    std::string size = info.substr(slash + 1);
    size = size.substr(0, size.find('/'));
    if (auto m = size.find(" M"); m != std::string::npos)
        size.erase(m, 2);
    return NSString::doubleValue(size);
}

int LibraryDetailController::getNumberOfAllFilesToDownload() const
{
    return static_cast<int>(std::count_if(
        m_libfilesArray.begin(), m_libfilesArray.end(), [&](const FileRef& f) { return fileCanBeDownloaded(*f); }));
}

int LibraryDetailController::getNumberOfAllFilesToUpdate() const
{
    return static_cast<int>(std::count_if(
        m_libfilesArray.begin(), m_libfilesArray.end(), [&](const FileRef& f) { return fileCanBeUpdated(*f); }));
}

double LibraryDetailController::sizeOfFiles(
    bool (LibraryDetailController::*counts)(const corvelle_library_files_Entity&) const) const
{
    double total = 0;
    for (const auto& f : m_libfilesArray) {
        if ((this->*counts)(*f))
            total += getFileSize(*f);
    }
    // The question never names less than one megabyte.
    return std::max(total, 1.0);
}

double LibraryDetailController::getSizeOfAllFilesToDownload() const
{
    return sizeOfFiles(&LibraryDetailController::fileCanBeDownloaded);
}

double LibraryDetailController::getSizeOfAllFilesToUpdate() const
{
    return sizeOfFiles(&LibraryDetailController::fileCanBeUpdated);
}

bool LibraryDetailController::noDownloadingFile() const { return manager()->downloadFileNameArray().empty(); }

bool LibraryDetailController::noPausedDownloadingFile() const { return manager()->pauseFileArray().empty(); }

void LibraryDetailController::showAlert(
    const std::string& title, const std::string& message, const std::vector<std::string>& buttons, long tag)
{
    std::vector<std::string> others(buttons.begin() + 1, buttons.end());
    auto alert = std::make_shared<UIAlertView>(title, message,
        std::static_pointer_cast<UIAlertViewDelegate>(protect<LibraryDetailController>()), buttons.front(), others);
    alert->setTag(tag);
    alert->show();
    if (tag == kTagCancelDownloads) {
        m_alertCancel = alert;
        m_alertCancelIsShow = true;
    }
}

void LibraryDetailController::sendDownload(const FileRef& file, const std::optional<std::string>& type)
{
    LibraryFileActions::requestDownload(
        *file, type, std::static_pointer_cast<NetworkRecDelegate>(protect<LibraryDetailController>()));
}

void LibraryDetailController::selectedFileToDownload(const FileRef& file)
{
    if (!file)
        return;
    auto session = LoginMode::sharedInstance();
    if (session->loginType() == LoginMode::kLoginTypeOffline) {
        showAlert(text("NOTIFICATION"), text("999"), { text("OK") }, kTagOK);
        return;
    }
    if (session->isNotWifi()) {
        m_downloadFile = file;
        showAlert(text("NOTIFICATION"), text("WIFIALERT"), { text("OK"), text("CANCEL") }, kTagWifiSingle);
        return;
    }
    sendDownload(file, DataAccessManager::sharedDataModel()->getFileTypeByFileName(file->file_name));
}

void LibraryDetailController::pauseDownload(const FileRef& file)
{
    if (file)
        manager()->pauseDownloadFile(file->file_name);
}

void LibraryDetailController::selectFileToUpdateWithIndex(long index)
{
    LibraryFileActions::askToUpdate(
        std::static_pointer_cast<UIAlertViewDelegate>(protect<LibraryDetailController>()), index);
}

std::string LibraryDetailController::allFilesMessage(int count, double size) const
{
    if (count == 1)
        return stringWithFormat(text("SINGLEFILENUMBERANDSIZE"), size);
    return stringWithFormat(text("FILENUMBERANDSIZE"), count, size);
}

void LibraryDetailController::downloadAll()
{
    auto self = protect<LibraryDetailController>();
    if (m_libraryTab == 1) {
        showAlert(text("UPDATEALLFILES"), allFilesMessage(getNumberOfAllFilesToUpdate(), getSizeOfAllFilesToUpdate()),
            { text("CANCEL"), text("UPDATE") }, kTagUpdateAll);
        return;
    }
    if (m_isBtnCancel) {
        showAlert(text("CANCELDOWNLOADS"), std::string(), { text("STR_NO"), text("STR_YES") }, kTagCancelDownloads);
        return;
    }
    showAlert(text("DOWNLOADALLFILES"), allFilesMessage(getNumberOfAllFilesToDownload(), getSizeOfAllFilesToDownload()),
        { text("CANCEL"), text("DOWNLOAD") }, kTagDownloadAll);
}

void LibraryDetailController::downloadAllFiles()
{
    auto session = LoginMode::sharedInstance();
    if (session->loginType() == LoginMode::kLoginTypeOffline) {
        showAlert(text("NOTIFICATION"), text("999"), { text("OK") }, kTagOK);
        return;
    }
    if (session->isNotWifi()) {
        showAlert(text("NOTIFICATION"), text("WIFIALERT"), { text("OK"), text("CANCEL") }, kTagWifiAll);
        return;
    }
    setBtnStatusToCancel(true);
    startDownloadAll();
}

void LibraryDetailController::startDownloadAll()
{
    auto self = protect<LibraryDetailController>();
    const FileList files = m_libfilesArray;
    for (const auto& f : files) {
        if (fileCanBeDownloaded(*f))
            sendDownload(f, f->type);
    }
    reloadDataWithPostNotiChangeTab(true, false);
}

void LibraryDetailController::updateAllFiles()
{
    auto self = protect<LibraryDetailController>();
    const FileList files = m_libfilesArray;
    for (const auto& f : files) {
        // A file whose new version is already on its way is not asked for twice.
        if (fileCanBeUpdated(*f) && !manager()->isInDownloadList(f->file_name))
            selectedFileToDownload(f);
    }
    reloadDataWithPostNotiChangeTab(true, false);
    if (m_btnDownloadAll)
        m_btnDownloadAll->setHidden(true);
}

void LibraryDetailController::cancelAllDownloads()
{
    auto self = protect<LibraryDetailController>();
    const FileList files = m_libfilesArray;
    for (const auto& f : files) {
        if (!fileCanBeUpdated(*f))
            manager()->cancelDownloadFile(f->file_name);
    }
    setBtnStatusToCancel(false);
    reloadDataWithPostNotiChangeTab(true, false);
}

void LibraryDetailController::setBtnStatusToCancel(bool cancel)
{
    m_isBtnCancel = cancel;
    if (!m_btnDownloadAll)
        return;
    const char* image = cancel ? "icon_cancel.png" : m_libraryTab == 1 ? "icon_update.png" : "icon_download.png";
    m_btnDownloadAll->setImageForState(UIImage::imageNamed(image), UIControlStateNormal);
}

void LibraryDetailController::updateBtnDownlaodOrUpdate()
{
    if (m_libraryTab == 1)
        updateBtnUpdateAll();
    else
        updateBtnDownloadAll();
}

void LibraryDetailController::updateBtnDownloadAll()
{
    if (!m_btnDownloadAll)
        return;
    if (m_selectedCategory != -1) {
        m_btnDownloadAll->setHidden(true);
        return;
    }
    if (noDownloadingFile() && noPausedDownloadingFile() && m_isBtnCancel) {
        setBtnStatusToCancel(false);
        m_alreadyShowDownloadError = false;
        if (m_alertCancel && m_alertCancelIsShow) {
            auto prompt = m_alertCancel;
            // Taken away without an answer.
            prompt->setDelegate({});
            prompt->dismissWithClickedButtonIndexAnimated(0, true);
        }
        m_alertCancel.reset();
        m_alertCancelIsShow = false;
    }
    if (m_isBtnCancel) {
        m_btnDownloadAll->setHidden(false);
        return;
    }
    const bool any = std::any_of(
        m_libfilesArray.begin(), m_libfilesArray.end(), [&](const FileRef& f) { return fileCanBeDownloaded(*f); });
    m_btnDownloadAll->setHidden(!any);
}

void LibraryDetailController::updateBtnUpdateAll()
{
    if (!m_btnDownloadAll)
        return;
    m_btnDownloadAll->setHidden(true);
    if (m_selectedCategory != -1)
        return;
    const bool any = std::any_of(
        m_libfilesArray.begin(), m_libfilesArray.end(), [&](const FileRef& f) { return fileCanBeUpdated(*f); });
    m_btnDownloadAll->setHidden(!any);
}

void LibraryDetailController::alertViewClickedButtonAtIndex(UIAlertView& alertView, long buttonIndex)
{
    auto self = protect<LibraryDetailController>();
    if (LibraryFileActions::isUpdateQuestion(alertView)) {
        const auto answer = LibraryFileActions::updateAnswer(alertView, buttonIndex, m_libfilesArray);
        if (answer && answer->fetch) {
            // The pending-update record stays until the new version has arrived,
            // so a failed update leaves the old copy reachable.
            selectedFileToDownload(answer->file);
            reloadDataWithPostNotiChangeTab(true, false);
            updateBtnDownlaodOrUpdate();
        } else if (answer && answer->onDevice) {
            selectDownloadedFileType(answer->onDevice->oldFileName, answer->onDevice->oldFileType);
        }
        return;
    }
    switch (alertView.tag()) {
    case kTagOK:
        NSLog("failed");
        break;
    case kTagDownloadAll:
        if (buttonIndex == 1)
            downloadAllFiles();
        break;
    case kTagUpdateAll:
        if (buttonIndex == 1)
            updateAllFiles();
        break;
    case kTagWifiSingle:
        if (buttonIndex == 0 && m_downloadFile)
            sendDownload(
                m_downloadFile, DataAccessManager::sharedDataModel()->getFileTypeByFileName(m_downloadFile->file_name));
        break;
    case kTagWifiAll:
        if (buttonIndex == 0) {
            setBtnStatusToCancel(true);
            startDownloadAll();
        }
        break;
    case kTagCancelDownloads:
        m_alertCancel.reset();
        m_alertCancelIsShow = false;
        if (buttonIndex == 1)
            cancelAllDownloads();
        break;
    default:
        break;
    }
}

// --------------------------------------------------------------- replies

void LibraryDetailController::ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& reply)
{
    if (!reply)
        return;
    auto self = protect<LibraryDetailController>();
    switch (reply->cmdCode) {
    case 0x301: {
        auto download = std::dynamic_pointer_cast<DownloadRst>(reply);
        const std::string name = download && download->fileName ? *download->fileName : std::string();
        NSLog("the download file is %@", name);
        if (isSuccess(*reply)) {
            downloadFileFinish(name);
            return;
        }
        if (!(m_isBtnCancel && m_alreadyShowDownloadError)) {
            if (m_isBtnCancel)
                m_alreadyShowDownloadError = true;
            showAlert(text("NOTIFICATION"), reply->message.value_or(std::string()), { text("OK") }, kTagOK);
        }
        reloadDataWithPostNotiChangeTab(true, false);
        updateBtnDownlaodOrUpdate();
        break;
    }
    case 0x207:
        if (isSuccess(*reply))
            NSLog("request download finish success!");
        break;
    case 0x102: {
        auto session = LoginMode::sharedInstance();
        auto login = std::dynamic_pointer_cast<LoginRst>(reply);
        if (login && isSuccess(*login)) {
            session->setLoginType(LoginMode::kLoginTypeOnline);
            // The new session's id goes with the refresh, as after any sign-in.
            session->setSessionId(login->sessionId);
            if (LoginMode::isUsableClientId(login->clientId))
                session->setClientID(login->clientId);
            requestSyncFileTable();
        } else {
            session->setLoginType(reply->status == std::optional<std::string>("999") ? LoginMode::kLoginTypeOffline
                                                                                     : LoginMode::kLoginTypeNone);
        }
        break;
    }
    case 0x203:
        getFileSyncTablesFinished(reply);
        break;
    case 0x205:
        SyncModel::sharedInstance()->setIsDownloading(false);
        break;
    default:
        break;
    }
}

void LibraryDetailController::downloadFileFinish(const std::string&)
{
    reloadDataWithPostNotiChangeTab(true, false);
    updateBtnDownlaodOrUpdate();
}

void LibraryDetailController::ReciveDownloadPercent(const std::shared_ptr<DownLoadRequestInfo>& info)
{
    if (!info)
        return;
    NSLog("the filename is %@,the percent is %f", info->fileName.value_or(std::string()), info->downloadPercent);
    dataDownloadAtPercent(*info);
}

void LibraryDetailController::dataDownloadAtPercent(const DownLoadRequestInfo& info)
{
    if (m_productShowView)
        LibraryCoverFilling::showPercent(*m_productShowView, m_libfilesArray, info);
}

// -------------------------------------------------- the file-table refresh

void LibraryDetailController::checkFileStatus()
{
    const int type = LoginMode::sharedInstance()->loginType();
    if (type == LoginMode::kLoginTypeOnline)
        requestSyncFileTable();
    else if (type != LoginMode::kLoginTypeNone)
        requestLogin();
}

void LibraryDetailController::requestLogin()
{
    auto session = LoginMode::sharedInstance();
    auto message = std::make_shared<RequestLogin>();
    if (auto info = session->loginInfo()) {
        message->userName = info->accountId;
        message->passWord = info->passWord;
        message->clientID = info->clientId;
        message->deviceID = info->deviceId;
    }
    message->setReceiveDelegete(std::static_pointer_cast<NetworkRecDelegate>(protect<LibraryDetailController>()));
    NetworkModel::sharedInstance()->sendRequest(message);
}

void LibraryDetailController::requestSyncFileTable()
{
    auto sync = SyncModel::sharedInstance();
    if (sync->isDownloading())
        return;
    auto message = std::make_shared<RequestSyncFileTable>();
    message->isFull = "false";
    message->setReceiveDelegete(std::static_pointer_cast<NetworkRecDelegate>(protect<LibraryDetailController>()));
    const int tag = NetworkModel::sharedInstance()->sendRequest(message);
    NSLog("the rst is %d", tag);
    sync->setIsDownloading(true);
}

void LibraryDetailController::getFileSyncTablesFinished(const std::shared_ptr<NetBaseRst>& reply)
{
    auto data = DataAccessManager::sharedDataModel();
    std::map<int, FileRef> noted;
    for (const auto& f : data->getAllLibFiles())
        noted[f->file_id] = f;
    auto sync = SyncModel::sharedInstance();
    sync->setIsDownloading(false);
    auto tables = std::dynamic_pointer_cast<SyncFileTableRst>(reply);
    if (!tables || !isSuccess(*tables))
        return;
    auto listOf = [](const auto& records) {
        using T = typename std::decay_t<decltype(records)>::value_type;
        EntityList<T> list;
        for (const auto& r : records)
            list.push_back(std::make_shared<T>(r));
        return OptionalEntityList<T>(list);
    };
    if (!data->saveToDatabaseLibraryFiles(listOf(tables->libFileTable)))
        NSLog("Error on Icon sync!");
    if (!data->saveToDatabaseLibraryCategory(listOf(tables->libCategoryTable)))
        NSLog("Error on libraryCategory sync!");
    for (const std::string& idText : tables->libFileUpdateTable) {
        const int id = NSString::intValue(idText);
        auto now = data->getFilesByFileId(id);
        auto before = noted.find(id);
        if (!now || before == noted.end() || !manager()->isExists(id))
            continue;
        // An old name that could leave its folder is never kept to be opened or deleted later.
        if (now->file_name == before->second->file_name || !LibraryText::isSafeName(before->second->file_name))
            continue;
        auto update = std::make_shared<corvelle_library_files_update_Entity>();
        update->fileID = id;
        update->oldFileName = before->second->file_name;
        update->oldFileType = before->second->type;
        if (!data->saveToDatabaseLibraryUpdate(update))
            NSLog("noting the renamed file %d failed", id);
    }
    auto app = CorvelleAppDelegate::sharedAppDelegate();
    if (app && app->EditStatus())
        NSNotificationCenter::defaultCenter().postNotificationName("addDeleteFileBtn");
    if (!tables->libFileTable.empty() || !tables->libCategoryTable.empty()) {
        auto finish = std::make_shared<RequestSyncDataFinish>();
        finish->tableType = "file";
        finish->setReceiveDelegete(std::static_pointer_cast<NetworkRecDelegate>(protect<LibraryDetailController>()));
        const int tag = NetworkModel::sharedInstance()->sendRequest(finish);
        NSLog("the request is %d", tag);
        sync->setIsDownloading(true);
    } else {
        sync->setIsDownloading(false);
    }
}
