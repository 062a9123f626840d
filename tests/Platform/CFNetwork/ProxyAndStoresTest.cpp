#include "Platform/CFNetwork/CFHTTPAuthentication.h"
#include "Platform/CFNetwork/CFProxySupport.h"
#include "Platform/CFNetwork/NSURLCredentialStorage.h"
#include "Platform/Foundation/Clock.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

TEST(CFProxySupport, ScriptsChooseProxiesAndRunawayScriptsAreStopped)
{
    auto url = *CFURL::URLWithString("http://files.corp.example/a/b.pdf");
    struct Case { std::string script; std::optional<std::string> host; int port; };
    const Case cases[] = {
        { "function FindProxyForURL(u, h) { return dnsDomainIs(h, '.corp.example') ? 'PROXY cache:3128; DIRECT' : 'DIRECT'; }",
          "cache", 3128 },
        { "function FindProxyForURL(u, h) { return shExpMatch(u, '*.pdf') ? 'PROXY pdf' : 'DIRECT'; }", "pdf", 80 },
        { "function FindProxyForURL(u, h) { return 'DIRECT'; }", "", 0 },
        { "function FindProxyForURL(u, h) { return isPlainHostName(h) ? 'PROXY p:1' : 'DIRECT'; }", "", 0 },
        { "function FindProxyForURL(u, h) { return weekdayRange('MON'); }", std::nullopt, 0 },  // not offered
        { "this is not a script", std::nullopt, 0 },
    };
    for (const auto& c : cases) {
        auto proxies = CFNetworkCopyProxiesForAutoConfigurationScript(c.script, url);
        ASSERT_EQ(proxies.has_value(), c.host.has_value()) << c.script;
        if (!proxies)
            continue;
        ASSERT_FALSE(proxies->empty());
        EXPECT_EQ(proxies->front().host, *c.host) << c.script;
        EXPECT_EQ(proxies->front().port, c.port) << c.script;
    }

    double began = Clock::now();
    auto endless = CFNetworkCopyProxiesForAutoConfigurationScript(
        "function FindProxyForURL(u, h) { for (;;) {} }", url, 0.3);
    EXPECT_FALSE(endless);
    EXPECT_LT(Clock::now() - began, 3.0);
}

TEST(CFProxySupport, SystemSettingsHonourExceptions)
{
    CFProxySettings settings;
    settings.httpProxyHost = "proxy";
    settings.httpProxyPort = 8080;
    settings.exceptions = { ".local.example", "direct.example" };
    struct Case { const char* url; bool viaProxy; };
    for (const auto& c : { Case { "http://a.local.example/", false }, Case { "http://direct.example/", false },
                           Case { "http://other.example/", true } }) {
        auto proxies = CFNetworkCopyProxiesForURL(*CFURL::URLWithString(c.url), settings);
        ASSERT_TRUE(proxies);
        EXPECT_EQ(!proxies->empty(), c.viaProxy) << c.url;
    }
    settings.unavailable = true;
    EXPECT_FALSE(CFNetworkCopyProxiesForURL(*CFURL::URLWithString("http://x/"), settings));
}

TEST(NSURLCredentialStorage, OwnerOnlyFileKeepsAwkwardFieldsAcrossLoads)
{
    TemporaryHome home;
    std::string path = home.scratch() + "/credentials";
    auto& store = NSURLCredentialStorage::sharedCredentialStorage();
    ASSERT_TRUE(store.setPersistentStorePath(path));
    NSURLProtectionSpace space { "h", 80, "http", "realm\twith tab", false };
    NSURLProtectionSpace proxy { "h", 80, "http", "realm\twith tab", true };
    store.setDefaultCredential({ "user\\name", "pass\nword" }, space);
    store.setDefaultCredential({ "proxy-user", "p" }, proxy);
    store.setDefaultCredential({ "user\\name", "changed" }, space);

    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    ASSERT_TRUE(store.setPersistentStorePath(path));  // read back from the file
    auto found = store.defaultCredential(space);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->user, "user\\name");
    EXPECT_EQ(found->password, "changed");
    EXPECT_EQ(store.defaultCredential(proxy)->user, "proxy-user");
    store.removeDefaultCredential(proxy);
    ASSERT_TRUE(store.setPersistentStorePath(path));
    EXPECT_FALSE(store.defaultCredential(proxy));
    EXPECT_TRUE(store.defaultCredential(space));

    store.removeAll();
    ASSERT_TRUE(store.setPersistentStorePath(""));
}
