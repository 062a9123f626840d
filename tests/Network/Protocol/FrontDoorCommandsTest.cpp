#include "ProtocolRoad.h"

#include "Network/Protocol/SessionCommands.h"
#include "Network/Protocol/SyncCommands.h"
#include "support/ClockFixture.h"

#include <functional>

namespace {

using Make = std::function<std::shared_ptr<RequestInterfaceBase>()>;
using Check = std::function<void(const std::shared_ptr<NetBaseRst>&)>;

template <typename T> std::shared_ptr<T> as(const std::shared_ptr<NetBaseRst>& reply)
{
    auto typed = std::dynamic_pointer_cast<T>(reply);
    EXPECT_TRUE(typed) << "the reply object is of another class";
    return typed;
}

}  // namespace

// Each command through the front door to the fake server: the head, the
// session, the parameters that went over the wire, and the reply object that
// reached the receiver.
TEST_F(ProtocolRoad, EveryCommandTravelsTheWholeRoad)
{
    server.setContent(FakeCompanyServer::kOrderHistory,
        Value::dictionary({ { "orders", Value::array({ Value::dictionary({ { "orderId", "9" } }) }) },
            { "items", Value::array({ Value::dictionary({ { "orderId", "9" }, { "sku", "CH-1" } }) }) } }));
    server.setContent(FakeCompanyServer::kUpload,
        Value::dictionary(
            { { "orders", Value::array({ Value::dictionary({ { "preId", "-1" }, { "orderId", "77" } }) }) },
                { "corvelle_customer",
                    Value::array({ Value::dictionary({ { "preId", "-3" }, { "customerId", "300" } }) }) } }));

    const struct Case {
        const char* name;
        Make make;
        const char* command;
        const char* head;
        std::optional<std::string> session;
        std::vector<std::pair<const char*, const char*>> parameters;
        Check check;
    } cases[] = {
        { "login", [] { return std::make_shared<RequestLogin>(); }, FakeCompanyServer::kLogin, "Vendor?", std::nullopt,
            { { "version", "2.1" }, { "accountId", "Sales1" }, { "deviceId", "DEV-1" }, { "clientId", "ACME" },
                { "password", "md5(secret)" }, { "firstLogin", "YES" } },
            [](auto r) { EXPECT_EQ(as<LoginRst>(r)->companyName, "Corvelle Test Company"); } },
        { "configuration",
            [] {
                auto m = std::make_shared<RequestConfig>();
                m->clientId = "ACME";
                return m;
            },
            FakeCompanyServer::kConfig, "Component?", std::nullopt, { { "clientId", "ACME" } },
            [](auto r) { EXPECT_FALSE(as<ConfigRst>(r)->configTable.empty()); } },
        { "runtime configuration",
            [] {
                auto m = std::make_shared<RequestRuntimeConfig>();
                m->clientId = "ACME";
                return m;
            },
            FakeCompanyServer::kRuntimeConfig, "Component?", std::nullopt, { { "clientId", "ACME" } },
            [](auto r) { EXPECT_EQ(as<ConfigRst>(r)->configTable.size(), 2u); } },
        { "device status", [] { return std::make_shared<RequestCheckDeviceStatus>(); },
            FakeCompanyServer::kDeviceStatus, "Vendor?", std::nullopt,
            { { "accountId", "Sales1" }, { "deviceId", "DEV-1" }, { "clientId", "ACME" } },
            [](auto r) { EXPECT_TRUE(as<CheckDeviceRst>(r)); } },
        { "version", [] { return std::make_shared<RequestCheckVersion>(); }, FakeCompanyServer::kVersion, "SyncServer?",
            std::nullopt, { { "version", "2.1" } },
            [](auto r) { EXPECT_EQ(as<CheckAppVersionRst>(r)->appVersion, "1.0"); } },
        { "user information", [] { return std::make_shared<RequestGetUserinfo>(); }, FakeCompanyServer::kUserInfo,
            "Vendor?", std::nullopt, { { "accountId", "Sales1" }, { "clientId", "ACME" } },
            [](auto r) { EXPECT_EQ(as<GetUserinfoRst>(r)->userAccess, 1); } },
        { "order history",
            [] {
                auto m = std::make_shared<RequestGetOrderHistory>();
                m->baseTime = "05/01/2014 08:30:00";
                m->numberOfOrder = 20;
                return m;
            },
            FakeCompanyServer::kOrderHistory, "SyncServer;", "S123",
            { { "accountId", "Sales1" }, { "clientId", "ACME" }, { "baseTime", "2014-05-01 08:30:00" },
                { "numberOfOrder", "20" } },
            [](auto r) {
                auto h = as<GetOrderHistoryRst>(r);
                EXPECT_EQ(h->orderHistoryArray.size(), 1u);
                EXPECT_EQ(h->orderItemHistoryArray.size(), 1u);
            } },
        { "product tables", [] { return std::make_shared<RequestSyncAllTable>(); }, FakeCompanyServer::kSyncProduct,
            "SyncServer;", "S123", { { "syncType", "product" }, { "isFull", "true" }, { "deviceId", "DEV-1" } },
            [](auto r) { EXPECT_EQ(as<SyncAllTableRst>(r)->productTable.size(), 2u); } },
        { "icon table", [] { return std::make_shared<RequestSyncIconTable>(); }, FakeCompanyServer::kSyncIcon,
            "SyncServer;", "S123", { { "syncType", "icon" } },
            [](auto r) { EXPECT_EQ(as<SyncIconTableRst>(r)->iconTable.size(), 1u); } },
        { "library tables", [] { return std::make_shared<RequestSyncFileTable>(); }, FakeCompanyServer::kSyncFile,
            "SyncServer;", "S123", { { "syncType", "file" } },
            [](auto r) { EXPECT_EQ(as<SyncFileTableRst>(r)->libFileTable.size(), 1u); } },
        { "customer tables", [] { return std::make_shared<RequestSyncCustomerTable>(); },
            FakeCompanyServer::kSyncCustomer, "SyncServer;", "S123", { { "syncType", "customer" } },
            [](auto r) { EXPECT_EQ(as<SyncCustomerTableRst>(r)->customerTable.size(), 1u); } },
        { "tables finished",
            [] {
                auto m = std::make_shared<RequestSyncDataFinish>();
                m->tableType = "file";
                return m;
            },
            FakeCompanyServer::kSyncFinished, "SyncServer;", "S123",
            { { "tableType", "file" }, { "clientId", "ACME" } },
            [](auto r) { EXPECT_EQ(as<SyncDataFinishRst>(r)->tableType, "file"); } },
        { "order upload",
            [] {
                auto m = std::make_shared<RequestUploadQuoteOrder>();
                m->syncData = R"({"orders":[]})";
                return m;
            },
            FakeCompanyServer::kUpload, "SyncClient;", "S123", { { "syncData", R"({"orders":[]})" } },
            [](auto r) { EXPECT_EQ(as<UploadQuoteOrderRst>(r)->orderIdUpdateArray.size(), 1u); } },
        { "file finished",
            [] {
                auto m = std::make_shared<RequestDownloadFinish>();
                m->fileId = 5;
                return m;
            },
            FakeCompanyServer::kFileFinished, "SyncServer;", "S123", { { "fileIds", "5" } },
            [](auto r) { EXPECT_TRUE(as<NetBaseRst>(r)); } },
        { "customer upload",
            [] {
                auto m = std::make_shared<RequestUploadCustomer>();
                m->syncData = R"({"corvelle_customer":[]})";
                return m;
            },
            FakeCompanyServer::kUpload, "SyncClient;", "S123", { { "syncData", R"({"corvelle_customer":[]})" } },
            [](auto r) { EXPECT_EQ(as<SubmitCustomerRst>(r)->customerArry.size(), 1u); } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        receiver->replies.clear();
        server.clearReceived();
        auto message = c.make();
        message->setReceiveDelegete(receiver);
        const int tag = model->sendRequest(message);
        ASSERT_TRUE(waitForReplies(1));

        auto seen = server.receivedFor(c.command);
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].head, std::string(c.head).substr(0, std::string(c.head).find('?')));
        EXPECT_EQ(seen[0].sessionId, c.session);
        EXPECT_EQ(seen[0].parameters["methodName"].stringValue(), message->methodName);
        EXPECT_FALSE(seen[0].parameters.contains("jsessionId"));
        for (const auto& [key, value] : seen[0].parameters.dictionaryValue())
            EXPECT_TRUE(value.isString()) << key.view();
        for (const auto& [key, value] : c.parameters)
            EXPECT_EQ(seen[0].parameters[key].stringValue(), value) << key;

        const auto& reply = receiver->replies[0];
        EXPECT_EQ(reply->status, "200");
        EXPECT_EQ(reply->message, "Done");
        EXPECT_EQ(reply->requestCode, tag);
        EXPECT_EQ(reply->cmdCode, message->cmdCode);
        c.check(reply);
    }
}

// Whatever the server sends back, the receiver gets a reply object: "115" when
// the envelope cannot be read, the command's defaults where its content is
// missing or of the wrong type.
TEST_F(ProtocolRoad, MalformedRepliesGiveNoStatusOrDefaults)
{
    // The transport's second try of a failed message waits on the clock.
    ScopedManualClock clock;
    const std::string huge(400, '9');
    const struct Case {
        const char* name;
        std::optional<std::string> raw;
        FakeCompanyServer::Fault fault;
        const char* status;
        Check check;
    } cases[] = {
        { "not JSON", std::nullopt, FakeCompanyServer::Fault::NotJson, "115", nullptr },
        { "empty body", "", FakeCompanyServer::Fault::None, "115", nullptr },
        { "not UTF-8", "{\"content\":\"\xff\",\"results\":[{\"status\":\"200\"}]}", FakeCompanyServer::Fault::None,
            "115", nullptr },
        { "an array", "[1,2]", FakeCompanyServer::Fault::None, "115", nullptr },
        { "results not an array", R"({"results":{"status":"200"}})", FakeCompanyServer::Fault::None, "115", nullptr },
        { "status a number", R"({"content":{},"results":[{"status":200}]})", FakeCompanyServer::Fault::None, "115",
            nullptr },
        { "cut short", R"({"content":{"email":"a@b")", FakeCompanyServer::Fault::None, "115", nullptr },
        // An HTTP error whose body says "200" is no success: the receiver
        // hears the network error, once the transport's second try failed too.
        { "HTTP 500 with a good body", std::nullopt, FakeCompanyServer::Fault::HttpError, "999",
            [](auto r) { EXPECT_FALSE(as<GetUserinfoRst>(r)->email); } },
        { "content of the wrong type", R"({"content":["x"],"results":[{"status":"200"}]})",
            FakeCompanyServer::Fault::None, "200", [](auto r) { EXPECT_FALSE(as<GetUserinfoRst>(r)->email); } },
        { "fields of the wrong type",
            R"({"content":{"email":5,"user_access":{"a":1},"link":[]},"results":[{"status":"200"}]})",
            FakeCompanyServer::Fault::None, "200", [](auto r) { EXPECT_EQ(as<GetUserinfoRst>(r)->userAccess, 0); } },
        { "missing fields", R"({"content":{},"results":[{"status":"200"}]})", FakeCompanyServer::Fault::None, "200",
            [](auto r) {
                EXPECT_EQ(as<GetUserinfoRst>(r)->companyName, "");
                EXPECT_EQ(as<GetUserinfoRst>(r)->userAccess, 0);
            } },
        { "huge numbers", R"({"content":{"user_access":)" + huge + R"(,"email":1e999},"results":[{"status":"200"}]})",
            FakeCompanyServer::Fault::None, "", nullptr },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        receiver->replies.clear();
        server.setRawReply(FakeCompanyServer::kUserInfo, c.raw);
        server.setFault(FakeCompanyServer::kUserInfo, c.fault);
        auto message = std::make_shared<RequestGetUserinfo>();
        message->setReceiveDelegete(receiver);
        model->sendRequest(message);
        ASSERT_TRUE(waitForReplies(1));
        const auto& reply = receiver->replies[0];
        ASSERT_TRUE(as<GetUserinfoRst>(reply));
        const std::string status = c.status;
        EXPECT_EQ(reply->httpRsp == 0, status != "999");
        if (!status.empty()) {
            EXPECT_EQ(reply->status, c.status);
            EXPECT_EQ(reply->message, status == "200" ? "Done" : status == "999" ? "Network error" : "No status");
        } else {
            EXPECT_TRUE(reply->status == "200" || reply->status == "115") << reply->status.value_or("(none)");
        }
        if (c.check)
            c.check(reply);
    }
}

// An answer under an HTTP error is never taken for success; a refusal it
// carries still reaches the receiver as the server wrote it, at once.
TEST_F(ProtocolRoad, AnHttpErrorIsNoSuccessButARefusalInItStands)
{
    ScopedManualClock clock;
    const struct {
        const char* name;
        std::optional<std::string> status;  // what the body says
        const char* heard;
        size_t sent;
    } cases[] = {
        { "a body that says 200", std::nullopt, "999", 2 },
        { "a body that refuses", "402", "402", 1 },
    };
    server.setFault(FakeCompanyServer::kUserInfo, FakeCompanyServer::Fault::HttpError);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        receiver->replies.clear();
        server.clearReceived();
        server.setStatus(FakeCompanyServer::kUserInfo, c.status);
        auto message = std::make_shared<RequestGetUserinfo>();
        message->setReceiveDelegete(receiver);
        model->sendRequest(message);
        ASSERT_TRUE(waitForReplies(1));
        EXPECT_EQ(receiver->replies[0]->status, c.heard);
        EXPECT_EQ(server.receivedFor(FakeCompanyServer::kUserInfo).size(), c.sent);
    }
}

// Tables whose rows are of the wrong shapes are read as far as they go.
TEST_F(ProtocolRoad, MalformedTablesAreReadAsFarAsTheyGo)
{
    const struct {
        const char* command;
        Make make;
        const char* raw;
        const char* status;  // tables of the wrong shape are the protocol error
    } cases[] = {
        { FakeCompanyServer::kSyncProduct, [] { return std::make_shared<RequestSyncAllTable>(); },
            R"({"content":[[{"productID":"x","productParentList":"no","images":5,"relatedSKUList":{}},7,null],7,{"a":1}],"results":[{"status":"200"}]})",
            "115" },
        { FakeCompanyServer::kSyncFile, [] { return std::make_shared<RequestSyncFileTable>(); },
            R"({"content":[[1,"a",{"id":[]}],{"x":1},{"keyIDS":5}],"results":[{"status":"200"}]})", "115" },
        { FakeCompanyServer::kSyncCustomer, [] { return std::make_shared<RequestSyncCustomerTable>(); },
            R"({"content":[[{"customerId":{},"attributes":"x"}],null],"results":[{"status":"200"}]})", "115" },
        { FakeCompanyServer::kLogin, [] { return std::make_shared<RequestLogin>(); },
            R"({"content":{"vendor":"x","sessionId":12,"syncAll":[]},"results":[{"status":"200"}]})", "200" },
        { FakeCompanyServer::kUpload, [] { return std::make_shared<RequestUploadCustomer>(); },
            R"({"content":{"corvelle_customer":{"preId":1},"corvelle_customer_contact":[null,3]},"results":[{"status":"207"}]})",
            "207" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        receiver->replies.clear();
        server.setRawReply(c.command, std::string(c.raw));
        auto message = c.make();
        message->setReceiveDelegete(receiver);
        model->sendRequest(message);
        ASSERT_TRUE(waitForReplies(1));
        EXPECT_EQ(receiver->replies[0]->status, c.status);
    }
}
