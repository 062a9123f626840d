// The list pane with its grouped table, shown in a window and driven by taps:
// the groupings and their "#" section, collapsing and expanding, focusing,
// swiping a local customer away, and what the pane passes to its delegate.

#include "CustomerFixture.h"

#include "Classes/Customer/CustomerListCell.h"
#include "Classes/Customer/CustomerListView.h"
#include "Classes/Frame/Language.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UISearchBar.h"
#include "Platform/UIKit/UITableView.h"
#include "Platform/UIKit/UIViewContrastCheck.h"
#include "Platform/UIKit/UIViewRendering.h"

using namespace CustomerSeed;

namespace {

class Recorder : public CustomerListViewDelegate {
public:
    void searchTextDidChange(const std::string& text) override { calls.push_back("name:" + text); }
    void searchTextDidChangeByContact(const std::string& text) override { calls.push_back("contact:" + text); }
    void dismissPopoverController() override { calls.push_back("search"); }
    void changedCustomerFirstNameLastName(const std::shared_ptr<PersonInfo>& person,
        const std::optional<std::string>& first, const std::optional<std::string>& last) override
    {
        chosen.push_back(person->pid.value_or(0));
        chosenNames.push_back(first.value_or("-") + "/" + last.value_or("-"));
    }
    bool implementsAddNewCustomer() const override { return true; }
    void addNewCustomer(const std::shared_ptr<UIResponder>&) override { calls.push_back("new"); }
    void deleteLocalCustomer(int customerId) override { deleted.push_back(customerId); }

    std::vector<std::string> calls;
    std::vector<int> chosen;
    std::vector<std::string> chosenNames;
    std::vector<int> deleted;
};

class CustomerListViewTest : public CustomerFixture {
protected:
    void show()
    {
        host = std::make_shared<UIViewController>();
        showRoot(host);
        pane = CustomerListView::make(CGRectMake(0, 0, 360, 682));
        recorder = std::make_shared<Recorder>();
        pane->setDelegate(recorder);
        host->view()->addSubview(pane);
        pane->setAllCustomerdic(model()->customerInfoDic());
        driver->settle();
    }

    std::shared_ptr<UITableView> table() { return pane->tableCustomer()->tableView(); }

    std::vector<std::string> titles()
    {
        std::vector<std::string> out;
        for (const auto& group : pane->tableCustomer()->customerlist())
            out.push_back(group->prefex);
        return out;
    }

    // The names a group shows, in order.
    std::vector<std::string> rows(const std::string& title)
    {
        std::vector<std::string> out;
        for (const auto& group : pane->tableCustomer()->customerlist()) {
            if (group->prefex != title)
                continue;
            for (const auto& row : group->arrayPersons) {
                if (auto contact = std::get_if<std::shared_ptr<ContactMode>>(&row))
                    out.push_back((*contact)->fristName + " " + (*contact)->lastName);
                else
                    out.push_back(personOfGroupRow(row)->name.value_or(""));
            }
        }
        return out;
    }

    void tapSegment(long index)
    {
        auto control = pane->sortSegmentedCtrl();
        const CGRect b = control->bounds();
        const CGFloat width = b.size.width / 3;
        driver->tapAt(control->convertPointToView(CGPointMake(width * index + width / 2, b.size.height / 2), nullptr));
    }

    std::shared_ptr<UIViewController> host;
    std::shared_ptr<CustomerListView> pane;
    std::shared_ptr<Recorder> recorder;
};

TEST_F(CustomerListViewTest, GroupsByNameWithPinyinInitialsAndHashLast)
{
    customer(1, "banana Ltd");
    customer(2, "Apple Inc");
    customer(3, "北京贸易");  // Bei jing
    customer(4, "3M Partners");
    customer(5, "   ");  // blank: not listed
    customer(6, "@home");
    customer(7, "张三 & Co");  // Zhang
    model()->reloadCustomerData();
    show();
    EXPECT_EQ(titles(), (std::vector<std::string> { "A", "B", "Z", "#" }));
    EXPECT_EQ(rows("B"), (std::vector<std::string> { "banana Ltd", "北京贸易" }));
    EXPECT_EQ(rows("#"), (std::vector<std::string> { "3M Partners", "@home" }));
    auto header = std::dynamic_pointer_cast<SectionHeaderView>(table()->headerViewForSection(0));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->titleLabel()->text(), "A");
}

TEST_F(CustomerListViewTest, ContactAndStateGroupingsAndThePhoneFallback)
{
    customer(1, "Acme");
    contact(1, 1, "Ann", "Lee");
    contact(2, 1, "Carl", "cole");
    customer(2, "Nobody Inc");
    customer(3, "Zed");
    contact(3, 3, "Wei", "王");
    contact(4, 3, "Ola", "");
    attribute(1, 1, 6, "New York");
    attribute(2, 3, 6, "New York");
    attribute(3, 2, 6, "9th District");
    model()->reloadCustomerData();
    show();

    tapSegment(1);
    EXPECT_EQ(pane->selectedRow(), 1);
    EXPECT_EQ(titles(), (std::vector<std::string> { "C", "L", "W", "#" }));
    EXPECT_EQ(rows("#"), (std::vector<std::string> { " Nobody Inc", "Ola " }));
    EXPECT_EQ(rows("W"), (std::vector<std::string> { "Wei 王" }));

    tapSegment(2);
    EXPECT_EQ(titles(), (std::vector<std::string> { "New York", "#" }));
    EXPECT_EQ(rows("New York"), (std::vector<std::string> { "Acme", "Zed" }));
    auto header = std::dynamic_pointer_cast<SectionHeaderView>(table()->headerViewForSection(0));
    ASSERT_TRUE(header);
    EXPECT_EQ(header->titleLabel()->text(), "NEW YORK");

    // Nobody has a phone: the phone grouping shows the name grouping, and stays in force.
    pane->tableCustomer()->groupPersonsBy(3);
    EXPECT_EQ(titles(), (std::vector<std::string> { "A", "N", "Z" }));
    EXPECT_EQ(pane->tableCustomer()->currentSoryByType(), 3);
}

TEST_F(CustomerListViewTest, TypingGoesToTheDelegateByTheChosenSort)
{
    customer(1, "Acme");
    model()->reloadCustomerData();
    show();
    driver->tap(pane->searchBar());
    driver->typeText("a");
    driver->typeText("c");
    tapSegment(1);
    driver->tap(pane->searchBar());
    driver->typeText("e");
    driver->pressBackspace();
    driver->pressBackspace();
    driver->pressBackspace();
    driver->typeText(" ");
    EXPECT_EQ(recorder->calls,
        (std::vector<std::string> {
            "name:a", "name:ac", "contact:ace", "contact:ac", "contact:a", "name:", "name: " }));
}

TEST_F(CustomerListViewTest, CollapsingAndExpandingASectionOnTheHeader)
{
    for (int i = 1; i <= 3; ++i)
        customer(i, "Alpha " + std::to_string(i));
    customer(4, "Beta");
    model()->reloadCustomerData();
    show();
    EXPECT_EQ(table()->numberOfRowsInSection(0), 3);
    driver->tap(table()->headerViewForSection(0));
    EXPECT_EQ(table()->numberOfRowsInSection(0), 0);
    EXPECT_FALSE(pane->tableCustomer()->customerlist()[0]->opened);
    driver->tap(table()->headerViewForSection(0));
    EXPECT_EQ(table()->numberOfRowsInSection(0), 3);
    EXPECT_TRUE(pane->tableCustomer()->customerlist()[0]->indexPaths.empty());
}

TEST_F(CustomerListViewTest, CollapsingAScrolledAwaySectionScrollsToItFirst)
{
    for (int i = 1; i <= 20; ++i)
        customer(i, "Alpha " + std::to_string(i));
    customer(30, "Beta");
    model()->reloadCustomerData();
    show();
    table()->setContentOffset(CGPointMake(0, 600));
    driver->settle();
    auto header = table()->headerViewForSection(0);
    ASSERT_TRUE(header);
    driver->tap(header);
    driver->advance(1);
    EXPECT_EQ(table()->numberOfRowsInSection(0), 20);
    // The first row at the top, just below its pinned header.
    EXPECT_EQ(table()->contentOffset().y,
        table()->rectForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 0)).origin.y
            - CustomerTable::kHeaderHeight);
    driver->tap(table()->headerViewForSection(0));
    EXPECT_EQ(table()->numberOfRowsInSection(0), 0);
}

TEST_F(CustomerListViewTest, ChoosingARowTellsTheDelegateAndFocusOpensACollapsedGroup)
{
    customer(1, "Acme");
    customer(2, "Bolt");
    contact(1, 2, "Ann", "Lee");
    model()->reloadCustomerData();
    show();
    ASSERT_TRUE(driver->tapRow(table(), 0, 1));
    EXPECT_EQ(recorder->chosen, std::vector<int> { 2 });
    EXPECT_EQ(pane->tableCustomer()->selectedPID(), 2);

    // The customer's group is collapsed: focusing it opens the group first.
    driver->tap(table()->headerViewForSection(0));
    ASSERT_EQ(table()->numberOfRowsInSection(0), 0);
    pane->selectedCustomer(1);
    EXPECT_EQ(table()->numberOfRowsInSection(0), 1);
    EXPECT_EQ(table()->indexPathForSelectedRow(), NSIndexPath::indexPathForRowInSection(0, 0));
    EXPECT_EQ(recorder->chosen, (std::vector<int> { 2, 1 }));

    // In the contact grouping the row reports the contact's names.
    tapSegment(1);
    ASSERT_TRUE(driver->tapRow(table(), 0, 0));
    EXPECT_EQ(recorder->chosenNames.back(), "Ann/Lee");
}

// Focusing a customer brings its group's first row to the top of the list:
// the row stands whole below the group's pinned header, its name in white on
// the selection, not hidden under the header.
TEST_F(CustomerListViewTest, AFocusedCustomerShowsWholeBelowItsHeader)
{
    for (int id = 1; id <= 24; ++id)
        customer(id, std::string(1, char('A' + (id - 1) / 3)) + "name " + std::to_string(id));
    model()->reloadCustomerData();
    show();
    pane->selectedCustomer(7);
    driver->settle();

    auto path = table()->indexPathForSelectedRow();
    ASSERT_TRUE(path);
    auto cell = std::dynamic_pointer_cast<CustomerListCell>(table()->cellForRowAtIndexPath(*path));
    ASSERT_TRUE(cell);
    auto header = table()->headerViewForSection(path->section());
    ASSERT_TRUE(header);
    const CGRect tableOnScreen = table()->convertRectToView(table()->bounds(), nullptr);
    const CGRect headerOnScreen = header->convertRectToView(header->bounds(), nullptr);
    const CGRect rowOnScreen = cell->convertRectToView(cell->bounds(), nullptr);
    EXPECT_EQ(headerOnScreen.origin.y, tableOnScreen.origin.y);
    EXPECT_EQ(rowOnScreen.origin.y, CGRectGetMaxY(headerOnScreen));
    EXPECT_EQ(rowOnScreen.size.height, CustomerTable::kRowHeight);

    auto name = cell->lbcustomer_name();
    EXPECT_EQ(name->text(), "Cname 7");
    EXPECT_TRUE(name->textColor()->isEqual(UIColor::whiteColor()));
    const CGRect nameOnScreen = name->convertRectToView(name->bounds(), nullptr);
    EXPECT_GE(nameOnScreen.origin.y, CGRectGetMaxY(headerOnScreen));
}

TEST_F(CustomerListViewTest, OnlyLocalCustomersCanBeSwipedAway)
{
    customer(-1, "Local One");
    customer(5, "Server One");
    model()->reloadCustomerData();
    show();
    auto local = std::dynamic_pointer_cast<CustomerListCell>(
        table()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 0)));
    auto server = std::dynamic_pointer_cast<CustomerListCell>(
        table()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 1)));
    ASSERT_TRUE(local && server);
    EXPECT_EQ(local->lbcustomer_name()->text(), "Local One");
    EXPECT_FALSE(local->tagLocal()->isHidden());
    EXPECT_EQ(local->tagLocal()->currentTitle(), Language::stringOrKey("LOCAL"));
    EXPECT_TRUE(server->tagLocal()->isHidden());

    driver->drag(server, -120, 0);
    EXPECT_FALSE(table()->rowShowingDeleteConfirmation());
    driver->drag(local, -120, 0);
    ASSERT_TRUE(table()->rowShowingDeleteConfirmation());
    EXPECT_EQ(local->tagLocal()->frame().origin.x, 180.0);
    driver->tap(local->deleteConfirmationButton());
    EXPECT_EQ(recorder->deleted, std::vector<int> { -1 });
    // The row is gone at once; its group stays, empty.
    EXPECT_EQ(table()->numberOfRowsInSection(0), 0);
    EXPECT_EQ(table()->numberOfSections(), 2);
}

TEST_F(CustomerListViewTest, NewButtonNeedsAttributeFieldsAndMovesTheTable)
{
    show();
    driver->tapButton(Language::stringOrKey("NEW"));
    EXPECT_EQ(recorder->calls, std::vector<std::string> { "new" });
    EXPECT_TRUE(pane->isEditType());
    EXPECT_EQ(pane->tableCustomer()->view()->frame(), CGRectMake(0, 193, 360, 489));
    EXPECT_FALSE(pane->newCustomerCell()->isHidden());
    pane->customerListViewCancle(nullptr);
    EXPECT_EQ(pane->tableCustomer()->view()->frame(), CGRectMake(0, 133, 360, 549));
    EXPECT_FALSE(pane->isEditType());

    // Without attribute fields the button only shows a note.
    ASSERT_TRUE(db()->executeUpdate("DELETE FROM corvelle_fields_customer_attribute"));
    model()->reloadCustomerData();
    driver->tapButton(Language::stringOrKey("NEW"));
    EXPECT_EQ(recorder->calls.size(), 1u);
    EXPECT_FALSE(pane->isEditType());
    EXPECT_TRUE(logged(Language::stringOrKey("NOTEUPDATECUSTOMER")));
}

TEST_F(CustomerListViewTest, ContactNamesShareOneLine)
{
    show();
    auto cell = std::make_shared<CustomerListCell>(UITableViewCellStyleSubtitle, std::string("Cell"));
    cell->setFristNameWithLastName("Ann", "Lee");
    const CGRect first = cell->fristNameLabel()->frame();
    const CGRect last = cell->lastNameLabel()->frame();
    EXPECT_EQ(first.origin.x, 15);
    EXPECT_EQ(last.origin.x, first.size.width + 18);
    EXPECT_EQ(cell->lbcustomer_name()->text(), "");
    cell->setFristNameWithLastName(std::string(80, 'W'), "Lee");
    EXPECT_EQ(cell->fristNameLabel()->frame().size.width, 250);
    EXPECT_EQ(cell->lastNameLabel()->frame().size.width, 0);
}

}  // namespace

// The search bar reads as one white field on its bar: what shows around the
// field is the bar, not a second field drawn under the first.
TEST_F(CustomerListViewTest, TheSearchFieldStandsOnItsBarNotInAnotherField)
{
    show();
    auto picture = UIViewRenderToImage(*pane->searchBar());
    ASSERT_TRUE(picture);
    const auto& pixels = *picture->CGImage();
    auto ratio = [&pixels](CGPoint a, CGPoint b) {
        const CGPixel p = pixels.pixelAt(static_cast<size_t>(a.x), static_cast<size_t>(a.y));
        const CGPixel q = pixels.pixelAt(static_cast<size_t>(b.x), static_cast<size_t>(b.y));
        return UIColorContrastRatio(
            p.red / 255.0, p.green / 255.0, p.blue / 255.0, q.red / 255.0, q.green / 255.0, q.blue / 255.0);
    };
    // Left and right of the field, against the field's own white.
    const CGPoint inField = CGPointMake(220, 17);
    for (const CGPoint margin : { CGPointMake(4, 17), CGPointMake(266, 17) })
        EXPECT_GT(ratio(margin, inField), 1.3) << margin.x;
}
