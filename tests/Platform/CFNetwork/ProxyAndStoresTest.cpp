#include "Platform/CFNetwork/CFHTTPAuthentication.h"
#include "Platform/CFNetwork/CFProxySupport.h"
#include "Platform/CFNetwork/NSURLCredentialStorage.h"
#include "Platform/Foundation/Clock.h"
#include "support/ClockFixture.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

TEST(CFProxySupport, ScriptsChooseProxiesAndRunawayScriptsAreStopped)
{
    auto url = *CFURL::URLWithString("http://files.corp.example/a/b.pdf");
    struct Case {
        std::string script;
        std::optional<std::string> host;
        int port;
    };
    const Case cases[] = {
        { "function FindProxyForURL(u, h) { return dnsDomainIs(h, '.corp.example') ? 'PROXY cache:3128; DIRECT' : "
          "'DIRECT'; }",
            "cache", 3128 },
        { "function FindProxyForURL(u, h) { return shExpMatch(u, '*.pdf') ? 'PROXY pdf' : 'DIRECT'; }", "pdf", 80 },
        { "function FindProxyForURL(u, h) { return 'DIRECT'; }", "", 0 },
        { "function FindProxyForURL(u, h) { return isPlainHostName(h) ? 'PROXY p:1' : 'DIRECT'; }", "", 0 },
        { "function FindProxyForURL(u, h) { return weekdayRange('MON', 'SUN') ? 'PROXY week:8' : 'DIRECT'; }", "week",
            8 },  // Monday round to Sunday is every day
        { "function FindProxyForURL(u, h) { return weekdayRange('MON'); }", std::nullopt, 0 },  // not a text
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
    auto endless
        = CFNetworkCopyProxiesForAutoConfigurationScript("function FindProxyForURL(u, h) { for (;;) {} }", url, 0.3);
    EXPECT_FALSE(endless);
    EXPECT_LT(Clock::now() - began, 3.0);
}

namespace {

// Seconds since 1970 of a UTC date and time.
double utc(int year, int month, int day, int hour, int minute, int second)
{
    tm fields {};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = day;
    fields.tm_hour = hour;
    fields.tm_min = minute;
    fields.tm_sec = second;
    return static_cast<double>(timegm(&fields));
}

// Local time two hours ahead of GMT, without summer time, for the test's span.
class ZoneTwoHoursEast {
public:
    ZoneTwoHoursEast()
    {
        const char* old = std::getenv("TZ");
        m_old = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("TZ", "XST-2", 1);
        tzset();
    }
    ~ZoneTwoHoursEast()
    {
        if (m_old)
            setenv("TZ", m_old->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> m_old;
};

}  // namespace

// The date and time helpers on both sides of their boundaries, in local time
// and in GMT, read from the process clock.
TEST(CFProxySupport, DateAndTimeHelpersTurnAtTheirBoundaries)
{
    ZoneTwoHoursEast zone;
    ScopedManualClock clock;
    auto url = *CFURL::URLWithString("http://catalogue.example/");
    // Friday 6 March 2026, 23:59:59 local (21:59:59 GMT), and the second after:
    // Saturday 00:00:00 local, still Friday 22:00:00 in GMT.
    const double fridayNight = utc(2026, 3, 6, 21, 59, 59), saturday = fridayNight + 1;
    // The last second of 2026 in local time, and the first of 2027.
    const double yearsEnd = utc(2026, 12, 31, 21, 59, 59), newYear = yearsEnd + 1;
    struct Case {
        const char* test;
        double at;
        bool expected;
    };
    const Case cases[] = {
        { "weekdayRange('FRI')", fridayNight, true },
        { "weekdayRange('FRI')", saturday, false },
        { "weekdayRange('SAT')", saturday, true },
        { "weekdayRange('FRI', 'GMT')", saturday, true },
        { "weekdayRange('SAT', 'GMT')", saturday, false },
        { "weekdayRange('SAT', 'MON')", saturday, true },
        { "weekdayRange('SAT', 'MON')", fridayNight, false },
        { "weekdayRange('MON', 'FRI')", fridayNight, true },
        { "weekdayRange('MON', 'FRI')", saturday, false },
        { "weekdayRange('XYZ')", saturday, false },
        { "timeRange(23)", fridayNight, true },
        { "timeRange(23)", saturday, false },
        { "timeRange(0)", saturday, true },
        { "timeRange(22, 'GMT')", saturday, true },
        { "timeRange(22, 'GMT')", fridayNight, false },
        { "timeRange(21, 22, 'GMT')", fridayNight, true },
        { "timeRange(21, 22, 'GMT')", saturday, false },
        { "timeRange(22, 6)", fridayNight, true },
        { "timeRange(22, 6)", saturday, true },
        { "timeRange(23, 59, 0, 0)", fridayNight, true },
        { "timeRange(23, 59, 0, 0)", saturday, false },
        { "timeRange(23, 59, 59, 0, 0, 1)", fridayNight, true },
        { "timeRange(23, 59, 59, 0, 0, 1)", saturday, true },
        { "timeRange(23, 59, 59, 0, 0, 1)", saturday + 1, false },
        { "timeRange(9, 17)", saturday, false },
        { "timeRange()", saturday, false },
        { "dateRange(6)", fridayNight, true },
        { "dateRange(6)", saturday, false },
        { "dateRange(6, 'GMT')", saturday, true },
        { "dateRange('MAR')", saturday, true },
        { "dateRange('APR', 'NOV')", saturday, false },
        { "dateRange('DEC', 'MAR')", saturday, true },
        { "dateRange(1, 'MAR', 6, 'MAR')", fridayNight, true },
        { "dateRange(1, 'MAR', 6, 'MAR')", saturday, false },
        { "dateRange(28, 7)", saturday, true },
        { "dateRange(7, 'MAR', 2026, 31, 'DEC', 2026)", saturday, true },
        { "dateRange(7, 'MAR', 2026, 31, 'DEC', 2026)", fridayNight, false },
        { "dateRange(7, 'MAR', 2026, 31, 'DEC', 2026)", yearsEnd, true },
        { "dateRange(7, 'MAR', 2026, 31, 'DEC', 2026)", newYear, false },
        { "dateRange(2026)", yearsEnd, true },
        { "dateRange(2026)", newYear, false },
        { "dateRange(2026, 'GMT')", newYear, true },
        { "dateRange('JAN', 2027, 'FEB', 2027)", newYear, true },
        { "dateRange(2027, 2026)", newYear, false },
        { "dateRange(1, 'MAR', 2026)", saturday, false },
        { "dateRange(6, 6, 'MAR')", saturday, false },
    };
    for (const auto& c : cases) {
        clock->setWall(c.at);
        std::string script
            = std::string("function FindProxyForURL(u, h) { return (") + c.test + ") ? 'PROXY yes:1' : 'DIRECT'; }";
        auto proxies = CFNetworkCopyProxiesForAutoConfigurationScript(script, url);
        ASSERT_TRUE(proxies && !proxies->empty()) << c.test;
        EXPECT_EQ(proxies->front().host == "yes", c.expected) << c.test << " at " << static_cast<long>(c.at);
    }
}

TEST(CFProxySupport, SystemSettingsHonourExceptions)
{
    CFProxySettings settings;
    settings.httpProxyHost = "proxy";
    settings.httpProxyPort = 8080;
    settings.exceptions = { ".local.example", "direct.example" };
    struct Case {
        const char* url;
        bool viaProxy;
    };
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

    struct stat info { };
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
