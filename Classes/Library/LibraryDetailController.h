#pragma once

// The right-hand pane of the sales-library tab: a grid of library files under
// a head bar with a search field, a filter menu, a sort menu and a
// download-all button. The frame makes one for the library tab (every
// published file) and one for the collection tab (files on the device,
// downloading or paused). The category tree tells the grid which category to
// show ("display_catalog") and counts from the list the grid hands it
// ("reloadlibrarycatalog"). The displayed list is made afresh from the
// database and the download manager at every reload.
//
// The grid also starts, pauses, resumes, updates and cancels downloads, one
// file or all at once, answers the alerts that guard them, and hears every
// download reply and progress report from the manager while it is on screen.

#include "Classes/Frame/BaseViewController.h"
#include "Classes/Frame/GridView.h"
#include "Classes/Frame/OrderingControllerDelegate.h"
#include "Classes/Library/FileDescriptionViewController.h"
#include "Classes/Library/LibraryDetailCellDelegate.h"
#include "Classes/Library/LibraryFileViewers.h"
#include "Classes/Library/PdfViewController.h"
#include "Network/Protocol/RequestInterfaceBase.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIDocumentInteractionController.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UISearchBar.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class OrderingController;
struct NSNotification;
class UIButton;
class UIImageView;
class UINavigationController;
class VideoViewController;
struct corvelle_library_files_Entity;

class LibraryDetailController : public BaseViewController,
                                public GridViewDataSource,
                                public GridViewDelegate,
                                public LibraryDetailCellDelegate,
                                public FileDescripionDelegate,
                                public PdfViewControllerDelegate,
                                public OrderingControllerDelegate,
                                public UISearchBarDelegate,
                                public UIAlertViewDelegate,
                                public UIGestureRecognizerDelegate,
                                public UIDocumentInteractionControllerDelegate,
                                public NetworkRecDelegate {
public:
    using FileRef = std::shared_ptr<corvelle_library_files_Entity>;
    using FileList = std::vector<FileRef>;

    LibraryDetailController();
    ~LibraryDetailController() override;

    void viewDidLoad() override;
    void viewAfterFirstDidLoad() override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;
    void viewDidUnload() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o) override
    {
        return o == UIInterfaceOrientationLandscapeLeft || o == UIInterfaceOrientationLandscapeRight;
    }
    unsigned supportedInterfaceOrientations() const override { return UIInterfaceOrientationMaskLandscape; }

    int libraryTab() const { return m_libraryTab; }
    void setLibraryTab(int tab) { m_libraryTab = tab; }
    bool masterHide() const { return m_masterHide; }
    void setMasterHide(bool hide) { m_masterHide = hide; }
    int selectedCategory() const { return m_selectedCategory; }
    int selectedRow() const { return m_selectedRow; }
    const FileList& catalogDisplayFileArray() const { return m_catalogDisplayFileArray; }
    const FileList& libfilesArray() const { return m_libfilesArray; }
    int sortType() const { return m_sortType; }
    bool isEditing() const { return m_isEditing; }
    bool isBtnCancel() const { return m_isBtnCancel; }

    const std::shared_ptr<GridView>& productShowView() const { return m_productShowView; }
    const std::shared_ptr<UIView>& headView() const { return m_headView; }
    const std::shared_ptr<UISearchBar>& searchBar() const { return m_searchBar; }
    const std::shared_ptr<UIButton>& btnDownloadAll() const { return m_btnDownloadAll; }
    const std::shared_ptr<OrderingController>& filterController() const { return m_filterController; }
    const std::shared_ptr<OrderingController>& orderController() const { return m_orderController; }
    const std::shared_ptr<VideoViewController>& videoviewcontroller() const { return m_viewers.video(); }
    const std::shared_ptr<UIViewController>& pptViewController() const { return m_viewers.officeViewer(); }
    const std::shared_ptr<UIDocumentInteractionController>& documentController() const
    {
        return m_viewers.documentController();
    }

    // The displayed list.
    void reloadDataWithPostNotiChangeTab(bool post, bool changeTab);
    void filterAndSortArray();
    bool fileIsInCategoryCategoryID(const corvelle_library_files_Entity& file, int categoryId) const;
    bool isInFilesIDS(const corvelle_library_files_Entity& file) const;

    // Grid.
    NSUInteger numberOfItemsInGridView(GridView& gridView) override;
    std::shared_ptr<GridViewCell> gridViewCellForItemAtIndex(GridView& gridView, NSUInteger index) override;
    std::optional<CGSize> portraitGridCellSizeForGridView(GridView& gridView) override;

    // Cells.
    void didSelectedCellCellIndex(const FileRef& file, long cellIndex) override;
    void didSelectedInfoButton(const FileRef& file) override;
    bool respondsToDidSelectedDeleteButton() const override { return true; }
    void didSelectedDeleteButton(const FileRef& file) override;
    bool respondsToDidCellLongPressed() const override { return true; }
    void didCellLongPressed() override;

    // The info sheet.
    bool respondsToActionButtonPressed() const override { return true; }
    void actionButtonPressed(const FileRef& file) override;
    bool respondsToDescriptionViewDeleteButtonPressed() const override { return true; }
    void descriptionViewDeleteButtonPressed(const FileRef& file) override;
    bool respondsToMarkButtonPressed() const override { return true; }
    void markButtonPressed() override;

    void selectShowInfo(const FileRef& file);
    void selectDownloadedFileType(const std::optional<std::string>& fileName, const std::optional<std::string>& type);
    void dismissReaderViewController(PdfViewController& viewController) override;
    void documentInteractionControllerDidEndPreview(UIDocumentInteractionController& controller) override;

    // Menus and search.
    void orderingDidSelectedSelectedIndex(OrderingController& controller, unsigned selectedIndex) override;
    void searchBarTextDidChange(UISearchBar& searchBar, const std::string& searchText) override;
    void searchBarTextDidBeginEditing(UISearchBar& searchBar) override;

    // Edit mode and the panel swipe.
    bool gestureRecognizerShouldReceiveTouch(UIGestureRecognizer& recognizer, UITouch& touch) override;
    void handleSingleTap(UIGestureRecognizer& recognizer);
    void panMove(UIGestureRecognizer& recognizer);
    void willEnterBackground();
    void willEnterForeground();
    void displayCatalog(const NSNotification& notification);
    void stopViewVideo(const NSNotification& notification);

    // Downloads and updates.
    bool fileCanBeDownloaded(const corvelle_library_files_Entity& file) const;
    bool fileCanBeUpdated(const corvelle_library_files_Entity& file) const;
    static double getFileSize(const corvelle_library_files_Entity& file);
    int getNumberOfAllFilesToDownload() const;
    int getNumberOfAllFilesToUpdate() const;
    double getSizeOfAllFilesToDownload() const;
    double getSizeOfAllFilesToUpdate() const;
    bool noDownloadingFile() const;
    bool noPausedDownloadingFile() const;

    void selectedFileToDownload(const FileRef& file);
    void pauseDownload(const FileRef& file);
    void selectFileToUpdateWithIndex(long index);
    void downloadAll();
    void downloadAllFiles();
    void startDownloadAll();
    void updateAllFiles();
    void cancelAllDownloads();
    void setBtnStatusToCancel(bool cancel);
    void updateBtnDownlaodOrUpdate();
    void updateBtnDownloadAll();
    void updateBtnUpdateAll();
    void alertViewClickedButtonAtIndex(UIAlertView& alertView, long buttonIndex) override;

    void ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& reply) override;
    void ReciveDownloadPercent(const std::shared_ptr<DownLoadRequestInfo>& info) override;
    void dataDownloadAtPercent(const DownLoadRequestInfo& info);
    void downloadFileFinish(const std::string& fileName);

    // Bringing the library tables up to date from the server.
    void checkFileStatus();
    void requestLogin();
    void requestSyncFileTable();
    void getFileSyncTablesFinished(const std::shared_ptr<NetBaseRst>& reply);

private:
    void sendDownload(const FileRef& file, const std::optional<std::string>& type);
    void openOnDevice(const FileRef& file);
    void showAlert(
        const std::string& title, const std::string& message, const std::vector<std::string>& buttons, long tag);
    std::shared_ptr<UINavigationController> rootNavigation();
    bool isFavorite(const corvelle_library_files_Entity& file) const;
    std::string allFilesMessage(int count, double size) const;
    // The megabytes of the shown files that `counts` accepts.
    double sizeOfFiles(bool (LibraryDetailController::*counts)(const corvelle_library_files_Entity&) const) const;

    std::shared_ptr<GridView> m_productShowView;
    FileList m_libfilesArray;
    std::vector<int> m_libFilesArrayIDS;
    LibraryFileViewers m_viewers;
    bool m_masterHide = false;
    float m_panDistance = 0;
    std::shared_ptr<UISearchBar> m_searchBar;
    std::shared_ptr<UIView> m_headView;
    int m_libraryTab = 0;
    int m_sortType = 0;
    FileList m_searchResultArray;
    FileList m_catalogDisplayFileArray;
    bool m_showOnlyNewFiles = false;
    bool m_showOnlyMarkedFiles = false;
    bool m_showCollectionInLibrary = true;
    int m_selectedRow = 0;
    bool m_isEditing = false;
    std::shared_ptr<UITapGestureRecognizer> m_tapGesture;
    bool m_isBtnCancel = false;
    std::shared_ptr<UIAlertView> m_alertCancel;
    bool m_alertCancelIsShow = false;
    bool m_alreadyShowDownloadError = false;
    bool m_showCellShaking = false;
    std::shared_ptr<UIButton> m_btnDownloadAll;
    int m_selectedCategory = -1;
    bool m_isSearching = false;
    std::shared_ptr<OrderingController> m_filterController;
    std::shared_ptr<OrderingController> m_orderController;
    FileRef m_downloadFile;
    std::shared_ptr<UIView> m_shadowView;
};
