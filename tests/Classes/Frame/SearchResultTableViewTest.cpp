#include "Database/ContactMode.h"
#include "Database/PersonInfo.h"
#include "Classes/Frame/SearchResultTableView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UITableViewCell.h"
#include "support/ScreenTest.h"

namespace {

std::shared_ptr<PersonInfo> customer(std::optional<std::string> name, int id)
{
    auto p = std::make_shared<PersonInfo>();
    p->name = std::move(name);
    p->pid = id;
    return p;
}

std::shared_ptr<ContactMode> contact(const std::string& last, const std::string& first)
{
    auto c = std::make_shared<ContactMode>();
    c->lastName = last;
    c->fristName = first;
    return c;
}

class Chooser : public SearchResultTableDelegate {
public:
    void didSelectCell(const std::shared_ptr<PersonInfo>& c) override { chosen.push_back(c->name.value_or("")); }
    void didSelectCellByConatct(const std::shared_ptr<ContactMode>& c) override { chosen.push_back(c->lastName); }
    std::vector<std::string> chosen;
};

class SearchResultTableViewTest : public ScreenTest {
protected:
    std::shared_ptr<SearchResultTableView> list = std::make_shared<SearchResultTableView>();
    std::vector<std::string> shownRows()
    {
        std::vector<std::string> texts;
        auto table = list->tableView();
        for (long r = 0; r < table->numberOfRowsInSection(0); ++r)
            texts.push_back(list->tableViewCellForRowAtIndexPath(*table, NSIndexPath::indexPathForRowInSection(r, 0))
                                ->textLabel()
                                ->text());
        return texts;
    }
};

TEST_F(SearchResultTableViewTest, CustomersSortByNameStablyWithBlankNamesLast)
{
    showRoot(list);
    list->setByContact(false);
    list->setArrResult({ customer("beta", 1), customer(" \t", 2), customer("Alpha", 3), customer(std::nullopt, 4),
        customer("alpha", 5), customer("beta", 6), customer("", 7) });
    EXPECT_EQ(shownRows(), (std::vector<std::string> { "Alpha", "alpha", "beta", "beta", " \t", "", "" }));
    std::vector<int> ids;
    for (auto& row : list->arrResult())
        ids.push_back(*std::get<std::shared_ptr<PersonInfo>>(row)->pid);
    EXPECT_EQ(ids, (std::vector<int> { 3, 5, 1, 6, 2, 4, 7 }));

    // A strict weak order: a blank name is never "equal" to a real one.
    PersonInfo blank, named;
    named.name = "Zed";
    EXPECT_TRUE(SearchResultTableView::nameOrder(named, blank));
    EXPECT_FALSE(SearchResultTableView::nameOrder(blank, named));
    EXPECT_FALSE(SearchResultTableView::nameOrder(blank, blank));
}

TEST_F(SearchResultTableViewTest, ContactsKeepTheirOrderAndShowLastThenFirstName)
{
    showRoot(list);
    list->setByContact(true);
    list->setArrResult({ contact("Zhang", "Wei"), contact("Adams", "Ann") });
    EXPECT_EQ(shownRows(), (std::vector<std::string> { "Zhang  Wei", "Adams  Ann" }));
}

TEST_F(SearchResultTableViewTest, ChoosingARowTellsTheOwnerOfTheRightKind)
{
    showRoot(list);
    list->setByContact(false);
    list->setArrResult({ customer("beta", 1), customer("Alpha", 2) });
    EXPECT_TRUE(driver->tapRow("Alpha"));  // no delegate: nothing happens

    auto chooser = std::make_shared<Chooser>();
    list->setDelegate(chooser);
    EXPECT_TRUE(driver->tapRow("beta"));
    list->setByContact(true);
    list->setArrResult({ contact("Adams", "Ann") });
    EXPECT_TRUE(driver->tapRow("Adams  Ann"));
    EXPECT_EQ(chooser->chosen, (std::vector<std::string> { "beta", "Adams" }));
    EXPECT_EQ(list->supportedInterfaceOrientations(), 24u);
}

}  // namespace
