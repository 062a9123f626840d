#include "DatabaseFixture.h"

#include "Platform/Foundation/NSFileManager.h"

#include <fstream>

namespace {

using DataAccess = DatabaseFixture;

TEST_F(DataAccess, FirstOpenCopiesTheTemplateAndMakesEveryModel)
{
    const std::string path = home + "/Documents/acme/corvelle_lite.sqlite";
    EXPECT_EQ(DataAccessManager::dataFilePath(), path);
    auto manager = dam();
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(manager->dataModelList().size(), 17u);
    EXPECT_EQ(db()->databasePath(), path);
    EXPECT_TRUE(db()->shouldCacheStatements());
    EXPECT_TRUE(manager->getAllProducts().empty());
}

TEST_F(DataAccess, SigningInAsAnotherClientOpensThatClientsFile)
{
    auto info = std::make_shared<LoginInfo>();
    info->accountId = "sales01";
    info->passWord = "pw";
    info->clientId = "Acme";
    info->deviceId = "dev";
    ASSERT_TRUE(dam()->saveUserInfo(info));
    signIn("Other", "sales02");
    EXPECT_EQ(db(), nullptr);
    dam();
    EXPECT_EQ(db()->databasePath(), home + "/Documents/other/corvelle_lite.sqlite");
    EXPECT_EQ(dam()->getUserInfo(std::string("sales01")), nullptr);
}

TEST_F(DataAccess, AFailedTemplateCopyLeavesNoDatabaseAndTheNextOpenCopiesAgain)
{
    AppEnvironment::setBundleDirectory(home + "/no-bundle");
    auto broken = dam();
    EXPECT_TRUE(broken->dataModelList().empty());
    EXPECT_FALSE(std::filesystem::exists(DataAccessManager::dataFilePath()));
    EXPECT_TRUE(logged("Open database error!"));
    // Every forwarder answers its failure value without touching a database.
    EXPECT_TRUE(broken->getAllProducts().empty());
    EXPECT_FALSE(broken->saveToDatabaseProduct(EntityList<corvelle_product_Entity> {}));
    EXPECT_EQ(broken->saveQuoteOrder(std::make_shared<QuoteOrderEntity>()), 0);
    EXPECT_EQ(broken->checkLocalUserInfo(std::make_shared<LoginInfo>()), std::nullopt);
    EXPECT_EQ(broken->updateOrderIDWithOrderNumberNewOrderID(std::string("x"), 5), 0);
    broken->updateVersion();

    AppEnvironment::setBundleDirectory(CORVELLE_BUNDLE_DIR);
    signIn("Acme", "sales01");
    EXPECT_EQ(dam()->dataModelList().size(), 17u);
    EXPECT_TRUE(std::filesystem::exists(DataAccessManager::dataFilePath()));
}

TEST_F(DataAccess, ADamagedDatabaseTakesTheFailedOpenPathAndStaysOnDisk)
{
    const std::string path = home + "/Documents/acme/corvelle_lite.sqlite";
    // A sound copy of the template to cut short below.
    dam();
    std::string whole;
    {
        std::ifstream in(path, std::ios::binary);
        whole.assign(std::istreambuf_iterator<char>(in), {});
    }
    ASSERT_GT(whole.size(), 8192u);

    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        { "garbage", std::string(4096, 'x') },
        { "text", "this is not a database, just some text that is long enough" },
        { "cut in half", whole.substr(0, whole.size() / 2) },
        { "header only", whole.substr(0, 100) },
        { "empty", "" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        signIn("Acme", "sales01");
        logLines.clear();
        std::ofstream(path, std::ios::binary | std::ios::trunc) << c.bytes;
        auto manager = dam();
        EXPECT_TRUE(manager->dataModelList().empty());
        EXPECT_TRUE(logged("The database " + path + " cannot be read"));
        EXPECT_TRUE(logged("Open database error!"));
        EXPECT_EQ(db()->sqliteHandle(), nullptr) << "the damaged file is not left open";
        EXPECT_EQ(manager->checkLocalUserInfo(std::make_shared<LoginInfo>()), std::nullopt);
        EXPECT_FALSE(manager->saveToDatabaseCategory(EntityList<corvelle_category_Entity> {}));
        manager->updateVersion();
        // The user's file is never deleted nor changed.
        std::ifstream in(path, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), c.bytes);
    }
}

TEST_F(DataAccess, TheDatabaseAndTheDefaultsAreTheOwnersAlone)
{
    namespace fs = std::filesystem;
    ASSERT_EQ(dam()->dataModelList().size(), 17u);
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObjectForKey(Value("secret"), "password");
    ASSERT_TRUE(defaults->synchronize());
    const fs::perms others = fs::perms::group_all | fs::perms::others_all;
    EXPECT_EQ(fs::status(DataAccessManager::dataFilePath()).permissions() & others, fs::perms::none);
    EXPECT_EQ(fs::status(home + "/Library/Preferences").permissions() & fs::perms::owner_all, fs::perms::owner_all);
    bool sawDefaults = false;
    for (const auto& entry : fs::directory_iterator(home + "/Library/Preferences")) {
        sawDefaults = true;
        EXPECT_EQ(entry.status().permissions() & others, fs::perms::none) << entry.path();
    }
    EXPECT_TRUE(sawDefaults);

    // A database made before keeps working and is closed to others at the next open.
    signIn("Acme", "sales01");
    fs::permissions(
        DataAccessManager::dataFilePath(), fs::perms::others_read | fs::perms::group_read, fs::perm_options::add);
    ASSERT_EQ(dam()->dataModelList().size(), 17u);
    EXPECT_EQ(fs::status(DataAccessManager::dataFilePath()).permissions() & others, fs::perms::none);
}

TEST_F(DataAccess, UpgradingTheTemplateTwiceKeepsSchemaAndData)
{
    auto manager = dam();
    auto price = std::make_shared<corvelle_product_price_Entity>();
    price->price_id = 1;
    price->product_id = 1;
    price->price = 10;
    price->discontRat = 85;
    ASSERT_TRUE(manager->saveToDatabasePrice(EntityList<corvelle_product_price_Entity> { price }));
    auto order = std::make_shared<QuoteOrderEntity>();
    auto line = std::make_shared<QuoteOrderItemEntity>();
    line->price = 100;
    line->finalPrice = 80;
    line->setDiscontRat(80);
    order->items.push_back(line);
    ASSERT_EQ(manager->saveQuoteOrder(order), -1);

    manager->updateVersion();
    manager->updateVersion();
    EXPECT_EQ(scalar("select discount_rat from corvelle_product_price"), "85.0");
    EXPECT_EQ(scalar("select discount_rat from corvelle_quote_order_item"), "80.0");
    EXPECT_EQ(scalar("select count(*) from sqlite_master where name like 'temp_%'"), "0");
    EXPECT_EQ(scalar("select count(*) from pragma_table_info('corvelle_product_price')"), "18");
    EXPECT_EQ(scalar("select count(*) from pragma_table_info('corvelle_quote_order')"), "31");
    EXPECT_EQ(scalar("select count(*) from sqlite_master where type = 'index' and name in "
                     "('corvelle_product_price_product_index', "
                     "'corvelle_quote_order_item_order_index')"),
        "2")
        << "the rebuilt tables keep their lookup indexes";
    EXPECT_TRUE(logged("duplicate column name"));
}

TEST_F(DataAccess, AFailedTableRebuildRollsBackInsteadOfDroppingTheTable)
{
    auto manager = dam();
    auto price = std::make_shared<corvelle_product_price_Entity>();
    price->price_id = 3;
    price->price = 12;
    ASSERT_TRUE(manager->saveToDatabasePrice(EntityList<corvelle_product_price_Entity> { price }));
    // A table left under the temporary name by an earlier attempt.
    ASSERT_TRUE(db()->executeUpdate("create table temp_corvelle_product_price (x)"));
    EXPECT_FALSE(manager->pricemodel()->alterProductPriceTable());
    EXPECT_FALSE(db()->inTransaction());
    EXPECT_EQ(manager->getPriceEntityByProductId(0)->price, 12);
}

TEST_F(DataAccess, UpgradeBringsAnOldSchemaUpToDate)
{
    // An early client database: no rate, signature or snapshot columns, server order ids.
    std::filesystem::create_directories(home + "/Documents/acme");
    {
        SQLDatabase old(home + "/Documents/acme/corvelle_lite.sqlite");
        ASSERT_TRUE(old.open());
        for (const char* sql : { "create table corvelle_product_price (price_id integer primary key, product_id "
                                 "integer, vendor_group_id_list, vendor_state_id_list, vendor_id_list, "
                                 "customer_id_list, price double, currency, discount_price double, "
                                 "discount_identifier, discount_start_date, discount_end_date, discount_publish, "
                                 "tier_start_date, tier_end_date, tier_quantity_price, tier_publish)",
                 "insert into corvelle_product_price (price_id, product_id, price) values (1, 1, 9.5)",
                 "create table corvelle_quote_order (order_id integer primary key, customer_id, customer_info_id, "
                 "customer_name, vendor_id, order_number, order_total, "
                 "order_subtotal, order_tax, order_tax_details, order_shipping, order_shipping_tax, coupon_discount, "
                 "coupon_code, order_discount, order_currency, "
                 "order_status, cdate, mdate, ship_method, customer_note, ip_address, uploaded)",
                 "insert into corvelle_quote_order (order_id, customer_id, order_number, uploaded) values (1200, 0, "
                 "'sales01_1', 1)",
                 "create table corvelle_quote_order_item (order_item_id integer primary key, order_id, "
                 "customer_info_id, vendor_id, product_id, order_item_sku, "
                 "order_item_name, product_quantity, product_item_price, product_final_price, order_item_currency, "
                 "order_item_subtotal, order_status, cdate, mdate, "
                 "product_attribute)",
                 "insert into corvelle_quote_order_item (order_item_id, order_id) values (7, 1200)",
                 "create table corvelle_customer (customer_id integer primary key, customer_info_id, customer_name, "
                 "customer_publish, customer_ordering, discount)",
                 "create table corvelle_customer_attribute (attribute_id integer primary key, customer_id, "
                 "attribute_fields_id, attribute_value)",
                 "create table corvelle_fields_customer_attribute (field_id integer primary key, field_name, "
                 "description, data_type, selection_list, display, published)",
                 "create table corvelle_update (fileId integer primary key)",
                 "create table corvelle_library_category (id integer primary key, name, ordering, published)",
                 "create table corvelle_library_files (id integer primary key, title, file_name, category, type, date, "
                 "description, ordering, published, "
                 "cover_image, info)" })
            ASSERT_TRUE(old.executeUpdate(sql)) << sql;
    }
    auto manager = dam();
    manager->updateVersion();
    EXPECT_EQ(scalar("select price from corvelle_product_price"), "9.5");
    EXPECT_TRUE(db()->columnExistsColumnName("corvelle_product_price", "discount_rat"));
    EXPECT_TRUE(db()->columnExistsColumnName("corvelle_quote_order", "bankAccount"));
    EXPECT_TRUE(db()->columnExistsColumnName("corvelle_customer", "hidden"));
    EXPECT_TRUE(db()->columnExistsColumnName("corvelle_library_files", "isNew"));
    EXPECT_TRUE(db()->columnExistsColumnName("corvelle_update", "old_file_type"));
    EXPECT_TRUE(db()->tableExists("corvelle_login_user"));
    EXPECT_TRUE(db()->tableExists("corvelle_customer_contact"));
    EXPECT_EQ(scalar("select order_id from corvelle_quote_order"), "-1200");
    EXPECT_EQ(scalar("select order_id || ',' || order_item_id from corvelle_quote_order_item"), "-1200,-7");
}

TEST_F(DataAccess, UpgradeRefreshesOrdersFromTheirCustomersAndKeepsWhatGoneCustomersLeft)
{
    dam();
    for (const char* sql :
        { "insert into corvelle_customer (customer_id, customer_name, customer_publish) values (5, 'Ann Ltd', 1)",
            "insert into corvelle_fields_customer_attribute (field_id, field_name, published, display) values (1, "
            "'City', 1, 1)",
            "insert into corvelle_customer_attribute (attribute_id, customer_id, attribute_fields_id, attribute_value) "
            "values (1, 5, 1, 'Lyon')",
            "insert into corvelle_quote_order (order_id, customer_id, customer_name, city, address) values (-1, 5, "
            "'Ann', 'Paris', '1 Rue Haute')",
            "insert into corvelle_quote_order (order_id, customer_id, customer_name, city) values (-2, 6, 'Gone', "
            "'Oslo')",
            "insert into corvelle_quote_order (order_id, customer_id, customer_name, city) values (-3, 5, 'Ann', '')",
            "insert into corvelle_quote_order (order_id, customer_id, customer_name) values (-4, 5, 'Ann')" })
        ASSERT_TRUE(db()->executeUpdate(sql)) << sql;
    dam()->updateVersion();
    dam()->updateVersion();
    EXPECT_EQ(
        scalar("select customer_name || ',' || city || ',' || address from corvelle_quote_order where order_id = -1"),
        "Ann Ltd,Paris,1 Rue Haute")
        << "an order's own address is never replaced by the customer's, nor by an empty one";
    EXPECT_EQ(scalar("select customer_name || ',' || city from corvelle_quote_order where order_id = -2"), "Gone,Oslo")
        << "an order keeps the name and address of a customer that no longer exists";
    EXPECT_EQ(scalar("select city from corvelle_quote_order where order_id = -3"), "Lyon")
        << "what the order lacks comes from its customer";
    EXPECT_EQ(scalar("select city from corvelle_quote_order where order_id = -4"), "Lyon");
    EXPECT_EQ(scalar("select coalesce(phone, 'none') from corvelle_quote_order where order_id = -4"), "none");
}

TEST_F(DataAccess, ANewSessionIsSignedOutAndItsRecordCopiesTheAccount)
{
    auto session = LoginMode::sharedInstance();
    session->setLoginType(LoginMode::kLoginTypeOnline);
    session->setPassword(std::string("pw"));
    session->setSessionId(std::string("s-1"));
    session->setUserAccess(3);
    auto info = session->loginInfo();
    session->setPassword(std::string("changed"));
    EXPECT_EQ(info->accountId, "sales01");
    EXPECT_EQ(info->clientId, "Acme");
    EXPECT_EQ(info->passWord, "pw") << "the record is a copy";
    EXPECT_EQ(info->userAccess, 3);
    EXPECT_FALSE(info->sessionId);
    LoginMode::freeInstance();
    EXPECT_EQ(LoginMode::sharedInstance()->loginType(), LoginMode::kLoginTypeNone);
    EXPECT_FALSE(LoginMode::sharedInstance()->clientID());
}

TEST_F(DataAccess, UpdatingAnUnknownOrderNumberChangesNothing)
{
    EXPECT_EQ(dam()->updateOrderIDWithOrderNumberNewOrderID(std::string("nobody_1"), 812), 0);
}

}  // namespace
