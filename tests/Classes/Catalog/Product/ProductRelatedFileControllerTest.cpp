// A product's documents as a person meets them: opened from the product
// detail, their covers in each state, a download started from the details
// sheet, paused, resumed and opened, an update taken or declined, each viewer,
// and a download that fails, on the fake front door and once over the real
// transport against the company server.
//
// The oak chair (CH-01) has four linked library files; three are published:
//   11 "Assembly guide" assembly.pdf  not on the device
//   12 "Care video"     care.mp4      on the device, a favourite, new
//   13 "Spec sheet"     spec.xlsx     its old version spec_v1.xlsx on the device, an update waits
//   15 "Old flyer"      flyer.pdf     not published
// The pine desk (DK-02) has "Desk manual"; the brass lamp (LM-03) has none.

#include "Classes/Library/Files/LibraryRoad.h"
#include "Classes/Frame/Language.h"
#include "ProductSeed.h"
#include "TestDesktop.h"

#include "Classes/Catalog/ProductDetailController.h"
#include "Classes/Catalog/ProductRelatedFileController.h"
#include "Classes/Library/FileDescriptionViewController.h"
#include "Classes/Library/LibraryDetailCell.h"
#include "Classes/Library/PPTLoadingViewController.h"
#include "Classes/Library/PdfMainToolbar.h"
#include "Classes/Library/PdfViewController.h"
#include "Classes/Library/VideoViewController.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIActionSheet.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIProgressView.h"

#include <gtest/gtest.h>

namespace {

bool shows(const std::shared_ptr<UIImageView>& view, const char* name)
{
    return view->image() && view->image() == UIImage::imageNamed(name);
}

template <class Base> class RelatedDocumentsOn : public Base {
protected:
    void SetUp() override
    {
        Base::SetUp();
        ProductSeed::product(1, "CH-01", "Oak chair");
        ProductSeed::product(2, "DK-02", "Pine desk");
        ProductSeed::product(3, "LM-03", "Brass lamp");
        this->addFiles({ { 11, "Assembly guide", "assembly.pdf", "PDF", 0, 0, "PDF/1 M" },
            { 12, "Care video", "care.mp4", "VEDIO", 0, 1, "MP4/12 M,1:30" },
            { 13, "Spec sheet", "spec.xlsx", "EXCEL", 0, 0, "XLSX/0.1 M" }, { 14, "Desk manual", "desk.pdf" },
            { 15, "Old flyer", "flyer.pdf" } });
        auto db = ProductSeed::db();
        ASSERT_TRUE(db->executeUpdate("UPDATE corvelle_library_files SET published = 0 WHERE id = 15"));
        for (const auto& [file, sku] : std::vector<std::pair<int, std::string>> {
                 { 11, "CH-01" }, { 12, "CH-01" }, { 13, "CH-01" }, { 15, "CH-01" }, { 14, "DK-02" } })
            ASSERT_TRUE(db->executeUpdate(
                "INSERT INTO corvelle_product_related_file(file_id, product_sku) VALUES(?, ?)", file, sku));
        this->putOnDisk("care.mp4", "VEDIO");
        this->putOnDisk("spec_v1.xlsx", "EXCEL", "old version");
        this->addPendingUpdate(13, "spec_v1.xlsx", "EXCEL");
        ASSERT_TRUE(
            DataAccessManager::sharedDataModel()->saveToDatabaseLibraryFavoriteName(12, std::string("care.mp4")));
        this->manager()->loadExistsFiles();
    }

    void TearDown() override
    {
        screen.reset();
        detail.reset();
        navigation.reset();
        Base::TearDown();
    }

    // The product detail of `productId` on a navigation stack in the window.
    void openDetail(int productId)
    {
        detail = std::make_shared<ProductDetailController>();
        detail->setProductEntity(DataAccessManager::sharedDataModel()->getProductByProductId(productId));
        detail->setProductID(productId);
        detail->setProductCount(1);
        detail->setLblTitle(std::make_shared<UILabel>(CGRectMake(0, 0, 400, 30)));
        navigation = UINavigationController::withRootViewController(std::make_shared<UIViewController>());
        this->showRoot(navigation);
        navigation->pushViewControllerAnimated(detail, false);
        this->driver->settle();
    }

    // The detail's related-files button, tapped.
    void openDocuments(int productId = 1)
    {
        openDetail(productId);
        ASSERT_FALSE(detail->relatedFileBtn()->isHidden());
        this->driver->tap(detail->relatedFileBtn());
        this->driver->settle();
        this->driver->advance(0.5);
        screen = std::dynamic_pointer_cast<ProductRelatedFileController>(navigation->topViewController());
        ASSERT_TRUE(screen);
    }

    std::vector<std::string> shownTitles() const
    {
        std::vector<std::string> titles;
        for (const auto& f : screen->libfilesArray())
            titles.push_back(f->title.value_or(""));
        return titles;
    }

    std::shared_ptr<LibraryDetailCell> cellOf(const std::string& title) const
    {
        const auto& files = screen->libfilesArray();
        for (size_t i = 0; i < files.size(); ++i) {
            if (files[i]->title == title)
                return std::dynamic_pointer_cast<LibraryDetailCell>(
                    screen->libraryFileScrollView()->cellForItemAtIndex(i));
        }
        return nullptr;
    }

    void tapCover(const std::string& title)
    {
        auto cell = cellOf(title);
        ASSERT_TRUE(cell) << title;
        this->driver->tap(cell->fileImageView());
        this->driver->settle();
    }

    std::shared_ptr<FileDescriptionViewController> sheet() const
    {
        return std::dynamic_pointer_cast<FileDescriptionViewController>(screen->presentedViewController());
    }

    std::string alertMessage() const
    {
        auto alert = this->driver->visibleAlert();
        return alert ? alert->message() : "<no alert>";
    }

    std::shared_ptr<ProductDetailController> detail;
    std::shared_ptr<UINavigationController> navigation;
    std::shared_ptr<ProductRelatedFileController> screen;
};

using RelatedDocuments = RelatedDocumentsOn<LibraryFixture>;
using RelatedDocumentsRoad = RelatedDocumentsOn<LibraryRoad>;

}  // namespace

TEST_F(RelatedDocuments, TheDetailOpensThePublishedDocumentsOfItsProductAsCovers)
{
    openDetail(3);
    EXPECT_TRUE(detail->relatedFileBtn()->isHidden());

    openDocuments(1);
    EXPECT_EQ(shownTitles(), (std::vector<std::string> { "Assembly guide", "Care video", "Spec sheet" }));
    ASSERT_TRUE(driver->findLabel(text("RELATEDMATERIALS")));
    auto grid = screen->libraryFileScrollView();
    EXPECT_TRUE(CGRectEqualToRect(grid->frame(), CGRectMake(0, 55, 1024, 638)));
    EXPECT_EQ(grid->leftContentInset(), 15);
    EXPECT_EQ(grid->rightContentInset(), 15);
    const auto slot = screen->portraitGridCellSizeForGridView(*grid);
    ASSERT_TRUE(slot);
    EXPECT_EQ(slot->width, 246);
    EXPECT_EQ(slot->height, 319);
    // One row of three covers, left to right.
    auto a = cellOf("Assembly guide"), b = cellOf("Care video"), c = cellOf("Spec sheet");
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a->frame().origin.y, c->frame().origin.y);
    EXPECT_LT(a->frame().origin.x, b->frame().origin.x);
    EXPECT_LT(b->frame().origin.x, c->frame().origin.x);

    const struct {
        const char* title;
        const char* book;
        const char* ribbon;  // nullptr: none
        bool info;
        CGFloat titleWidth;
        bool mark;
        const char* format;
    } cases[] = {
        { "Assembly guide", "book", nullptr, false, 140, false, "PDF" },
        // Brought by the latest synchronisation: the library's new mark.
        { "Care video", "book_i", "ribbon_new_en.png", true, 105, true, "MP4" },
        { "Spec sheet", "book_i", "ribbon_update_en.png", true, 105, false, "XLSX" },
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.title);
        auto cell = cellOf(k.title);
        EXPECT_TRUE(shows(cell->backGroundImageView(), k.book));
        if (k.ribbon)
            EXPECT_TRUE(shows(cell->ribbonView(), k.ribbon));
        else
            EXPECT_FALSE(cell->ribbonView()->image());
        EXPECT_EQ(!cell->infoButton()->isHidden(), k.info);
        EXPECT_EQ(cell->titleLabel()->frame().size.width, k.titleWidth);
        EXPECT_EQ(cell->titleLabel()->text(), k.title);
        EXPECT_EQ(cell->formatLabel()->text(), k.format);
        EXPECT_EQ(cell->markImageView()->image() != nullptr, k.mark);
        EXPECT_TRUE(cell->pauseView()->isHidden());
        EXPECT_TRUE(cell->progressView()->isHidden());
        EXPECT_TRUE(cell->deleteButton()->isHidden());
    }
    driver->renderToPNG(UIDriver::snapshotPath("product_related_documents.png"));

    driver->tap(screen->btnClose());
    driver->settle();
    driver->advance(0.5);
    EXPECT_EQ(navigation->topViewController(), detail);
}

TEST_F(RelatedDocuments, ADocumentIsFetchedFromItsSheetPausedResumedAndOpenedInTheReader)
{
    openDocuments();
    tapCover("Assembly guide");
    auto info = sheet();
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->delButton()->isHidden());
    auto place = info->view()->superview() ? info->view()->superview()->frame() : info->view()->frame();
    EXPECT_TRUE(CGRectEqualToRect(place, CGRectMake(220, 150, 619, 450)));
    EXPECT_EQ(info->actionButton()->titleForState(UIControlStateNormal), text("DOWNLOAD"));
    driver->tap(info->actionButton());
    driver->advance(0.5);
    EXPECT_FALSE(screen->presentedViewController());
    auto sent = frontDoor->messagesFor(0x301);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].fileName, "assembly.pdf");
    auto cell = cellOf("Assembly guide");
    EXPECT_FALSE(cell->pauseView()->isHidden());
    EXPECT_TRUE(shows(cell->pauseView(), "book_download"));
    EXPECT_EQ(cell->downloadingLabel()->text(), text("DOWNLOADING"));

    auto progress = std::make_shared<DownLoadRequestInfo>();
    progress->fileName = "assembly.pdf";
    progress->downloadPercent = 0.4f;
    manager()->ReciveDownloadPercent(progress);
    EXPECT_FLOAT_EQ(cellOf("Assembly guide")->progressView()->progress(), 0.4f);

    tapCover("Assembly guide");
    EXPECT_TRUE(manager()->isInPauseList("assembly.pdf"));
    cell = cellOf("Assembly guide");
    EXPECT_TRUE(shows(cell->pauseView(), "book_paused"));
    EXPECT_EQ(cell->downloadingLabel()->text(), text("PAUSED"));
    EXPECT_FLOAT_EQ(cell->progressView()->progress(), 0.4f);
    EXPECT_FALSE(screen->presentedViewController());

    tapCover("Assembly guide");
    EXPECT_TRUE(manager()->isInDownloadList("assembly.pdf"));
    ASSERT_EQ(frontDoor->messagesFor(0x301).size(), 2u);

    putOnDisk("assembly.pdf", "PDF", onePagePdf());
    answerDownload("assembly.pdf", "200");
    driver->settle();
    cell = cellOf("Assembly guide");
    EXPECT_TRUE(cell->pauseView()->isHidden());
    EXPECT_TRUE(shows(cell->backGroundImageView(), "book_i"));
    EXPECT_FALSE(cell->infoButton()->isHidden());

    tapCover("Assembly guide");
    driver->advance(1);
    auto reader = std::dynamic_pointer_cast<PdfViewController>(navigation->topViewController());
    ASSERT_TRUE(reader);
    driver->tap(reader->mainToolbar()->backButton());
    driver->settle();
    driver->advance(1);
    EXPECT_EQ(navigation->topViewController(), screen);
}

TEST_F(RelatedDocuments, AFailedOrRefusedDownloadIsToldAndLosesNothing)
{
    openDocuments();
    tapCover("Assembly guide");
    driver->tap(sheet()->actionButton());
    driver->advance(0.5);
    answerDownload("assembly.pdf", "999");
    driver->settle();
    // The reply's own text, and dismissing it changes nothing.
    ASSERT_TRUE(driver->visibleAlert());
    EXPECT_EQ(driver->visibleAlert()->title(), text("NOTIFICATION"));
    EXPECT_EQ(alertMessage(), text("DOWNLOADERROR"));
    ASSERT_TRUE(driver->tapAlertButton(text("OK")));
    driver->settle();
    EXPECT_FALSE(driver->visibleAlert());
    EXPECT_FALSE(manager()->isInDownloadList("assembly.pdf"));
    EXPECT_FALSE(onDisk("assembly.pdf", "PDF"));
    EXPECT_EQ(frontDoor->messagesFor(0x301).size(), 1u);
    // At the next reload the cover is back to a file to fetch, and can be fetched again.
    tapCover("Assembly guide");
    ASSERT_TRUE(sheet());
    EXPECT_TRUE(shows(cellOf("Assembly guide")->backGroundImageView(), "book"));
    driver->tap(sheet()->actionButton());
    driver->advance(0.5);
    EXPECT_EQ(frontDoor->messagesFor(0x301).size(), 2u);

    // Offline nothing is asked for; the notice says why.
    LoginMode::sharedInstance()->setLoginType(LoginMode::kLoginTypeOffline);
    tapCover("Spec sheet");
    ASSERT_TRUE(driver->tapAlertButton(text("UPDATE")));
    EXPECT_EQ(alertMessage(), text("999"));
    driver->tapAlertButton(text("OK"));
    EXPECT_EQ(frontDoor->messagesFor(0x301).size(), 2u);
    EXPECT_TRUE(DataAccessManager::sharedDataModel()->getLibFileUpdateByFileID(13));
}

TEST_F(RelatedDocuments, AnUpdateKeepsTheOldCopyInReachUntilTheNewVersionHasArrived)
{
    openDocuments();
    // Declined: the old copy opens under its old name in the office viewer.
    tapCover("Spec sheet");
    EXPECT_EQ(alertMessage(), text("HASUPDATE"));
    ASSERT_TRUE(driver->tapAlertButton(text("CANCEL")));
    driver->advance(1);
    auto preview = std::dynamic_pointer_cast<PPTLoadingViewController>(navigation->topViewController());
    ASSERT_TRUE(preview);
    EXPECT_EQ(preview->filePath(), pathOf("spec_v1.xlsx", "EXCEL"));
    EXPECT_TRUE(frontDoor->messagesFor(0x301).empty());
    navigation->popViewControllerAnimated(false);
    driver->settle();

    for (const char* outcome : { "999", "200" }) {
        SCOPED_TRACE(outcome);
        tapCover("Spec sheet");
        ASSERT_TRUE(driver->tapAlertButton(text("UPDATE")));
        ASSERT_TRUE(manager()->isInDownloadList("spec.xlsx"));
        EXPECT_EQ(frontDoor->messagesFor(0x301).back().fileName, "spec.xlsx");
        EXPECT_TRUE(DataAccessManager::sharedDataModel()->getLibFileUpdateByFileID(13));
        if (std::string(outcome) == "200")
            putOnDisk("spec.xlsx", "EXCEL", "new version");
        answerDownload("spec.xlsx", outcome);
        driver->settle();
        if (std::string(outcome) == "999") {
            driver->tapAlertButton(text("OK"));
            EXPECT_TRUE(DataAccessManager::sharedDataModel()->getLibFileUpdateByFileID(13));
            EXPECT_TRUE(shows(cellOf("Spec sheet")->ribbonView(), "ribbon_update_en.png"));
            // Still the old copy behind "CANCEL".
            tapCover("Spec sheet");
            ASSERT_TRUE(driver->tapAlertButton(text("CANCEL")));
            driver->advance(1);
            preview = std::dynamic_pointer_cast<PPTLoadingViewController>(navigation->topViewController());
            ASSERT_TRUE(preview);
            EXPECT_EQ(preview->filePath(), pathOf("spec_v1.xlsx", "EXCEL"));
            navigation->popViewControllerAnimated(false);
            driver->settle();
        } else {
            EXPECT_FALSE(DataAccessManager::sharedDataModel()->getLibFileUpdateByFileID(13));
            EXPECT_FALSE(cellOf("Spec sheet")->ribbonView()->image());
            // The new version opens straight away.
            tapCover("Spec sheet");
            EXPECT_FALSE(driver->visibleAlert());
            driver->advance(1);
            preview = std::dynamic_pointer_cast<PPTLoadingViewController>(navigation->topViewController());
            ASSERT_TRUE(preview);
            EXPECT_EQ(preview->filePath(), pathOf("spec.xlsx", "EXCEL"));
        }
    }
}

TEST_F(RelatedDocuments, EachKindOfDocumentOpensInItsViewerOrSaysWhyNot)
{
    openDocuments();
    // A video plays over the window's root screen until the player closes.
    tapCover("Care video");
    ASSERT_TRUE(screen->videoviewcontroller());
    EXPECT_EQ(screen->videoviewcontroller()->view()->superview(), navigation->view());
    NSNotificationCenter::defaultCenter().postNotificationName(kStopViewVideoNotification);
    EXPECT_FALSE(screen->videoviewcontroller());

    // A PDF that is not one.
    putOnDisk("assembly.pdf", "PDF", "not a PDF");
    manager()->loadExistsFiles();
    tapCover("Assembly guide");
    EXPECT_EQ(alertMessage(), text("THEFILEISCORRUPTED"));
    driver->tapAlertButton(text("OK"));
    EXPECT_EQ(navigation->topViewController(), screen);

    // Another kind goes to another application, or is refused when none takes it.
    ASSERT_TRUE(ProductSeed::db()->executeUpdate(
        "UPDATE corvelle_library_files SET file_name = 'assembly.key', type = 'KEYNOTE' WHERE id = 11"));
    putOnDisk("assembly.key", "KEYNOTE", "slides");
    manager()->loadExistsFiles();
    screen->setLibfilesArray(DataAccessManager::sharedDataModel()->getProductRelatedFilesByProductId(1));
    screen->libraryFileScrollView()->reloadData();
    driver->settle();
    tapCover("Assembly guide");
    EXPECT_EQ(alertMessage(), text("PLEASEDOWNLOADKEYNOTE"));
    driver->tapAlertButton(text("OK"));
    EXPECT_FALSE(screen->documentController());

    // An application of the desktop registered for the file's type takes it.
    const std::string keyType
        = UIDocumentInteractionController::interactionControllerWithURL("file://" + pathOf("assembly.key", "KEYNOTE"))
              ->contentType();
    ScopedTestApplication slides({ keyType });
    ASSERT_TRUE(slides.installed()) << slides.error();
    tapCover("Assembly guide");
    ASSERT_TRUE(screen->documentController());
    auto menu = screen->documentController()->menu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->buttonTitleAtIndex(0), ScopedTestApplication::kName);
    driver->tap(menu->buttonAtIndex(0));
    EXPECT_EQ(slides.waitForArguments(1), (std::vector<std::string> { pathOf("assembly.key", "KEYNOTE") }));
}

TEST_F(RelatedDocuments, FavouritingInTheSheetMarksTheCoverAtOnce)
{
    openDocuments();
    tapCover("Assembly guide");
    ASSERT_TRUE(sheet());
    driver->tap(sheet()->favButton());
    EXPECT_TRUE(cellOf("Assembly guide")->markImageView()->image());
    driver->tap(sheet()->favButton());
    EXPECT_FALSE(cellOf("Assembly guide")->markImageView()->image());
}

TEST_F(RelatedDocumentsRoad, ADocumentComesWholeFromTheServerAndOpens)
{
    const std::string pdf = onePagePdf();
    server.addFile("ACME", "library/pdf", "assembly.pdf", pdf);
    openDocuments();
    tapCover("Assembly guide");
    ASSERT_TRUE(sheet());
    driver->tap(sheet()->actionButton());
    driver->advance(0.5);
    ASSERT_TRUE(pumpMainRunLoopUntil([&] { return manager()->isExists(11); }, 20));
    drainMainRunLoop();
    EXPECT_EQ(readFile(pathOf("assembly.pdf", "PDF")), pdf);
    auto cell = cellOf("Assembly guide");
    EXPECT_TRUE(cell->pauseView()->isHidden());
    EXPECT_TRUE(shows(cell->backGroundImageView(), "book_i"));

    tapCover("Assembly guide");
    driver->advance(1);
    EXPECT_TRUE(std::dynamic_pointer_cast<PdfViewController>(navigation->topViewController()));
}
