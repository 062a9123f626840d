// The product search list under the catalogue's search bar: one row per
// found product with its thumbnail, name, price and SKU, a chosen row handed
// to the catalogue with its index, and a single "no result" row for an empty
// list that only deselects when chosen.

#include "ProductFixture.h"

#include "Classes/Catalog/ProductSearchListController.h"
#include "Classes/Catalog/SearchProductCell.h"
#include "Classes/Frame/Language.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImageView.h"

using namespace ProductSeed;

namespace {

class Chooser : public UISearchControllerDelegate {
public:
    void didselectSearchResultIndex(const std::shared_ptr<corvelle_product_Entity>& product, long index) override
    {
        chosen.emplace_back(product->product_id, static_cast<int>(index));
    }
    std::vector<std::pair<int, int>> chosen;
};

class ProductSearchListControllerTest : public ProductFixture {
protected:
    void show(std::vector<int> ids)
    {
        list = std::make_shared<ProductSearchListController>();
        list->setDelegate(chooser);
        showRoot(list);
        std::vector<std::shared_ptr<corvelle_product_Entity>> products;
        for (int id : ids)
            products.push_back(DataAccessManager::sharedDataModel()->getProductByProductId(id));
        list->setSearchProductArray(products);
        list->tableView()->reloadData();
        list->tableView()->layoutIfNeeded();
    }

    std::shared_ptr<SearchProductCell> row(long r)
    {
        return std::dynamic_pointer_cast<SearchProductCell>(
            list->tableView()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(r, 0)));
    }

    std::shared_ptr<Chooser> chooser = std::make_shared<Chooser>();
    std::shared_ptr<ProductSearchListController> list;
};

TEST_F(ProductSearchListControllerTest, ProductsShowTheirPicturePriceAndSkuAndAChosenRowIsHandedOn)
{
    product(1, "CH-01", "Oak chair");
    product(2, "DK-02", "Pine desk");
    product(3, "LM-03", "Brass lamp");
    price(1, 1234.5, "CNY");
    price(2, -1, "USD");
    image(10, 1, "chair.png", "chair-full.png", true);
    imageFile("chair.png", CGSizeMake(40, 30), UIColor::redColor());
    show({ 1, 2, 3 });
    ASSERT_EQ(list->tableView()->numberOfRowsInSection(0), 3);
    EXPECT_EQ(list->tableView()->rectForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(1, 0)).size.height, 82);

    struct Case {
        long row;
        std::string name, sku, price;
    };
    // No price row shows 0.00; a negative price shows nothing.
    for (const Case& c : { Case { 0, "Oak chair", "CH-01", "¥1,234.50" }, Case { 1, "Pine desk", "DK-02", "" },
             Case { 2, "Brass lamp", "LM-03", "0.00" } }) {
        auto cell = row(c.row);
        ASSERT_TRUE(cell) << c.row;
        EXPECT_EQ(cell->productName()->text(), c.name);
        EXPECT_EQ(cell->productSKU()->text(), c.sku);
        EXPECT_EQ(cell->productPrice()->text(), c.price) << c.row;
        EXPECT_EQ(cell->accessoryType(), UITableViewCellAccessoryDisclosureIndicator);
    }
    // The thumbnail sits centred in the image view; a missing one gives the default picture.
    auto thumb = std::dynamic_pointer_cast<UIImageView>(row(0)->searchImageView()->subviews().front());
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->frame().size, CGSizeMake(40, 30));
    EXPECT_FALSE(row(2)->searchImageView()->subviews().empty());

    ASSERT_TRUE(driver->tapRow(list->tableView(), 2));
    EXPECT_EQ(chooser->chosen, (std::vector<std::pair<int, int>> { { 3, 2 } }));
    driver->advance(1);
    EXPECT_FALSE(list->tableView()->indexPathForSelectedRow());
}

TEST_F(ProductSearchListControllerTest, AnEmptyResultShowsOneNoResultRowThatOnlyDeselects)
{
    show({});
    ASSERT_EQ(list->tableView()->numberOfRowsInSection(0), 1);
    auto cell = list->tableView()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 0));
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->textLabel()->text(), Language::stringOrKey("NORESULT"));
    EXPECT_EQ(cell->style(), UITableViewCellStyleSubtitle);
    EXPECT_EQ(cell->accessoryType(), UITableViewCellAccessoryNone);
    ASSERT_TRUE(driver->tapRow(list->tableView(), 0));
    driver->advance(1);
    EXPECT_TRUE(chooser->chosen.empty());
    EXPECT_FALSE(list->tableView()->indexPathForSelectedRow());
}

}  // namespace
