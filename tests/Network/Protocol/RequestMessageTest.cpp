#include "Network/Protocol/NetworkModel.h"
#include "Network/Protocol/QDJSON.h"
#include "Network/Protocol/RequestBody.h"
#include "Network/Protocol/RequestDownload.h"
#include "Network/Protocol/SessionCommands.h"
#include "Network/Protocol/SyncCommands.h"
#include "ProtocolTestServices.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/Foundation/TextEncoding.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

std::optional<Value> reply(const std::string& status, const std::string& content)
{
    return JSONValue(
        R"({"content":)" + content + R"(,"results":[{"status":")" + status + R"(","message":"srv","detail":"d"}]})");
}

template <typename T> std::shared_ptr<T> decode(RequestInterfaceBase& message, const std::optional<Value>& parsed)
{
    auto result = std::dynamic_pointer_cast<T>(message.RequestDecode(parsed));
    EXPECT_TRUE(result);
    return result;
}

}  // namespace

TEST(RequestBody, SessionIdMovesFromTheParametersIntoTheHead)
{
    RequestBody withSession(std::string("SyncServer;"));
    EXPECT_TRUE(withSession.addElemValueForKey(std::string("S9"), std::string("jsessionId")));
    EXPECT_TRUE(withSession.addElemValueForKey(std::string("syncData"), std::string("methodName")));
    EXPECT_FALSE(withSession.addElemValueForKey(std::nullopt, std::string("accountId")));
    EXPECT_FALSE(withSession.addElemValueForKey(std::string("x"), std::nullopt));
    EXPECT_EQ(withSession.requestStr(), R"({"root":{"parameters":{"methodName":"syncData"}}})");
    EXPECT_EQ(withSession.strHead, "SyncServer;S9?");

    RequestBody without(std::string("SyncServer;"));
    without.addElemValueForKey(std::string("a/\xC3\xA9\""), std::string("k"));
    EXPECT_EQ(without.requestStr(), "{\"root\":{\"parameters\":{\"k\":\"a/\xC3\xA9\\\"\"}}}");
    EXPECT_EQ(without.strHead, "SyncServer;");

    EXPECT_EQ(RequestElem(std::string("v"), std::string("k")).elemStr(), "k=v");
    EXPECT_FALSE(RequestElem(std::nullopt, std::string("k")).elemStr());
}

TEST(NetworkModel, LoggedTextsNeverShowAPassword)
{
    struct Case {
        std::string text;
        std::string logged;
    };
    const Case cases[] = {
        { R"({"root":{"parameters":{"methodName":"login","password":"abc"}}})",
            R"({"root":{"parameters":{"methodName":"login","password":"******"}}})" },
        { R"({"content":{"vendor":{"password":"p","phone":"1"}},"results":[{"password":"q"}]})",
            R"({"content":{"vendor":{"password":"******","phone":"1"}},"results":[{"password":"******"}]})" },
        { R"({"content":"","results":[]})", R"({"content":"","results":[]})" },
        { "not json", "not json" },
        { R"({"content":{"sessionId":"S1X9","vendor":{"password":"p"}},"results":[]})",
            R"({"content":{"sessionId":"******","vendor":{"password":"******"}},"results":[]})" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(NetworkModel::loggableReply(c.text), c.logged) << c.text;
    EXPECT_EQ(NetworkModel::loggableReply(R"({"sessionId":)"), "(a reply holding a password)");

    const Case urls[] = {
        { "http://h:1/CorvelleSaas/SyncServer;S1X9?", "http://h:1/CorvelleSaas/SyncServer;******?" },
        { "http://h:1/CorvelleSaas/SyncClient;a/b;c?x", "http://h:1/CorvelleSaas/SyncClient;******?x" },
        { "http://h:1/CorvelleSaas/SyncServer;S1X9", "http://h:1/CorvelleSaas/SyncServer;******" },
        { "http://h:1/CorvelleSaas/SyncClient;", "http://h:1/CorvelleSaas/SyncClient;" },
        { "http://h:1/CorvelleSaas/Vendor?", "http://h:1/CorvelleSaas/Vendor?" },
    };
    for (const auto& c : urls)
        EXPECT_EQ(NetworkModel::loggableURL(c.text), c.logged) << c.text;
    EXPECT_EQ(NetworkModel::loggableReply(R"(password: "abc")"), "(a reply holding a password)");
    EXPECT_EQ(NetworkModel::loggableBody(R"({"password":)"), "(a request body holding a password)");
}

TEST(NetworkModel, ALongReplyIsLoggedByItsSizeAndItsHeadWithSecretsStillMasked)
{
    const std::string filler(200000, 'x');
    auto longReply = [&](const std::string& head) { return head + filler + "\"}"; };
    struct Case {
        std::string head;
        std::string shownStart;
        std::string neverShown;
    };
    const Case cases[] = {
        { R"({"content":[{"productName":")", R"({"content":[{"productName":"xxx)", "" },
        { R"({"content":{"sessionId":"S1X9","a":")", R"({"content":{"sessionId":"******","a":"xxx)", "S1X9" },
        { R"({"content":{"password" : "p,\"q","a":")", R"({"content":{"password" : "******","a":"xxx)", "p," },
        { R"({"content":{"jsessionId":12345,"a":")", R"({"content":{"jsessionId":******,"a":"xxx)", "12345" },
        // The value runs past the end of what is shown: what is shown of it is masked too.
        { std::string(R"({"a":")") + std::string(375, 'y') + R"(","password":"secretvalue)", "", "secr" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.head.substr(0, 40));
        const std::string text = longReply(c.head);
        const std::string logged = NetworkModel::loggableReply(text);
        const std::string size = std::to_string(text.size()) + " bytes, beginning ";
        ASSERT_EQ(logged.rfind(size, 0), 0u) << logged;
        EXPECT_LT(logged.size(), size.size() + 420);
        EXPECT_EQ(logged.substr(size.size(), c.shownStart.size()), c.shownStart);
        if (!c.neverShown.empty()) {
            EXPECT_EQ(logged.find(c.neverShown), std::string::npos) << logged;
        }
    }
    // A cut never splits a character.
    std::string wide;
    while (wide.size() < 1000)
        wide += "\xE5\x95\x86";
    const std::string logged = NetworkModel::loggableReply("{\"a\":\"" + wide + "\"}");
    EXPECT_TRUE(TextEncoding::isValidUTF8(logged));
    // A short reply is still logged whole, masked.
    EXPECT_EQ(NetworkModel::loggableReply(R"({"sessionId":"S","x":1})"), R"({"sessionId":"******","x":1})");
}

TEST(DecodeResults, StatusAndMessageComeFromTheLastResultAndTheLanguageTable)
{
    ProtocolTestServices services;
    struct Case {
        std::optional<std::string> text;
        std::string status;
        std::optional<std::string> message;
        std::optional<std::string> detail;
    };
    const Case cases[] = {
        { "not json", "115", "No status", std::nullopt },
        { std::nullopt, "115", "No status", std::nullopt },
        { R"({"results":[]})", "115", "No status", std::nullopt },
        { R"({"results":{"status":"200"}})", "115", "No status", std::nullopt },
        { R"({"results":[{"status":"999","detail":"a"},{"status":"200","detail":"b"}]})", "200", "Done", "b" },
        { R"({"results":[{"detail":"only detail"}]})", "115", "No status", "only detail" },
        { R"({"results":[{"status":"4711","message":"server text"}]})", "4711", "No status", std::nullopt },
        { R"({"results":[{"status":"200"}, 5, "x"]})", "200", "Done", std::nullopt },
        { R"({"results":[{"status":200,"detail":7}]})", "115", "No status", std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.value_or("(nil)"));
        NetBaseRst result;
        RequestInterfaceBase::DecodeResults(result, c.text ? JSONValue(*c.text) : std::nullopt);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.message, c.message);
        EXPECT_EQ(result.detail, c.detail);
    }
}

TEST(RequestDownload, IdsAreSerialAndFailuresSayDownloadError)
{
    ProtocolTestServices services;
    RequestDownload a, b, c;
    EXPECT_EQ(b.downloadId, a.downloadId + 1);
    EXPECT_EQ(c.downloadId, a.downloadId + 2);
    EXPECT_EQ(a.cmdCode, 0x301);
    EXPECT_EQ(a.requestType, 2);
    EXPECT_FALSE(a.RequestEncode());

    EXPECT_EQ(decode<DownloadRst>(a, reply("999", "\"\""))->message, "Download failed");
    EXPECT_EQ(decode<DownloadRst>(a, reply("404", "\"\""))->message, "Missing");
    EXPECT_EQ(decode<DownloadRst>(a, reply("200", "\"\""))->message, "Done");
}

TEST(CommandEncoding, EveryCommandSendsItsHeadAndParameters)
{
    ProtocolTestServices services;
    services.defaults["ACME-FileSynced"] = "synced";
    struct Case {
        std::function<std::shared_ptr<RequestInterfaceBase>()> make;
        int code;
        std::string head;
        Value parameters;
    };
    auto params = [](std::initializer_list<std::pair<std::string, Value>> items) { return Value::dictionary(items); };
    const Case cases[] = {
        { [] { return std::make_shared<RequestLogin>(); }, 0x102, "Vendor?",
            params(
                { { "methodName", "login" }, { "version", "2.1" }, { "accountId", "Sales1" }, { "deviceId", "DEV-1" },
                    { "password", "md5(secret)" }, { "clientId", "ACME" }, { "firstLogin", "NO" } }) },
        { [] {
             auto m = std::make_shared<RequestConfig>();
             m->clientId = "ACME";
             return m;
         },
            0x104, "Component?", params({ { "methodName", "loadConfigurationData" }, { "clientId", "ACME" } }) },
        { [] {
             auto m = std::make_shared<RequestRuntimeConfig>();
             m->clientId = "ACME";
             return m;
         },
            0x105, "Component?", params({ { "methodName", "getRunTimeConfig" }, { "clientId", "ACME" } }) },
        { [] { return std::make_shared<RequestCheckDeviceStatus>(); }, 0x106, "Vendor?",
            params({ { "methodName", "checkDeviceStatus" }, { "accountId", "Sales1" }, { "deviceId", "DEV-1" },
                { "clientId", "ACME" } }) },
        { [] { return std::make_shared<RequestCheckVersion>(); }, 0x107, "SyncServer?",
            params({ { "methodName", "checkAppVersion" }, { "version", "2.1" } }) },
        { [] { return std::make_shared<RequestGetUserinfo>(); }, 0x108, "Vendor?",
            params({ { "methodName", "getuserinfo" }, { "accountId", "Sales1" }, { "clientId", "ACME" } }) },
        { [] {
             auto m = std::make_shared<RequestGetOrderHistory>();
             m->baseTime = "05/01/2014 08:30:00";
             m->numberOfOrder = 20;
             return m;
         },
            0x109, "SyncServer;S123?",
            params({ { "methodName", "getorderhistory" }, { "accountId", "Sales1" }, { "clientId", "ACME" },
                { "baseTime", "2014-05-01 08:30:00" }, { "numberOfOrder", "20" } }) },
        { [] { return std::make_shared<RequestGetOrderHistory>(); }, 0x109, "SyncServer;S123?",
            params({ { "methodName", "getorderhistory" }, { "accountId", "Sales1" }, { "clientId", "ACME" },
                { "baseTime", "" }, { "numberOfOrder", "0" } }) },
        { [] {
             auto m = std::make_shared<RequestSyncAllTable>();
             m->isFull = "false";
             return m;
         },
            0x201, "SyncServer;S123?",
            params({ { "methodName", "syncData" }, { "accountId", "Sales1" }, { "clientId", "ACME" },
                { "deviceId", "DEV-1" }, { "syncType", "product" }, { "isFull", "false" } }) },
        { [] { return std::make_shared<RequestSyncIconTable>(); }, 0x202, "SyncServer;S123?",
            params({ { "methodName", "syncData" }, { "accountId", "Sales1" }, { "clientId", "ACME" },
                { "deviceId", "DEV-1" }, { "syncType", "icon" }, { "isFull", "true" } }) },
        { [] { return std::make_shared<RequestSyncFileTable>(); }, 0x203, "SyncServer;S123?",
            params({ { "methodName", "syncData" }, { "accountId", "Sales1" }, { "clientId", "ACME" },
                { "deviceId", "DEV-1" }, { "syncType", "file" }, { "isFull", "true" } }) },
        { [] { return std::make_shared<RequestSyncCustomerTable>(); }, 0x204, "SyncServer;S123?",
            params({ { "methodName", "syncData" }, { "accountId", "Sales1" }, { "clientId", "ACME" },
                { "deviceId", "DEV-1" }, { "syncType", "customer" }, { "isFull", "true" } }) },
        { [] {
             auto m = std::make_shared<RequestSyncDataFinish>();
             m->tableType = "skin";
             return m;
         },
            0x205, "SyncServer;S123?",
            params({ { "methodName", "syncDataFinished" }, { "accountId", "Sales1" }, { "clientId", "ACME" },
                { "tableType", "skin" } }) },
        { [] {
             auto m = std::make_shared<RequestUploadQuoteOrder>();
             m->syncData = "[{\"o\":1}]";
             return m;
         },
            0x206, "SyncClient;S123?",
            params({ { "methodName", "syncData" }, { "accountId", "Sales1" }, { "clientId", "ACME" },
                { "syncData", "[{\"o\":1}]" } }) },
        { [] {
             auto m = std::make_shared<RequestDownloadFinish>();
             m->fileId = 42;
             return m;
         },
            0x207, "SyncServer;S123?",
            params({ { "methodName", "syncFileFinished" }, { "accountId", "Sales1" }, { "clientId", "ACME" },
                { "fileIds", "42" } }) },
        { [] {
             auto m = std::make_shared<RequestUploadCustomer>();
             m->syncData = "{}";
             return m;
         },
            0x208, "SyncClient;S123?",
            params({ { "methodName", "syncData" }, { "accountId", "Sales1" }, { "clientId", "ACME" },
                { "syncData", "{}" } }) },
    };
    for (const auto& c : cases) {
        auto message = c.make();
        SCOPED_TRACE(message->methodName);
        EXPECT_EQ(message->cmdCode, c.code);
        auto body = message->RequestEncode();
        ASSERT_TRUE(body);
        auto parsed = JSONValue(*body);
        ASSERT_TRUE(parsed);
        EXPECT_EQ(parsed->count(), 1u);
        EXPECT_EQ((*parsed)["root"].count(), 1u);
        EXPECT_EQ((*parsed)["root"]["parameters"], c.parameters);
        EXPECT_FALSE((*parsed)["root"]["parameters"].contains("jsessionId"));
        EXPECT_EQ(message->requestHead, c.head);
    }
}

TEST(CommandEncoding, LoginHashesThePasswordOnceAndFlagsAFirstLogin)
{
    ProtocolTestServices services;
    RequestLogin login;
    auto first = JSONValue(*login.RequestEncode());
    EXPECT_EQ((*first)["root"]["parameters"]["firstLogin"].stringValue(), "YES");
    EXPECT_EQ(login.passWord, "md5(secret)");

    // Without a session id a session-carrying head stays as it is.
    services.session.sessionId.reset();
    RequestSyncDataFinish finish;
    finish.RequestEncode();
    EXPECT_EQ(finish.requestHead, "SyncServer;");

    // A missing password is left out rather than hashed.
    services.session.password.reset();
    RequestLogin noPassword;
    EXPECT_FALSE((*JSONValue(*noPassword.RequestEncode()))["root"]["parameters"].contains("password"));
}

TEST(SessionReplies, LoginReadsFlagsDefaultsAndTheVendor)
{
    ProtocolTestServices services;
    RequestLogin login;
    auto r = decode<LoginRst>(login,
        reply("200",
            R"({"sessionId":"S1","dataUpdated":"1","skinUpdated":0,"user_access":"3","email":"a@b",)"
            R"("vendor":{"account":"acc","vendor_group_id":"9","vendor_state_id":12}})"));
    EXPECT_EQ(r->sessionId, "S1");
    EXPECT_TRUE(r->needUpdate);
    EXPECT_FALSE(r->needUpdateSkin);
    EXPECT_FALSE(r->needSyncAll);
    EXPECT_EQ(r->userAccess, 3);
    EXPECT_EQ(r->companyName, "");
    EXPECT_EQ(r->companyLink, "");
    EXPECT_EQ(r->account, "acc");
    EXPECT_EQ(r->phone, "");
    EXPECT_EQ(r->vendor_group_id, "9");
    EXPECT_EQ(r->vendor_state_id, "12");
    EXPECT_FALSE(r->vendor_id);
    EXPECT_FALSE(r->userId);

    struct Malformed {
        std::string status;
        std::string content;
    };
    // A "200" without an object holding a session id is a reply of the wrong shape.
    const Malformed cases[] = { { "402", R"({"sessionId":"S1"})" }, { "200", "[1]" }, { "200", "\"x\"" },
        { "200", R"({"vendor":[1],"dataUpdated":[],"user_access":1e300})" },
        { "200", R"({"sessionId":"","syncAll":"1","vendor":{"account":"acc"}})" },
        { "200", R"({"sessionId":"  ","dataUpdated":"1"})" }, { "200", R"({"sessionId":null,"dataUpdated":"1"})" },
        { "200", R"({"sessionId":["S1"],"dataUpdated":"1"})" } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        auto m = decode<LoginRst>(login, reply(c.status, c.content));
        EXPECT_FALSE(m->sessionId);
        EXPECT_FALSE(m->account);
        EXPECT_FALSE(m->needUpdate);
        EXPECT_FALSE(m->needSyncAll);
        EXPECT_EQ(m->status, c.status == "200" ? "115" : c.status);
        if (c.status == "200") {
            EXPECT_EQ(m->message, "No status");
        }
    }
    EXPECT_EQ(decode<LoginRst>(login, reply("200", R"({"sessionId":"S1","user_access":1e300})"))->userAccess,
        std::numeric_limits<int>::max());
}

TEST(SessionReplies, ConfigurationRows)
{
    ProtocolTestServices services;
    struct Case {
        std::string content;
        std::vector<std::pair<std::string, std::string>> rows;
    };
    const Case cases[] = {
        { R"({"configuration":{"home":"1","category":"1","customer":"1","inventory":"1","library":"1","order":"1","sync":"1"},)"
          R"("appConfiguration":{"dateformat":"yy/MM/dd","modifyprice":"1"},"settings":{"view_type":"tree","order_method":"2"}})",
            { { "configuration", "1,1,1,1,1,1,1" }, { "date_format", "yy/MM/dd" }, { "modify_price", "1" },
                { "left_panel", "tree" }, { "order_method", "2" } } },
        { R"({"configuration":{"sync":"7","library":"5","inventory":"4","customer":"3","category":"2","home":"1"},)"
          R"("appConfiguration":{"dateformat":"","modifyprice":"  "}})",
            { { "configuration", "1,2,3,4,5,(null),7" }, { "date_format", "MM/dd/yy" }, { "modify_price", "0" } } },
        { R"({"configuration":{"home":"1"},"appConfiguration":{},"settings":{"order_method":"1"}})",
            { { "date_format", "MM/dd/yy" }, { "modify_price", "0" }, { "order_method", "1" } } },
        { R"({"configuration":"x","appConfiguration":[],"settings":7})", {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        RequestConfig config;
        auto r = decode<ConfigRst>(config, reply("200", c.content));
        std::vector<std::pair<std::string, std::string>> rows;
        for (const auto& row : r->configTable) {
            rows.emplace_back(*row->configType, *row->desc);
            EXPECT_EQ(row->clientid, "ACME");
            EXPECT_EQ(row->update_date, "05/01/2014 08:30:00");
        }
        EXPECT_EQ(rows, c.rows);
    }
    RequestRuntimeConfig runtime;
    auto r = decode<ConfigRst>(
        runtime, reply("200", R"({"configuration":{"home":"1"},"appConfiguration":{"modifyprice":"1"}})"));
    ASSERT_EQ(r->configTable.size(), 2u);
    EXPECT_EQ(r->configTable[1]->desc, "1");
    EXPECT_TRUE(decode<ConfigRst>(runtime, reply("999", R"({"appConfiguration":{}})"))->configTable.empty());
}

TEST(SessionReplies, VersionMessageFollowsTheLanguageAndUserInfoDefaults)
{
    ProtocolTestServices services;
    RequestCheckVersion check;
    auto v = decode<CheckAppVersionRst>(check,
        reply("200",
            R"({"update_status":"2","latest_version":"3.0","app_url":"http://x/app","messages":{"en":"New","zh":"Xin"}})"));
    EXPECT_EQ(v->updateType, 2);
    EXPECT_EQ(v->appVersion, "3.0");
    EXPECT_EQ(v->updateMessage(), "New");
    services.currentLanguage = 2;
    EXPECT_EQ(v->updateMessage(), "Xin");
    EXPECT_FALSE(decode<CheckAppVersionRst>(check, reply("200", R"({"messages":"en"})"))->msgEnglish);

    RequestGetUserinfo info;
    auto u = decode<GetUserinfoRst>(info, reply("200", R"({"email":"e@x","user_access":2})"));
    EXPECT_EQ(u->email, "e@x");
    EXPECT_EQ(u->companyName, "");
    EXPECT_EQ(u->userAccess, 2);
    RequestCheckDeviceStatus device;
    EXPECT_EQ(decode<CheckDeviceRst>(device, reply("11411", "{}"))->status, "11411");
}

TEST(SyncReplies, ProductTables)
{
    ProtocolTestServices services;
    RequestSyncAllTable sync;
    auto r = decode<SyncAllTableRst>(sync,
        reply("200",
            R"([[{"productID":"7","productName":"Chair","productStock":5,"productParentList":[3,"7"],"price":"12.5",)"
            R"("discountStartDate":1400000000.5,"discount_percentage":0.1,"relatedSKUList":"A,B",)"
            R"("attributes":[{"attributeId":1,"attributeValue":"red"},"skip"],"images":[{"imageID":4,"fullAddress":"c.jpg"}]},)"
            R"("not an object",{"productID":8}],[],[],[],[],[]])"));
    ASSERT_EQ(r->productTable.size(), 2u);
    EXPECT_EQ(r->productTable[0].product_id, 7);
    EXPECT_EQ(r->productTable[0].product_name, "Chair");
    EXPECT_EQ(r->productTable[0].product_stock, 5);
    ASSERT_EQ(r->productCategoryXrefTable.size(), 2u);
    EXPECT_EQ(r->productCategoryXrefTable[1].category_id, 7);
    EXPECT_EQ(r->productCategoryXrefTable[1].product_id, 7);
    ASSERT_EQ(r->productAttributeTable.size(), 1u);
    EXPECT_EQ(r->productAttributeTable[0].product_id, 7);
    // Every product has a price and a related-products record, with or without price keys.
    ASSERT_EQ(r->productPriceTable.size(), 2u);
    EXPECT_DOUBLE_EQ(r->productPriceTable[0].price, 12.5);
    EXPECT_DOUBLE_EQ(r->productPriceTable[0].discount_start_date->secondsSince1970, 1400000000.5);
    EXPECT_DOUBLE_EQ(r->productPriceTable[0].discontRat, 0.1);
    EXPECT_EQ(r->productPriceTable[1].product_id, 8);
    ASSERT_EQ(r->productRelatedTable.size(), 2u);
    EXPECT_EQ(r->productRelatedTable[0].related_product_sku, "A,B");
    ASSERT_EQ(r->imagesTable.size(), 1u);
    EXPECT_EQ(r->imagesTable[0].image_full_address, "c.jpg");
    EXPECT_TRUE(r->categoryTable.empty() && r->fieldsAttributeTable.empty() && r->productRelatedFilesTable.empty()
        && r->productTagTable.empty() && r->productRelateTagTable.empty());

    auto all = decode<SyncAllTableRst>(sync,
        reply("200",
            R"([[],[{"categoryID":2,"categoryName":"Seats"}],[],[{"productId":7,"productSku":"S","fileId":9}],)"
            R"([{"id":1,"tagName":"new"}],[{"tagId":1,"productId":7}]])"));
    EXPECT_EQ(all->categoryTable.at(0).category_name, "Seats");
    EXPECT_TRUE(all->fieldsAttributeTable.empty());
    EXPECT_EQ(all->productRelatedFilesTable.at(0).file_id, 9);
    EXPECT_EQ(all->productTagTable.at(0).tag_name, "new");
    EXPECT_EQ(all->productRelateTagTable.at(0).product_id, 7);
    EXPECT_TRUE(decode<SyncAllTableRst>(sync, reply("999", "[[{\"productID\":1}]]"))->productTable.empty());
}

// The front door hands a table command the parsed reply to take, and the
// command frees the tree as it reads it: the records are those a kept tree
// gives, and a tree someone else still holds is left whole.
TEST(SyncReplies, ATakenReplyGivesTheSameTablesAndASharedTreeStaysWhole)
{
    ProtocolTestServices services;
    auto products = [](const std::shared_ptr<NetBaseRst>& r) {
        auto p = std::dynamic_pointer_cast<SyncAllTableRst>(r);
        std::string s = p->status.value_or("-");
        for (const auto& x : p->productTable)
            s += " p" + std::to_string(x.product_id) + x.product_name.value_or("?");
        for (const auto& x : p->productAttributeTable)
            s += " a" + std::to_string(x.product_id) + x.attribute_value.value_or("?");
        for (const auto& x : p->productCategoryXrefTable)
            s += " x" + std::to_string(x.category_id);
        for (const auto& x : p->productPriceTable)
            s += " $" + std::to_string(x.price);
        for (const auto& x : p->imagesTable)
            s += " i" + x.image_full_address.value_or("?");
        for (const auto& x : p->categoryTable)
            s += " c" + x.category_name.value_or("?");
        return s + " " + std::to_string(p->productRelatedTable.size()) + std::to_string(p->productTagTable.size())
            + std::to_string(p->productRelateTagTable.size()) + std::to_string(p->productRelatedFilesTable.size());
    };
    auto icons = [](const std::shared_ptr<NetBaseRst>& r) {
        auto p = std::dynamic_pointer_cast<SyncIconTableRst>(r);
        std::string s = p->status.value_or("-");
        for (const auto& x : p->iconTable)
            s += " " + x.name.value_or("?");
        return s;
    };
    auto files = [](const std::shared_ptr<NetBaseRst>& r) {
        auto p = std::dynamic_pointer_cast<SyncFileTableRst>(r);
        std::string s = p->status.value_or("-");
        for (const auto& x : p->libFileTable)
            s += " " + x.file_name.value_or("?");
        for (const auto& x : p->libCategoryTable)
            s += " " + x.name.value_or("?");
        for (const auto& x : p->libFileUpdateTable)
            s += " u" + x;
        return s;
    };
    auto customers = [](const std::shared_ptr<NetBaseRst>& r) {
        auto p = std::dynamic_pointer_cast<SyncCustomerTableRst>(r);
        std::string s = p->status.value_or("-");
        for (const auto& x : p->customerTable)
            s += " " + x.customer_name.value_or("?");
        for (const auto& x : p->customerAttributeTable)
            s += " a" + std::to_string(x.customer_id) + x.attribute_value.value_or("?");
        for (const auto& x : p->customerAddressTable)
            s += " " + x.customerCity.value_or("?");
        for (const auto& x : p->customerContactTable)
            s += " " + x.first_name.value_or("?");
        return s;
    };
    RequestSyncAllTable productCommand;
    RequestSyncIconTable iconCommand;
    RequestSyncFileTable fileCommand;
    RequestSyncCustomerTable customerCommand;
    struct Case {
        RequestInterfaceBase& command;
        std::function<std::string(const std::shared_ptr<NetBaseRst>&)> tables;
        std::string status, content;
    };
    const Case cases[] = {
        { productCommand, products, "200",
            R"([[{"productID":"7","productName":"Chair","productParentList":[3,"7"],"price":"12.5",)"
            R"("attributes":[{"attributeId":1,"attributeValue":"red"},"skip"],"images":[{"imageID":4,"fullAddress":"c.jpg"}]},)"
            R"("not an object",{"productID":8,"productName":"A long product name past any inline text"}],)"
            R"([{"categoryID":2,"categoryName":"Seats"}],[],[{"productId":7,"fileId":9}],[{"id":1,"tagName":"new"}],[]])" },
        { productCommand, products, "200", R"([[{"productID":1}],[]])" },
        { productCommand, products, "999", R"([[{"productID":1}],[],[],[],[],[]])" },
        { iconCommand, icons, "200", R"([{"iconID":1,"iconName":"a.png"},7,{"iconID":2,"iconName":"b.png"}])" },
        { fileCommand, files, "200",
            R"([[{"id":1,"fileName":"f.pdf"}],[{"cateID":3,"cateName":"Brochures"}],{"keyIDS":"4,5"}])" },
        { customerCommand, customers, "200",
            R"([[{"customerId":5,"customerName":"Acme","attributes":[{"attributeValue":"gold"}]}],[],)"
            R"([{"id":1,"customer_id":5,"city":"Lyon"}],[{"contactId":2,"customerId":5,"firstName":"Ann"}]])" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        const Value pristine = *reply(c.status, c.content);
        // Read from a tree the caller keeps: the tree is left as it came.
        std::optional<Value> kept = reply(c.status, c.content);
        const std::string fromKept = c.tables(c.command.RequestDecode(kept));
        EXPECT_EQ(*kept, pristine);
        // Taken: the same tables, and another holder's copy is untouched.
        std::optional<Value> taken = reply(c.status, c.content);
        const Value otherHolder = *taken;
        EXPECT_EQ(c.tables(c.command.RequestDecodeTaking(std::move(taken))), fromKept);
        EXPECT_EQ(otherHolder, pristine);
        // Taken alone, as the front door hands it over.
        EXPECT_EQ(c.tables(c.command.RequestDecodeTaking(reply(c.status, c.content))), fromKept);
    }
}

// A "200" whose content is not the tables' shape would store nothing, or
// clear what a table reply replaces whole; it is the protocol error "115",
// with no tables at all.
TEST(SyncReplies, ContentOfTheWrongShapeIsTheProtocolError)
{
    ProtocolTestServices services;
    const std::string product = R"([{"productID":1,"images":[{"imageID":1}]}])";
    const std::string tag = R"([{"id":1,"tagName":"new"}])";
    const struct {
        const char* what;
        std::function<std::shared_ptr<NetBaseRst>(const std::optional<Value>&)> decode;
        std::string content;
        bool wellShaped;
    } cases[] = {
        { "products whole", [](const auto& r) { return RequestSyncAllTable().RequestDecode(r); },
            "[" + product + ",[],[],[]," + tag + ",[]]", true },
        { "products and more", [](const auto& r) { return RequestSyncAllTable().RequestDecode(r); },
            "[" + product + ",[],[],[]," + tag + ",[],{}]", true },
        { "products as an object", [](const auto& r) { return RequestSyncAllTable().RequestDecode(r); }, R"({"a":[]})",
            false },
        { "products only", [](const auto& r) { return RequestSyncAllTable().RequestDecode(r); }, "[" + product + "]",
            false },
        { "products without tags", [](const auto& r) { return RequestSyncAllTable().RequestDecode(r); },
            "[" + product + ",[],[],[]]", false },
        { "fields an object", [](const auto& r) { return RequestSyncAllTable().RequestDecode(r); },
            "[" + product + R"(,[],{"x":1},[],)" + tag + ",[]]", false },
        { "tag links null", [](const auto& r) { return RequestSyncAllTable().RequestDecode(r); },
            "[" + product + ",[],[],[]," + tag + ",null]", false },
        { "no content", [](const auto& r) { return RequestSyncAllTable().RequestDecode(r); }, "null", false },
        { "icons", [](const auto& r) { return RequestSyncIconTable().RequestDecode(r); }, R"([{"iconID":3}])", true },
        { "icons as an object", [](const auto& r) { return RequestSyncIconTable().RequestDecode(r); },
            R"({"iconID":3})", false },
        { "files without replaced ones", [](const auto& r) { return RequestSyncFileTable().RequestDecode(r); },
            R"([[{"id":5}],[]])", true },
        { "files only", [](const auto& r) { return RequestSyncFileTable().RequestDecode(r); }, R"([[{"id":5}]])",
            false },
        { "replaced files a text", [](const auto& r) { return RequestSyncFileTable().RequestDecode(r); },
            R"([[{"id":5}],[],"5,9"])", false },
        { "customers whole", [](const auto& r) { return RequestSyncCustomerTable().RequestDecode(r); },
            R"([[{"customerId":4}],[],[],[]])", true },
        { "customers without contacts", [](const auto& r) { return RequestSyncCustomerTable().RequestDecode(r); },
            R"([[{"customerId":4}],[],[]])", false },
        { "customers as a text", [](const auto& r) { return RequestSyncCustomerTable().RequestDecode(r); }, R"("[]")",
            false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto result = c.decode(reply("200", c.content));
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, c.wellShaped ? "200" : "115");
        EXPECT_EQ(result->message, c.wellShaped ? "Done" : "No status");
        size_t records = 0;
        if (auto p = std::dynamic_pointer_cast<SyncAllTableRst>(result))
            records = p->productTable.size() + p->imagesTable.size() + p->productTagTable.size()
                + p->productPriceTable.size();
        else if (auto i = std::dynamic_pointer_cast<SyncIconTableRst>(result))
            records = i->iconTable.size();
        else if (auto f = std::dynamic_pointer_cast<SyncFileTableRst>(result))
            records = f->libFileTable.size();
        else if (auto u = std::dynamic_pointer_cast<SyncCustomerTableRst>(result))
            records = u->customerTable.size();
        EXPECT_EQ(records > 0, c.wellShaped);
    }
    // Any other status keeps its own text, with no tables, whatever the content.
    auto refused = RequestSyncAllTable().RequestDecode(reply("402", "[" + product + ",[],[],[]," + tag + ",[]]"));
    EXPECT_EQ(refused->status, "402");
}

TEST(SyncReplies, IconAndLibraryFileTables)
{
    ProtocolTestServices services;
    RequestSyncIconTable icons;
    auto i = decode<SyncIconTableRst>(icons, reply("200", R"([{"iconID":3,"iconName":"a.png","iconWidth":"40"},2])"));
    ASSERT_EQ(i->iconTable.size(), 1u);
    EXPECT_EQ(i->iconTable[0].width, 40);

    RequestSyncFileTable files;
    files.isFull = "false";
    auto failed = decode<SyncFileTableRst>(files, reply("999", R"([[{"id":1}]])"));
    EXPECT_EQ(failed->isFull, "false");
    EXPECT_TRUE(failed->libFileTable.empty());

    auto f = decode<SyncFileTableRst>(files,
        reply("200",
            R"([[{"id":"5","title":"Guide","fileName":"g.pdf","type":"PDF","publish":1,"coverImage":"g.png"}],)"
            R"([{"cateID":2,"cateName":"Docs","parentId":1}],{"keyIDS":"5,9"}])"));
    ASSERT_EQ(f->libFileTable.size(), 1u);
    EXPECT_EQ(f->libFileTable[0].file_id, 5);
    EXPECT_EQ(f->libFileTable[0].type, "PDF");
    EXPECT_EQ(f->libFileTable[0].isNew, 0);
    EXPECT_EQ(f->libCategoryTable.at(0).parent_id, 1);
    EXPECT_EQ(f->libFileUpdateTable, (std::vector<std::string> { "5", "9" }));
    EXPECT_EQ(decode<SyncFileTableRst>(files, reply("200", R"([[],[],{"keyIDS":""}])"))->libFileUpdateTable,
        std::vector<std::string> { "" });
}

TEST(SyncReplies, CustomerTablesAndUploads)
{
    ProtocolTestServices services;
    RequestSyncCustomerTable customers;
    auto c = decode<SyncCustomerTableRst>(customers,
        reply("200",
            R"([[{"customerId":4,"customerName":"Ann","customerDiscount":"2.5","attributes":[{"attributeId":1}]}],)"
            R"([{"attributeFieldsId":1,"data_type":"text"}],[{"id":3,"customer_id":4,"city":"Oslo"}],)"
            R"([{"customerId":4,"contactId":8,"lastName":"Lee"}]])"));
    EXPECT_DOUBLE_EQ(c->customerTable.at(0).discount, 2.5);
    EXPECT_EQ(c->customerAttributeTable.at(0).customer_id, 4);
    EXPECT_EQ(c->customerAddressTable.at(0).customerCity, "Oslo");
    EXPECT_EQ(c->customerContactTable.at(0).first_name, "");
    EXPECT_EQ(c->customerContactTable.at(0).last_name, "Lee");
    EXPECT_EQ(c->resultCount(), 4u);
    EXPECT_EQ(
        decode<SyncCustomerTableRst>(customers, reply("200", R"([[],[],[],[{"customerId":1}]])"))->resultCount(), 0u);

    // The customer upload reads its content whatever the status.
    RequestUploadCustomer upload;
    auto u = decode<SubmitCustomerRst>(upload,
        reply("115",
            R"({"corvelle_customer":[{"customerId":40,"preId":-1}],"corvelle_customer_address":[{"preId":-2,"id":7}],)"
            R"("corvelle_customer_attribute":[{"preId":-3,"attributeValue":"v"}],"corvelle_customer_contact":[{"preId":-4}]})"));
    EXPECT_EQ(u->status, "115");
    EXPECT_EQ(u->customerArry.at(0).pid, -1);
    EXPECT_EQ(u->customerArry.at(0).customer_id, 40);
    EXPECT_EQ(u->customerAddress.at(0).customerCity, "");
    EXPECT_EQ(u->customerAttributes.at(0).attribute_value, "v");
    EXPECT_EQ(u->customerContacts.at(0).pID, -4);
    EXPECT_FALSE(u->customerContacts.at(0).first_name);

    RequestUploadQuoteOrder orders;
    auto o = decode<UploadQuoteOrderRst>(orders, reply("200", R"({"orders":[{"preId":-1,"orderId":90},3]})"));
    ASSERT_EQ(o->orderIdUpdateArray.size(), 1u);
    EXPECT_EQ(o->orderIdUpdateArray[0]["orderId"].intValue(), 90);

    RequestGetOrderHistory history;
    auto h = decode<GetOrderHistoryRst>(history, reply("200", R"({"orders":[{"id":1},2],"items":[{"q":1}]})"));
    EXPECT_EQ(h->orderHistoryArray.size(), 2u);
    EXPECT_EQ(h->orderItemHistoryArray.size(), 1u);

    RequestSyncDataFinish finish;
    finish.tableType = "file";
    EXPECT_EQ(decode<SyncDataFinishRst>(finish, reply("999", "\"\""))->tableType, "file");
    RequestDownloadFinish downloaded;
    EXPECT_FALSE(decode<SyncDataFinishRst>(downloaded, reply("200", "\"\""))->tableType);
}

// The login reads "<client>-FileSynced" from the stored defaults themselves,
// not from a stand-in.
TEST(CommandEncoding, LoginReadsTheFirstLoginFlagFromTheStoredDefaults)
{
    TemporaryHome home;
    ProtocolTestServices services;
    ProtocolServices::services().stringUserDefault = nullptr;
    auto defaults = NSUserDefaults::standardUserDefaults();
    for (bool synced : { false, true }) {
        SCOPED_TRACE(synced);
        if (synced)
            defaults->setObjectForKey(Value(std::string(64, 'x')), "ACME-FileSynced");
        RequestLogin login;
        auto encoded = JSONValue(*login.RequestEncode());
        ASSERT_TRUE(encoded);
        EXPECT_EQ((*encoded)["root"]["parameters"]["firstLogin"].stringValue(), synced ? "NO" : "YES");
        EXPECT_EQ(ProtocolServices::stringUserDefault("ACME-FileSynced"),
            synced ? std::optional<std::string>(std::string(64, 'x')) : std::nullopt);
    }
}
