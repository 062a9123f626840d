#include "Platform/Foundation/NSDateTimeZone.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <optional>
#include <unistd.h>

namespace CivilTime {

// Day counting by 400-year eras, which makes the Gregorian cycle exact.
int64_t daysFromCivil(int64_t y, int m, int d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

YearMonthDay civilFromDays(int64_t z)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return { yoe + era * 400 + (m <= 2), m, d };
}

int weekdayFromDays(int64_t z) { return static_cast<int>(z >= -4 ? (z + 4) % 7 : (z + 5) % 7 + 6); }

bool isLeapYear(int64_t y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

int daysInMonth(int64_t y, int m)
{
    static const int days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    return m == 2 && isLeapYear(y) ? 29 : days[(m - 1) % 12];
}

}  // namespace CivilTime

// A POSIX TZ rule ("EST5EDT,M3.2.0,M11.1.0"): standard and daylight offsets,
// and the day and time each half of the year starts.
struct NSTimeZone::Rule {
    struct When {
        char kind = 'M';  // 'J' (1-365, no leap day), 'D' (0-365), 'M' (month, week, weekday)
        int day = 0;
        int month = 0;
        int week = 0;
        int weekday = 0;
        long time = 7200;  // local seconds after midnight
    };
    NSTimeZone::LocalType standard;
    NSTimeZone::LocalType daylight;
    bool hasDaylight = false;
    When start;  // of daylight time, in standard local time
    When end;  // of daylight time, in daylight local time

    // Seconds since 1970 (UTC) at which the change happens in `year`.
    int64_t instant(const When& w, int64_t year, long offset) const
    {
        int64_t days;
        if (w.kind == 'J') {
            days = CivilTime::daysFromCivil(year, 1, 1) + w.day - 1
                + (CivilTime::isLeapYear(year) && w.day >= 60 ? 1 : 0);
        } else if (w.kind == 'D') {
            days = CivilTime::daysFromCivil(year, 1, 1) + w.day;
        } else {
            int64_t first = CivilTime::daysFromCivil(year, w.month, 1);
            int dayOfMonth = 1 + (w.weekday - CivilTime::weekdayFromDays(first) + 7) % 7 + (w.week - 1) * 7;
            while (dayOfMonth > CivilTime::daysInMonth(year, w.month))
                dayOfMonth -= 7;
            days = first + dayOfMonth - 1;
        }
        return days * 86400 + w.time - offset;
    }

    const NSTimeZone::LocalType& typeAt(int64_t t) const
    {
        if (!hasDaylight)
            return standard;
        int64_t year = CivilTime::civilFromDays(
            static_cast<int64_t>(std::floor((static_cast<double>(t) + static_cast<double>(standard.offset)) / 86400.0)))
                           .year;
        int64_t s = instant(start, year, standard.offset);
        int64_t e = instant(end, year, daylight.offset);
        bool dst = s < e ? (t >= s && t < e) : !(t >= e && t < s);
        return dst ? daylight : standard;
    }
};

namespace {

// Reads a POSIX TZ rule; nothing when the text is not one.
class RuleParser {
public:
    explicit RuleParser(std::string_view text)
        : m_text(text)
    {
    }

    std::shared_ptr<NSTimeZone::Rule> parse()
    {
        auto rule = std::make_shared<NSTimeZone::Rule>();
        if (!name(rule->standard.abbreviation))
            return nullptr;
        long offset;
        if (!posixOffset(offset))
            return nullptr;
        rule->standard.offset = -offset;
        if (atEnd())
            return rule;
        if (!name(rule->daylight.abbreviation))
            return nullptr;
        rule->hasDaylight = true;
        rule->daylight.isDst = true;
        rule->daylight.offset = rule->standard.offset + 3600;
        if (!atEnd() && peek() != ',') {
            if (!posixOffset(offset))
                return nullptr;
            rule->daylight.offset = -offset;
        }
        if (atEnd()) {
            // No dates given: the United States rule, as the C library assumes.
            rule->start = { 'M', 0, 3, 2, 0, 7200 };
            rule->end = { 'M', 0, 11, 1, 0, 7200 };
            return rule;
        }
        if (!take(',') || !when(rule->start) || !take(',') || !when(rule->end) || !atEnd())
            return nullptr;
        return rule;
    }

private:
    std::string_view m_text;
    size_t m_pos = 0;

    bool atEnd() const { return m_pos >= m_text.size(); }
    char peek() const { return atEnd() ? '\0' : m_text[m_pos]; }
    bool take(char c)
    {
        if (peek() != c)
            return false;
        ++m_pos;
        return true;
    }

    bool name(std::string& out)
    {
        if (take('<')) {
            size_t close = m_text.find('>', m_pos);
            if (close == std::string_view::npos || close - m_pos < 3)
                return false;
            out = std::string(m_text.substr(m_pos, close - m_pos));
            m_pos = close + 1;
            return true;
        }
        size_t start = m_pos;
        while (!atEnd() && ((peek() >= 'A' && peek() <= 'Z') || (peek() >= 'a' && peek() <= 'z')))
            ++m_pos;
        if (m_pos - start < 3)
            return false;
        out = std::string(m_text.substr(start, m_pos - start));
        return true;
    }

    bool number(long& out, long max)
    {
        size_t start = m_pos;
        out = 0;
        while (!atEnd() && peek() >= '0' && peek() <= '9') {
            out = out * 10 + (peek() - '0');
            if (out > max)
                return false;
            ++m_pos;
        }
        return m_pos > start;
    }

    // [+-]hh[:mm[:ss]], in seconds; the POSIX sign counts west as positive.
    bool posixOffset(long& out)
    {
        int sign = 1;
        if (take('-'))
            sign = -1;
        else
            take('+');
        long h, m = 0, s = 0;
        if (!number(h, 167))
            return false;
        if (take(':') && !number(m, 59))
            return false;
        if (take(':') && !number(s, 59))
            return false;
        out = sign * (h * 3600 + m * 60 + s);
        return true;
    }

    bool when(NSTimeZone::Rule::When& w)
    {
        long v;
        if (take('M')) {
            long month, week, weekday;
            if (!number(month, 12) || !take('.') || !number(week, 5) || !take('.') || !number(weekday, 6) || month < 1
                || week < 1)
                return false;
            w = { 'M', 0, static_cast<int>(month), static_cast<int>(week), static_cast<int>(weekday), 7200 };
        } else if (take('J')) {
            if (!number(v, 365) || v < 1)
                return false;
            w = { 'J', static_cast<int>(v), 0, 0, 0, 7200 };
        } else {
            if (!number(v, 365))
                return false;
            w = { 'D', static_cast<int>(v), 0, 0, 0, 7200 };
        }
        if (take('/')) {
            long t;
            if (!posixOffset(t))
                return false;
            w.time = t;
        }
        return true;
    }
};

int64_t readBigEndian(const unsigned char* p, int bytes)
{
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | p[i];
    if (bytes == 4)
        return static_cast<int32_t>(static_cast<uint32_t>(v));
    return static_cast<int64_t>(v);
}

// A compiled zone file (TZif, versions 1 to 4); nullptr when malformed.
std::shared_ptr<const NSTimeZone> parseZoneFile(const std::string& name, const std::string& bytes)
{
    auto p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t size = bytes.size();
    struct Header {
        int64_t isutcnt, isstdcnt, leapcnt, timecnt, typecnt, charcnt;
    };
    auto header = [&](size_t at, Header& h) {
        if (at + 44 > size || bytes.compare(at, 4, "TZif") != 0)
            return false;
        const unsigned char* c = p + at + 20;
        h = { readBigEndian(c, 4), readBigEndian(c + 4, 4), readBigEndian(c + 8, 4), readBigEndian(c + 12, 4),
            readBigEndian(c + 16, 4), readBigEndian(c + 20, 4) };
        return h.isutcnt >= 0 && h.isstdcnt >= 0 && h.leapcnt >= 0 && h.timecnt >= 0 && h.typecnt > 0
            && h.typecnt <= 256 && h.charcnt >= 0;
    };
    Header h;
    if (!header(0, h))
        return nullptr;
    char version = bytes[4];
    int timeSize = 4;
    size_t at = 44;
    if (version >= '2') {
        // Skip the 32-bit block; the 64-bit one that follows is complete.
        size_t v1
            = static_cast<size_t>(h.timecnt * 5 + h.typecnt * 6 + h.charcnt + h.leapcnt * 8 + h.isstdcnt + h.isutcnt);
        if (!header(44 + v1, h))
            return nullptr;
        at = 44 + v1 + 44;
        timeSize = 8;
    }
    size_t need = static_cast<size_t>(h.timecnt * timeSize + h.timecnt + h.typecnt * 6 + h.charcnt
        + h.leapcnt * (timeSize + 4) + h.isstdcnt + h.isutcnt);
    if (at + need > size)
        return nullptr;
    const size_t footer = at + need;
    std::vector<int64_t> transitions;
    std::vector<uint8_t> transitionTypes;
    for (int64_t i = 0; i < h.timecnt; ++i)
        transitions.push_back(readBigEndian(p + at + static_cast<size_t>(i * timeSize), timeSize));
    at += static_cast<size_t>(h.timecnt * timeSize);
    for (int64_t i = 0; i < h.timecnt; ++i) {
        uint8_t type = p[at + static_cast<size_t>(i)];
        if (type >= h.typecnt)
            return nullptr;
        transitionTypes.push_back(type);
    }
    at += static_cast<size_t>(h.timecnt);
    size_t chars = at + static_cast<size_t>(h.typecnt * 6);
    std::vector<NSTimeZone::LocalType> types;
    for (int64_t i = 0; i < h.typecnt; ++i) {
        const unsigned char* t = p + at + static_cast<size_t>(i * 6);
        NSTimeZone::LocalType type;
        type.offset = static_cast<long>(readBigEndian(t, 4));
        type.isDst = t[4] != 0;
        size_t abbr = t[5];
        if (abbr < static_cast<size_t>(h.charcnt)) {
            const char* s = bytes.data() + chars + abbr;
            type.abbreviation = std::string(s, strnlen(s, static_cast<size_t>(h.charcnt) - abbr));
        }
        types.push_back(type);
    }
    std::shared_ptr<const NSTimeZone::Rule> rule;
    if (version >= '2') {
        if (footer < size && bytes[footer] == '\n') {
            size_t close = bytes.find('\n', footer + 1);
            if (close != std::string::npos && close > footer + 1)
                rule = RuleParser(std::string_view(bytes).substr(footer + 1, close - footer - 1)).parse();
        }
    }
    return std::make_shared<NSTimeZone>(
        name, std::move(transitions), std::move(transitionTypes), std::move(types), std::move(rule));
}

std::optional<std::string> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        return std::nullopt;
    return bytes;
}

std::string zoneDirectory()
{
    const char* dir = std::getenv("TZDIR");
    return dir && *dir ? dir : "/usr/share/zoneinfo";
}

// Zone names are relative paths inside the database; anything that could leave it is refused.
bool isSafeZoneName(std::string_view name)
{
    if (name.empty() || name.front() == '/' || name.size() > 255)
        return false;
    for (char c : name) {
        bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '/' || c == '_'
            || c == '-' || c == '+' || c == '.';
        if (!ok)
            return false;
    }
    return name.find("..") == std::string_view::npos;
}

std::shared_ptr<const NSTimeZone> fixedZone(std::string name, long offset)
{
    auto rule = std::make_shared<NSTimeZone::Rule>();
    rule->standard.offset = offset;
    rule->standard.abbreviation = name;
    return std::make_shared<NSTimeZone>(std::move(name), std::vector<int64_t>(), std::vector<uint8_t>(),
        std::vector<NSTimeZone::LocalType> { rule->standard }, rule);
}

std::shared_ptr<const NSTimeZone> utcZone()
{
    static auto zone = fixedZone("UTC", 0);
    return zone;
}

std::shared_ptr<const NSTimeZone> zoneFromTZ(const std::string& tz)
{
    if (tz.empty())
        return utcZone();
    std::string setting = tz[0] == ':' ? tz.substr(1) : tz;
    if (!setting.empty() && setting[0] == '/') {
        if (auto bytes = readFile(setting)) {
            if (auto zone = parseZoneFile(setting, *bytes))
                return zone;
        }
        return utcZone();
    }
    if (auto zone = NSTimeZone::timeZoneWithName(setting))
        return zone;
    if (auto rule = RuleParser(setting).parse()) {
        std::vector<NSTimeZone::LocalType> types { rule->standard };
        return std::make_shared<NSTimeZone>(
            setting, std::vector<int64_t>(), std::vector<uint8_t>(), std::move(types), rule);
    }
    return utcZone();
}

std::shared_ptr<const NSTimeZone> systemZone()
{
    std::string name = "localtime";
    char link[512];
    ssize_t n = readlink("/etc/localtime", link, sizeof link - 1);
    if (n > 0) {
        std::string target(link, static_cast<size_t>(n));
        size_t at = target.find("zoneinfo/");
        if (at != std::string::npos)
            name = target.substr(at + 9);
    } else if (auto text = readFile("/etc/timezone")) {
        while (!text->empty() && (text->back() == '\n' || text->back() == ' '))
            text->pop_back();
        if (!text->empty())
            name = *text;
    }
    if (auto bytes = readFile("/etc/localtime")) {
        if (auto zone = parseZoneFile(name, *bytes))
            return zone;
    }
    if (name != "localtime") {
        if (auto zone = NSTimeZone::timeZoneWithName(name))
            return zone;
    }
    return utcZone();
}

}  // namespace

NSTimeZone::NSTimeZone(std::string name, std::vector<int64_t> transitions, std::vector<uint8_t> transitionTypes,
    std::vector<LocalType> types, std::shared_ptr<const Rule> rule)
    : m_name(std::move(name))
    , m_transitions(std::move(transitions))
    , m_transitionTypes(std::move(transitionTypes))
    , m_types(std::move(types))
    , m_rule(std::move(rule))
{
}

NSTimeZone::~NSTimeZone() = default;

std::shared_ptr<const NSTimeZone> NSTimeZone::timeZoneWithName(std::string_view name)
{
    if (name == "UTC" || name == "GMT")
        return fixedZone(std::string(name), 0);
    if (!isSafeZoneName(name))
        return nullptr;
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<const NSTimeZone>, std::less<>> cache;
    std::lock_guard lock(mutex);
    if (auto it = cache.find(name); it != cache.end())
        return it->second;
    std::string key(name);
    auto bytes = readFile(zoneDirectory() + "/" + key);
    if (!bytes)
        return nullptr;
    auto zone = parseZoneFile(key, *bytes);
    if (zone)
        cache[key] = zone;
    return zone;
}

std::shared_ptr<const NSTimeZone> NSTimeZone::timeZoneForSecondsFromGMT(long seconds)
{
    long a = seconds < 0 ? -seconds : seconds;
    char name[32];
    std::snprintf(name, sizeof name, "GMT%c%02ld%02ld", seconds < 0 ? '-' : '+', a / 3600, a / 60 % 60);
    return fixedZone(seconds == 0 ? "GMT" : name, seconds);
}

std::shared_ptr<const NSTimeZone> NSTimeZone::localTimeZone()
{
    // Re-read when TZ changes, as the C library does on its next call.
    static std::mutex mutex;
    static std::optional<std::string> lastTZ;
    static bool loaded = false;
    static std::shared_ptr<const NSTimeZone> zone;
    const char* env = std::getenv("TZ");
    std::optional<std::string> tz = env ? std::optional<std::string>(env) : std::nullopt;
    std::lock_guard lock(mutex);
    if (!loaded || tz != lastTZ) {
        zone = tz ? zoneFromTZ(*tz) : systemZone();
        lastTZ = tz;
        loaded = true;
    }
    return zone;
}

const NSTimeZone::LocalType& NSTimeZone::typeAt(int64_t t, LocalType& scratch) const
{
    if (m_transitions.empty() || t < m_transitions.front()) {
        if (m_transitions.empty() && m_rule) {
            scratch = m_rule->typeAt(t);
            return scratch;
        }
        // Before the first change: the first standard-time type.
        for (const auto& type : m_types) {
            if (!type.isDst)
                return type;
        }
        return m_types.front();
    }
    if (t >= m_transitions.back() && m_rule) {
        scratch = m_rule->typeAt(t);
        return scratch;
    }
    auto it = std::upper_bound(m_transitions.begin(), m_transitions.end(), t);
    size_t index = static_cast<size_t>(it - m_transitions.begin()) - 1;
    return m_types[m_transitionTypes[index]];
}

long NSTimeZone::secondsFromGMTForDate(Date date) const
{
    LocalType scratch;
    return typeAt(static_cast<int64_t>(std::floor(date.secondsSince1970)), scratch).offset;
}

std::string NSTimeZone::abbreviationForDate(Date date) const
{
    LocalType scratch;
    return typeAt(static_cast<int64_t>(std::floor(date.secondsSince1970)), scratch).abbreviation;
}

bool NSTimeZone::isDaylightSavingTimeForDate(Date date) const
{
    LocalType scratch;
    return typeAt(static_cast<int64_t>(std::floor(date.secondsSince1970)), scratch).isDst;
}

long NSTimeZone::secondsFromGMTForLocalTime(int64_t local) const
{
    LocalType scratch;
    long before = typeAt(local - 86400, scratch).offset;
    long after = typeAt(local + 86400, scratch).offset;
    std::optional<long> best;
    for (long candidate : { before, after }) {
        if (typeAt(local - candidate, scratch).offset == candidate && (!best || candidate > *best))
            best = candidate;
    }
    return best ? *best : before;
}
