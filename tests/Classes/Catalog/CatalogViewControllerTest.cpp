#include "CatalogFixture.h"

#include "Classes/Catalog/CatalogPopController.h"
#include "Classes/Catalog/CatalogViewController.h"
#include "Classes/Catalog/DetailCell.h"
#include "Classes/Catalog/DetailViewController.h"
#include "Classes/Catalog/MasterViewController.h"
#include "Classes/Catalog/ProductBigCatalog.h"
#include "Classes/Catalog/ProductCompareController.h"
#include "Classes/Catalog/ProductSearchListController.h"
#include "Classes/Catalog/SearchProductCell.h"
#include "Classes/Catalog/TagsLeftView.h"
#include "Classes/Frame/SwitchButton.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/BadgeButton.h"
#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/OrderingController.h"
#include "Classes/Frame/TabBarItemButton.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Classes/Sync/SyncViewController.h"
#include "Database/ConfigEntity.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIViewLayoutCheck.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UISearchBar.h"
#include "Platform/UIKit/UITableView.h"

#include <set>

// The signed-in main screen with the catalogue tab open, on a small catalogue:
// Furniture (1) holds Chairs (2, with products 1 and 2) and Tables (3, with
// product 2 again and 3); Lamps (4) holds product 4 directly; product 5 has no
// category.
class CatalogTabTest : public CatalogTest {
protected:
    void SetUp() override
    {
        CatalogTest::SetUp();
        LoginMode::sharedInstance()->setLoginType(LoginMode::kLoginTypeOnline);
        addCategory(1, "Furniture", 0);
        addCategory(2, "Chairs", 1);
        addCategory(3, "Tables", 1);
        addCategory(4, "Lamps", 0);
        addProduct(1, "Oak chair", "C-1");
        addProduct(2, "Bench", "C-2");
        addProduct(3, "Desk", "T-3");
        addProduct(4, "Arc lamp", "L-4");
        addProduct(5, "Gift card", "G-5");
        file(1, 2);
        file(2, 2);
        file(2, 3);
        file(3, 3);
        file(4, 4);
        file(5, 0);
        addPrice(1, 120, "USD");
        addPrice(2, 80, "USD", 60.0);
        addPrice(3, 300, "USD");
        addPrice(4, 45, "USD");
    }

    void openCatalogue(const std::string& leftPanel = "normal")
    {
        auto row = std::make_shared<ConfigEntity>();
        row->configType = "left_panel";
        row->desc = leftPanel;
        ASSERT_TRUE(ConfigManager::sharedInstance()->syncConfigData(EntityList<ConfigEntity> { row }));
        ConfigManager::sharedInstance()->setModelDescArray(std::vector<std::string>(7, "1"));
        app = std::make_shared<CorvelleAppDelegate>();
        UIApplication::sharedApplication()->setDelegate(app);
        UIApplication::sharedApplication()->launch();
        app->showMainController();
        appDriver = std::make_unique<UIDriver>(app->window());
        appDriver->settle();
        appDriver->advance(0.5);
        bar = app->tabBarController();
        appDriver->tap(bar->catalogBtn());
        appDriver->advance(0.5);
        auto navigation = std::dynamic_pointer_cast<UINavigationController>(bar->selectedViewController());
        ASSERT_TRUE(navigation);
        catalogue = std::dynamic_pointer_cast<CatalogViewController>(navigation->topViewController());
        ASSERT_TRUE(catalogue);
    }

    void TearDown() override
    {
        appDriver.reset();
        catalogue.reset();
        bar.reset();
        if (app)
            app->window()->setRootViewController(nullptr);
        app.reset();
        CatalogTest::TearDown();
    }

    std::vector<std::string> gridNames() const
    {
        std::vector<std::string> names;
        for (const auto& p : catalogue->grid()->productArray())
            names.push_back(p->product_name.value_or(""));
        return names;
    }

    std::string rowText(long row, bool count = false) const
    {
        auto cell = std::dynamic_pointer_cast<ProductBigCatalog>(
            catalogue->master()->myTable()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(row, 0)));
        return cell ? (count ? cell->lbcount()->text() : cell->lbTitle()->text()) : "<no row>";
    }

    std::shared_ptr<DetailCell> tile(long index) const
    {
        return std::dynamic_pointer_cast<DetailCell>(
            catalogue->grid()->productShowView()->cellForItemAtIndex(static_cast<NSUInteger>(index)));
    }

    std::shared_ptr<CorvelleAppDelegate> app;
    std::unique_ptr<UIDriver> appDriver;
    std::shared_ptr<UITabBarControllerExt> bar;
    std::shared_ptr<CatalogViewController> catalogue;
};

TEST_F(CatalogTabTest, ThePanesLieOnTheTabBarWhileTheTabIsSelected)
{
    openCatalogue();
    auto master = bar->view()->viewWithTag(CatalogViewController::kMasterViewTag);
    auto detail = bar->view()->viewWithTag(CatalogViewController::kDetailViewTag);
    ASSERT_TRUE(master);
    ASSERT_TRUE(detail);
    EXPECT_EQ(master->frame(), CGRectMake(0, 20, 244, 768));
    EXPECT_EQ(detail->frame(), CGRectMake(0, 64, 1024, 638));
    EXPECT_EQ(catalogue->grid()->productShowView()->frame(), CGRectMake(250, 0, 774, 638));
    appDriver->renderToPNG(UIDriver::snapshotPath("catalogue_split.png"));

    appDriver->tap(bar->customerBtn());
    EXPECT_FALSE(bar->view()->viewWithTag(CatalogViewController::kMasterViewTag));
    EXPECT_FALSE(bar->view()->viewWithTag(CatalogViewController::kDetailViewTag));
    appDriver->tap(bar->catalogBtn());
    EXPECT_TRUE(bar->view()->viewWithTag(CatalogViewController::kMasterViewTag));
}
TEST_F(CatalogTabTest, TheCategoryPaneWalksDownAndBackWithItsCounts)
{
    openCatalogue();
    auto master = catalogue->master();
    // ALL, Furniture, Lamps and the products without a category, last and in italics.
    EXPECT_EQ(rowText(0), text("ALL"));
    EXPECT_EQ(rowText(0, true), "(6)");  // a product under two leaves counts twice
    EXPECT_EQ(rowText(1), "Furniture");
    EXPECT_EQ(rowText(1, true), "(4)");
    EXPECT_EQ(rowText(2), "Lamps");
    EXPECT_EQ(rowText(3), text("UNCATEGORIZED"));
    EXPECT_EQ(rowText(3, true), "(1)");
    EXPECT_EQ(gridNames(), (std::vector<std::string> { "Arc lamp", "Bench", "Desk", "Gift card", "Oak chair" }));

    ASSERT_TRUE(appDriver->tapRow(master->myTable(), 1));
    appDriver->advance(0.5);
    EXPECT_EQ(master->cid(), 1);
    EXPECT_FALSE(master->btnback()->isHidden());
    EXPECT_EQ(master->lbcategory()->text(), "Furniture");
    EXPECT_EQ(rowText(1), "Chairs");
    EXPECT_EQ(rowText(0, true), "(4)");
    // The grid collects each product once, sorted by name.
    EXPECT_EQ(gridNames(), (std::vector<std::string> { "Bench", "Desk", "Oak chair" }));
    EXPECT_EQ(catalogue->lblTitle()->text(), "Furniture");

    ASSERT_TRUE(appDriver->tapRow(master->myTable(), 2));
    appDriver->advance(0.5);
    EXPECT_EQ(gridNames(), (std::vector<std::string> { "Bench", "Desk" }));

    appDriver->tap(master->btnback());
    appDriver->advance(0.5);
    EXPECT_EQ(master->cid(), 0);
    EXPECT_TRUE(master->btnback()->isHidden());
    EXPECT_EQ(master->lbcategory()->text(), text("CATEGORY"));
    EXPECT_EQ(rowText(3), text("UNCATEGORIZED"));
    EXPECT_EQ(gridNames().size(), 5u);

    ASSERT_TRUE(appDriver->tapRow(master->myTable(), 3));
    appDriver->advance(0.5);
    EXPECT_EQ(gridNames(), std::vector<std::string> { "Gift card" });
}

// The pane keeps its pop-up list ready without showing it; a row of the list
// tells a listening owner which row, and an owner that does not listen is fine.
TEST_F(CatalogTabTest, ThePaneKeepsItsPopUpListHidden)
{
    openCatalogue();
    auto master = catalogue->master();
    ASSERT_TRUE(master->catalogPop());
    EXPECT_FALSE(master->catalogPop()->isPopoverVisible());
    EXPECT_EQ(master->catalogPopData(), std::vector<std::string> { "root" });

    auto list = std::dynamic_pointer_cast<CatalogPopController>(master->catalogPop()->contentViewController());
    ASSERT_TRUE(list);
    list->view();
    auto table = list->tableView();
    table->reloadData();
    EXPECT_EQ(table->numberOfRowsInSection(0), 1);
    EXPECT_EQ(list->tableViewHeightForRowAtIndexPath(*table, NSIndexPath::indexPathForRowInSection(0, 0)), 82);

    struct Owner : CatalogPopControllerDelegate {
        std::vector<long> rows;
        void selectIndex(long row) override { rows.push_back(row); }
    };
    list->tableViewDidSelectRowAtIndexPath(*table, NSIndexPath::indexPathForRowInSection(0, 0));
    auto owner = std::make_shared<Owner>();
    list->setDelegate(owner);
    list->tableViewDidSelectRowAtIndexPath(*table, NSIndexPath::indexPathForRowInSection(0, 0));
    EXPECT_EQ(owner->rows, std::vector<long> { 0 });
}

TEST_F(CatalogTabTest, ACycleOfCategoriesEndsTheWalks)
{
    // 10 and 11 name each other as parents under Furniture's child 2.
    addCategory(10, "Loop A", 2);
    addCategory(11, "Loop B", 10);
    ASSERT_TRUE(db->executeUpdate("update corvelle_category set category_parent_id = 11 where category_id = 2"));
    addProduct(6, "Looped stool");
    file(6, 10);
    openCatalogue();
    auto master = catalogue->master();
    ASSERT_TRUE(appDriver->tapRow(master->myTable(), 1));
    appDriver->advance(0.5);
    const auto names = gridNames();
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
}

TEST_F(CatalogTabTest, SortsAreStableByNameSkuAndPrice)
{
    addProduct(6, "Bench", "A-6");  // same name as product 2
    addPrice(6, 60, "USD");  // same effective price as product 2's discount
    openCatalogue();
    auto order = [&] {
        std::vector<int> ids;
        for (const auto& p : catalogue->grid()->productArray())
            ids.push_back(p->product_id);
        return ids;
    };
    EXPECT_EQ(order(), (std::vector<int> { 4, 2, 6, 3, 5, 1 }));
    NSNotificationCenter::defaultCenter().postNotificationName("SORT_PRODUCT", Value::integer(2));
    // Without a price row a product sorts as 0; the discount price counts when it runs.
    EXPECT_EQ(order(), (std::vector<int> { 5, 4, 2, 6, 1, 3 }));
    NSNotificationCenter::defaultCenter().postNotificationName("SORT_PRODUCT", Value::integer(1));
    EXPECT_EQ(order(), (std::vector<int> { 6, 1, 2, 5, 4, 3 }));
}

TEST_F(CatalogTabTest, InSplitModeTheGridStandsBesideThePaneWithNothingCovered)
{
    openCatalogue("normal");
    auto pane = bar->view()->viewWithTag(CatalogViewController::kMasterViewTag);
    auto grid = catalogue->grid()->productShowView();
    ASSERT_TRUE(pane);
    const CGRect paneOnScreen = pane->convertRectToView(pane->bounds(), nullptr);
    const CGRect gridOnScreen = grid->convertRectToView(grid->bounds(), nullptr);
    EXPECT_LE(CGRectGetMaxX(paneOnScreen), gridOnScreen.origin.x);
    // The first column's tiles are whole and clear of the pane.
    for (long index : { 0L, 4L }) {
        auto cell = tile(index);
        ASSERT_TRUE(cell) << index;
        const CGRect onScreen = cell->convertRectToView(cell->bounds(), nullptr);
        EXPECT_GE(onScreen.origin.x, CGRectGetMaxX(paneOnScreen)) << index;
        EXPECT_TRUE(CGRectContainsRect(gridOnScreen, onScreen)) << index;
    }
    for (const auto& defect : UIViewFindLayoutDefects(*app->window()))
        EXPECT_EQ(UIViewLayoutDefectDescription(defect).find("UIView/UIView/UIView and UIView "), std::string::npos)
            << UIViewLayoutDefectDescription(defect);
}

// A synchronisation may bring another left-panel setting while the
// catalogue is built already; the grid follows it the next time the tab shows.
TEST_F(CatalogTabTest, ALeftPanelSettingASyncBringsTakesEffectWhenTheTabShowsAgain)
{
    struct Case {
        const char* before;
        const char* after;
        CGRect grid;
    };
    const Case cases[] = {
        { "float", "normal", CGRectMake(250, 0, 774, 638) },
        { "normal", "float", CGRectMake(0, 0, 1024, 638) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.before) + " then " + c.after);
        openCatalogue(c.before);
        auto row = std::make_shared<ConfigEntity>();
        row->configType = "left_panel";
        row->desc = c.after;
        ASSERT_TRUE(ConfigManager::sharedInstance()->syncConfigData(EntityList<ConfigEntity> { row }));
        appDriver->tap(bar->customerBtn());
        appDriver->advance(0.5);
        appDriver->tap(bar->catalogBtn());
        appDriver->advance(0.5);
        auto grid = catalogue->grid()->productShowView();
        EXPECT_EQ(grid->frame(), c.grid);
        auto pane = bar->view()->viewWithTag(CatalogViewController::kMasterViewTag);
        ASSERT_TRUE(pane);
        const CGRect paneOnScreen = pane->convertRectToView(pane->bounds(), nullptr);
        auto first = tile(0);
        ASSERT_TRUE(first);
        const CGRect firstOnScreen = first->convertRectToView(first->bounds(), nullptr);
        // Beside the pane in split mode, under it otherwise.
        EXPECT_EQ(firstOnScreen.origin.x >= CGRectGetMaxX(paneOnScreen), std::string(c.after) == "normal")
            << firstOnScreen.origin.x;
        TearDown(), SetUp();
    }
}

TEST_F(CatalogTabTest, HidingThePaneWidensTheGridAndTheMenuBringsItBack)
{
    for (const std::string panel : { "normal", "float" }) {
        SCOPED_TRACE(panel);
        openCatalogue(panel);
        auto grid = catalogue->grid()->productShowView();
        EXPECT_EQ(grid->frame(), panel == "normal" ? CGRectMake(250, 0, 774, 638) : CGRectMake(0, 0, 1024, 638));
        appDriver->tap(catalogue->btnMenu());
        appDriver->advance(0.5);
        EXPECT_TRUE(catalogue->isMasterViewHiddened());
        EXPECT_EQ(
            bar->view()->viewWithTag(CatalogViewController::kMasterViewTag)->frame(), CGRectMake(-244, 20, 244, 768));
        EXPECT_EQ(grid->frame(), CGRectMake(0, 0, 1024, 638));
        EXPECT_EQ(catalogue->btnMenu()->frame(), CGRectMake(15, 5, 34, 34));
        EXPECT_EQ(catalogue->searchBar()->frame(), CGRectMake(55, 3, 220, 34));
        EXPECT_EQ(catalogue->lblTitle()->frame(), CGRectMake(282, 7, 460, 30));
        if (panel == "normal")
            appDriver->renderToPNG(UIDriver::snapshotPath("catalogue_full_width.png"));
        appDriver->tap(catalogue->btnMenu());
        appDriver->advance(0.5);
        EXPECT_FALSE(catalogue->isMasterViewHiddened());
        EXPECT_EQ(catalogue->lblTitle()->frame(), CGRectMake(527, 7, 220, 30));
        EXPECT_EQ(
            bar->view()->viewWithTag(CatalogViewController::kMasterViewTag)->frame(), CGRectMake(0, 20, 244, 768));
        if (panel == "normal")
            TearDown(), SetUp();
    }
}

TEST_F(CatalogTabTest, OpeningAProductParksThePaneAndBackRestoresIt)
{
    openCatalogue();
    auto first = tile(0);
    ASSERT_TRUE(first);
    appDriver->tap(first->bgImageView());
    appDriver->advance(0.5);
    EXPECT_EQ(catalogue->detailController()->viewControllers().size(), 2u);
    EXPECT_EQ(catalogue->lblTitle()->text(), "Arc lamp  ( 1 / 5 )");
    EXPECT_TRUE(catalogue->btnMenu()->isHidden());
    EXPECT_FALSE(catalogue->btnBack()->isHidden());
    EXPECT_EQ(bar->view()->viewWithTag(CatalogViewController::kMasterViewTag)->frame().origin.x, -244);
    EXPECT_FALSE(catalogue->isMasterViewHiddened());

    appDriver->tap(catalogue->btnBack());
    appDriver->advance(0.5);
    EXPECT_EQ(catalogue->detailController()->viewControllers().size(), 1u);
    EXPECT_EQ(bar->view()->viewWithTag(CatalogViewController::kMasterViewTag)->frame().origin.x, 0);
    EXPECT_FALSE(catalogue->btnMenu()->isHidden());
}

TEST_F(CatalogTabTest, SearchShowsItsPopoverOnlyWithResults)
{
    addProduct(7, "50% \"off\" _sale_");
    openCatalogue();
    appDriver->tap(catalogue->searchBar());
    appDriver->typeText("chair");
    ASSERT_TRUE(catalogue->serchController());
    EXPECT_TRUE(catalogue->serchController()->isPopoverVisible());
    EXPECT_EQ(catalogue->searchProductArray().size(), 1u);
    for (const std::string odd : { "\"", "%\" off", "zzz" }) {
        catalogue->searchBar()->setText("");
        appDriver->typeText(odd);
    }
    EXPECT_TRUE(catalogue->searchProductArray().empty());
    EXPECT_FALSE(catalogue->serchController()->isPopoverVisible());
}

TEST_F(CatalogTabTest, AFoundProductIsListedInThePopoverAndOpensItsDetail)
{
    openCatalogue();
    appDriver->tap(catalogue->searchBar());
    appDriver->typeText("desk");
    appDriver->advance(0.5);
    ASSERT_TRUE(catalogue->serchController() && catalogue->serchController()->isPopoverVisible());
    auto list
        = std::dynamic_pointer_cast<ProductSearchListController>(catalogue->serchController()->contentViewController());
    ASSERT_TRUE(list);
    ASSERT_EQ(list->tableView()->numberOfRowsInSection(0), 1);
    auto row = std::dynamic_pointer_cast<SearchProductCell>(
        list->tableView()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 0)));
    ASSERT_TRUE(row) << "the popover shows no product row";
    EXPECT_EQ(row->productName()->text(), "Desk");
    EXPECT_EQ(row->productSKU()->text(), "T-3");
    EXPECT_FALSE(appDriver->findLabel(Language::stringOrKey("NORESULT")));

    ASSERT_TRUE(appDriver->tapRow(list->tableView(), 0));
    appDriver->advance(0.5);
    EXPECT_FALSE(catalogue->serchController()->isPopoverVisible());
    EXPECT_EQ(catalogue->detailController()->viewControllers().size(), 2u);
    EXPECT_EQ(catalogue->lblTitle()->text(), "Desk");
    EXPECT_FALSE(catalogue->btnBack()->isHidden());
}

TEST_F(CatalogTabTest, ASyncBetweenTwoVisitsReloadsThePaneAndTheGridAndClosesAnOpenProduct)
{
    // A stool comes with the synchronisation, filed under Lamps.
    frontDoor->replyTo(0x201,
        FakeFrontDoor::envelope("200",
            R"([[{"productID":6,"productName":"Stool","productSKU":"S-6","publish":1,"productParentList":[4],"priceID":9,"price":30,"currency":"USD"}],[],[],[],[],[]])"),
        0.5);
    openCatalogue();
    EXPECT_EQ(rowText(0, true), "(6)");
    EXPECT_EQ(rowText(2, true), "(1)");
    appDriver->tap(tile(0)->bgImageView());
    appDriver->advance(0.5);
    ASSERT_EQ(catalogue->detailController()->viewControllers().size(), 2u);

    appDriver->tap(bar->syncBtn());
    appDriver->advance(0.5);
    auto navigation = std::dynamic_pointer_cast<UINavigationController>(bar->selectedViewController());
    auto sync = navigation ? std::dynamic_pointer_cast<SyncViewController>(navigation->topViewController()) : nullptr;
    ASSERT_TRUE(sync);
    appDriver->tap(sync->resourceUpdateView()->btnsync());
    appDriver->advance(1);
    ASSERT_EQ(frontDoor->messagesFor(0x201).size(), 1u);
    ASSERT_EQ(ConfigManager::sharedInstance()->flagDic()["Needreloadcatelog"], "YES");

    appDriver->tap(bar->catalogBtn());
    appDriver->advance(1);
    EXPECT_EQ(ConfigManager::sharedInstance()->flagDic()["Needreloadcatelog"], "NO");
    EXPECT_EQ(catalogue->detailController()->viewControllers().size(), 1u) << "the open product closes";
    EXPECT_TRUE(catalogue->btnBack()->isHidden());
    EXPECT_EQ(rowText(0, true), "(7)");
    EXPECT_EQ(rowText(2), "Lamps");
    EXPECT_EQ(rowText(2, true), "(2)");
    const auto names = gridNames();
    EXPECT_NE(std::find(names.begin(), names.end(), "Stool"), names.end());
    EXPECT_TRUE(appDriver->findLabel("Stool")) << "the stool's tile shows";

    // Without a synchronisation a visit elsewhere and back leaves an open product open.
    appDriver->tap(tile(0)->bgImageView());
    appDriver->advance(0.5);
    for (int visit = 0; visit < 2; ++visit) {
        appDriver->tap(bar->customerBtn());
        appDriver->advance(0.5);
        appDriver->tap(bar->catalogBtn());
        appDriver->advance(0.5);
        EXPECT_EQ(catalogue->detailController()->viewControllers().size(), 2u) << visit;
    }
}

TEST_F(CatalogTabTest, AChosenTagTitlesTheGridAndListsItsProducts)
{
    ASSERT_TRUE(db->executeUpdate("INSERT INTO corvelle_product_tag(tag_id,tag_name) VALUES(1,'Outdoor'),(2,'Sale')"));
    ASSERT_TRUE(
        db->executeUpdate("INSERT INTO corvelle_product_related_tag(product_id,tag_id) VALUES(1,2),(3,2),(4,1)"));
    openCatalogue();
    appDriver->tap(catalogue->master()->btnCatalogSwitch()->btnRight());
    appDriver->advance(0.5);
    auto tags = std::dynamic_pointer_cast<TagsLeftView>(catalogue->master()->tagsLeftView());
    ASSERT_TRUE(tags);
    ASSERT_TRUE(appDriver->tapRow(tags->tableView(), 1));
    appDriver->advance(0.5);
    EXPECT_EQ(catalogue->lblTitle()->text(), "Sale");
    EXPECT_EQ(gridNames(), (std::vector<std::string> { "Desk", "Oak chair" }));
}

TEST_F(CatalogTabTest, AddingFromTheGridFillsTheOrderAndTheBadges)
{
    addAttribute(3, 1, "Finish", "Oak,Walnut");
    addAttribute(1, 2, "Colour", "Red");
    openCatalogue();
    // Oak chair (index 4): its one attribute is chosen at once.
    appDriver->tap(tile(4)->addOrderBtn());
    EXPECT_EQ(piecesInOrder(1), 1u);
    EXPECT_EQ(QuoteOrderStore::sharedQuoteOrderStore()->curQuoteOrder->items.at(0)->attributes, "Colour:Red");
    EXPECT_FALSE(tile(4)->addOrderBtn()->badgeView()->isHidden());
    appDriver->tap(tile(4)->addOrderBtn());
    EXPECT_EQ(piecesInOrder(1), 2u);

    // Desk (index 2) asks for its finish in the pop-up.
    appDriver->tap(tile(2)->addOrderBtn());
    auto popover = catalogue->grid()->addToOrderPopController();
    ASSERT_TRUE(popover && popover->isPopoverVisible());
    EXPECT_EQ(piecesInOrder(3), 0u);
    // Walnut chosen: the desk's own tile counts it, and the pop-up stays for another add.
    auto picker = std::dynamic_pointer_cast<AddToOrderController>(popover->contentViewController());
    ASSERT_TRUE(picker);
    auto line = chooseAndAdd(*appDriver, *picker, 1);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->attributes, "Finish:Walnut");
    EXPECT_EQ(piecesInOrder(3), 1u);
    EXPECT_EQ(tile(2)->addOrderBtn()->badgeLabel()->text(), "1");
    EXPECT_TRUE(popover->isPopoverVisible());
}

TEST_F(CatalogTabTest, AnOrderInAnotherCurrencyIsSavedOrDroppedFirst)
{
    for (const std::string answer : { "SAVE", "DONTSAVE" }) {
        SCOPED_TRACE(answer);
        addProduct(9, "Yuan vase");
        addPrice(9, 5, "CNY");
        openCatalogue();
        auto store = QuoteOrderStore::sharedQuoteOrderStore();
        auto vase = product(9);
        vase->count = 2;
        store->addToOrder(vase);
        appDriver->tap(tile(0)->addOrderBtn());
        ASSERT_TRUE(appDriver->visibleAlert());
        EXPECT_EQ(appDriver->visibleAlert()->message(), text("NOTTHESAMEMONEYCY"));
        ASSERT_TRUE(appDriver->tapAlertButton(text(answer)));
        EXPECT_EQ(piecesInOrder(9), 0u);
        EXPECT_EQ(piecesInOrder(4), 1u);
        const int saved = [&] {
            auto rs = db->executeQuery("select count(*) from corvelle_quote_order");
            return rs && rs->next() ? rs->intForColumnIndex(0) : -1;
        }();
        EXPECT_EQ(saved, answer == "SAVE" ? 1 : 0);
        if (answer == "SAVE")
            TearDown(), SetUp();
    }
}
