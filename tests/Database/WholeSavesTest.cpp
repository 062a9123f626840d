#include "DatabaseFixture.h"

#include <sqlite3.h>

// Saves that write several tables are one batch each: these fixtures make the
// database refuse one table part of the way through (a trigger, a file that
// may not grow) and look through a second connection, which sees only what
// was committed, that nothing of the save is there and nothing before it is
// gone; and they tell "nothing to save" from a failure.

namespace {

class WholeSaves : public DatabaseFixture {
protected:
    void SetUp() override
    {
        DatabaseFixture::SetUp();
        dam();
    }

    // Counts through a connection of its own.
    long committed(const std::string& sql)
    {
        SQLDatabase reader(DataAccessManager::dataFilePath());
        EXPECT_TRUE(reader.openWithFlags(SQLITE_OPEN_READONLY));
        return reader.longForQuery(sql);
    }

    void refuseInsertsInto(const std::string& table)
    {
        ASSERT_TRUE(db()->executeUpdate("create temp trigger refuse_" + table + " before insert on " + table
            + " begin select raise(abort, 'refused'); end"));
    }
    void allowInsertsInto(const std::string& table)
    {
        ASSERT_TRUE(db()->executeUpdate("drop trigger refuse_" + table));
    }

    static std::shared_ptr<corvelle_customer_Entity> customer(int id, const char* name)
    {
        auto c = std::make_shared<corvelle_customer_Entity>();
        c->customer_id = id;
        c->customer_name = name;
        c->customer_publish = 1;
        return c;
    }
    static std::shared_ptr<corvelle_customer_address_Entity> address(int id, int customerId, const char* street)
    {
        auto a = std::make_shared<corvelle_customer_address_Entity>();
        a->indexId = id;
        a->customerId = customerId;
        a->customerAddress = street;
        return a;
    }
    static std::shared_ptr<corvelle_customer_attribute_Entity> attribute(int id, int customerId, const char* value)
    {
        auto a = std::make_shared<corvelle_customer_attribute_Entity>();
        a->attribute_id = id;
        a->customer_id = customerId;
        a->attribute_fields_id = 1;
        a->attribute_value = value;
        return a;
    }
    static std::shared_ptr<corvelle_customer_contact_entity> contact(int id, int customerId, const char* first)
    {
        auto c = std::make_shared<corvelle_customer_contact_entity>();
        c->contactID = id;
        c->customerID = customerId;
        c->first_name = first;
        c->last_name = "Lee";
        return c;
    }

    // A local customer with one row in each child table and the hidden mark.
    static LocalCustomerRecords storedShop(int id = -1, const char* name = "Shop")
    {
        LocalCustomerRecords records;
        records.customer = customer(id, name);
        records.addresses = { address(-1, id, "1 Old Rd") };
        records.attributes = { attribute(-1, id, "555-0001") };
        records.contacts = { contact(-1, id, "Ann") };
        records.hidden = true;
        return records;
    }

    std::string shopRows()
    {
        return scalar("select (select group_concat(customer_name || '/' || hidden) from corvelle_customer) || ' | ' || "
                      "(select group_concat(id || ':' || address) from corvelle_customer_address) || ' | ' || "
                      "(select group_concat(attribute_id || ':' || attribute_value) from corvelle_customer_attribute) "
                      "|| ' | ' || (select group_concat(contact_id || ':' || first_name) from "
                      "corvelle_customer_contact)");
    }
};

TEST_F(WholeSaves, ALocalCustomerIsStoredWithItsRowsUnderTheNextLocalIds)
{
    auto m = dam();
    ASSERT_TRUE(m->saveLocalCustomer(storedShop()));
    EXPECT_EQ(shopRows(), "Shop/1 | -1:1 Old Rd | -1:555-0001 | -1:Ann");

    // Another customer's rows take the places below those ids.
    LocalCustomerRecords other;
    other.customer = customer(-2, "Other");
    other.addresses = { address(-1, -2, "2 Road"), address(-2, -2, "3 Road") };
    other.contacts = { contact(-1, -2, "Bo") };
    EXPECT_EQ(m->saveLocalCustomer(other), SaveResult::Kind::Saved);
    EXPECT_EQ(scalar("select group_concat(id, ',') from (select id from corvelle_customer_address where customer_id = "
                     "-2 order by id desc)"),
        "-2,-3");
    EXPECT_EQ(scalar("select contact_id from corvelle_customer_contact where customer_id = -2"), "-2");
    EXPECT_EQ(scalar("select hidden from corvelle_customer where customer_id = -2"), "0");

    // An edit replaces the rows and numbers them as if the old ones had never been.
    LocalCustomerRecords edit = storedShop();
    edit.customer->customer_name = "Shop Ltd";
    edit.contacts.push_back(contact(-2, -1, "Cy"));
    ASSERT_TRUE(m->saveLocalCustomer(edit));
    EXPECT_EQ(scalar("select group_concat(contact_id || ':' || first_name, ',') from (select * from "
                     "corvelle_customer_contact where customer_id = -1 order by contact_id desc)"),
        "-3:Ann,-4:Cy");
    EXPECT_EQ(scalar("select count(*) from corvelle_customer_address where customer_id = -1"), "1");
    EXPECT_EQ(
        scalar("select customer_name || '/' || hidden from corvelle_customer where customer_id = -1"), "Shop Ltd/1");
}

TEST_F(WholeSaves, ALocalCustomerThatFailsPartWayLeavesTheTablesAsTheyWere)
{
    auto m = dam();
    ASSERT_TRUE(m->saveLocalCustomer(storedShop()));
    const std::string before = shopRows();
    for (const char* table : { "corvelle_customer", "corvelle_customer_address", "corvelle_customer_attribute",
             "corvelle_customer_contact" }) {
        SCOPED_TRACE(table);
        refuseInsertsInto(table);
        LocalCustomerRecords edit = storedShop();
        edit.customer->customer_name = "Changed";
        edit.addresses.push_back(address(-2, -1, "2 New Rd"));
        const SaveResult result = m->saveLocalCustomer(edit);
        EXPECT_TRUE(result.failed());
        EXPECT_FALSE(result);
        EXPECT_EQ(shopRows(), before);
        EXPECT_EQ(committed("select count(*) from corvelle_customer_contact"), 1);
        EXPECT_FALSE(db()->hasOpenTransaction());

        // And a new customer that fails leaves no row at all.
        EXPECT_TRUE(m->saveLocalCustomer(storedShop(-2, "Doomed")).failed());
        EXPECT_EQ(committed("select count(*) from corvelle_customer where customer_id = -2"), 0);
        allowInsertsInto(table);
    }

    // The hidden mark is the last write: a refused mark undoes the rest too.
    ASSERT_TRUE(db()->executeUpdate("create temp trigger refuse_hidden before update of hidden on corvelle_customer "
                                    "begin select raise(abort, 'refused'); end"));
    LocalCustomerRecords edit = storedShop();
    edit.customer->customer_name = "Changed";
    EXPECT_TRUE(m->saveLocalCustomer(edit).failed());
    EXPECT_EQ(shopRows(), before);
}

TEST_F(WholeSaves, ALocalCustomerOnAFileThatCannotGrowIsNotHalfStored)
{
    auto m = dam();
    ASSERT_TRUE(m->saveLocalCustomer(storedShop()));
    const std::string before = shopRows();
    const long pages = db()->longForQuery("PRAGMA page_count");
    ASSERT_GT(db()->longForQuery(stringWithFormat("PRAGMA max_page_count = %ld", pages + 2)), 0);
    LocalCustomerRecords big = storedShop();
    for (int i = 2; i < 3000; ++i)
        big.contacts.push_back(contact(-i, -1, "A long enough first name to fill the pages quickly"));
    EXPECT_TRUE(m->saveLocalCustomer(big).failed());
    EXPECT_FALSE(db()->hasOpenTransaction());
    db()->longForQuery("PRAGMA max_page_count = 1073741823");
    EXPECT_EQ(shopRows(), before);
    EXPECT_EQ(committed("select count(*) from corvelle_customer_contact"), 1);
}

TEST_F(WholeSaves, NothingToSaveIsToldFromAFailure)
{
    auto m = dam();
    struct Case {
        const char* name;
        SaveResult result;
        SaveResult::Kind expected;
    };
    const Case cases[] = {
        { "a customer save without a customer", m->saveLocalCustomer(LocalCustomerRecords {}),
            SaveResult::Kind::NothingToSave },
        { "synced customer tables without rows",
            m->saveSyncedCustomerTables({ EntityList<corvelle_customer_Entity> {}, std::nullopt, std::nullopt,
                EntityList<corvelle_customer_address_Entity> {}, std::nullopt }),
            SaveResult::Kind::NothingToSave },
        { "a renumbering without rows",
            m->renumberUploadedCustomers(
                EntityList<corvelle_customer_Entity> {}, std::nullopt, std::nullopt, std::nullopt),
            SaveResult::Kind::NothingToSave },
        { "a customer save", m->saveLocalCustomer(storedShop()), SaveResult::Kind::Saved },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.result.kind(), c.expected);
        EXPECT_EQ(static_cast<bool>(c.result), c.expected == SaveResult::Kind::Saved);
        EXPECT_EQ(c.result.failed(), c.expected == SaveResult::Kind::Failed);
    }
    EXPECT_EQ(committed("select count(*) from corvelle_customer"), 1);

    // Without a database every save fails, none has "nothing to save".
    signIn("Acme", "sales01");
    auto empty = SQLDatabase::databaseWithPath(std::nullopt);
    ASSERT_TRUE(empty->open());
    CustomerModel model;
    EXPECT_TRUE(model.saveLocalCustomer(storedShop()).failed());
    SyncedCustomerTables one;
    one.customers = EntityList<corvelle_customer_Entity> { customer(3, "C") };
    EXPECT_TRUE(model.saveSyncedCustomerTables(one).failed());
}

TEST_F(WholeSaves, SyncedCustomerTablesAreStoredAllOrNoneAndNameTheTableThatFailed)
{
    auto m = dam();
    ASSERT_TRUE(m->saveLocalCustomer(storedShop()));
    const std::string before = shopRows();
    auto field = std::make_shared<corvelle_fields_customer_attribute_Entity>();
    field->field_id = 1;
    field->field_name = "Phone";
    field->published = 1;
    auto tables = [&] {
        // The server's copy of the shop, and a second customer.
        SyncedCustomerTables t;
        t.customers = EntityList<corvelle_customer_Entity> { customer(-1, "Shop (server)"), customer(8, "Eight") };
        t.attributes = EntityList<corvelle_customer_attribute_Entity> { attribute(80, 8, "555-0008") };
        t.attributeFields = EntityList<corvelle_fields_customer_attribute_Entity> { field };
        t.addresses = EntityList<corvelle_customer_address_Entity> { address(81, 8, "8 Road") };
        t.contacts = EntityList<corvelle_customer_contact_entity> { contact(82, 8, "Eve") };
        return t;
    };
    using Table = SyncedCustomerTables::Table;
    const struct {
        const char* table;
        Table named;
    } cases[] = {
        { "corvelle_customer", Table::Customers },
        { "corvelle_customer_attribute", Table::Attributes },
        { "corvelle_fields_customer_attribute", Table::AttributeFields },
        { "corvelle_customer_address", Table::Addresses },
        { "corvelle_customer_contact", Table::Contacts },
    };
    const long fieldsBefore = committed("select count(*) from corvelle_fields_customer_attribute");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.table);
        refuseInsertsInto(c.table);
        Table failed = Table::Customers;
        EXPECT_TRUE(m->saveSyncedCustomerTables(tables(), &failed).failed());
        EXPECT_EQ(failed, c.named);
        // The shop keeps the rows the customer table's save would have cleared.
        EXPECT_EQ(shopRows(), before);
        EXPECT_EQ(committed("select count(*) from corvelle_customer where customer_id = 8"), 0);
        EXPECT_EQ(committed("select count(*) from corvelle_fields_customer_attribute"), fieldsBefore);
        allowInsertsInto(c.table);
    }
    EXPECT_TRUE(m->saveSyncedCustomerTables(tables()));
    EXPECT_EQ(committed("select count(*) from corvelle_customer"), 2);
    EXPECT_EQ(committed("select count(*) from corvelle_customer_contact where customer_id = 8"), 1);
    EXPECT_EQ(committed("select count(*) from corvelle_customer_contact where customer_id = -1"), 0)
        << "the server's customer replaces the local rows of its id";
}

TEST_F(WholeSaves, AnUploadsRenumberingMovesEveryRowOrNone)
{
    auto m = dam();
    ASSERT_TRUE(m->saveLocalCustomer(storedShop()));
    auto accepted = customer(120, "Shop");
    accepted->pid = -1;
    auto movedAddress = address(121, 120, "1 Old Rd");
    movedAddress->pID = -1;
    auto movedAttribute = attribute(122, 120, "555-0001");
    movedAttribute->pID = -1;
    auto movedContact = contact(123, 120, "Ann");
    movedContact->pID = -1;
    auto renumber = [&] {
        return m->renumberUploadedCustomers(EntityList<corvelle_customer_Entity> { accepted },
            EntityList<corvelle_customer_address_Entity> { movedAddress },
            EntityList<corvelle_customer_attribute_Entity> { movedAttribute },
            EntityList<corvelle_customer_contact_entity> { movedContact });
    };
    const std::string before = shopRows();
    ASSERT_TRUE(db()->executeUpdate("create temp trigger refuse_renumber before update on corvelle_customer_contact "
                                    "begin select raise(abort, 'refused'); end"));
    EXPECT_TRUE(renumber().failed());
    EXPECT_EQ(shopRows(), before);
    EXPECT_EQ(committed("select count(*) from corvelle_customer where customer_id = 120"), 0);
    ASSERT_TRUE(db()->executeUpdate("drop trigger refuse_renumber"));

    EXPECT_TRUE(renumber());
    EXPECT_EQ(shopRows(), "Shop/1 | 121:1 Old Rd | 122:555-0001 | 123:Ann");
    EXPECT_EQ(committed("select count(*) from corvelle_customer_contact where customer_id = 120"), 1);
}

// Deleting a customer or an order takes every table's rows or none.
TEST_F(WholeSaves, ADeleteRefusedPartWayTakesNothingAway)
{
    auto m = dam();
    ASSERT_TRUE(m->saveLocalCustomer(storedShop()));
    const std::string before = shopRows();
    ASSERT_TRUE(db()->executeUpdate("create temp trigger refuse_delete before delete on corvelle_customer_contact "
                                    "begin select raise(abort, 'refused'); end"));
    EXPECT_FALSE(m->deleteCustomerTableWithID(-1));
    EXPECT_EQ(shopRows(), before);
    ASSERT_TRUE(db()->executeUpdate("drop trigger refuse_delete"));
    EXPECT_TRUE(m->deleteCustomerTableWithID(-1));
    EXPECT_EQ(committed("select count(*) from corvelle_customer_address"), 0);

    auto order = std::make_shared<QuoteOrderEntity>();
    auto line = std::make_shared<QuoteOrderItemEntity>();
    line->quantity = 1;
    order->items.push_back(line);
    const int orderId = m->saveQuoteOrder(order);
    ASSERT_NE(orderId, 0);
    ASSERT_TRUE(db()->executeUpdate("create temp trigger refuse_delete before delete on corvelle_quote_order_item "
                                    "begin select raise(abort, 'refused'); end"));
    EXPECT_FALSE(m->removeQuoteOrder(orderId));
    EXPECT_EQ(committed("select count(*) from corvelle_quote_order"), 1);
    EXPECT_EQ(committed("select count(*) from corvelle_quote_order_item"), 1);
    ASSERT_TRUE(db()->executeUpdate("drop trigger refuse_delete"));
    EXPECT_TRUE(m->removeQuoteOrder(orderId));
    EXPECT_EQ(committed("select count(*) from corvelle_quote_order")
            + committed("select count(*) from "
                        "corvelle_quote_order_item"),
        0);
}

// A server copy the history replaces goes only when its replacement is stored.
TEST_F(WholeSaves, AHistoryOrderThatCannotBeStoredKeepsTheCopyItWouldReplace)
{
    auto m = dam();
    ASSERT_TRUE(
        db()->executeUpdate("insert into corvelle_quote_order (order_id, order_number, customer_name, uploaded) "
                            "values (1500, 'sales01_5', 'Old', 1)"));
    ASSERT_TRUE(db()->executeUpdate(
        "insert into corvelle_quote_order_item (order_item_id, order_id, product_quantity) values (-1, 1500, 2)"));
    const Value history = Value::dictionary(
        { { "order_id", Value(1500) }, { "order_number", Value("sales01_5") }, { "customer_name", Value("New") } });
    refuseInsertsInto("corvelle_quote_order");
    EXPECT_FALSE(m->updateLocalHistoryOrderFromServer(history));
    EXPECT_EQ(committed("select count(*) from corvelle_quote_order where customer_name = 'Old'"), 1);
    EXPECT_EQ(committed("select count(*) from corvelle_quote_order_item where order_id = 1500"), 1);
    allowInsertsInto("corvelle_quote_order");
    EXPECT_TRUE(m->updateLocalHistoryOrderFromServer(history));
    EXPECT_EQ(scalar("select customer_name from corvelle_quote_order where order_id = 1500"), "New");
}

}  // namespace
