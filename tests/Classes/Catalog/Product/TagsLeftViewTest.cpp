// The tag list of the catalogue's master pane: sorted, one row per name with
// its product count, a chosen tag reported once, and a tag chosen in a
// product detail followed through the notification.

#include "ProductFixture.h"

#include "Classes/Catalog/ProductBigCatalog.h"
#include "Classes/Catalog/TagsLeftView.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UILabel.h"

namespace {

class MasterPane : public TagsLeftDelegate {
public:
    void didSelectDelegateWithTagName(const std::vector<int>& products, const std::string& tagName) override
    {
        told.emplace_back(tagName, products);
    }
    std::vector<std::pair<std::string, std::vector<int>>> told;
};

std::shared_ptr<corvelle_tag_entity> tag(int id, const std::string& name, std::vector<int> products)
{
    auto record = std::make_shared<corvelle_tag_entity>();
    record->tag_id = id;
    record->tag_name = name;
    record->products = std::move(products);
    return record;
}

class TagsLeftViewTest : public ProductFixture {
protected:
    void SetUp() override
    {
        ProductFixture::SetUp();
        auto screen = std::make_shared<UIViewController>();
        showRoot(screen);
        list = TagsLeftView::initWithFrame(CGRectMake(0, 0, 300, 600));
        list->setDelegate(pane);
        screen->view()->addSubview(list);
        list->setDataArray({ tag(1, "b", { 1 }), tag(2, "A", { 2, 3 }), tag(3, "a", {}), tag(4, "b", { 4, 5, 6 }) });
        list->tableView()->layoutIfNeeded();
    }

    std::vector<std::string> rows()
    {
        std::vector<std::string> shown;
        for (long r = 0; r < list->tableView()->numberOfRowsInSection(0); ++r) {
            auto cell = std::dynamic_pointer_cast<ProductBigCatalog>(
                list->tableView()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(r, 0)));
            shown.push_back(cell ? cell->lbTitle()->text() + " " + cell->lbcount()->text() : "?");
        }
        return shown;
    }

    std::shared_ptr<MasterPane> pane = std::make_shared<MasterPane>();
    std::shared_ptr<TagsLeftView> list;
};

TEST_F(TagsLeftViewTest, NamesAreSortedOnceEachWithTheLaterRecordsCount)
{
    EXPECT_EQ(rows(), (std::vector<std::string> { "A (2)", "a (0)", "b (3)" }));
    EXPECT_EQ(list->tableView()->rectForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 0)).size.height, 60);
}

TEST_F(TagsLeftViewTest, AChosenTagIsToldOnceUntilTheListIsGivenAgain)
{
    ASSERT_TRUE(driver->tapRow(list->tableView(), 2));
    ASSERT_TRUE(driver->tapRow(list->tableView(), 2));
    ASSERT_EQ(pane->told.size(), 1u);
    EXPECT_EQ(pane->told[0], (std::pair<std::string, std::vector<int>> { "b", { 4, 5, 6 } }));
    list->setDataArray(list->dataArray());
    ASSERT_TRUE(driver->tapRow(list->tableView(), 2));
    EXPECT_EQ(pane->told.size(), 2u);
}

TEST_F(TagsLeftViewTest, ATagChosenElsewhereIsSelectedAndTold)
{
    auto& center = NSNotificationCenter::defaultCenter();
    center.postNotificationName("didSelectToFromNotification", Value(std::string("nope")));
    EXPECT_TRUE(pane->told.empty());
    center.postNotificationName("didSelectToFromNotification", Value(std::string("a")));
    ASSERT_EQ(pane->told.size(), 1u);
    EXPECT_EQ(pane->told[0].first, "a");
    EXPECT_EQ(list->selectRow(), 1);
    EXPECT_EQ(list->tableView()->indexPathForSelectedRow(), NSIndexPath::indexPathForRowInSection(1, 0));
    center.postNotificationName("didSelectToFromNotification", Value(std::string("a")));
    EXPECT_EQ(pane->told.size(), 1u);
}

}  // namespace
