// The inventory tab as a person sees it: five titled columns over every
// published product, stock with thousands separators, rows alternately white
// and grey, thumbnails read off the main thread (the bundle's default picture
// when there is none), titles that follow the language, products read again
// on each appearance, and a thumbnail that comes back after its row was
// reused for another product left out. A picture is left for a person.

#include "Classes/Catalog/ProductFavoriteController.h"
#include "ProductFixture.h"

#include "Classes/Catalog/InventoryViewController.h"
#include "Classes/Catalog/MultiColumnTableView.h"
#include "Classes/Catalog/MultiColumnTableViewCell.h"
#include "Classes/Catalog/MultiColumnTableViewContentBackgroundView.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UINavigationController.h"

using namespace ProductSeed;

namespace {

class InventoryViewControllerTest : public ProductFixture {
protected:
    void show()
    {
        screen = std::make_shared<InventoryViewController>();
        navigation = UINavigationController::withRootViewController(screen);
        showRoot(navigation);
        body()->layoutIfNeeded();
    }

    std::shared_ptr<MultiColumnTableViewContentBackgroundView> body() { return screen->tblView()->tblView(); }

    std::shared_ptr<MultiColumnTableViewCell> row(long r)
    {
        body()->scrollToRowAtIndexPathAtScrollPositionAnimated(
            NSIndexPath::indexPathForRowInSection(r, 0), UITableViewScrollPositionTop, false);
        body()->layoutIfNeeded();
        return std::dynamic_pointer_cast<MultiColumnTableViewCell>(
            body()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(r, 0)));
    }

    std::string columnText(long r, long column)
    {
        auto cell = row(r);
        if (!cell)
            return "<no row>";
        auto control = cell->columnCells()[static_cast<size_t>(column)]->subviews().front();
        if (auto button = std::dynamic_pointer_cast<UIButton>(control))
            return button->currentTitle();
        return std::static_pointer_cast<UILabel>(control)->text();
    }

    static std::shared_ptr<UIButton> imageButton(const std::shared_ptr<MultiColumnTableViewCell>& cell)
    {
        return std::static_pointer_cast<UIButton>(cell->columnCells()[1]->subviews().front());
    }

    // The size of the picture a row's image button shows, once one is in.
    static std::optional<CGSize> shownImageSize(const std::shared_ptr<UIButton>& button)
    {
        for (const auto& sub : button->subviews()) {
            if (auto view = std::dynamic_pointer_cast<UIImageView>(sub); view && view->image())
                return view->frame().size;
        }
        return std::nullopt;
    }

    std::shared_ptr<InventoryViewController> screen;
    std::shared_ptr<UINavigationController> navigation;
};

TEST_F(InventoryViewControllerTest, ShowsEveryPublishedProductInFiveTitledColumns)
{
    product(1, "SKU-1", "Oak chair", 1234567, "Solid oak");
    product(2, "SKU-2", "Pine desk", 0, "Pine");
    product(3, "SKU-3", "Hidden stool", 5, "", "", 0);
    product(4, "SKU-4", "Old lamp", -3, "Brass");
    show();

    std::vector<std::string> titles;
    for (const auto& label : screen->labelArray())
        titles.push_back(label->text());
    EXPECT_EQ(titles,
        (std::vector<std::string> {
            text("SKU"), text("IMAGE"), text("PRODUCTNAME"), text("DESCRIPTION"), text("QUANTITY") }));
    EXPECT_EQ(screen->titleLabel()->text(), text("INVENTORY_"));
    EXPECT_TRUE(screen->compareBtn()->isHidden());
    EXPECT_TRUE(screen->favoriteBtn()->isHidden());

    ASSERT_EQ(body()->numberOfRowsInSection(0), 3);
    EXPECT_EQ(body()->rectForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 0)).size.height, 120);
    struct Case {
        long row;
        std::string sku, name, desc, stock;
    };
    const Case cases[] = { { 0, "SKU-1", "Oak chair", "Solid oak", "1,234,567" },
        { 1, "SKU-2", "Pine desk", "Pine", "0" }, { 2, "SKU-4", "Old lamp", "Brass", "0" } };
    for (const auto& c : cases) {
        EXPECT_EQ(columnText(c.row, 0), c.sku);
        EXPECT_EQ(columnText(c.row, 2), c.name);
        EXPECT_EQ(columnText(c.row, 3), c.desc);
        EXPECT_EQ(columnText(c.row, 4), c.stock);
    }
    // Rows alternate white and grey 249.
    EXPECT_EQ(row(0)->contentView()->backgroundColor()->components(), UIColor::whiteColor()->components());
    EXPECT_EQ(row(1)->contentView()->backgroundColor()->components(),
        UIColor::colorWithRedGreenBlueAlpha(249 / 255.0, 249 / 255.0, 249 / 255.0, 1)->components());
    // The columns take 995 points; the third starts after the first two.
    EXPECT_EQ(row(0)->columnCells()[2]->frame().origin.x, 305);

    // Tapping the SKU does nothing.
    driver->tap(std::static_pointer_cast<UIButton>(row(0)->columnCells()[0]->subviews().front()));
    EXPECT_EQ(navigation->viewControllers().size(), 1u);

    // Once shown, the favourites button opens the sheet of the stored favourites.
    ASSERT_TRUE(DataAccessManager::sharedDataModel()->saveToDatabaseFavoriteSkuName(
        2, std::string("SKU-2"), std::string("Pine desk")));
    screen->favoriteBtn()->setHidden(false);
    driver->tap(screen->favoriteBtn());
    driver->advance(1);
    auto sheet = std::dynamic_pointer_cast<ProductFavoriteController>(screen->presentedViewController());
    ASSERT_TRUE(sheet);
    ASSERT_EQ(sheet->favArray().size(), 1u);
    EXPECT_EQ(sheet->favArray()[0]->product_id, 2);
}

TEST_F(InventoryViewControllerTest, AnEmptyCatalogueStillShowsTheTitles)
{
    show();
    EXPECT_EQ(body()->numberOfRowsInSection(0), 0);
    EXPECT_TRUE(driver->findLabel(text("PRODUCTNAME")));
    EXPECT_TRUE(driver->findLabel(text("QUANTITY")));
}

TEST_F(InventoryViewControllerTest, ThumbnailsLoadWithTheDefaultPictureForMissingOnes)
{
    product(1, "A", "With picture");
    image(10, 1, "a-thumb.png", "a-full.png", true);
    imageFile("a-thumb.png", CGSizeMake(40, 30), UIColor::redColor());
    product(2, "B", "No image record");
    product(3, "C", "Missing file");
    image(30, 3, "gone.png", "gone-full.png", true);
    product(4, "D", "Unreadable file");
    image(40, 4, "bad.png", "bad-full.png", true);
    {
        std::filesystem::create_directories(std::filesystem::path(imagePath("bad.png")).parent_path());
        std::ofstream(imagePath("bad.png")) << "not a picture";
    }
    show();
    std::vector<std::shared_ptr<UIButton>> buttons;
    for (long r = 0; r < 4; ++r)
        buttons.push_back(imageButton(row(r)));
    ASSERT_TRUE(pumpMainRunLoopUntil([&] {
        return std::all_of(buttons.begin(), buttons.end(), [](const auto& b) { return shownImageSize(b).has_value(); });
    }));
    EXPECT_EQ(*shownImageSize(buttons[0]), CGSizeMake(40, 30));
    // The bundle's 120 x 150 default, shrunk into the 200 x 120 button.
    for (long r = 1; r < 4; ++r)
        EXPECT_EQ(*shownImageSize(buttons[static_cast<size_t>(r)]), CGSizeMake(96, 120)) << r;
    driver->renderToPNG(UIDriver::snapshotPath("inventory.png"));
}

TEST_F(InventoryViewControllerTest, AThumbnailForAReusedRowIsLeftOut)
{
    imageFile("red.png", CGSizeMake(40, 30), UIColor::redColor());
    for (int id = 1; id <= 40; ++id) {
        product(id, "S" + std::to_string(id), "P" + std::to_string(id));
        if (id <= 8)
            image(100 + id, id, "red.png", "red-full.png", true);
    }
    // Lay the first rows out and scroll far at once, before the loop hands any picture back.
    screen = std::make_shared<InventoryViewController>();
    navigation = UINavigationController::withRootViewController(screen);
    window->setRootViewController(navigation);
    navigation->view()->layoutIfNeeded();
    body()->layoutIfNeeded();
    auto first = body()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 0));
    ASSERT_TRUE(first);
    body()->setContentOffset(CGPointMake(0, 120 * 30));
    body()->layoutIfNeeded();
    auto reused = std::dynamic_pointer_cast<MultiColumnTableViewCell>(first);
    auto path = body()->indexPathForCell(*reused);
    ASSERT_TRUE(path);
    ASSERT_GE(path->row(), 8);
    auto button = imageButton(reused);

    ASSERT_TRUE(pumpMainRunLoopUntil([&] {
        return logged("the image of product 1 came back to a row that shows another product")
            && shownImageSize(button).has_value();
    }));
    drainMainRunLoop();
    // The far row has no image record: it keeps the default picture.
    EXPECT_EQ(*shownImageSize(button), CGSizeMake(96, 120));
}

TEST_F(InventoryViewControllerTest, ProductsAreReadAgainEachTimeTheTabShows)
{
    product(1, "A", "First", 3);
    show();
    ASSERT_EQ(body()->numberOfRowsInSection(0), 1);
    ASSERT_TRUE(db()->executeUpdate("UPDATE corvelle_product SET product_stock = 4200 WHERE product_id = 1"));
    product(2, "B", "Second", 1);
    navigation->pushViewControllerAnimated(std::make_shared<UIViewController>(), false);
    driver->settle();
    navigation->popViewControllerAnimated(false);
    driver->settle();
    body()->layoutIfNeeded();
    EXPECT_TRUE(navigation->isNavigationBarHidden());
    ASSERT_EQ(body()->numberOfRowsInSection(0), 2);
    EXPECT_EQ(columnText(0, 4), "4,200");
}

TEST_F(InventoryViewControllerTest, TitlesFollowALanguageChangeAtOnce)
{
    show();
    const std::string english = screen->labelArray()[2]->text();
    LanguageManager::sharedInstance()->setCurrentLanguage(2);
    driver->settle();
    EXPECT_NE(screen->labelArray()[2]->text(), english);
    EXPECT_EQ(screen->labelArray()[2]->text(), text("PRODUCTNAME"));
    EXPECT_EQ(screen->titleLabel()->text(), text("INVENTORY_"));
}

}  // namespace
