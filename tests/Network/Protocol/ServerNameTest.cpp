// A server named on the command line is read by the server settings' own
// parser: its scheme, host and port, or a clear refusal that changes nothing.

#include "Network/Protocol/ServerInfo.h"

#include <gtest/gtest.h>

namespace {

ServerInfo settingsAsLaunched()
{
    ServerInfo info;
    info.strIP = info.imageIP = "service.example";
    info.httpPort = 48080;
    info.imageHttpPort = 480;
    return info;
}

}  // namespace

TEST(ServerName, ReadsSchemeHostAndPortIntoBothServers)
{
    struct Case {
        const char* name;
        const char* scheme;
        const char* host;
        int port;
        const char* address;
        const char* hostSetting;
    };
    const Case cases[] = {
        { "127.0.0.1:8080", "http", "127.0.0.1", 8080, "http://127.0.0.1:8080", "127.0.0.1" },
        { "https://127.0.0.1:4443", "https", "127.0.0.1", 4443, "https://127.0.0.1:4443", "https://127.0.0.1" },
        { "HTTPS://sales.example:443", "https", "sales.example", 443, "https://sales.example:443",
            "https://sales.example" },
        { "http://sales.example", "http", "sales.example", 48080, "http://sales.example:48080", "sales.example" },
        { "sales.example", "http", "sales.example", 48080, "http://sales.example:48080", "sales.example" },
        { "[::1]:9000", "http", "[::1]", 9000, "http://[::1]:9000", "[::1]" },
        { "https://[fe80::2]", "https", "[fe80::2]", 48080, "https://[fe80::2]:48080", "https://[fe80::2]" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ServerInfo info = settingsAsLaunched();
        ASSERT_TRUE(info.takeServerName(c.name));
        EXPECT_EQ(info.messageScheme, c.scheme);
        EXPECT_EQ(info.imageScheme, c.scheme);
        EXPECT_EQ(info.strIP, c.host);
        EXPECT_EQ(info.imageIP, c.host);
        EXPECT_EQ(info.httpPort, c.port);
        // One server serves both messages and files.
        EXPECT_EQ(info.imageHttpPort, c.port);
        EXPECT_EQ(info.messageAddress(), c.address);
        EXPECT_EQ(info.messageHostSetting(), c.hostSetting);
    }
}

TEST(ServerName, RefusesWhatIsNoServerNameAndChangesNothing)
{
    for (const char* name : { "", ":8080", "https://", "https://:4443", "host:", "host:0", "host:65536", "host:80a",
             "host:-1", "host:123456", "host:8080/path", "http://host/", "user@host:80", "two words:80", "::1", "[::1",
             "::1]:80", "[]:80", "ftp://host:21" }) {
        SCOPED_TRACE(std::string("\"") + name + "\"");
        ServerInfo info = settingsAsLaunched();
        EXPECT_FALSE(info.takeServerName(name));
        EXPECT_EQ(info.strIP, "service.example");
        EXPECT_EQ(info.imageIP, "service.example");
        EXPECT_EQ(info.httpPort, 48080);
        EXPECT_EQ(info.imageHttpPort, 480);
        EXPECT_EQ(info.messageScheme, "http");
    }
}
