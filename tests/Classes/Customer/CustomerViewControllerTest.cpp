// The customers tab driven as a person would: choosing customers, creating one
// with alternate addresses and contacts, editing and deleting local customers,
// hiding, and submitting to the fake server, whose reply renumbers the
// customer, its rows and its orders. A picture of the tab with a card open is
// left for a person to look at.

#include "CustomerFixture.h"

#include "Classes/Customer/CustomerViewController.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/MessageBox.h"
#include "Classes/Frame/SearchResultTableView.h"
#include "Database/ConfigManager.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UITableView.h"

using namespace CustomerSeed;

namespace {

class CustomerViewControllerTest : public CustomerFixture {
protected:
    void show()
    {
        screen = std::make_shared<CustomerViewController>();
        showRoot(screen);
    }

    std::shared_ptr<UITableView> list() { return screen->customerList()->tableCustomer()->tableView(); }
    std::shared_ptr<UITableView> card() { return screen->customerInfo()->tableCustomerInfo(); }

    std::shared_ptr<CustomerInfoViewHiddenCell> hideHeader()
    {
        card()->setContentOffset(CGPointMake(0, 0));
        driver->settle();
        card()->layoutIfNeeded();
        return std::dynamic_pointer_cast<CustomerInfoViewHiddenCell>(card()->headerViewForSection(0));
    }

    std::shared_ptr<CustomerAttributeCell> cardCell(long row, long section)
    {
        card()->scrollToRowAtIndexPathAtScrollPositionAnimated(
            NSIndexPath::indexPathForRowInSection(row, section), UITableViewScrollPositionMiddle, false);
        driver->settle();
        return std::dynamic_pointer_cast<CustomerAttributeCell>(
            card()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(row, section)));
    }

    void type(long row, long section, const std::string& text)
    {
        auto cell = cardCell(row, section);
        ASSERT_TRUE(cell) << row << "," << section;
        driver->tap(cell->txtAttributeValue());
        driver->typeText(text);
    }

    // Brings the add section's header into view and taps its button.
    bool tapCardButton(const std::string& title)
    {
        const auto& data = screen->customerInfo()->customerInfoGroupData();
        const long c = static_cast<long>(data.customerCompanyData.size());
        const long k = static_cast<long>(data.customerContactData.size());
        const long section = title == text("ADDADDRESS") ? c + 1 : c + k + 2;
        const CGFloat bottom = std::max<CGFloat>(0, card()->contentSize().height - card()->bounds().size.height);
        card()->setContentOffset(CGPointMake(
            0, std::min(bottom, std::max<CGFloat>(0, card()->rectForHeaderInSection(section).origin.y - 100))));
        driver->settle();
        card()->layoutIfNeeded();
        auto header = card()->headerViewForSection(section);
        if (!header || header->subviews().empty())
            return false;
        auto button = std::dynamic_pointer_cast<UIButton>(header->subviews().front());
        if (!button || button->currentTitle() != title)
            return false;
        driver->tap(button);
        return true;
    }

    void storeOrder(int orderId, int customerId)
    {
        ASSERT_TRUE(db()->executeUpdate(
            "INSERT INTO corvelle_quote_order(order_id,customer_id,customer_name,order_number) VALUES(?,?,'x',?)",
            orderId, customerId, "sales01_" + std::to_string(orderId)));
    }

    std::shared_ptr<CustomerViewController> screen;
};

TEST_F(CustomerViewControllerTest, ANewCustomerWithAlternateAddressesAndContactsIsStoredUnderLocalIds)
{
    customer(-1, "Older Local");
    address(-1, -1, "1 Old Rd", "", "", "");
    model()->reloadCustomerData();
    show();
    ASSERT_TRUE(driver->tapButton(text("NEW")));
    EXPECT_TRUE(screen->customerList()->isEditType());
    EXPECT_EQ(screen->customerInfo()->customerType(), 1);

    type(0, 1, "Fresh Trading 新");
    ASSERT_TRUE(tapCardButton(text("ADDADDRESS")));  // left empty: not stored
    ASSERT_TRUE(tapCardButton(text("ADDADDRESS")));

    // Sections now: header, base, primary, two alternates (3, 4), add-address, add-contacts.
    type(0, 4, "9 New St");
    type(1, 4, "Newtown");
    ASSERT_TRUE(tapCardButton(text("ADDCONTACTS")));
    type(0, 6, "Ann");
    type(1, 6, "Lee");
    ASSERT_TRUE(tapCardButton(text("ADDCONTACTS")));
    type(0, 7, "Bo");
    type(1, 7, "Chen");
    ASSERT_TRUE(driver->tapButton(text("DONE")));

    EXPECT_EQ(
        db()->stringForQuery("select customer_name from corvelle_customer where customer_id = -2"), "Fresh Trading 新");
    EXPECT_EQ(count("select count(*) from corvelle_customer_address where customer_id = -2"), 1);
    // One id per alternate group: the empty first one took -2 without being stored.
    EXPECT_EQ(db()->stringForQuery(
                  "select address || '/' || city || '/' || isDefault from corvelle_customer_address where id = -3"),
        "9 New St/Newtown/0");
    EXPECT_EQ(
        db()->stringForQuery(
            "select group_concat(contact_id || ':' || first_name || ' ' || last_name || ':' || isDefault, ',') from "
            "(select * from corvelle_customer_contact where customer_id = -2 order by contact_id desc)"),
        "-1:Ann Lee:1,-2:Bo Chen:0");
    // The name row is not an attribute; "Active" is stored as text.
    EXPECT_EQ(count("select count(*) from corvelle_customer_attribute where customer_id = -2 and attribute_value = "
                    "'Fresh Trading 新'"),
        0);
    EXPECT_EQ(db()->stringForQuery("select attribute_value from corvelle_customer_attribute where customer_id = -2 and "
                                   "attribute_fields_id = 3"),
        "YES");
    EXPECT_EQ(count("select count(*) from corvelle_customer_attribute where customer_id = -2"), 7);

    // The list selects the new customer and the card shows it in display mode.
    EXPECT_FALSE(screen->customerList()->isEditType());
    ASSERT_TRUE(screen->customerInfo()->personInfo());
    EXPECT_EQ(screen->customerInfo()->personInfo()->pid, -2);
    EXPECT_EQ(screen->customerInfo()->customerType(), 0);
    EXPECT_EQ(screen->curPersonInfo()->pid, -2);
    EXPECT_TRUE(list()->indexPathForSelectedRow());
}

TEST_F(CustomerViewControllerTest, EditingALocalCustomerKeepsItsIdAndItsOrders)
{
    customer(-1, "Lowest");
    customer(-3, "Edited Shop");
    attribute(-5, -3, 1, "555-0001");
    contact(-4, -3, "Ann", "Lee");
    storeOrder(-9, -3);
    model()->reloadCustomerData();
    show();
    ASSERT_TRUE(driver->tapRow("Edited Shop") || driver->tapRow(list(), 0, 0));
    screen->customerList()->selectedCustomer(-3);
    ASSERT_EQ(screen->customerInfo()->personInfo()->pid, -3);
    ASSERT_TRUE(driver->tapButton(text("EDIT")));
    auto name = cardCell(0, 1);
    ASSERT_TRUE(name);
    driver->tap(name->txtAttributeValue());
    driver->typeText(" Ltd");
    ASSERT_TRUE(driver->tapButton(text("DONE")));

    EXPECT_EQ(
        db()->stringForQuery("select customer_name from corvelle_customer where customer_id = -3"), "Edited Shop Ltd");
    EXPECT_EQ(count("select count(*) from corvelle_customer"), 2);
    EXPECT_EQ(count("select customer_id from corvelle_quote_order where order_id = -9"), -3);
    // The rows were replaced, not added to.
    EXPECT_EQ(count("select count(*) from corvelle_customer_contact where customer_id = -3"), 1);
    EXPECT_EQ(db()->stringForQuery("select attribute_value from corvelle_customer_attribute where customer_id = -3 and "
                                   "attribute_fields_id = 1"),
        "555-0001");
    EXPECT_EQ(
        count("select count(*) from corvelle_customer_attribute where customer_id = -3 and attribute_fields_id = 1"),
        1);
    EXPECT_EQ(screen->customerInfo()->customerType(), 0);
}

TEST_F(CustomerViewControllerTest, AFailedSaveShowsFailedKeepsEditingAndLeavesTheStoredCustomer)
{
    customer(-1, "Kept Shop");
    contact(-1, -1, "Ann", "Lee");
    attribute(-1, -1, 1, "555-0001");
    model()->reloadCustomerData();
    ASSERT_TRUE(db()->executeUpdate("CREATE TRIGGER fail_contact BEFORE INSERT ON corvelle_customer_contact "
                                    "BEGIN SELECT RAISE(ROLLBACK, 'disk full'); END"));
    show();
    screen->customerList()->selectedCustomer(-1);
    ASSERT_TRUE(driver->tapButton(text("EDIT")));
    auto name = cardCell(0, 1);
    driver->tap(name->txtAttributeValue());
    driver->typeText(" Changed");
    ASSERT_TRUE(driver->tapButton(text("DONE")));

    EXPECT_TRUE(logged(text("FAILED")));
    EXPECT_EQ(screen->customerInfo()->customerType(), 1);
    EXPECT_EQ(db()->stringForQuery("select customer_name from corvelle_customer where customer_id = -1"), "Kept Shop");
    EXPECT_EQ(count("select count(*) from corvelle_customer_attribute where customer_id = -1"), 1);
    EXPECT_EQ(count("select count(*) from corvelle_customer_contact where customer_id = -1"), 1)
        << "the failed save took nothing away";

    // A new customer that fails leaves nothing at all.
    ASSERT_TRUE(db()->executeUpdate("DROP TRIGGER fail_contact"));
    ASSERT_TRUE(db()->executeUpdate("CREATE TRIGGER fail_attribute BEFORE INSERT ON corvelle_customer_attribute "
                                    "BEGIN SELECT RAISE(ROLLBACK, 'disk full'); END"));
    ASSERT_TRUE(driver->tapButton(text("CANCEL")));
    ASSERT_TRUE(driver->tapButton(text("NEW")));
    type(0, 1, "Doomed");
    ASSERT_TRUE(driver->tapButton(text("DONE")));
    EXPECT_EQ(count("select count(*) from corvelle_customer where customer_id = -2"), 0);
    EXPECT_EQ(screen->customerInfo()->customerType(), 1);
}

TEST_F(CustomerViewControllerTest, SwipingALocalCustomerAwayDeletesItAndEmptiesTheCard)
{
    customer(-1, "Gone Shop");
    contact(-1, -1, "Ann", "Lee");
    customer(2, "Server Shop");
    model()->reloadCustomerData();
    show();
    screen->customerList()->selectedCustomer(-1);
    ASSERT_TRUE(screen->customerInfo()->personInfo());
    auto cell = list()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 0));
    ASSERT_TRUE(cell);
    driver->drag(cell, -120, 0);
    ASSERT_TRUE(cell->deleteConfirmationButton());
    driver->tap(cell->deleteConfirmationButton());
    EXPECT_EQ(count("select count(*) from corvelle_customer where customer_id = -1"), 0);
    EXPECT_EQ(count("select count(*) from corvelle_customer_contact where customer_id = -1"), 0);
    EXPECT_FALSE(screen->customerInfo()->personInfo());
    EXPECT_EQ(card()->numberOfSections(), 0);
}

TEST_F(CustomerViewControllerTest, HidingGreysTheRowOrTakesTheCustomerAwayWhenHiddenOnesAreNotShown)
{
    customer(1, "Alpha");
    customer(2, "Beta");
    model()->reloadCustomerData();
    show();
    screen->customerList()->selectedCustomer(1);
    auto header = hideHeader();
    ASSERT_TRUE(header);
    driver->tap(header->switchView());
    EXPECT_EQ(count("select hidden from corvelle_customer where customer_id = 1"), 1);
    EXPECT_TRUE(screen->customerList()->allCustomerdic().at(1).hidden);
    EXPECT_EQ(list()->numberOfRowsInSection(0), 1);

    ConfigManager::sharedInstance()->setIsShowAllCustomer(false);
    screen->customerList()->selectedCustomer(2);
    header = hideHeader();
    ASSERT_TRUE(header);
    driver->tap(header->switchView());
    EXPECT_EQ(screen->customerList()->tableCustomer()->customerlist().size(), 0u);
    EXPECT_FALSE(screen->customerInfo()->personInfo());
}

TEST_F(CustomerViewControllerTest, SubmittingRenumbersTheCustomerItsRowsAndItsOrders)
{
    customer(-1, "Local Shop");
    contact(-1, -1, "Ann", "Lee");
    address(-2, -1, "1 Road", "Town", "TX", "1");
    attribute(-3, -1, 1, "555");
    storeOrder(-5, -1);
    model()->reloadCustomerData();
    frontDoor->replyTo(520, FakeFrontDoor::envelope("200", R"({
        "corvelle_customer": [{"preId": -1, "customerId": 120}],
        "corvelle_customer_address": [{"preId": -2, "id": 940, "customerId": 120}],
        "corvelle_customer_attribute": [{"preId": -3, "attributeId": 930, "customerId": 120}],
        "corvelle_customer_contact": [{"preId": -1, "contactId": 950, "customerId": 120}]})"),
        1.0);
    show();
    screen->customerList()->selectedCustomer(-1);
    auto header = hideHeader();
    ASSERT_TRUE(header);

    // CANCEL sends nothing.
    driver->tap(header->submitButton());
    ASSERT_TRUE(driver->visibleAlert());
    EXPECT_EQ(driver->visibleAlert()->message(), text("CUSTOMERSUBMIT"));
    ASSERT_TRUE(driver->tapAlertButton(text("CANCEL")));
    driver->advance(1);
    EXPECT_TRUE(frontDoor->messagesFor(520).empty());
    EXPECT_FALSE(screen->submitPerson());

    driver->tap(header->submitButton());
    ASSERT_TRUE(driver->tapAlertButton(text("SUBMIT")));
    EXPECT_NE(MessageBox::sharedInstance()->waitMsgBoxtag(), 0);
    ASSERT_EQ(frontDoor->messagesFor(520).size(), 1u);
    driver->advance(1.5);
    EXPECT_EQ(MessageBox::sharedInstance()->waitMsgBoxtag(), 0);
    EXPECT_EQ(count("select count(*) from corvelle_customer where customer_id < 0"), 0);
    EXPECT_EQ(count("select customer_id from corvelle_customer_contact where contact_id = 950"), 120);
    EXPECT_EQ(count("select customer_id from corvelle_customer_address where id = 940"), 120);
    EXPECT_EQ(count("select customer_id from corvelle_customer_attribute where attribute_id = 930"), 120);
    EXPECT_EQ(count("select customer_id from corvelle_quote_order where order_id = -5"), 120);
    // The card is blank until a customer is chosen again; the list shows the server id.
    EXPECT_EQ(card()->numberOfSections(), 0);
    ASSERT_EQ(screen->customerList()->allCustomerdic().count(120), 1u);
}

TEST_F(CustomerViewControllerTest, AReloadFlagEmptiesTheCardOnAppearing)
{
    customer(1, "Alpha");
    model()->reloadCustomerData();
    show();
    screen->customerList()->selectedCustomer(1);
    ASSERT_TRUE(screen->customerInfo()->personInfo());
    customer(2, "Beta");
    model()->reloadCustomerData();
    ConfigManager::sharedInstance()->flagDic()["Needreloadcustomer"] = "YES";
    showRoot(std::make_shared<UIViewController>());
    showRoot(screen);
    EXPECT_FALSE(screen->customerInfo()->personInfo());
    EXPECT_EQ(ConfigManager::sharedInstance()->flagDic()["Needreloadcustomer"], "NO");
    EXPECT_EQ(screen->customerList()->allCustomerdic().size(), 2u);
}

TEST_F(CustomerViewControllerTest, SearchingByCustomerAndByContactShowsHitsAndChoosesOne)
{
    customer(1, "Acme Tools");
    contact(1, 1, "Ann", "Lee");
    customer(2, "Bolt & Nut");
    contact(2, 2, "Bo", "Chen");
    customer(3, "100% Cotton");
    model()->reloadCustomerData();
    show();
    auto search = screen->customerList()->searchBar();
    driver->tap(search);
    driver->typeText("zzz");
    EXPECT_FALSE(screen->popResult()->isPopoverVisible());
    for (int i = 0; i < 3; ++i)
        driver->pressBackspace();
    driver->typeText("100%");
    ASSERT_TRUE(screen->popResult()->isPopoverVisible());
    ASSERT_EQ(screen->tableResult()->arrResult().size(), 1u);
    // The search button takes a single hit.
    driver->pressReturn();
    EXPECT_FALSE(screen->popResult()->isPopoverVisible());
    ASSERT_TRUE(screen->customerInfo()->personInfo());
    EXPECT_EQ(screen->customerInfo()->personInfo()->pid, 3);

    // White space only closes the popover and restores the list.
    driver->tap(search);
    for (int i = 0; i < 4; ++i)
        driver->pressBackspace();
    // The emptied search finds the chosen customer again, which closes the keyboard.
    EXPECT_FALSE(search->isFirstResponderOrEditing());
    driver->tap(search);
    driver->typeText("o");
    EXPECT_TRUE(screen->popResult()->isPopoverVisible());
    driver->pressBackspace();
    driver->typeText("  ");
    EXPECT_FALSE(screen->popResult()->isPopoverVisible());

    // By contact, the names in either order find the contact; choosing it shows its customer.
    screen->customerList()->sortSegmentedCtrl()->setSelectedSegmentIndex(1);
    screen->customerList()->sortSegmentedCtrl()->sendActionsForControlEvents(UIControlEventValueChanged);
    for (const char* typed : { "Lee Ann", "AnnLee", "ann lee" }) {
        SCOPED_TRACE(typed);
        driver->tap(search);
        while (!search->text().empty())
            driver->pressBackspace();
        driver->tap(search);
        driver->typeText(typed);
        ASSERT_TRUE(screen->popResult()->isPopoverVisible());
        EXPECT_TRUE(screen->tableResult()->byContact());
        ASSERT_EQ(screen->tableResult()->arrResult().size(), 1u);
    }
    ASSERT_TRUE(driver->tapRow(screen->tableResult()->tableView(), 0));
    EXPECT_FALSE(screen->popResult()->isPopoverVisible());
    ASSERT_TRUE(screen->customerInfo()->personInfo());
    EXPECT_EQ(screen->customerInfo()->personInfo()->pid, 1);
}

TEST_F(CustomerViewControllerTest, PictureOfTheTabWithACardOpen)
{
    customer(-1, "北京贸易 Trading");
    attribute(-1, -1, 1, "+86 10 5555 0100");
    attribute(-2, -1, 3, "YES");
    attribute(-3, -1, 6, "Beijing");
    address(-1, -1, "100 Chaoyang Rd", "Beijing", "BJ", "100020", true);
    contact(-1, -1, "Wei", "Zhang", "wei@example.test");
    contact(-2, -1, "Ann", "Lee");
    customer(2, "Acme Tools");
    customer(3, "Bolt & Nut");
    customer(4, "3M Partners");
    model()->reloadCustomerData();
    show();
    screen->customerList()->selectedCustomer(-1);
    const std::string path = UIDriver::snapshotPath("CustomersTabWithCard.png");
    ASSERT_TRUE(driver->renderToPNG(path));
    std::cout << "customers tab: " << path << std::endl;
}

}  // namespace
