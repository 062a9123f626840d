#include "LibraryScreen.h"

#include "Classes/Frame/BrowserTab.h"
#include "Classes/Frame/BrowserTabView.h"
#include "Classes/Frame/OrderingController.h"
#include "Classes/Library/FileDescriptionViewController.h"
#include "Classes/Library/PPTLoadingViewController.h"
#include "Classes/Library/PdfViewController.h"
#include "Classes/Library/VideoViewController.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/CoreGraphics/CGBitmapContext.h"
#include "Platform/UIKit/DocumentPreviewController.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIWebView.h"
#include "Platform/UIKit/UISearchBar.h"
#include "Platform/UIKit/UITextView.h"
#include "Platform/UIKit/UIViewContrastCheck.h"

#include <gtest/gtest.h>

using LibraryDetail = LibraryScreen;

TEST_F(LibraryDetail, TheDefaultSortListsFavouritesThenNewThenUpdatedThenTheRestOnce)
{
    // A favourite that is also new and has an update waits is listed once, among the favourites.
    auto catalogue = DataAccessManager::sharedDataModel()->getFilesByFileId(1);
    catalogue->isNew = 1;
    ASSERT_TRUE(DataAccessManager::sharedDataModel()->saveLibraryFileToDatabase(catalogue));
    addPendingUpdate(1, "catalogue_v1.pdf", "PDF");
    showLibrary();
    EXPECT_EQ(shownTitles(),
        (std::vector<std::string> { "Catalogue", "Price list", "Order form", "Loose notes", "Showroom tour" }));
}

TEST_F(LibraryDetail, EachFileShowsItsStateOnItsBook)
{
    manager()->sendRequest([] {
        auto m = std::make_shared<RequestDownload>();
        m->fileId = 5;
        m->imgType = 9;
        m->progressType = 1;
        m->fileNameList = { "notes.key" };
        return m;
    }());
    manager()->ReciveDownloadPercent([] {
        auto p = std::make_shared<DownLoadRequestInfo>();
        p->fileName = "notes.key";
        p->downloadPercent = 0.3f;
        return p;
    }());
    showLibrary();
    const struct {
        const char* title;
        const char* book;
        const char* ribbon;  // nullptr: none
        bool info;
        CGFloat titleWidth;
        const char* overlay;  // nullptr: hidden
        bool mark;
    } cases[] = {
        { "Catalogue", "book_i", nullptr, true, 105, nullptr, true },
        { "Price list", "book", "ribbon_new_en.png", false, 140, nullptr, false },
        { "Order form", "book_i", "ribbon_update_en.png", true, 105, nullptr, false },
        { "Loose notes", "book", nullptr, false, 140, "book_download", false },
        { "Showroom tour", "book_i", nullptr, true, 105, nullptr, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        auto cell = cellOf(c.title);
        ASSERT_TRUE(cell);
        EXPECT_TRUE(shows(cell->backGroundImageView(), c.book));
        if (c.ribbon)
            EXPECT_TRUE(shows(cell->ribbonView(), c.ribbon));
        else
            EXPECT_FALSE(cell->ribbonView()->image());
        EXPECT_EQ(!cell->infoButton()->isHidden(), c.info);
        EXPECT_EQ(cell->titleLabel()->frame().size.width, c.titleWidth);
        EXPECT_EQ(cell->titleLabel()->text(), c.title);
        EXPECT_EQ(!cell->pauseView()->isHidden(), c.overlay != nullptr);
        EXPECT_EQ(!cell->progressView()->isHidden(), c.overlay != nullptr);
        if (c.overlay) {
            EXPECT_TRUE(shows(cell->pauseView(), c.overlay));
            EXPECT_EQ(cell->downloadingLabel()->text(), text("DOWNLOADING"));
            EXPECT_FLOAT_EQ(cell->progressView()->progress(), 0.3f);
        }
        EXPECT_EQ(cell->markImageView()->image() != nullptr, c.mark);
        EXPECT_TRUE(cell->deleteButton()->isHidden());
    }
    EXPECT_EQ(cellOf("Showroom tour")->formatLabel()->text(), "MP4");
}

TEST_F(LibraryDetail, EachFilesTitleAndFormatReadOnItsBook)
{
    // The format was light grey on the book's pale band, 1.8 to 1.
    showLibrary();
    for (const char* title : { "Catalogue", "Price list", "Order form", "Showroom tour" }) {
        SCOPED_TRACE(title);
        auto cell = cellOf(title);
        ASSERT_TRUE(cell);
        ASSERT_FALSE(cell->formatLabel()->text().empty());
        for (const auto& defect : UIViewFindContrastDefects(*cell))
            ADD_FAILURE() << UIViewContrastDefectDescription(defect);
    }
}
namespace {

std::shared_ptr<FileDescriptionViewController> sheetOf(const std::shared_ptr<LibraryDetailController>& grid)
{
    return std::dynamic_pointer_cast<FileDescriptionViewController>(grid->presentedViewController());
}

}  // namespace

TEST_F(LibraryDetail, ADownloadIsStartedFromTheSheetPausedAndResumedByTapsAndShowsWhenWhole)
{
    showLibrary();
    tapFile("Price list");
    auto sheet = sheetOf(grid());
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->actionButton()->titleForState(UIControlStateNormal), text("DOWNLOAD"));
    EXPECT_TRUE(sheet->delButton()->isHidden());
    appDriver->tap(sheet->actionButton());
    appDriver->advance(0.5);
    EXPECT_FALSE(grid()->presentedViewController());
    auto sent = frontDoor->messagesFor(0x301);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].fileName, "pricelist.pdf");
    EXPECT_EQ(cellOf("Price list")->downloadingLabel()->text(), text("DOWNLOADING"));

    // Progress moves the bar without rebuilding the list.
    auto progress = std::make_shared<DownLoadRequestInfo>();
    progress->fileName = "pricelist.pdf";
    progress->downloadPercent = 0.6f;
    manager()->ReciveDownloadPercent(progress);
    EXPECT_FLOAT_EQ(cellOf("Price list")->progressView()->progress(), 0.6f);

    tapFile("Price list");
    EXPECT_TRUE(manager()->isInPauseList("pricelist.pdf"));
    EXPECT_EQ(cellOf("Price list")->downloadingLabel()->text(), text("PAUSED"));
    EXPECT_FLOAT_EQ(cellOf("Price list")->progressView()->progress(), 0.6f);
    EXPECT_FALSE(grid()->presentedViewController());

    tapFile("Price list");
    EXPECT_TRUE(manager()->isInDownloadList("pricelist.pdf"));
    ASSERT_EQ(frontDoor->messagesFor(0x301).size(), 2u);

    putOnDisk("pricelist.pdf", "PDF", onePagePdf());
    answerDownload("pricelist.pdf", "200");
    appDriver->settle();
    auto cell = cellOf("Price list");
    EXPECT_TRUE(cell->pauseView()->isHidden());
    EXPECT_TRUE(shows(cell->backGroundImageView(), "book_i"));
    EXPECT_FALSE(cell->infoButton()->isHidden());

    // Opened now, and no longer new.
    tapFile("Price list");
    appDriver->advance(1);
    auto root = std::dynamic_pointer_cast<UINavigationController>(app->window()->rootViewController());
    ASSERT_TRUE(root);
    EXPECT_TRUE(std::dynamic_pointer_cast<PdfViewController>(root->topViewController()));
    EXPECT_EQ(DataAccessManager::sharedDataModel()->getFilesByFileId(2)->isNew, 0);
}

TEST_F(LibraryDetail, FilesOnTheDeviceOpenInTheirViewerOrSayWhyNot)
{
    putOnDisk("notes.key", "KEYNOTE");
    manager()->loadExistsFiles();
    showLibrary();
    auto root = std::dynamic_pointer_cast<UINavigationController>(app->window()->rootViewController());
    ASSERT_TRUE(root);

    tapFile("Catalogue");  // not a PDF inside
    ASSERT_TRUE(appDriver->visibleAlert());
    EXPECT_EQ(appDriver->visibleAlert()->message(), text("THEFILEISCORRUPTED"));
    appDriver->tapAlertButton(text("OK"));

    tapFile("Loose notes");  // no application takes it
    ASSERT_TRUE(appDriver->visibleAlert());
    EXPECT_EQ(appDriver->visibleAlert()->message(), text("PLEASEDOWNLOADKEYNOTE"));
    appDriver->tapAlertButton(text("OK"));

    tapFile("Showroom tour");
    ASSERT_TRUE(grid()->videoviewcontroller());
    EXPECT_EQ(grid()->videoviewcontroller()->view()->superview(), root->view());
    NSNotificationCenter::defaultCenter().postNotificationName(kStopViewVideoNotification);
    EXPECT_FALSE(grid()->videoviewcontroller());

    // The office file has an update waiting: asked first; "CANCEL" opens the version on the device.
    tapFile("Order form");
    ASSERT_TRUE(appDriver->visibleAlert());
    EXPECT_EQ(appDriver->visibleAlert()->message(), text("HASUPDATE"));
    appDriver->tapAlertButton(text("CANCEL"));
    appDriver->advance(1);
    auto preview = std::dynamic_pointer_cast<PPTLoadingViewController>(root->topViewController());
    ASSERT_TRUE(preview);
    EXPECT_EQ(preview->filePath(), pathOf("orderform_v1.docx", "WORD"));
    EXPECT_TRUE(frontDoor->messagesFor(0x301).empty());
}

namespace {

// A 300 x 200 picture, red, as PNG bytes.
std::string redPicture()
{
    auto context
        = CGBitmapContextCreate(nullptr, 300, 200, 8, 0, CGColorSpaceCreateDeviceRGB(), kCGImageAlphaPremultipliedLast);
    CGContextSetRGBFillColor(context, 1, 0, 0, 1);
    CGContextFillRect(context, CGRectMake(0, 0, 300, 200));
    auto png = CGImageCreatePNGData(CGBitmapContextCreateImage(context));
    return png ? std::string(png->begin(), png->end()) : std::string();
}

}  // namespace

TEST_F(LibraryDetail, PicturesAndTextArePreviewedBeforeTheOpenInMenuOtherFilesGoStraightToIt)
{
    addFiles({ { 6, "Floor plan", "floorplan.png", "IMAGE", 0, 0, "PNG/0.1 M" },
        { 7, "Visiting hours", "hours.txt", "TEXT", 0, 0, "TXT/0.1 M" },
        { 8, "Broken picture", "broken.png", "IMAGE", 0, 0, "PNG/0.1 M" } });
    putOnDisk("floorplan.png", "IMAGE", redPicture());
    putOnDisk("hours.txt", "TEXT", "The showroom opens on Mondays.");
    putOnDisk("broken.png", "IMAGE", "not a picture");
    putOnDisk("notes.key", "KEYNOTE");
    manager()->loadExistsFiles();
    showLibrary();
    auto root = app->window()->rootViewController();
    ASSERT_TRUE(root);

    struct Case {
        const char* title;
        bool previewed;
    } cases[] = {
        { "Floor plan", true }, { "Visiting hours", true }, { "Broken picture", false },  // does not decode: no preview
        { "Loose notes", false },  // a presentation of another application
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        tapFile(c.title);
        appDriver->advance(1);
        auto preview = std::dynamic_pointer_cast<DocumentPreviewController>(root->presentedViewController());
        EXPECT_EQ(static_cast<bool>(preview), c.previewed);
        // No application takes these files here: after the preview, the open-in attempt says so.
        ASSERT_TRUE(appDriver->visibleAlert());
        EXPECT_EQ(appDriver->visibleAlert()->message(), text("PLEASEDOWNLOADKEYNOTE"));
        appDriver->tapAlertButton(text("OK"));
        appDriver->advance(1);
        if (!preview)
            continue;
        auto shown = preview->previewView()->contentView();
        ASSERT_TRUE(shown);
        if (auto picture = std::dynamic_pointer_cast<UIImageView>(shown)) {
            ASSERT_TRUE(picture->image());
            EXPECT_EQ(picture->image()->size(), CGSizeMake(300, 200));
            EXPECT_TRUE(appDriver->renderToPNG(UIDriver::snapshotPath("library-picture-preview.png")));
        } else {
            auto text = std::dynamic_pointer_cast<UILabel>(shown);
            ASSERT_TRUE(text);
            EXPECT_EQ(text->text(), "The showroom opens on Mondays.");
        }
        ASSERT_TRUE(appDriver->tapButton("Done"));
        appDriver->advance(1);
        EXPECT_FALSE(root->presentedViewController());
    }
}

TEST_F(LibraryDetail, AnUpdateKeepsTheOldCopyUntilTheNewVersionHasArrived)
{
    showLibrary();
    for (const char* outcome : { "999", "200" }) {
        SCOPED_TRACE(outcome);
        tapFile("Order form");
        ASSERT_TRUE(appDriver->tapAlertButton(text("UPDATE")));
        ASSERT_TRUE(manager()->isInDownloadList("orderform.docx"));
        EXPECT_TRUE(DataAccessManager::sharedDataModel()->getLibFileUpdateByFileID(4));
        EXPECT_EQ(cellOf("Order form")->downloadingLabel()->text(), text("DOWNLOADING"));
        if (std::string(outcome) == "200")
            putOnDisk("orderform.docx", "WORD", "new version");
        answerDownload("orderform.docx", outcome);
        appDriver->settle();
        if (std::string(outcome) == "999") {
            // The failure is told, and the old copy is still there to open.
            ASSERT_TRUE(appDriver->visibleAlert());
            appDriver->tapAlertButton(text("OK"));
            EXPECT_TRUE(DataAccessManager::sharedDataModel()->getLibFileUpdateByFileID(4));
            manager()->loadExistsFiles();
            EXPECT_TRUE(manager()->isExists(4));
            EXPECT_TRUE(shows(cellOf("Order form")->ribbonView(), "ribbon_update_en.png"));
        } else {
            EXPECT_FALSE(DataAccessManager::sharedDataModel()->getLibFileUpdateByFileID(4));
            EXPECT_FALSE(cellOf("Order form")->ribbonView()->image());
            EXPECT_TRUE(onDisk("orderform_v1.docx", "WORD"));
        }
    }
}

TEST_F(LibraryDetail, DownloadAllAsksWithCountAndSizeTurnsToCancelAndTellsOneFailure)
{
    showLibrary();
    auto button = grid()->btnDownloadAll();
    ASSERT_FALSE(button->isHidden());
    appDriver->tap(button);
    ASSERT_TRUE(appDriver->visibleAlert());
    EXPECT_EQ(appDriver->visibleAlert()->title(), text("DOWNLOADALLFILES"));
    // Two files of 0.25 M each: the size shown is never below 1.0.
    EXPECT_EQ(appDriver->visibleAlert()->message(), stringWithFormat(text("FILENUMBERANDSIZE"), 2, 1.0));
    appDriver->tapAlertButton(text("DOWNLOAD"));
    EXPECT_TRUE(grid()->isBtnCancel());
    EXPECT_EQ(button->imageForState(UIControlStateNormal), UIImage::imageNamed("icon_cancel.png"));
    ASSERT_EQ(frontDoor->messagesFor(0x301).size(), 2u);

    answerDownload("pricelist.pdf", "999");
    answerDownload("notes.key", "999");
    appDriver->settle();
    ASSERT_TRUE(appDriver->visibleAlert());
    appDriver->tapAlertButton(text("OK"));
    EXPECT_FALSE(appDriver->visibleAlert());
    // Nothing left downloading: the button has its download face again.
    EXPECT_FALSE(grid()->isBtnCancel());

    // With one file left to fetch the question names only its size.
    putOnDisk("notes.key", "KEYNOTE");
    manager()->loadExistsFiles();
    grid()->reloadDataWithPostNotiChangeTab(true, false);
    appDriver->tap(button);
    ASSERT_TRUE(appDriver->visibleAlert());
    EXPECT_EQ(appDriver->visibleAlert()->message(), stringWithFormat(text("SINGLEFILENUMBERANDSIZE"), 1.0));
    appDriver->tapAlertButton(text("CANCEL"));
}

TEST_F(LibraryDetail, OfflineOrWithoutWifiADownloadIsRefusedOrAskedFirst)
{
    showLibrary();
    LoginMode::sharedInstance()->setLoginType(LoginMode::kLoginTypeOffline);
    tapFile("Price list");
    appDriver->tap(sheetOf(grid())->actionButton());
    ASSERT_TRUE(appDriver->visibleAlert());
    EXPECT_EQ(appDriver->visibleAlert()->message(), text("999"));
    appDriver->tapAlertButton(text("OK"));
    EXPECT_TRUE(frontDoor->messagesFor(0x301).empty());

    LoginMode::sharedInstance()->setLoginType(LoginMode::kLoginTypeOnline);
    LoginMode::sharedInstance()->setIsNotWifi(true);
    tapFile("Price list");
    appDriver->tap(sheetOf(grid())->actionButton());
    ASSERT_TRUE(appDriver->visibleAlert());
    EXPECT_EQ(appDriver->visibleAlert()->message(), text("WIFIALERT"));
    appDriver->tapAlertButton(text("OK"));
    ASSERT_EQ(frontDoor->messagesFor(0x301).size(), 1u);
    EXPECT_EQ(frontDoor->messagesFor(0x301)[0].fileName, "pricelist.pdf");
}

TEST_F(LibraryDetail, SearchNarrowsTheGridAndClearingItReturnsToEveryFile)
{
    showLibrary();
    appDriver->tap(grid()->searchBar());
    appDriver->typeText("Price");
    EXPECT_EQ(shownTitles(), std::vector<std::string> { "Price list" });
    for (int i = 0; i < 5; ++i)
        appDriver->pressBackspace();
    EXPECT_EQ(shownTitles().size(), 5u);
    EXPECT_EQ(grid()->selectedCategory(), -1);
    EXPECT_EQ(grid()->selectedRow(), 0);
}

TEST_F(LibraryDetail, TheSheetTogglesTheFavouriteAndDeletesTheFileFromTheDevice)
{
    showLibrary();
    appDriver->tap(cellOf("Catalogue")->infoButton());
    auto sheet = sheetOf(grid());
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->actionButton()->titleForState(UIControlStateNormal), text("OPEN"));
    EXPECT_EQ(sheet->descTextView()->text(), text("NODESCRIPTION"));
    EXPECT_FALSE(sheet->delButton()->isHidden());
    appDriver->tap(sheet->favButton());
    EXPECT_FALSE(DataAccessManager::sharedDataModel()->getLibraryFavoriteByFavoriteId(1));
    EXPECT_FALSE(cellOf("Catalogue")->markImageView()->image());
    appDriver->tap(sheet->favButton());
    EXPECT_TRUE(DataAccessManager::sharedDataModel()->getLibraryFavoriteByFavoriteId(1));

    // A tap inside the sheet leaves it open.
    appDriver->tap(sheet->nameLabel());
    EXPECT_EQ(sheetOf(grid()), sheet);

    appDriver->tap(sheet->delButton());
    appDriver->advance(0.6);
    EXPECT_FALSE(grid()->presentedViewController());
    EXPECT_FALSE(onDisk("catalogue.pdf", "PDF"));
    EXPECT_FALSE(manager()->isExists(1));
    // Deleted from the device, so no longer a favourite.
    EXPECT_FALSE(DataAccessManager::sharedDataModel()->getLibraryFavoriteByFavoriteId(1));
    EXPECT_TRUE(shows(cellOf("Catalogue")->backGroundImageView(), "book"));

    // A tap outside closes the sheet.
    appDriver->tap(cellOf("Showroom tour")->infoButton());
    appDriver->advance(0.5);
    ASSERT_TRUE(sheetOf(grid()));
    appDriver->tapAt(CGPointMake(100, 700));
    appDriver->advance(0.5);
    EXPECT_FALSE(grid()->presentedViewController());
}

TEST_F(LibraryDetail, TheCollectionTabListsWhatIsOnTheDeviceOrComingAndHasAnEditMode)
{
    manager()->sendRequest([] {
        auto m = std::make_shared<RequestDownload>();
        m->fileId = 2;
        m->imgType = 5;
        m->fileNameList = { "pricelist.pdf" };
        return m;
    }());
    showLibrary();
    auto tabs = frame()->tabController()->tabsArray();
    appDriver->tap(tabs[1]);
    ASSERT_EQ(frame()->detailViewsArray().size(), 2u);
    EXPECT_EQ(shownTitles(1), (std::vector<std::string> { "Catalogue", "Price list", "Order form", "Showroom tour" }));
    appDriver->tap(tabs[0]);
    appDriver->tap(tabs[1]);
    EXPECT_EQ(frame()->detailViewsArray().size(), 2u);

    appDriver->longPress(cellOf("Showroom tour", 1)->fileImageView());
    EXPECT_TRUE(grid(1)->isEditing());
    EXPECT_FALSE(cellOf("Showroom tour", 1)->deleteButton()->isHidden());
    EXPECT_TRUE(cellOf("Showroom tour", 1)->shaking());
    // A tap on a book in edit mode opens nothing.
    tapFile("Showroom tour", 1);
    EXPECT_FALSE(grid(1)->videoviewcontroller());

    auto cell = cellOf("Showroom tour", 1);
    appDriver->tapAt(cell->convertPointToView(CGPointMake(10, 10), static_cast<const UIView*>(nullptr)));
    EXPECT_FALSE(onDisk("showroom.mp4", "VEDIO"));
    EXPECT_EQ(shownTitles(1), (std::vector<std::string> { "Catalogue", "Price list", "Order form" }));

    appDriver->tapAt(CGPointMake(600, 30));
    EXPECT_FALSE(grid(1)->isEditing());
    EXPECT_TRUE(cellOf("Catalogue", 1)->deleteButton()->isHidden());
}

TEST_F(LibraryDetail, TheLibraryIsLeftAsAPictureForAPerson)
{
    auto m = std::make_shared<RequestDownload>();
    m->fileId = 2;
    m->imgType = 5;
    m->fileNameList = { "pricelist.pdf" };
    manager()->sendRequest(m);
    auto p = std::make_shared<DownLoadRequestInfo>();
    p->fileName = "pricelist.pdf";
    p->downloadPercent = 0.45f;
    manager()->ReciveDownloadPercent(p);
    showLibrary();
    appDriver->advance(1);
    EXPECT_TRUE(appDriver->renderToPNG(UIDriver::snapshotPath("library-files-in-several-states.png")));
}
