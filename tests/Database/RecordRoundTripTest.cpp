// Every synchronised record goes from the server's object to a record, to its
// row and back to a record unchanged: the decoders, the saves and the table
// readers share one column table per record, and these cases hold the edges
// of each kind (absent and empty texts, unicode, numbers sent as text, the
// ends of the integers, reals that do not round to float).

#include "DatabaseFixture.h"

#include "Database/RecordRows.h"
#include "Network/Protocol/QDJSON.h"
#include "Network/Protocol/SyncCommands.h"
#include "Platform/Foundation/Format.h"

#include <algorithm>
#include <limits>
#include <string_view>
#include <type_traits>

namespace {

template <typename T> OptionalEntityList<T> listOf(const std::vector<T>& records)
{
    EntityList<T> list;
    for (const auto& record : records)
        list.push_back(std::make_shared<T>(record));
    return list;
}

// The reply as the transport hands it to the command's decoder.
template <typename Command, typename Reply> std::shared_ptr<Reply> decode(std::string_view content)
{
    const std::string text
        = std::string("{\"results\":[{\"status\":\"200\"}],\"content\":") + std::string(content) + "}";
    auto value = JSONValue(text);
    EXPECT_TRUE(value) << text;
    Command command;
    auto reply = std::dynamic_pointer_cast<Reply>(command.RequestDecode(value));
    EXPECT_TRUE(reply);
    EXPECT_EQ(reply ? reply->status : std::string(), "200");
    return reply;
}

// Each column's member equal in both records, named by its column.
template <typename Record> void expectSameColumns(const Record& sent, const Record& read, const std::string& where)
{
    RecordColumns::forEach<Record>([&](const auto& c) {
        EXPECT_EQ(sent.*c.member, read.*c.member)
            << where << ": column " << (c.isStored() ? c.name : c.key) << " of " << RecordColumns::Table<Record>::name;
    });
}

// A record's columns as text, one "name=value" a column: absent values as
// NULL, texts quoted, reals and dates to the last digit.
template <typename Record> std::string describe(const Record& record)
{
    std::string text;
    RecordColumns::forEach<Record>([&](const auto& c) {
        const auto& value = record.*c.member;
        using Member = std::remove_cvref_t<decltype(value)>;
        text += std::string(c.isStored() ? c.name : c.key) + "=";
        if constexpr (std::is_same_v<Member, std::optional<std::string>>)
            text += value ? "'" + *value + "'" : "NULL";
        else if constexpr (std::is_same_v<Member, std::optional<Date>>)
            text += value ? stringWithFormat("%.17g", value->secondsSince1970) : "NULL";
        else if constexpr (std::is_same_v<Member, double>)
            text += stringWithFormat("%.17g", value);
        else
            text += std::to_string(value);
        text += " ";
    });
    return text;
}

template <typename Record, typename List> std::vector<std::string> described(const List& records)
{
    std::vector<std::string> texts;
    for (const auto& record : records) {
        if constexpr (std::is_same_v<std::remove_cvref_t<decltype(record)>, std::shared_ptr<Record>>)
            texts.push_back(describe(*record));
        else
            texts.push_back(describe(record));
    }
    std::sort(texts.begin(), texts.end());
    return texts;
}

// The stored rows of the record's table, read back, are the records sent.
template <typename Record> void expectRoundTrip(SQLDatabase& db, const std::vector<Record>& sent)
{
    auto rows = RecordColumns::readRows<Record>(
        db.executeQuery("select * from " + std::string(RecordColumns::Table<Record>::name)));
    EXPECT_EQ(described<Record>(rows), described<Record>(sent)) << RecordColumns::Table<Record>::name;
}

// Three products: every value plain; every text empty, numbers at their ends,
// numbers sent as texts and texts sent as numbers, unicode, small and large
// reals; every key missing.
constexpr std::string_view kProducts = R"([
 [
  {"productID": 11, "productSKU": "SKU-11", "productName": "Chair", "productShortDesc": "short", "productDesc": "long",
   "publish": 1, "productOrdering": 3, "productStock": 40, "productSale": 2, "productBuy": 5, "productTag": "red,blue",
   "priceID": 101, "vendor_group_id_list": "1,2", "vendor_state_id_list": "3", "vendor_id_list": "4", "customer_id_list": "5,6",
   "price": 19.99, "currency": "EUR", "discountPrice": 17.5, "discountIdentifier": "SPRING", "discountStartDate": 1700000000,
   "discountEndDate": 1800000000.5, "discountPublish": 1, "tierStartDate": 1600000000, "tierEndDate": 1900000000,
   "tierQuantityPrice": "10:18,20:16", "tierPublish": 1, "discount_percentage": 87.5, "relatedSKUList": "SKU-12,SKU-13",
   "attributes": [{"attributeId": 501, "attributeFieldsId": 7, "attributeValue": "oak,beech", "defaultValue": "oak"}],
   "productParentList": [3, 4],
   "images": [{"imageID": 901, "keyID": 11, "keyType": "product", "thumbAddress": "t/11.jpg", "fullAddress": "f/11.jpg",
               "isDefault": 1, "imageShortDesc": "front", "imageDesc": "the front", "imagePublish": 1, "imageOrdering": 2}]},
  {"productID": 2147483647, "productSKU": 12345, "productName": "Tasse à café — 咖啡杯 ☕", "productShortDesc": "", "productDesc": "",
   "publish": "1", "productOrdering": -2147483648, "productStock": "42", "productSale": 0, "productBuy": -1, "productTag": "",
   "priceID": 102, "vendor_group_id_list": "", "vendor_state_id_list": "", "vendor_id_list": "", "customer_id_list": "",
   "price": 0.1, "currency": "", "discountPrice": 1e-7, "discountIdentifier": "", "discountStartDate": 0,
   "discountEndDate": 0, "discountPublish": 0, "tierStartDate": -86400, "tierEndDate": 4102444800,
   "tierQuantityPrice": "", "tierPublish": 0, "discount_percentage": 100, "relatedSKUList": "",
   "attributes": [{"attributeId": -3, "attributeFieldsId": 0, "attributeValue": "", "defaultValue": ""}],
   "productParentList": [],
   "images": [{"imageID": 902, "keyID": 2147483647, "keyType": "", "thumbAddress": "", "fullAddress": "",
               "isDefault": 0, "imageShortDesc": "", "imageDesc": "", "imagePublish": 0, "imageOrdering": 0}]},
  {"productID": 13, "attributes": [{}], "images": [{}]}
 ],
 [{"categoryID": 3, "categoryName": "Seating", "categoryCode": "S", "categoryType": "room", "categoryPublish": 1,
   "categoryOrdering": 1, "categoryParentID": 0},
  {"categoryID": 4, "categoryName": "", "categoryCode": "", "categoryType": "", "categoryPublish": 0,
   "categoryOrdering": -1, "categoryParentID": 3},
  {"categoryID": 5}],
 [{"attributeFieldsId": 7, "attributeName": "Wood", "description": "the wood", "attributeValue": "oak,beech,ash",
   "display": 1, "published": 1},
  {"attributeFieldsId": 8, "attributeName": "", "description": "", "attributeValue": "", "display": 0, "published": 0},
  {"attributeFieldsId": 9}],
 [{"productId": 11, "productSku": "SKU-11", "fileId": 31}, {"productId": 12, "productSku": "", "fileId": 32}, {"fileId": 33}],
 [{"id": 1, "tagName": "red"}, {"id": 2, "tagName": "Größe ✓"}, {"id": 3, "tagName": ""}],
 [{"tagId": 1, "productId": 11}, {"tagId": 2, "productId": 2147483647}]
])";

constexpr std::string_view kCustomers = R"([
 [{"customerId": 21, "customerInfoId": "C-21", "customerName": "Müller & Söhne", "customerPublish": 1, "customerOrdering": 2,
   "customerDiscount": 0.1, "attributes": [{"attributeId": 601, "attributeFieldsId": 17, "attributeValue": "VIP"}]},
  {"customerId": -5, "customerInfoId": "", "customerName": "", "customerPublish": 0, "customerOrdering": 0,
   "customerDiscount": "12.345", "attributes": [{"attributeId": 602, "attributeFieldsId": 18, "attributeValue": ""}]},
  {"customerId": 23, "attributes": [{}]}],
 [{"attributeFieldsId": 17, "attributeName": "Level", "description": "level", "data_type": "text",
   "selection_list": "VIP,Normal", "display": 1, "published": 1},
  {"attributeFieldsId": 18, "attributeName": "", "description": "", "data_type": "", "selection_list": "", "display": 0,
   "published": 0},
  {"attributeFieldsId": 19}],
 [{"id": 41, "customer_id": 21, "address": "Hauptstraße 1", "city": "Köln", "state": "NRW", "zip_code": "50667"},
  {"id": 42, "customer_id": 21, "address": "", "city": "", "state": "", "zip_code": 12345},
  {"id": 43, "customer_id": 23}],
 [{"contactId": 51, "customerId": 21, "firstName": "Ana", "lastName": "Núñez", "jobTitle": "Buyer", "workPhone": "+49 1",
   "mobilePhone": "+49 2", "email": "ana@example.com", "im": "ana", "note": "日本語のメモ"},
  {"contactId": 52, "customerId": 21, "firstName": "", "lastName": "", "jobTitle": "", "workPhone": "", "mobilePhone": "",
   "email": "", "im": "", "note": ""},
  {"contactId": 53, "customerId": 23}]
])";

constexpr std::string_view kLibrary = R"([
 [{"id": 61, "title": "Catalogue 2026", "fileName": "cat.pdf", "category": 71, "type": "pdf", "date": "2026-01-02",
   "description": "the catalogue", "ordering": 1, "publish": 1, "coverImage": "cat.jpg", "info": "Intro,01:30"},
  {"id": 62, "title": "", "fileName": "", "category": 0, "type": "", "date": "", "description": "", "ordering": -7,
   "publish": 0, "coverImage": "", "info": ""},
  {"id": 63}],
 [{"cateID": 71, "cateName": "Brochures ✓", "cateOrdering": 1, "catePublished": 1, "parentId": 0},
  {"cateID": 72, "cateName": "", "cateOrdering": 0, "catePublished": 0, "parentId": 71},
  {"cateID": 73}]
])";

constexpr std::string_view kIcons = R"([
 {"iconID": 81, "iconTitle": "Logo", "iconName": "logo.png", "iconWidth": 120, "iconHeight": 40, "iconDesc": "top bar",
  "iconCategory": "bar", "iconPublish": 1},
 {"iconID": 82, "iconTitle": "", "iconName": "", "iconWidth": 0, "iconHeight": 0, "iconDesc": "", "iconCategory": "",
  "iconPublish": 0},
 {"iconID": 83}
])";

class RecordRoundTrip : public DatabaseFixture { };

TEST_F(RecordRoundTrip, ProductTablesComeBackAsTheServerSentThem)
{
    auto reply = decode<RequestSyncAllTable, SyncAllTableRst>(kProducts);
    ASSERT_TRUE(reply);
    auto m = dam();
    ASSERT_TRUE(m->saveToDatabaseProduct(listOf(reply->productTable)));
    ASSERT_TRUE(m->saveToDatabaseProductAttribute(listOf(reply->productAttributeTable)));
    ASSERT_TRUE(m->saveToDatabaseFieldsProductAttribute(listOf(reply->fieldsAttributeTable)));
    ASSERT_TRUE(m->saveToDatabasePxrefC(listOf(reply->productCategoryXrefTable)));
    ASSERT_TRUE(m->saveToDatabasePrice(listOf(reply->productPriceTable)));
    ASSERT_TRUE(m->saveToDatabaseProductrelated(listOf(reply->productRelatedTable)));
    ASSERT_TRUE(m->saveToDatabaseImage(listOf(reply->imagesTable)));
    ASSERT_TRUE(m->saveToDatabaseCategory(listOf(reply->categoryTable)));
    ASSERT_TRUE(m->saveToDatabaseProductRelatedFile(listOf(reply->productRelatedFilesTable)));
    ASSERT_TRUE(m->saveToDatabaseProductTag(listOf(reply->productTagTable)));
    ASSERT_TRUE(m->saveToDatabaseProductRelatedTag(listOf(reply->productRelateTagTable)));

    auto& connection = *db();
    expectRoundTrip(connection, reply->productTable);
    expectRoundTrip(connection, reply->productAttributeTable);
    expectRoundTrip(connection, reply->fieldsAttributeTable);
    expectRoundTrip(connection, reply->productCategoryXrefTable);
    expectRoundTrip(connection, reply->productPriceTable);
    expectRoundTrip(connection, reply->productRelatedTable);
    expectRoundTrip(connection, reply->imagesTable);
    expectRoundTrip(connection, reply->categoryTable);
    expectRoundTrip(connection, reply->productRelatedFilesTable);
    expectRoundTrip(connection, reply->productTagTable);
    expectRoundTrip(connection, reply->productRelateTagTable);

    // The screens' own readers give the same records.
    for (const auto& sent : reply->productTable) {
        auto read = m->productmodel()->getAllProductByProductId(sent.product_id);
        ASSERT_TRUE(read) << sent.product_id;
        expectSameColumns(sent, *read, "product " + std::to_string(sent.product_id));
    }
    for (const auto& sent : reply->productPriceTable) {
        auto read = m->getPriceEntityByProductId(sent.product_id);
        expectSameColumns(sent, *read, "price of " + std::to_string(sent.product_id));
    }
    auto images = m->getManyImageByKeyId(11);
    ASSERT_EQ(images.size(), 1u);
    expectSameColumns(reply->imagesTable[0], *images[0], "image 901");
}

TEST_F(RecordRoundTrip, CustomerTablesComeBackAsTheServerSentThem)
{
    auto reply = decode<RequestSyncCustomerTable, SyncCustomerTableRst>(kCustomers);
    ASSERT_TRUE(reply);
    auto m = dam();
    ASSERT_TRUE(m->saveToDatabaseCustomer(listOf(reply->customerTable)));
    ASSERT_TRUE(m->saveToDatabaseCustomerAttribute(listOf(reply->customerAttributeTable)));
    ASSERT_TRUE(m->saveToDatabaseFieldsCustomerAttribute(listOf(reply->fieldsAttributeTable)));
    ASSERT_TRUE(m->saveToDatabaseCustomerAddress(listOf(reply->customerAddressTable)));
    ASSERT_TRUE(m->saveToDatabaseCustomerContact(listOf(reply->customerContactTable)));

    auto& connection = *db();
    expectRoundTrip(connection, reply->customerTable);
    expectRoundTrip(connection, reply->customerAttributeTable);
    expectRoundTrip(connection, reply->fieldsAttributeTable);
    expectRoundTrip(connection, reply->customerAddressTable);
    expectRoundTrip(connection, reply->customerContactTable);

    // One attribute a customer, in the customers' order.
    ASSERT_EQ(reply->customerAttributeTable.size(), reply->customerTable.size());
    for (size_t i = 0; i < reply->customerTable.size(); ++i) {
        const auto& sent = reply->customerTable[i];
        const std::string where = "customer " + std::to_string(sent.customer_id);
        expectSameColumns(sent, *m->customerModel()->getCustomerByCustomerId(sent.customer_id), where);
        auto attributes = m->getCustomerAttributes(sent.customer_id);
        ASSERT_EQ(attributes.size(), 1u) << where;
        expectSameColumns(reply->customerAttributeTable[i], *attributes[0], where);
    }
    auto addresses = m->getCustomerAddress(21);
    ASSERT_EQ(addresses.size(), 2u);
    expectSameColumns(reply->customerAddressTable[0], *addresses[0], "address 41");
    expectSameColumns(reply->customerAddressTable[1], *addresses[1], "address 42");
    auto contacts = m->customerModel()->getCustomerContact(23);
    ASSERT_EQ(contacts.size(), 1u);
    expectSameColumns(reply->customerContactTable[2], *contacts[0], "contact 53");
}

TEST_F(RecordRoundTrip, LibraryAndIconTablesComeBackAsTheServerSentThem)
{
    auto files = decode<RequestSyncFileTable, SyncFileTableRst>(kLibrary);
    auto icons = decode<RequestSyncIconTable, SyncIconTableRst>(kIcons);
    ASSERT_TRUE(files && icons);
    auto m = dam();
    ASSERT_TRUE(m->saveToDatabaseLibraryFiles(listOf(files->libFileTable)));
    ASSERT_TRUE(m->saveToDatabaseLibraryCategory(listOf(files->libCategoryTable)));
    ASSERT_TRUE(m->saveToDatabaseIcon(listOf(icons->iconTable)));

    auto& connection = *db();
    expectRoundTrip(connection, files->libFileTable);
    expectRoundTrip(connection, files->libCategoryTable);
    expectRoundTrip(connection, icons->iconTable);
    for (const auto& sent : icons->iconTable)
        expectSameColumns(sent, *m->getIconByIconId(sent._id), "icon " + std::to_string(sent._id));
    expectSameColumns(files->libCategoryTable[0], *m->getLibraryCategoryByCategoryid(71), "library category 71");
}

// What the decoders make of the edges, seen in the records and in the stored
// values: the table is only right if these are.
TEST_F(RecordRoundTrip, EdgesOfEachKindAreKeptAsBefore)
{
    auto products = decode<RequestSyncAllTable, SyncAllTableRst>(kProducts);
    auto customers = decode<RequestSyncCustomerTable, SyncCustomerTableRst>(kCustomers);
    ASSERT_TRUE(products && customers);
    ASSERT_EQ(products->productTable.size(), 3u);

    const auto& plain = products->productTable[0];
    const auto& edges = products->productTable[1];
    const auto& missing = products->productTable[2];
    EXPECT_EQ(edges.product_sku, "12345");
    EXPECT_EQ(edges.product_name, "Tasse à café — 咖啡杯 ☕");
    EXPECT_EQ(edges.product_s_desc, "");
    EXPECT_EQ(edges.product_stock, 42);
    EXPECT_EQ(edges.product_publish, 1);
    EXPECT_EQ(edges.product_id, 2147483647);
    EXPECT_EQ(edges.product_ordering, std::numeric_limits<int>::min());
    EXPECT_EQ(plain.product_l_desc, "long");
    EXPECT_EQ(missing.product_sku, std::nullopt);
    EXPECT_EQ(missing.product_name, std::nullopt);
    EXPECT_EQ(missing.product_stock, 0);
    EXPECT_EQ(missing.product_c_date, std::nullopt);

    // The attribute's sent value and default lie in each other's columns.
    ASSERT_EQ(products->productAttributeTable.size(), 3u);
    EXPECT_EQ(products->productAttributeTable[0].attribute_value, "oak,beech");
    EXPECT_EQ(products->productAttributeTable[0].default_value, "oak");
    EXPECT_EQ(products->productAttributeTable[2].product_id, 13);
    // Prices keep the full double; the customer's discount is single precision.
    EXPECT_EQ(products->productPriceTable[1].price, 0.1);
    EXPECT_EQ(products->productPriceTable[1].discount_price, 1e-7);
    EXPECT_EQ(products->productPriceTable[0].discount_end_date, Date { 1800000000.5 });
    EXPECT_EQ(products->productPriceTable[2].discount_start_date, Date { 0 });
    EXPECT_EQ(customers->customerTable[0].discount, static_cast<double>(0.1f));
    EXPECT_EQ(customers->customerTable[1].discount, static_cast<double>(12.345f));
    EXPECT_EQ(customers->customerAttributeTable[2].customer_id, 23);
    // The sync's contacts read missing texts as empty; the address keeps them absent.
    EXPECT_EQ(customers->customerContactTable[2].first_name, "");
    EXPECT_EQ(customers->customerAddressTable[2].customerCity, std::nullopt);
    EXPECT_EQ(customers->customerAddressTable[1].customerZipCode, "12345");

    auto m = dam();
    ASSERT_TRUE(m->saveToDatabaseProduct(listOf(products->productTable)));
    ASSERT_TRUE(m->saveToDatabaseProductAttribute(listOf(products->productAttributeTable)));
    ASSERT_TRUE(m->saveToDatabaseCustomer(listOf(customers->customerTable)));
    struct Stored {
        const char* sql;
        const char* value;
    };
    for (const auto& c : {
             Stored { "select typeof(product_s_desc) from corvelle_product where product_id = 2147483647", "text" },
             Stored { "select product_s_desc from corvelle_product where product_id = 2147483647", "" },
             Stored { "select typeof(product_s_desc) from corvelle_product where product_id = 13", "null" },
             Stored { "select typeof(product_c_date) from corvelle_product where product_id = 11", "null" },
             Stored {
                 "select product_name from corvelle_product where product_id = 2147483647", "Tasse à café — 咖啡杯 ☕" },
             Stored { "select attribute_value from corvelle_product_attribute where attribute_id = 501", "oak" },
             Stored { "select selection_list from corvelle_product_attribute where attribute_id = 501", "oak,beech" },
             Stored {
                 "select typeof(hidden) || ':' || hidden from corvelle_customer where customer_id = 21", "integer:0" },
             Stored { "select discount = cast(0.1 as real) from corvelle_customer where customer_id = 21", "0" },
         })
        EXPECT_EQ(scalar(c.sql), c.value) << c.sql;
}

// The saves write the same columns under the same names as they always have:
// the stored files and their older readers rely on them.
TEST_F(RecordRoundTrip, SavesWriteTheColumnsTheyAlwaysWrote)
{
    struct Case {
        std::string_view statement;
        const char* columns;
    };
    using RecordColumns::insertStatement;
    for (const auto& c :
        {
            Case { insertStatement<corvelle_product_Entity>(),
                "corvelle_product(product_id,product_sku,product_name,product_s_desc,product_l_desc,product_publish,"
                "product_ordering,product_stock,product_sale,product_buy,product_tags)" },
            Case { insertStatement<corvelle_product_attribute_Entity>(),
                "corvelle_product_attribute(attribute_id,product_id,attribute_fields_id,attribute_value,selection_"
                "list)" },
            Case { insertStatement<corvelle_fields_product_attribute_Entity>(),
                "corvelle_fields_product_attribute(field_id,field_name,description,selection_list,display,published)" },
            Case { insertStatement<corvelle_product_category_xref_Entity>(),
                "corvelle_product_category_xref(category_id,product_id)" },
            Case { insertStatement<corvelle_product_price_Entity>(),
                "corvelle_product_price(price_id,product_id,vendor_group_id_list,vendor_state_id_list,vendor_id_list,"
                "customer_id_list,price,currency,discount_price,discount_identifier,discount_start_date,discount_end_"
                "date,"
                "discount_publish,tier_start_date,tier_end_date,tier_quantity_price,tier_publish,discount_rat)" },
            Case { insertStatement<corvelle_product_related_Entity>(),
                "corvelle_product_related(product_id,related_product_sku)" },
            Case { insertStatement<corvelle_image_Entity>(),
                "corvelle_image(image_id,key_id,key_type,image_thumb_address,image_full_address,image_isdault,image_s_"
                "desc,"
                "image_l_desc,image_publis,image_ordering)" },
            Case { insertStatement<corvelle_category_Entity>(),
                "corvelle_category(category_id,category_name,category_code,category_type,category_publish,"
                "category_ordering,category_parent_id)" },
            Case { insertStatement<corvelle_product_related_files_Entity>(),
                "corvelle_product_related_file(file_id,product_sku,product_id)" },
            Case { insertStatement<corvelle_tag_entity>(), "corvelle_product_tag(tag_id,tag_name)" },
            Case { insertStatement<corvelle_product_related_tag_Entity>(),
                "corvelle_product_related_tag(tag_id,product_id)" },
            Case { insertStatement<corvelle_icon_Entity>(),
                "corvelle_icon(id,title,name,width,height,description,category,publish)" },
            Case { insertStatement<corvelle_library_files_Entity>(),
                "corvelle_library_files(id,title,file_name,category,type,date,description,ordering,published,cover_"
                "image,"
                "info,isNew)" },
            Case { insertStatement<corvelle_library_category_Entity>(),
                "corvelle_library_category(id,name,ordering,published,parent_id)" },
            Case { insertStatement<corvelle_customer_Entity>(),
                "corvelle_customer(customer_id,customer_info_id,customer_name,customer_publish,customer_ordering,"
                "discount)" },
            Case { insertStatement<corvelle_customer_attribute_Entity>(),
                "corvelle_customer_attribute(attribute_id,customer_id,attribute_fields_id,attribute_value)" },
            Case { insertStatement<corvelle_fields_customer_attribute_Entity>(),
                "corvelle_fields_customer_attribute(field_id,field_name,description,data_type,selection_list,display,"
                "published)" },
            Case { insertStatement<corvelle_customer_address_Entity>(),
                "corvelle_customer_address(id,customer_id,address,city,state,zip_code,isDefault)" },
            Case { insertStatement<corvelle_customer_contact_entity>(),
                "corvelle_customer_contact(contact_id,customer_id,first_name,last_name,job_title,work_phone,mobile_"
                "phone,"
                "email,im,note,isDefault)" },
            Case { insertStatement<QuoteOrderEntity>(),
                "corvelle_quote_order(order_id,customer_id,customer_info_id,customer_name,vendor_id,order_number,"
                "order_total,order_subtotal,order_tax,order_tax_details,order_shipping,order_shipping_tax,coupon_"
                "discount,coupon_code,order_discount,order_currency,order_status,cdate,mdate,ship_method,customer_"
                "note,ip_address,uploaded,discount_rat,signature,address,city,state,zip_code,phone,bankAccount)" },
            Case { insertStatement<QuoteOrderItemEntity>(),
                "corvelle_quote_order_item(order_item_id,order_id,customer_info_id,vendor_id,product_id,order_item_"
                "sku,order_item_name,product_quantity,product_item_price,product_final_price,order_item_currency,"
                "order_item_subtotal,order_status,cdate,mdate,product_attribute,discount_rat)" },
        }) {
        const std::string columns = c.columns;
        const size_t count = static_cast<size_t>(std::count(columns.begin(), columns.end(), ',')) + 1;
        std::string marks = "?";
        for (size_t i = 1; i < count; ++i)
            marks += ",?";
        EXPECT_EQ(c.statement, "INSERT or REPLACE INTO " + columns + " VALUES(" + marks + ");");
    }
}

// A row read back where the stored file holds what an older save or another
// writer left: NULL dates of a price read as time 0 (the price screen compares
// them), and a column the statement does not select reads as NULL would.
TEST_F(RecordRoundTrip, RowsOfOlderShapesReadAsBefore)
{
    auto m = dam();
    ASSERT_TRUE(db()->executeUpdate(
        "INSERT INTO corvelle_product_price(price_id,product_id,price,discount_start_date) VALUES(7,70,5.5,NULL)"));
    auto price = m->getPriceEntityByProductId(70);
    EXPECT_EQ(price->price, 5.5);
    EXPECT_EQ(price->discount_start_date, Date { 0 });
    EXPECT_EQ(price->tier_end_date, Date { 0 });
    EXPECT_EQ(price->currency, std::nullopt);

    auto rs = db()->executeQuery("select 9 as id, 'x' as title");
    ASSERT_TRUE(rs && rs->next());
    corvelle_library_files_Entity file;
    file.ordering = 5;
    RecordColumns::readRow(*rs, file);
    rs->close();
    EXPECT_EQ(file.file_id, 9);
    EXPECT_EQ(file.title, "x");
    EXPECT_EQ(file.ordering, 0);
    EXPECT_EQ(file.file_name, std::nullopt);
}

// A read of many rows finds each column's place once; every row still reads
// as a read of that row alone does: columns in any order and any case, the
// ones a statement lacks as NULL, and rows whose values change type.
TEST_F(RecordRoundTrip, ManyRowsReadAsEachRowReadAlone)
{
    dam();
    const char* statements[] = {
        "select 9 as ID, 'x' as Title, 3 as ordering union all select 10, NULL, 'abc' union all select -1, 4.5, NULL",
        "select 'late' as file_name, 7 as id",
        "select * from corvelle_product_price where 0",
    };
    for (const char* sql : statements) {
        SCOPED_TRACE(sql);
        auto many = RecordColumns::readRows<corvelle_library_files_Entity>(db()->executeQuery(sql));
        std::vector<corvelle_library_files_Entity> alone;
        auto rs = db()->executeQuery(sql);
        ASSERT_TRUE(rs);
        while (rs->next()) {
            corvelle_library_files_Entity file;
            file.ordering = 5;
            RecordColumns::readRow(*rs, file);
            alone.push_back(file);
        }
        ASSERT_EQ(many.size(), alone.size());
        for (size_t i = 0; i < many.size(); ++i)
            expectSameColumns(alone[i], *many[i], "row " + std::to_string(i));
    }
    auto rows = RecordColumns::readRows<corvelle_library_files_Entity>(
        db()->executeQuery("select 9 as ID, 'x' as Title union all select 10, NULL"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]->file_id, 9);
    EXPECT_EQ(rows[0]->title, "x");
    EXPECT_EQ(rows[1]->file_id, 10);
    EXPECT_EQ(rows[1]->title, std::nullopt);
    EXPECT_EQ(rows[1]->file_name, std::nullopt);
}

// Each member is filled from its own key of the server's object: the first
// record of each table, whose values all differ, spelled out.
TEST_F(RecordRoundTrip, EachMemberComesFromItsOwnKey)
{
    auto p = decode<RequestSyncAllTable, SyncAllTableRst>(kProducts);
    auto c = decode<RequestSyncCustomerTable, SyncCustomerTableRst>(kCustomers);
    auto f = decode<RequestSyncFileTable, SyncFileTableRst>(kLibrary);
    auto i = decode<RequestSyncIconTable, SyncIconTableRst>(kIcons);
    ASSERT_TRUE(p && c && f && i);
    struct Case {
        std::string decoded;
        std::string expected;
    };
    for (const auto& each : {
             Case { describe(p->productTable[0]),
                 "product_id=11 product_sku='SKU-11' product_name='Chair' product_s_desc='short' "
                 "product_l_desc='long' product_publish=1 product_ordering=3 product_stock=40 "
                 "product_sale=2 product_buy=5 product_c_date=NULL product_m_date=NULL "
                 "product_tags='red,blue'" },
             Case { describe(p->productAttributeTable[0]),
                 "attribute_id=501 product_id=11 attribute_fields_id=7 attribute_value='oak' "
                 "selection_list='oak,beech'" },
             Case { describe(p->fieldsAttributeTable[0]),
                 "field_id=7 field_name='Wood' description='the wood' selection_list='oak,beech,ash' "
                 "display=1 published=1" },
             Case { describe(p->productCategoryXrefTable[0]), "category_id=3 product_id=11" },
             Case { describe(p->productPriceTable[0]),
                 "price_id=101 product_id=11 vendor_group_id_list='1,2' vendor_state_id_list='3' "
                 "vendor_id_list='4' customer_id_list='5,6' price=19.989999999999998 currency='EUR' "
                 "discount_price=17.5 discount_identifier='SPRING' discount_start_date=1700000000 "
                 "discount_end_date=1800000000.5 discount_publish=1 tier_start_date=1600000000 "
                 "tier_end_date=1900000000 tier_quantity_price='10:18,20:16' tier_publish=1 "
                 "discount_rat=87.5" },
             Case { describe(p->productRelatedTable[0]), "product_id=11 related_product_sku='SKU-12,SKU-13'" },
             Case { describe(p->imagesTable[0]),
                 "image_id=901 key_id=11 key_type='product' image_thumb_address='t/11.jpg' "
                 "image_full_address='f/11.jpg' image_isdault=1 image_s_desc='front' image_l_desc='the "
                 "front' image_publis=1 image_ordering=2" },
             Case { describe(p->categoryTable[0]),
                 "category_id=3 category_name='Seating' category_code='S' category_type='room' "
                 "category_publish=1 category_ordering=1 category_parent_id=0" },
             Case { describe(p->productRelatedFilesTable[0]), "file_id=31 product_sku='SKU-11' product_id=11" },
             Case { describe(p->productTagTable[0]), "tag_id=1 tag_name='red'" },
             Case { describe(p->productRelateTagTable[0]), "tag_id=1 product_id=11" },
             Case { describe(c->customerTable[0]),
                 "customer_id=21 customer_info_id='C-21' customer_name='Müller & Söhne' customer_publish=1 "
                 "customer_ordering=2 discount=0.10000000149011612 hidden=0" },
             Case { describe(c->customerAttributeTable[0]),
                 "attribute_id=601 customer_id=21 attribute_fields_id=17 attribute_value='VIP'" },
             Case { describe(c->fieldsAttributeTable[0]),
                 "field_id=17 field_name='Level' description='level' data_type='text' "
                 "selection_list='VIP,Normal' display=1 published=1" },
             Case { describe(c->customerAddressTable[0]),
                 "id=41 customer_id=21 address='Hauptstraße 1' city='Köln' state='NRW' zip_code='50667' "
                 "isDefault=0" },
             Case { describe(c->customerContactTable[0]),
                 "contact_id=51 customer_id=21 first_name='Ana' last_name='Núñez' job_title='Buyer' "
                 "work_phone='+49 1' mobile_phone='+49 2' email='ana@example.com' im='ana' note='日本語のメモ' "
                 "isDefault=0" },
             Case { describe(f->libFileTable[0]),
                 "id=61 title='Catalogue 2026' file_name='cat.pdf' category=71 type='pdf' "
                 "date='2026-01-02' description='the catalogue' ordering=1 published=1 "
                 "cover_image='cat.jpg' info='Intro,01:30' isNew=0" },
             Case { describe(f->libCategoryTable[0]), "id=71 name='Brochures ✓' ordering=1 published=1 parent_id=0" },
             Case { describe(i->iconTable[0]),
                 "id=81 title='Logo' name='logo.png' width=120 height=40 description='top bar' "
                 "category='bar' publish=1" },
         })
        EXPECT_EQ(each.decoded, each.expected + " ");
}

// The small tables keep the statements they always had (a favourite or a
// comparison of the same product twice is refused, not replaced) and give
// back what they stored.
TEST_F(RecordRoundTrip, SmallTablesSaveAsBeforeAndComeBack)
{
    using RecordColumns::insertStatement;
    struct Case {
        std::string_view statement;
        const char* expected;
    };
    for (const auto& c : {
             Case { insertStatement<ConfigEntity>(),
                 "INSERT or REPLACE INTO Corvelle_component_config(client_id,cfg_type,desc,update_date) "
                 "VALUES(?,?,?,?);" },
             Case { insertStatement<corvelle_favorite_Entity>(),
                 "INSERT INTO corvelle_favorite(product_id,product_sku,product_name) VALUES(?,?,?);" },
             Case { insertStatement<corvelle_compare_Entity>(),
                 "INSERT INTO corvelle_compare(product_id,product_sku,product_name) VALUES(?,?,?);" },
             Case { insertStatement<corvelle_library_favorite_Entity>(),
                 "INSERT or REPLACE INTO corvelle_library_favorite(id,file_name) VALUES(?,?);" },
             Case { insertStatement<corvelle_library_files_update_Entity>(),
                 "INSERT or REPLACE INTO corvelle_update(fileId,old_file_name,old_file_type) VALUES(?,?,?);" },
         })
        EXPECT_EQ(c.statement, c.expected);

    auto m = dam();
    auto product = std::make_shared<corvelle_product_Entity>();
    product->product_id = 2147483647;
    product->product_publish = 1;
    ASSERT_TRUE(m->saveToDatabaseProduct(EntityList<corvelle_product_Entity> { product }));

    ASSERT_TRUE(m->saveToDatabaseFavoriteSkuName(2147483647, std::string("SKU ✓"), std::nullopt));
    EXPECT_FALSE(m->saveToDatabaseFavoriteSkuName(2147483647, std::string("other"), std::string("other")));
    auto favorite = m->getFavoriteByFavoriteId(2147483647);
    ASSERT_TRUE(favorite);
    EXPECT_EQ(favorite->product_sku, "SKU ✓");
    EXPECT_EQ(favorite->product_name, std::nullopt);
    ASSERT_EQ(m->getFavorites().size(), 1u);
    EXPECT_EQ(m->getFavorites()[0]->product_sku, "SKU ✓");

    ASSERT_TRUE(m->saveToDatabaseCompareSkuName(2147483647, std::string(""), std::string("Größe")));
    EXPECT_FALSE(m->saveToDatabaseCompareSkuName(2147483647, std::string("other"), std::nullopt));
    auto compare = m->getCompareByCompareId(2147483647);
    ASSERT_TRUE(compare);
    EXPECT_EQ(compare->product_sku, "");
    EXPECT_EQ(compare->product_name, "Größe");
    ASSERT_EQ(m->getCompares().size(), 1u);
    EXPECT_EQ(m->getCompares()[0]->product_name, "Größe");

    ASSERT_TRUE(m->saveToDatabaseLibraryFavoriteName(-7, std::string("файл.pdf")));
    ASSERT_TRUE(m->saveToDatabaseLibraryFavoriteName(-7, std::string("again.pdf")));
    auto file = m->getLibraryFavoriteByFavoriteId(-7);
    ASSERT_TRUE(file);
    EXPECT_EQ(file->file_id, -7);
    EXPECT_EQ(file->file_name, "again.pdf");

    auto update = std::make_shared<corvelle_library_files_update_Entity>();
    update->fileID = 61;
    update->oldFileName = "cat ✓.pdf";
    ASSERT_TRUE(m->saveToDatabaseLibraryUpdate(update));
    auto read = m->getLibFileUpdateByFileID(61);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->fileID, 61);
    EXPECT_EQ(read->oldFileName, "cat ✓.pdf");
    EXPECT_EQ(read->oldFileType, std::nullopt);

    auto config = std::make_shared<ConfigEntity>();
    config->clientid = "Acme";
    config->configType = "date_format";
    config->desc = "";
    ASSERT_TRUE(m->syncConfigData(EntityList<ConfigEntity> { config }));
    auto stored = m->queryConfig(std::string("date_format"));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->_id, scalar("select id from Corvelle_component_config where cfg_type = 'date_format'"));
    EXPECT_EQ(stored->clientid, "Acme");
    EXPECT_EQ(stored->configType, "date_format");
    EXPECT_EQ(stored->desc, "");
    EXPECT_EQ(stored->update_date, std::nullopt);
}

// The customer upload's reply names each record's ids under keys of its own:
// each member from its own key, the address's missing texts as empty, the
// other missing texts absent.
TEST_F(RecordRoundTrip, TheCustomerUploadReplyReadsItsOwnKeys)
{
    auto reply = decode<RequestUploadCustomer, SubmitCustomerRst>(
        R"({"corvelle_customer":[{"customerId":40,"preId":-1,"customerName":"not read"}],)"
        R"("corvelle_customer_address":[{"preId":-2,"customerId":41,"id":7,"address":"Hauptstraße 1","city":"Köln",)"
        R"("state":"NRW","zip_code":50667},{"preId":"-3"}],)"
        R"("corvelle_customer_attribute":[{"preId":-4,"attributeId":42,"customerId":43,"attributeFieldsId":44,)"
        R"("attributeValue":"VIP"},{}],)"
        R"("corvelle_customer_contact":[{"preId":-5,"customerId":45,"contactId":46,"firstName":"Ana",)"
        R"("lastName":"Núñez","note":""},{"preId":-6}]})");
    ASSERT_TRUE(reply);
    ASSERT_EQ(reply->customerArry.size(), 1u);
    EXPECT_EQ(reply->customerArry[0].customer_id, 40);
    EXPECT_EQ(reply->customerArry[0].pid, -1);
    EXPECT_EQ(reply->customerArry[0].customer_name, std::nullopt);

    ASSERT_EQ(reply->customerAddress.size(), 2u);
    const auto& address = reply->customerAddress[0];
    EXPECT_EQ(address.pID, -2);
    EXPECT_EQ(address.customerId, 41);
    EXPECT_EQ(address.indexId, 7);
    EXPECT_EQ(address.customerAddress, "Hauptstraße 1");
    EXPECT_EQ(address.customerCity, "Köln");
    EXPECT_EQ(address.customerState, "NRW");
    EXPECT_EQ(address.customerZipCode, "50667");
    EXPECT_EQ(reply->customerAddress[1].pID, -3);
    EXPECT_EQ(reply->customerAddress[1].customerCity, "");

    ASSERT_EQ(reply->customerAttributes.size(), 2u);
    const auto& attribute = reply->customerAttributes[0];
    EXPECT_EQ(attribute.pID, -4);
    EXPECT_EQ(attribute.attribute_id, 42);
    EXPECT_EQ(attribute.customer_id, 43);
    EXPECT_EQ(attribute.attribute_fields_id, 44);
    EXPECT_EQ(attribute.attribute_value, "VIP");
    EXPECT_EQ(reply->customerAttributes[1].attribute_value, std::nullopt);

    ASSERT_EQ(reply->customerContacts.size(), 2u);
    const auto& contact = reply->customerContacts[0];
    EXPECT_EQ(contact.pID, -5);
    EXPECT_EQ(contact.customerID, 45);
    EXPECT_EQ(contact.contactID, 46);
    EXPECT_EQ(contact.first_name, "Ana");
    EXPECT_EQ(contact.last_name, "Núñez");
    EXPECT_EQ(contact.note, "");
    EXPECT_EQ(contact.email, std::nullopt);
    EXPECT_EQ(reply->customerContacts[1].pID, -6);
    EXPECT_EQ(reply->customerContacts[1].first_name, std::nullopt);
}

}  // namespace
