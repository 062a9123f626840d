#include "ClockFixture.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSDate.h"
#include "Platform/Foundation/NSDateFormatter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

constexpr const char* kShanghai = "Asia/Shanghai";
constexpr const char* kNewYork = "America/New_York";

NSDateFormatter formatter(const char* pattern, const char* zone)
{
    NSDateFormatter f(pattern);
    auto z = NSTimeZone::timeZoneWithName(zone);
    EXPECT_TRUE(z) << zone;
    f.setTimeZone(z);
    return f;
}

// Sets TZ for one test and puts the old value back.
class ScopedTZ {
public:
    explicit ScopedTZ(const char* value)
    {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        if (value)
            setenv("TZ", value, 1);
        else
            unsetenv("TZ");
    }
    ~ScopedTZ()
    {
        if (m_old)
            setenv("TZ", m_old->c_str(), 1);
        else
            unsetenv("TZ");
    }

private:
    std::optional<std::string> m_old;
};

}  // namespace

TEST(NSDateFormatter, WritesTheFixedPatterns)
{
    struct Case {
        const char* zone;
        const char* pattern;
        double seconds;
        const char* expected;
    };
    const Case cases[] = {
        { kShanghai, "MM/dd/yyyy HH:mm:ss", 1367892000, "05/07/2013 10:00:00" },
        { kShanghai, "yyyy-MM-dd HH:mm:ss", 1367892000, "2013-05-07 10:00:00" },
        { kShanghai, "yyMMddHHmmss", 1367892000, "130507100000" },
        { kShanghai, "yy/MM/dd", 1367892000, "13/05/07" },
        { kShanghai, "MM/dd/yy", 1367892000, "05/07/13" },
        { kShanghai, "HH:mm MM/dd/yy", 1367892000, "10:00 05/07/13" },
        { kShanghai, "yyyyMMdd_HHmmss", 1367892000, "20130507_100000" },
        { kShanghai, "yyyy-MM-dd HH:mm:ss.SSS", 1367892000.123, "2013-05-07 10:00:00.123" },
        { kShanghai, "yyyy-MM-dd HH:mm:ss.SSS", 1367892000.9999, "2013-05-07 10:00:00.999" },
        { kShanghai, "hh:mm a", 1367892000 + 5 * 3600, "03:00 PM" },
        { kShanghai, "h a", 1367892000 - 10 * 3600, "12 AM" },
        // One instant on both sides of a year boundary.
        { kNewYork, "MM/dd/yyyy HH:mm:ss", 1357016399, "12/31/2012 23:59:59" },
        { kShanghai, "MM/dd/yyyy HH:mm:ss", 1357016399, "01/01/2013 12:59:59" },
        { "UTC", "MM/dd/yyyy HH:mm:ss", 1357016399, "01/01/2013 04:59:59" },
        { kNewYork, "yy/MM/dd", 1357016399, "12/12/31" },
        // Summer time, also past the end of the zone's transition table.
        { kNewYork, "yyyy-MM-dd HH:mm:ss Z", 1720098303, "2024-07-04 09:05:03 -0400" },
        { kNewYork, "yyyy-MM-dd HH:mm:ss Z", 1909152000, "2030-07-01 12:00:00 -0400" },
        { kNewYork, "yyyy-MM-dd HH:mm:ss Z", 1357016399, "2012-12-31 23:59:59 -0500" },
        { "UTC", "EEE, dd MMM yyyy HH:mm:ss z", 1367892000, "Tue, 07 May 2013 02:00:00 GMT" },
        { kShanghai, "EEEE d MMMM yyyy 'at' HH 'o''clock' z", 1367892000, "Tuesday 7 May 2013 at 10 o'clock GMT+8" },
        { "UTC", "yyyy-MM-dd HH:mm:ss", -1, "1969-12-31 23:59:59" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, formatter(c.pattern, c.zone).stringFromDate(Date { c.seconds }))
            << c.pattern << " " << c.zone;
}

TEST(NSDateFormatter, ReadsStrictly)
{
    struct Case {
        const char* zone;
        const char* pattern;
        const char* text;
        std::optional<double> seconds;
    };
    const Case cases[] = {
        { kShanghai, "MM/dd/yyyy HH:mm:ss", "05/07/2013 10:00:00", 1367892000 },
        { kShanghai, "yyyy-MM-dd HH:mm:ss", "2013-05-07 10:00:00", 1367892000 },
        { kShanghai, "yyyy-MM-dd HH:mm:ss.SSS", "2013-05-07 10:00:00.250", 1367892000.25 },
        { kShanghai, "yyMMddHHmmss", "130507100000", 1367892000 },
        { kShanghai, "yyyyMMdd_HHmmss", "20130507_100000", 1367892000 },
        { kNewYork, "MM/dd/yyyy HH:mm:ss", "12/31/2012 23:59:59", 1357016399 },
        { kShanghai, "MM/dd/yyyy HH:mm:ss", "01/01/2013 12:59:59", 1357016399 },
        { kShanghai, "MM/dd/yyyy HH:mm:ss", "5/7/2013 10:00:00", 1367892000 },
        { kShanghai, "HH:mm", "10:00", 2 * 3600 },  // missing fields are 1970-01-01
        { kShanghai, "hh:mm a", "03:00 PM", 7 * 3600 },
        // A skipped time takes the offset before the change; a repeated one its first occurrence.
        { kNewYork, "yyyy-MM-dd HH:mm", "2030-03-10 02:30", 1899358200 },
        { kNewYork, "yyyy-MM-dd HH:mm", "2030-11-03 01:30", 1919914200 },
        // A zone in the text wins over the formatter's.
        { kShanghai, "EEE, dd MMM yyyy HH:mm:ss z", "Tue, 07 May 2013 02:00:00 GMT", 1367892000 },
        { kShanghai, "EEE, dd MMM yyyy HH:mm:ss z", "tue, 07 may 2013 04:00:00 GMT+0200", 1367892000 },
        { kShanghai, "dd MMM yyyy HH:mm:ss Z", "06 May 2013 22:00:00 -0400", 1367892000 },
        { kShanghai, "dd MMM yyyy HH:mm z", "06 May 2013 21:00 EST", 1367892000 },
        // Nothing when the text does not fit.
        { kShanghai, "MM/dd/yyyy HH:mm:ss", "13/07/2013 10:00:00", std::nullopt },
        { kShanghai, "MM/dd/yyyy HH:mm:ss", "02/30/2013 10:00:00", std::nullopt },
        { kShanghai, "MM/dd/yyyy HH:mm:ss", "02/29/2013 10:00:00", std::nullopt },
        { kShanghai, "MM/dd/yyyy HH:mm:ss", "02/29/2012 10:00:00", 1330480800 },
        { kShanghai, "MM/dd/yyyy HH:mm:ss", "05/07/2013 24:00:00", std::nullopt },
        { kShanghai, "MM/dd/yyyy HH:mm:ss", "05/07/2013 10:60:00", std::nullopt },
        { kShanghai, "MM/dd/yyyy HH:mm:ss", "05/07/2013", std::nullopt },
        { kShanghai, "MM/dd/yyyy HH:mm:ss", "05/07/2013 10:00:00 ", std::nullopt },
        { kShanghai, "MM/dd/yyyy HH:mm:ss", "2013-05-07 10:00:00", std::nullopt },
        { kShanghai, "MM/dd/yyyy HH:mm:ss", "ab/cd/2013 10:00:00", std::nullopt },
        { kShanghai, "MM/dd/yyyy HH:mm:ss", "", std::nullopt },
        { kShanghai, "yyMMddHHmmss", "1305071000", std::nullopt },
        { kShanghai, "EEE, dd MMM yyyy HH:mm:ss z", "Tue, 07 Mai 2013 02:00:00 GMT", std::nullopt },
        { kShanghai, "hh:mm a", "13:00 PM", std::nullopt },
        // Abutting fields read the pattern's widths, however long: a long
        // fraction keeps the precision a value holds, a long number is refused.
        { "UTC", "SSSSSSSSSSSSSSSSSSSSSSSSSSSSSSss", "50000000000000000000000000009907", 7.5 },
        { "UTC", "yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyMM", "99999999999999999999999999999901", std::nullopt },
        { "UTC", "SSSSSSSSSSSSSSSSSSSSSSSSSSSSSSyy", "99999999999999999999999999999999", 915148801 },
    };
    for (const auto& c : cases) {
        auto date = formatter(c.pattern, c.zone).dateFromString(c.text);
        ASSERT_EQ(c.seconds.has_value(), date.has_value()) << c.pattern << " [" << c.text << "]";
        if (date) {
            EXPECT_DOUBLE_EQ(*c.seconds, date->secondsSince1970) << c.text;
        }
    }
}

TEST(NSDateFormatter, TwoDigitYearsFallWithin1950To2049WhateverTheClock)
{
    struct Case {
        const char* text;
        int year;
    };
    const Case cases[] = {
        { "10:00 05/07/13", 2013 },
        { "10:00 01/01/32", 2032 },
        { "10:00 01/01/33", 2033 },
        { "10:00 12/31/49", 2049 },
        { "10:00 01/01/50", 1950 },
        { "10:00 01/01/99", 1999 },
        { "10:00 01/01/00", 2000 },
    };
    auto parser = formatter("HH:mm MM/dd/yy", "UTC");
    auto years = formatter("yyyy", "UTC");
    for (double now : { 1370044800.0 /* 2013 */, 2524608000.0 /* 2050 */ }) {
        ScopedManualClock clock(now);
        for (const auto& c : cases) {
            auto date = parser.dateFromString(c.text);
            ASSERT_TRUE(date.has_value()) << c.text;
            EXPECT_EQ(std::to_string(c.year), years.stringFromDate(*date)) << c.text << " at " << now;
        }
    }
    // A four-digit year under "yy" is taken as written.
    EXPECT_EQ("1850", years.stringFromDate(formatter("yy", "UTC").dateFromString("1850").value_or(Date {})));
}

TEST(NSDateFormatter, YearsOutsideOneTo9999AreRefused)
{
    auto f = formatter("yyyy-MM-dd HH:mm:ss", "UTC");
    for (const char* text :
        { "1234567-01-01 00:00:00", "999999999-12-31 23:59:59", "10000-01-01 00:00:00", "0000-12-31 12:00:00" })
        EXPECT_FALSE(f.dateFromString(text)) << text;
    // The edges themselves read and write back.
    for (const char* text : { "0001-01-01 00:00:00", "9999-12-31 23:59:59" }) {
        auto date = f.dateFromString(text);
        ASSERT_TRUE(date) << text;
        EXPECT_EQ(text, f.stringFromDate(*date));
    }
    // A date beyond them has no text in the pattern.
    for (double seconds : { 1e18, -1e18, 1e300, std::nan(""), std::numeric_limits<double>::infinity() })
        EXPECT_EQ("", f.stringFromDate(Date { seconds })) << seconds;
}

TEST(NSDateFormatter, DeviceZoneFollowsTZ)
{
    NSDateFormatter f("yyyy-MM-dd HH:mm:ss");
    struct Case {
        const char* tz;
        const char* expected;
    };
    const Case cases[] = {
        { "Asia/Shanghai", "2013-05-07 10:00:00" }, { ":America/New_York", "2013-05-06 22:00:00" },
        { "UTC0", "2013-05-07 02:00:00" }, { "EST5EDT,M3.2.0,M11.1.0", "2013-05-06 22:00:00" },
        { "<+0530>-5:30", "2013-05-07 07:30:00" }, { "", "2013-05-07 02:00:00" },
        { "../../etc/passwd", "2013-05-07 02:00:00" },  // not a zone: UTC, as the C library does
    };
    for (const auto& c : cases) {
        ScopedTZ tz(c.tz);
        EXPECT_EQ(c.expected, f.stringFromDate(Date { 1367892000 })) << c.tz;
        EXPECT_EQ(1367892000, f.dateFromString(c.expected).value_or(Date {}).secondsSince1970) << c.tz;
    }
    EXPECT_EQ(nullptr, NSTimeZone::timeZoneWithName("Nowhere/City"));
    EXPECT_EQ(nullptr, NSTimeZone::timeZoneWithName("../zoneinfo/UTC"));
}

TEST(NSDate, HelpersReadTheProcessClock)
{
    ScopedManualClock clock(1000);
    Date now = NSDate::date();
    EXPECT_EQ(1000, NSDate::timeIntervalSince1970(now));
    Date later = NSDate::dateByAddingTimeInterval(now, 90.5);
    EXPECT_EQ(90.5, NSDate::timeIntervalSinceDate(later, now));
    EXPECT_EQ(NSOrderedAscending, NSDate::compare(now, later));
    EXPECT_EQ(NSOrderedDescending, NSDate::compare(later, now));
    EXPECT_EQ(NSOrderedSame, NSDate::compare(now, NSDate::dateWithTimeIntervalSince1970(1000)));
    EXPECT_EQ(now, NSDate::earlierDate(later, now));
    EXPECT_EQ(later, NSDate::laterDate(later, now));
    clock->advance(30);
    EXPECT_EQ(60.5, NSDate::timeIntervalSinceNow(later));
    EXPECT_EQ(1040, NSDate::dateWithTimeIntervalSinceNow(10).secondsSince1970);
}
