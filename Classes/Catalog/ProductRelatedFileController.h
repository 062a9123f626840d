#pragma once

// The documents of one product as a full-screen pop-up grid of book covers:
// the library files linked to the product, each downloaded, paused, resumed,
// updated or opened in its viewer by a tap, with the library's details sheet
// behind a file not yet on the device. The product detail pushes it on the
// window's root stack and closes it when its Close button asks. From its first
// load until it goes it hears every library download and its progress from
// the download manager, and the video player's "stopViewVideo".
//
// A file's state is asked afresh of the download manager at each grid reload;
// only the list of pending updates is read when the view is built, and again
// after a download has arrived (the manager then drops the file's update).

#include "Classes/Frame/GridView.h"
#include "Classes/Frame/PopBaseController.h"
#include "Classes/Library/FileDescriptionViewController.h"
#include "Classes/Library/LibraryDetailCellDelegate.h"
#include "Classes/Library/LibraryFileViewers.h"
#include "Classes/Library/PdfViewController.h"
#include "Network/Protocol/RequestInterfaceBase.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIDocumentInteractionController.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct NSNotification;
class UINavigationController;
class VideoViewController;
struct corvelle_library_files_Entity;

class ProductRelatedFileController : public PopBaseController,
                                     public GridViewDataSource,
                                     public GridViewDelegate,
                                     public LibraryDetailCellDelegate,
                                     public FileDescripionDelegate,
                                     public NetworkRecDelegate,
                                     public PdfViewControllerDelegate,
                                     public UIDocumentInteractionControllerDelegate,
                                     public UIAlertViewDelegate {
public:
    using FileRef = std::shared_ptr<corvelle_library_files_Entity>;
    using FileList = std::vector<FileRef>;

    static constexpr long kNoticeTag = 1001;

    ProductRelatedFileController();
    ~ProductRelatedFileController() override;

    void viewDidLoad() override;
    void viewAfterFirstDidLoad() override;
    void viewDidUnload() override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;
    using PopBaseController::updateLanguage;

    const FileList& libfilesArray() const { return m_libfilesArray; }
    void setLibfilesArray(FileList files) { m_libfilesArray = std::move(files); }
    const std::vector<int>& libFilesArrayIDS() const { return m_libFilesArrayIDS; }
    const std::shared_ptr<GridView>& libraryFileScrollView() const { return m_libraryFileScrollView; }
    const std::shared_ptr<VideoViewController>& videoviewcontroller() const { return m_viewers.video(); }
    const std::shared_ptr<UIViewController>& pptViewController() const { return m_viewers.officeViewer(); }
    const std::shared_ptr<UIDocumentInteractionController>& documentController() const
    {
        return m_viewers.documentController();
    }

    bool isInFilesIDS(const corvelle_library_files_Entity& file) const;

    // Grid.
    NSUInteger numberOfItemsInGridView(GridView& gridView) override;
    std::shared_ptr<GridViewCell> gridViewCellForItemAtIndex(GridView& gridView, NSUInteger index) override;
    std::optional<CGSize> portraitGridCellSizeForGridView(GridView& gridView) override;

    // Covers.
    void didSelectedCellCellIndex(const FileRef& file, long cellIndex) override;
    void didSelectedInfoButton(const FileRef& file) override;

    // The details sheet; its delete button is hidden here.
    void actionButtonPressed(const FileRef& file) override;
    void markButtonPressed() override;
    void descriptionViewDeleteButtonPressed(const FileRef&) override { }
    bool respondsToDescriptionViewDeleteButtonPressed() const override { return false; }

    void selectShowInfo(const FileRef& file);
    void selectDownloadedFileType(const std::optional<std::string>& fileName, const std::optional<std::string>& type);
    void selectedFileToDownload(const FileRef& file);
    void pauseDownload(const FileRef& file);
    void selectFileToUpdateWithIndex(long index);
    void alertViewClickedButtonAtIndex(UIAlertView& alertView, long buttonIndex) override;

    // The download manager.
    void ReciveHttpRespondInfo(const std::shared_ptr<NetBaseRst>& reply) override;
    void ReciveDownloadPercent(const std::shared_ptr<DownLoadRequestInfo>& info) override;
    void dataDownloadAtPercent(const DownLoadRequestInfo& info);
    void downloadFileFinish(const std::string& fileName);

    void dismissReaderViewController(PdfViewController& viewController) override;
    void stopViewVideo(const NSNotification& notification);

private:
    void reloadGrid();
    void showNotice(const std::string& messageKeyOrText, bool isKey);
    std::shared_ptr<UINavigationController> rootNavigation();

    FileList m_libfilesArray;
    std::vector<int> m_libFilesArrayIDS;
    std::shared_ptr<GridView> m_libraryFileScrollView;
    LibraryFileViewers m_viewers;
};
