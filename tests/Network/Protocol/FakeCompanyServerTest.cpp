#include "support/FakeCompanyServer.h"
#include "Network/Protocol/QDJSON.h"

#include <gtest/gtest.h>
#include <httplib.h>

namespace {

std::string envelope(std::initializer_list<std::pair<std::string, Value>> parameters)
{
    return *JSONRepresentation(
        Value::dictionary({ { "root", Value::dictionary({ { "parameters", Value::dictionary(parameters) } }) } }));
}

const char* kType = "applicatioin/bin;charset=UTF-8";

// The client's own default connection wait is shorter than a loaded, instrumented run may take.
httplib::Client clientFor(const FakeCompanyServer& server)
{
    httplib::Client client("127.0.0.1", server.port());
    client.set_connection_timeout(10, 0);
    client.set_read_timeout(10, 0);
    return client;
}

// A request that got no answer fails the check instead of being read through a null result.
int statusOf(const httplib::Result& result) { return result ? result->status : -1; }

}  // namespace

TEST(FakeCompanyServer, SignInIssuesASessionThatSessionCommandsMustCarry)
{
    FakeCompanyServer server;
    server.setAccount("ACME", "sales1", { "secret" });
    server.setRequireSession(true);
    ASSERT_TRUE(server.start());
    auto client = clientFor(server);

    auto refused = client.Post("/CorvelleSaas/Vendor?",
        envelope(
            { { "methodName", "login" }, { "clientId", "ACME" }, { "accountId", "Sales1" }, { "password", "0123" } }),
        kType);
    ASSERT_TRUE(refused);
    EXPECT_EQ((*JSONValue(refused->body))["results"][size_t(0)]["status"].stringValue(), "402");

    auto login = client.Post("/CorvelleSaas/Vendor?",
        envelope({ { "methodName", "login" }, { "clientId", "ACME" }, { "accountId", "Sales1" },
            { "password", "5ebe2294ecd0e0f08eab7690d2a6ee69" } }),
        kType);
    ASSERT_TRUE(login);
    auto reply = *JSONValue(login->body);
    EXPECT_EQ(reply["results"][size_t(0)]["status"].stringValue(), "200");
    std::string session = reply["content"]["sessionId"].stringValue();
    EXPECT_EQ(session, server.lastSessionId());
    EXPECT_EQ(reply["content"]["vendor"]["clientId"].stringValue(), "ACME");

    auto stale = client.Post(
        "/CorvelleSaas/SyncServer;nope?", envelope({ { "methodName", "syncData" }, { "syncType", "file" } }), kType);
    ASSERT_TRUE(stale);
    EXPECT_EQ((*JSONValue(stale->body))["results"][size_t(0)]["status"].stringValue(), "101");
    auto files = client.Post("/CorvelleSaas/SyncServer;" + session + "?",
        envelope({ { "methodName", "syncData" }, { "syncType", "file" } }), kType);
    ASSERT_TRUE(files);
    auto filesReply = *JSONValue(files->body);
    EXPECT_EQ(filesReply["results"][size_t(0)]["status"].stringValue(), "200");
    EXPECT_EQ(filesReply["content"][size_t(0)][size_t(0)]["fileName"].stringValue(), "catalogue.pdf");

    auto seen = server.receivedFor(FakeCompanyServer::kSyncFile);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].head, "SyncServer;");
    EXPECT_EQ(seen[1].sessionId, session);
    EXPECT_EQ(seen[1].contentType, kType);
}

TEST(FakeCompanyServer, CommandFaults)
{
    FakeCompanyServer server;
    ASSERT_TRUE(server.start());
    auto client = clientFor(server);
    client.set_read_timeout(2, 0);
    auto post = [&] {
        return client.Post("/CorvelleSaas/Vendor?", envelope({ { "methodName", "getuserinfo" } }), kType);
    };

    server.setStatus(FakeCompanyServer::kUserInfo, "207");
    EXPECT_EQ((*JSONValue(post()->body))["results"][size_t(0)]["status"].stringValue(), "207");
    server.setStatus(FakeCompanyServer::kUserInfo, std::nullopt);
    server.setFault(FakeCompanyServer::kUserInfo, FakeCompanyServer::Fault::NotJson);
    EXPECT_FALSE(JSONValue(post()->body));
    server.setFault(FakeCompanyServer::kUserInfo, FakeCompanyServer::Fault::HttpError);
    EXPECT_EQ(post()->status, 500);
    server.setFault(FakeCompanyServer::kUserInfo, FakeCompanyServer::Fault::Drop);
    EXPECT_FALSE(post());
    server.setFault(FakeCompanyServer::kUserInfo, FakeCompanyServer::Fault::Stall, 5);
    EXPECT_FALSE(post());  // the client gives up first
    server.stop();  // and a stalled answer does not hold up the stop
}

TEST(FakeCompanyServer, FilesWithRangesAndCompression)
{
    FakeCompanyServer server;
    server.addFile("ACME", "library/pdf", "guide.pdf", "0123456789");
    ASSERT_TRUE(server.start());
    auto client = clientFor(server);
    const std::string path = "/corvelle_saas/images/ACME/library/pdf/guide.pdf";

    auto whole = client.Post(path);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->status, 200);
    EXPECT_EQ(whole->body, "0123456789");
    auto part = client.Post(path, httplib::Headers { { "Range", "bytes=4-" } }, "", "text/plain");
    ASSERT_TRUE(part);
    EXPECT_EQ(part->status, 206);
    EXPECT_EQ(part->body, "456789");
    EXPECT_EQ(part->get_header_value("Content-Range"), "bytes 4-9/10");
    EXPECT_EQ(statusOf(client.Post(path, httplib::Headers { { "Range", "bytes=10-" } }, "", "text/plain")), 416);
    EXPECT_EQ(statusOf(client.Post("/corvelle_saas/images/ACME/library/pdf/none.pdf")), 404);
    server.setFileStatus("guide.pdf", 503);
    EXPECT_EQ(statusOf(client.Post(path)), 503);
    server.setFileStatus("guide.pdf", std::nullopt);

    server.setGzipFiles(true);
    auto packed = client.Post(path);  // the client inflates it
    ASSERT_TRUE(packed);
    EXPECT_EQ(packed->get_header_value("Content-Encoding"), "gzip");
    EXPECT_EQ(packed->body, "0123456789");
    EXPECT_EQ(server.receivedFor("file").front().range, "");
    EXPECT_EQ(server.receivedFor("file")[1].range, "bytes=4-");
}
