// The customer cache: loading, both searches, default addresses, local saving,
// the upload document and the server's reply (through the front door).

#include "CustomerFixture.h"

#include "Database/ConfigManager.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/MessageBox.h"
#include "Network/Protocol/ProtocolServices.h"
#include "Network/Protocol/QDJsonParser.h"
#include "Network/Protocol/SessionServices.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIAlertView.h"

#include <algorithm>

using namespace CustomerSeed;

namespace {

std::vector<int> ids(const std::vector<std::shared_ptr<PersonInfo>>& persons)
{
    std::vector<int> out;
    for (const auto& p : persons)
        out.push_back(p->pid.value_or(0));
    return out;
}

std::vector<std::string> names(const std::vector<std::shared_ptr<ContactMode>>& contacts)
{
    std::vector<std::string> out;
    for (const auto& c : contacts)
        out.push_back(c->fristName + " " + c->lastName);
    return out;
}

class CustomerDataModelTest : public CustomerFixture {
protected:
    // Three server customers and one local one, with attributes, addresses and contacts.
    void seedCustomers()
    {
        customer(10, "Acme Tools");
        attribute(100, 10, 1, "555-0100");
        attribute(101, 10, 3, "YES");
        attribute(102, 10, 4, "1 Main St");
        attribute(103, 10, 6, "New York");
        address(1000, 10, "9 Side Rd", "Albany", "NY", "12207", true);
        contact(500, 10, "Ann", "Lee", "ann@acme.test");
        contact(501, 10, "Bob", "", "bob@acme.test");

        customer(20, "北京贸易 Trading");
        attribute(200, 20, 6, "Beijing");
        address(2000, 20, "Chaoyang 100%", "Beijing", "BJ", "100000");
        address(2001, 20, "Chaoyang \"East\"", "Beijing", "BJ", "100001");
        contact(502, 20, "Wei", "Zhang");

        customer(30, "Hidden Co", true);
        contact(503, 30, "Ann", "Hidden");

        customer(-1, "Local Shop");
        attribute(-1, -1, 3, "NO");
        contact(-1, -1, "Lena", "Local");
    }
};

TEST_F(CustomerDataModelTest, LoadsOneSummaryPerRowAndLeavesHiddenOutWhenAsked)
{
    seedCustomers();
    EXPECT_EQ(ids(model()->allSearchPersonList()), (std::vector<int> { -1, 10, 20, 30 }));
    auto acme = model()->allSearchPersonList()[1];
    EXPECT_EQ(acme->name, "Acme Tools");
    ASSERT_TRUE(acme->contact && acme->address && acme->attribute);
    EXPECT_EQ(acme->contact->size(), 2u);
    EXPECT_EQ(acme->attribute->size(), 4u);
    EXPECT_TRUE(model()->allSearchPersonList()[3]->hidden);
    EXPECT_EQ(model()->allAttributes().size(), 7u);

    ConfigManager::sharedInstance()->setIsShowAllCustomer(false);
    model()->reloadCustomerData();
    EXPECT_EQ(ids(model()->allSearchPersonList()), (std::vector<int> { -1, 10, 20 }));
    EXPECT_TRUE(model()->customerSearch("Hidden").empty());
    EXPECT_TRUE(names(model()->customerSearchByContact("Hidden")).empty());

    // The hide switch changes the cached row only.
    model()->updateCustomerInfoDicWithHidden(10, 1);
    EXPECT_TRUE(model()->customerInfoDic().at(10).hidden);
    EXPECT_FALSE(model()->allSearchPersonList()[1]->hidden);
    EXPECT_EQ(model()->getNoHiddenCustomerData(false).count(10), 0u);
    model()->updateCustomerInfoDicWithHidden(99, 1);  // not cached: nothing happens
    EXPECT_EQ(model()->getNoHiddenCustomerData(true).count(10), 1u);
}

TEST_F(CustomerDataModelTest, SearchByCustomerMatchesAnyFieldOnceIgnoringCase)
{
    seedCustomers();
    struct Case {
        std::optional<std::string> text;
        std::vector<int> expected;
    };
    const Case cases[] = {
        { std::nullopt, {} },
        { "   ", {} },
        { "", {} },
        { "acme", { 10 } },  // name, any case
        { "555-01", { 10 } },  // attribute value
        { "albany", { 10 } },  // address city
        { "BOB@", { 10 } },  // contact e-mail
        { "trading", { 20 } },  // Latin part of a mixed name
        { "北京", { 20 } },  // Chinese part
        { "100%", { 20 } },  // "%" is only a character
        { "\"East\"", { 20 } },  // quotes too
        { "'", {} },
        { "lena", { -1 } },
        { "an", { 10, 20, 30 } },  // each customer once although several fields match
        { "zzz", {} },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ids(model()->customerSearch(c.text)), c.expected) << c.text.value_or("<nil>");
}

TEST_F(CustomerDataModelTest, SearchByContactFindsFullNamesInEitherOrderAndEachContactOnce)
{
    seedCustomers();
    struct Case {
        std::string text;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        { "Ann Lee", { "Ann Lee" } },
        { "AnnLee", { "Ann Lee" } },
        { "lee ann", { "Ann Lee" } },
        { "bob", { "Bob " } },
        { "Bob ", {} },  // the text is searched untrimmed
        { "Bob Acme", {} },  // Bob has no last name: no full-name test
        { "acme tools", { "Ann Lee", "Bob " } },  // the customer's name gives all its contacts
        { "Chaoyang", { "Wei Zhang" } },  // both addresses match: the contact still comes once
        { "12207", { "Ann Lee", "Bob " } },
        { "  ", {} },
    };
    for (const auto& c : cases)
        EXPECT_EQ(names(model()->customerSearchByContact(c.text)), c.expected) << c.text;
    auto hits = model()->customerSearchByContact("Wei");
    ASSERT_EQ(hits.size(), 1u);
    EXPECT_EQ(hits[0]->personInfo->pid, 20);
}

TEST_F(CustomerDataModelTest, DefaultAddressComesFromTheDefaultAddressElseTheAttributes)
{
    seedCustomers();
    using Dictionary = std::map<std::string, std::string>;
    EXPECT_EQ(model()->getDefaultAddressByCustomer(10),
        (Dictionary { { "Address", "9 Side Rd" }, { "City", "Albany" }, { "State/Province/Region", "NY" },
            { "Zip Code", "12207" }, { "Phone", "555-0100" }, { "Active", "YES" } }));
    // No default address: the attributes give the address keys that they hold.
    EXPECT_EQ(model()->getDefaultAddressByCustomer(20), (Dictionary { { "State/Province/Region", "Beijing" } }));
    EXPECT_TRUE(model()->getDefaultAddressByCustomer(77).empty());
}

TEST_F(CustomerDataModelTest, SavedLocalCustomersTakeTheNextLocalIds)
{
    const int first
        = model()->saveCustomerWithNameStreetCityStateZipCode("First", "1 Road", std::nullopt, "CA", "90001");
    const int second = model()->saveCustomerWithNameStreetCityStateZipCode(
        "Second", std::nullopt, std::nullopt, std::nullopt, std::nullopt);
    EXPECT_EQ(first, -1);
    EXPECT_EQ(second, -2);
    EXPECT_EQ(count("select min(attribute_id) from corvelle_customer_attribute where customer_id = -1"), -7);
    EXPECT_EQ(count("select max(attribute_id) from corvelle_customer_attribute where customer_id = -2"), -8);
    EXPECT_EQ(count("select min(attribute_id) from corvelle_customer_attribute where customer_id = -2"), -14);
    EXPECT_EQ(db()->stringForQuery(
                  "select group_concat(attribute_fields_id || '=' || attribute_value, ',') from "
                  "(select * from corvelle_customer_attribute where customer_id = -1 order by attribute_id desc)"),
        "1=,2=,3=YES,4=1 Road,5=,6=CA,7=90001");
    EXPECT_EQ(count("select count(*) from corvelle_customer_address"), 0);
    // The cache was reloaded: the quote-order editor finds the new customer at once.
    EXPECT_EQ(ids(model()->customerSearch("second")), std::vector<int> { -2 });
    EXPECT_EQ(model()->getDefaultAddressByCustomer(-1).at("Address"), "1 Road");
}

TEST_F(CustomerDataModelTest, VeryLongAndMixedNamesAreStoredAndFoundWhole)
{
    std::string longName;
    for (int i = 0; i < 2000; ++i)
        longName += i % 2 ? "贸易" : "Trade ";
    const int id = model()->saveCustomerWithNameStreetCityStateZipCode(longName + "END", "", "", "", "");
    ASSERT_EQ(id, -1);
    EXPECT_EQ(
        db()->stringForQuery("select customer_name from corvelle_customer where customer_id = -1"), longName + "END");
    EXPECT_EQ(ids(model()->customerSearch("易tradeEND")), std::vector<int> {});
    EXPECT_EQ(ids(model()->customerSearch("易trade 贸")), std::vector<int> { -1 });
    EXPECT_EQ(ids(model()->customerSearch("贸易END")), std::vector<int> { -1 });
}

TEST_F(CustomerDataModelTest, SavingWithoutAPhoneFieldStoresFieldIdZero)
{
    ASSERT_TRUE(db()->executeUpdate("DELETE FROM corvelle_fields_customer_attribute WHERE field_name = 'Phone'"));
    const int id = model()->saveCustomerWithNameStreetCityStateZipCode("No Phone", "", "", "", "");
    EXPECT_EQ(
        count("select attribute_fields_id from corvelle_customer_attribute where attribute_id = -1 and customer_id = "
            + std::to_string(id)),
        0);
}

TEST_F(CustomerDataModelTest, AFailedSaveAnswersZeroAndLeavesNothingBehind)
{
    for (const char* table : { "corvelle_customer", "corvelle_customer_attribute" }) {
        SCOPED_TRACE(table);
        const std::string trigger = std::string("fail_") + table;
        ASSERT_TRUE(db()->executeUpdate("CREATE TRIGGER " + trigger + " BEFORE INSERT ON " + table
            + " BEGIN SELECT RAISE(ROLLBACK, 'disk full'); END"));
        EXPECT_EQ(model()->saveCustomerWithNameStreetCityStateZipCode("Doomed", "1 Road", "", "", ""), 0);
        EXPECT_EQ(count("select count(*) from corvelle_customer"), 0);
        EXPECT_EQ(count("select count(*) from corvelle_customer_attribute"), 0);
        EXPECT_TRUE(model()->customerSearch("Doomed").empty());
        ASSERT_TRUE(db()->executeUpdate("DROP TRIGGER " + trigger));
    }
    EXPECT_EQ(model()->saveCustomerWithNameStreetCityStateZipCode("Fine", "", "", "", ""), -1);
}

TEST_F(CustomerDataModelTest, PersonInfoCopiesShareListsButNotFlags)
{
    seedCustomers();
    auto original = model()->allSearchPersonList()[1];
    auto copy = original->copy();
    EXPECT_EQ(copy->pid, original->pid);
    EXPECT_EQ(copy->name, original->name);
    EXPECT_EQ(copy->attribute, original->attribute);
    EXPECT_EQ(copy->address, original->address);
    EXPECT_EQ(copy->contact, original->contact);
    copy->hidden = true;
    EXPECT_FALSE(original->hidden);
    original->hidden = true;
    copy->hidden = false;
    EXPECT_TRUE(original->hidden);
    (*copy->attribute)[0]->attributeValue = "changed";
    EXPECT_EQ((*original->attribute)[0]->attributeValue, "changed");
}

// ---- Upload ----

class CustomerUploadTest : public CustomerDataModelTest {
protected:
    void SetUp() override
    {
        CustomerDataModelTest::SetUp();
        observer = NSNotificationCenter::defaultCenter().addObserver(
            this, "UPLOADCUSTOMERRESPOND", [this](const NSNotification& n) { posted.push_back(n.object); });
        SessionServices::services().showLoginPage = [this] { ++loggedOut; };
        ProtocolServices::services().logoutWithLockedUser =
            [this](const std::string& status, const std::optional<std::string>&) { lockedStatuses.push_back(status); };
    }
    void TearDown() override
    {
        NSNotificationCenter::defaultCenter().removeObserver(this);
        SessionServices::services() = SessionServices::Services();
        CustomerDataModelTest::TearDown();
    }

    // The submission told its listeners it failed, and an alert is on screen.
    std::shared_ptr<UIAlertView> failedWithAlert()
    {
        EXPECT_EQ(posted.size(), 1u);
        if (posted.size() != 1)
            return nullptr;
        EXPECT_FALSE(posted[0].boolValue());
        return driver->visibleAlert();
    }

    Value lastUpload()
    {
        auto sent = frontDoor->messagesFor(520);
        if (sent.empty())
            return Value();
        QDJsonParser parser;
        return parser.objectWithString(sent.back().parameters["syncData"].stringValue()).value_or(Value());
    }

    void storeOrder(int orderId, int customerId)
    {
        ASSERT_TRUE(db()->executeUpdate(
            "INSERT INTO corvelle_quote_order(order_id,customer_id,customer_name,order_number) VALUES(?,?,'x',?)",
            orderId, customerId, "sales01_" + std::to_string(orderId)));
    }

    NSNotificationCenter::ObserverToken observer {};
    std::vector<Value> posted;
    int loggedOut = 0;
    std::vector<std::string> lockedStatuses;
};

TEST_F(CustomerUploadTest, TheUploadDocumentCarriesTheCustomerWithItsRows)
{
    seedCustomers();
    address(-4, -1, "2 Local Way", "", "TX", "", true);
    attribute(-2, -1, 1, "555-0199");
    model()->reloadCustomerData();
    model()->submitCustomer(-1);
    const Value doc = lastUpload();
    ASSERT_TRUE(doc.isDictionary());
    ASSERT_EQ(doc["corvelle_customer"].count(), 1u);
    const Value& c = doc["corvelle_customer"][size_t(0)];
    EXPECT_EQ(c["customer_id"].intValue(), -1);
    EXPECT_EQ(c["customer_name"].stringValue(), "Local Shop");
    EXPECT_EQ(c["customer_info_id"].stringValue(), "");
    EXPECT_EQ(c["customer_publish"].intValue(), 1);
    ASSERT_EQ(doc["corvelle_customer_address"].count(), 1u);
    EXPECT_EQ(doc["corvelle_customer_address"][size_t(0)]["id"].intValue(), -4);
    EXPECT_EQ(doc["corvelle_customer_address"][size_t(0)]["city"].stringValue(), "");
    EXPECT_FALSE(doc["corvelle_customer_address"][size_t(0)].contains("isDefault"));
    ASSERT_EQ(doc["corvelle_customer_attribute"].count(), 2u);
    for (const Value& a : doc["corvelle_customer_attribute"].arrayValue()) {
        if (a["attribute_fields_id"].intValue() == 3) {
            EXPECT_TRUE(a["attribute_value"].isInteger());  // "Active" "NO" goes as the number 0
            EXPECT_EQ(a["attribute_value"].intValue(), 0);
        } else {
            EXPECT_EQ(a["attribute_value"].stringValue(), "555-0199");
        }
    }
    ASSERT_EQ(doc["corvelle_customer_contact"].count(), 1u);
    EXPECT_EQ(doc["corvelle_customer_contact"][size_t(0)]["first_name"].stringValue(), "Lena");
    EXPECT_EQ(doc["corvelle_customer_contact"][size_t(0)]["note"].stringValue(), "");

    // An active customer sends 1.
    attribute(-3, -1, 3, "YES");
    ASSERT_TRUE(db()->executeUpdate("DELETE FROM corvelle_customer_attribute WHERE attribute_id = -1"));
    model()->submitCustomer(-1);
    const Value again = lastUpload();
    for (const Value& a : again["corvelle_customer_attribute"].arrayValue()) {
        if (a["attribute_fields_id"].intValue() == 3) {
            EXPECT_EQ(a["attribute_value"].intValue(), 1);
        }
    }
}

TEST_F(CustomerUploadTest, SubmitAllSendsOnlyLocalCustomersThatOrdersUse)
{
    seedCustomers();
    model()->submitAllLocalCustomer();
    Value doc = lastUpload();
    for (const char* table : { "corvelle_customer", "corvelle_customer_address", "corvelle_customer_attribute",
             "corvelle_customer_contact" }) {
        EXPECT_TRUE(doc[table].isArray()) << table;
        EXPECT_EQ(doc[table].count(), 0u) << table;
    }
    storeOrder(-1, -1);
    storeOrder(-2, 10);
    model()->submitAllLocalCustomer();
    doc = lastUpload();
    ASSERT_EQ(doc["corvelle_customer"].count(), 1u);
    EXPECT_EQ(doc["corvelle_customer"][size_t(0)]["customer_id"].intValue(), -1);
}

TEST_F(CustomerUploadTest, ASuccessfulReplyRenumbersTheSentCustomerItsRowsAndItsOrders)
{
    seedCustomers();
    customer(-2, "Other Local");
    contact(-2, -2, "Olga", "Other");
    address(-4, -1, "2 Local Way", "", "TX", "");
    storeOrder(-7, -1);
    storeOrder(-8, -2);
    model()->reloadCustomerData();
    // The server also maps ids this upload never sent (customer -2, contact -2):
    // those rows stay as they are.
    frontDoor->replyTo(520, FakeFrontDoor::envelope("200", R"({
        "corvelle_customer": [{"preId": -1, "customerId": 120}, {"preId": -2, "customerId": 121}],
        "corvelle_customer_address": [{"preId": -4, "id": 940, "customerId": 120}],
        "corvelle_customer_attribute": [{"preId": -1, "attributeId": 930, "customerId": 120}],
        "corvelle_customer_contact": [{"preId": -1, "contactId": 950, "customerId": 120},
                                      {"preId": -2, "contactId": 951, "customerId": 121}]})"));
    MessageBox::sharedInstance()->BeginBlockWait("UPLOADCUSTOMER", 300);
    model()->submitCustomer(-1);
    driver->settle();

    EXPECT_EQ(MessageBox::sharedInstance()->waitMsgBoxtag(), 0);
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_TRUE(posted[0].boolValue());
    EXPECT_EQ(count("select count(*) from corvelle_customer where customer_id = 120"), 1);
    EXPECT_EQ(count("select customer_id from corvelle_customer_address where id = 940"), 120);
    EXPECT_EQ(count("select customer_id from corvelle_customer_attribute where attribute_id = 930"), 120);
    EXPECT_EQ(count("select customer_id from corvelle_customer_contact where contact_id = 950"), 120);
    EXPECT_EQ(count("select customer_id from corvelle_quote_order where order_id = -7"), 120);
    // What was not sent keeps its local ids.
    EXPECT_EQ(count("select count(*) from corvelle_customer where customer_id = -2"), 1);
    EXPECT_EQ(count("select customer_id from corvelle_customer_contact where contact_id = -2"), -2);
    EXPECT_EQ(count("select customer_id from corvelle_quote_order where order_id = -8"), -2);
    // The cache was reloaded.
    EXPECT_EQ(ids(model()->customerSearch("Local Shop")), std::vector<int> { 120 });
}

// A "200" the device cannot apply (the contacts refuse their new ids) moves
// no row and no order, and is not reported as an upload done.
TEST_F(CustomerUploadTest, AReplyThatCannotBeAppliedMovesNothingAndSaysFailed)
{
    seedCustomers();
    storeOrder(-7, -1);
    ASSERT_TRUE(db()->executeUpdate("create temp trigger refuse_renumber before update on corvelle_customer_contact "
                                    "begin select raise(abort, 'refused'); end"));
    frontDoor->replyTo(520, FakeFrontDoor::envelope("200", R"({
        "corvelle_customer": [{"preId": -1, "customerId": 120}],
        "corvelle_customer_address": [],
        "corvelle_customer_attribute": [{"preId": -1, "attributeId": 930, "customerId": 120}],
        "corvelle_customer_contact": [{"preId": -1, "contactId": 950, "customerId": 120}]})"));
    model()->submitCustomer(-1);
    driver->settle();

    auto alert = failedWithAlert();
    ASSERT_TRUE(alert);
    EXPECT_EQ(alert->message(), Language::stringOrKey("FAILED"));
    ASSERT_TRUE(driver->tapAlertButton(Language::stringOrKey("OK")));
    EXPECT_EQ(count("select count(*) from corvelle_customer where customer_id = 120"), 0);
    EXPECT_EQ(count("select count(*) from corvelle_customer where customer_id = -1"), 1);
    EXPECT_EQ(count("select customer_id from corvelle_customer_attribute where attribute_id = -1"), -1);
    EXPECT_EQ(count("select customer_id from corvelle_quote_order where order_id = -7"), -1);
}

TEST_F(CustomerUploadTest, FailedRepliesAlertAndKeepTheCustomersLocal)
{
    seedCustomers();
    struct Case {
        std::string status;
        std::vector<std::string> buttons;
    };
    const Case cases[] = {
        { "101", { Language::stringOrKey("CANCEL"), Language::stringOrKey("LOGOUTSETTINGS") } },
        { "500", { Language::stringOrKey("OK") } },
        { "999", { Language::stringOrKey("OK") } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.status);
        posted.clear();
        frontDoor->replyTo(520, FakeFrontDoor::envelope(c.status));
        model()->submitCustomer(-1);
        driver->settle();
        auto alert = failedWithAlert();
        ASSERT_TRUE(alert);
        EXPECT_EQ(alert->title(), Language::stringOrKey("NOTIFICATION"));
        std::vector<std::string> buttons;
        for (long i = 0; i < alert->numberOfButtons(); ++i)
            buttons.push_back(alert->buttonTitleAtIndex(i));
        EXPECT_EQ(buttons, c.buttons);
        ASSERT_TRUE(driver->tapAlertButton(c.buttons.back()));
        driver->advance(1);
        EXPECT_EQ(count("select count(*) from corvelle_customer where customer_id = -1"), 1);
    }
    EXPECT_EQ(loggedOut, 1);  // only LOGOUTSETTINGS of "101" logs out
}

TEST_F(CustomerUploadTest, LockedAndBlockedRepliesTakeTheLockedUserPath)
{
    seedCustomers();
    for (const char* status : { "207", "11411" }) {
        frontDoor->replyTo(520, FakeFrontDoor::envelope(status));
        MessageBox::sharedInstance()->BeginBlockWait("UPLOADCUSTOMER", 300);
        model()->submitCustomer(-1);
        driver->settle();
        EXPECT_EQ(MessageBox::sharedInstance()->waitMsgBoxtag(), 0);
    }
    EXPECT_EQ(lockedStatuses, (std::vector<std::string> { "207", "11411" }));
    EXPECT_TRUE(posted.empty());
    EXPECT_FALSE(driver->visibleAlert());
    EXPECT_EQ(count("select count(*) from corvelle_customer where customer_id = -1"), 1);
}

}  // namespace
