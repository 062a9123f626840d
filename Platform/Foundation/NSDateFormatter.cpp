#include "Platform/Foundation/NSDateFormatter.h"

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSString.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr const char* kMonthNames[] = { "January", "February", "March", "April", "May", "June", "July", "August",
    "September", "October", "November", "December" };
constexpr const char* kDayNames[] = { "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday" };

// The years a date is read and written in; further out the arithmetic on
// microseconds would overflow, and no stored date lies there.
constexpr int64_t firstYear = 1;
constexpr int64_t lastYear = 9999;
// Seconds since 1970 of 0001-01-01 and 10000-01-01, local time.
constexpr double earliestLocalSecond = -62135596800.0;
constexpr double latestLocalSecond = 253402300800.0;

struct Token {
    char letter = 0;  // 0 for literal text
    int count = 0;
    std::string literal;
};

bool isPatternLetter(char c)
{
    switch (c) {
    case 'y':
    case 'M':
    case 'L':
    case 'd':
    case 'H':
    case 'h':
    case 'a':
    case 'm':
    case 's':
    case 'S':
    case 'E':
    case 'Z':
    case 'z':
        return true;
    default:
        return false;
    }
}

std::vector<Token> tokenize(std::string_view pattern)
{
    std::vector<Token> tokens;
    auto addLiteral = [&](std::string_view text) {
        if (text.empty())
            return;
        if (tokens.empty() || tokens.back().letter != 0)
            tokens.push_back({});
        tokens.back().literal += text;
    };
    size_t i = 0;
    while (i < pattern.size()) {
        char c = pattern[i];
        if (c == '\'') {
            if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                addLiteral("'");
                i += 2;
                continue;
            }
            // Quoted text up to the closing quote; a doubled quote inside is one quote.
            ++i;
            std::string text;
            while (i < pattern.size()) {
                if (pattern[i] == '\'') {
                    if (i + 1 < pattern.size() && pattern[i + 1] == '\'') {
                        text += '\'';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                text += pattern[i++];
            }
            addLiteral(text);
            continue;
        }
        if (isPatternLetter(c)) {
            size_t start = i;
            while (i < pattern.size() && pattern[i] == c)
                ++i;
            tokens.push_back({ c == 'L' ? 'M' : c, static_cast<int>(i - start), {} });
            continue;
        }
        addLiteral(pattern.substr(i, 1));
        ++i;
    }
    return tokens;
}

bool isNumeric(const Token& t)
{
    switch (t.letter) {
    case 'y':
    case 'd':
    case 'H':
    case 'h':
    case 'm':
    case 's':
    case 'S':
        return true;
    case 'M':
        return t.count <= 2;
    default:
        return false;
    }
}

void appendNumber(std::string& out, int64_t value, int width)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*lld", width, static_cast<long long>(value));
    out += buffer;
}

std::string offsetText(long offset, bool colon, bool gmtStyle)
{
    char sign = offset < 0 ? '-' : '+';
    long a = offset < 0 ? -offset : offset;
    long h = a / 3600, m = a / 60 % 60;
    char buffer[32];
    if (gmtStyle) {
        if (offset == 0)
            return "GMT";
        if (m == 0 && !colon)
            std::snprintf(buffer, sizeof buffer, "GMT%c%ld", sign, h);
        else if (!colon)
            std::snprintf(buffer, sizeof buffer, "GMT%c%ld:%02ld", sign, h, m);
        else
            std::snprintf(buffer, sizeof buffer, "GMT%c%02ld:%02ld", sign, h, m);
    } else {
        std::snprintf(buffer, sizeof buffer, colon ? "%c%02ld:%02ld" : "%c%02ld%02ld", sign, h, m);
    }
    return buffer;
}

int64_t floorDiv(int64_t a, int64_t b)
{
    int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

class Reader {
public:
    explicit Reader(std::string_view text)
        : m_text(text)
    {
    }

    bool atEnd() const { return m_pos >= m_text.size(); }

    bool literal(std::string_view expected)
    {
        if (m_text.substr(m_pos, expected.size()) != expected)
            return false;
        m_pos += expected.size();
        return true;
    }

    // The most digits a value keeps: more would overflow it.
    static constexpr int kKeptDigits = 18;

    // Between min and max digits; returns the count read (0 on failure).
    // A pattern may ask for any width: digits past the first kKeptDigits are
    // read but not added to the value, and `kept` says how many were.
    int digits(int min, int max, int64_t& value, int* kept = nullptr)
    {
        int n = 0;
        value = 0;
        while (n < max && m_pos < m_text.size() && m_text[m_pos] >= '0' && m_text[m_pos] <= '9') {
            if (n < kKeptDigits)
                value = value * 10 + (m_text[m_pos] - '0');
            ++m_pos;
            ++n;
        }
        if (kept)
            *kept = std::min(n, kKeptDigits);
        return n >= min ? n : 0;
    }

    // Index of the longest full or three-letter name that matches, or -1.
    int name(const char* const* names, int count)
    {
        for (bool full : { true, false }) {
            for (int i = 0; i < count; ++i) {
                std::string_view n = full ? std::string_view(names[i]) : std::string_view(names[i]).substr(0, 3);
                if (NSString::equalsIgnoringASCIICase(m_text.substr(m_pos, n.size()), n)) {
                    m_pos += n.size();
                    return i;
                }
            }
        }
        return -1;
    }

    // A zone: "GMT", "UTC", "UT" or "Z" with an optional offset, a bare
    // offset ("+0800", "-05:00"), or a North American abbreviation.
    bool zone(long& offset)
    {
        static const struct {
            const char* name;
            long offset;
        } kAbbreviations[] = {
            { "EST", -5 * 3600 },
            { "EDT", -4 * 3600 },
            { "CST", -6 * 3600 },
            { "CDT", -5 * 3600 },
            { "MST", -7 * 3600 },
            { "MDT", -6 * 3600 },
            { "PST", -8 * 3600 },
            { "PDT", -7 * 3600 },
        };
        for (const auto& a : kAbbreviations) {
            if (literal(a.name)) {
                offset = a.offset;
                return true;
            }
        }
        bool named = literal("GMT") || literal("UTC") || literal("UT") || literal("Z");
        offset = 0;
        if (m_pos >= m_text.size() || (m_text[m_pos] != '+' && m_text[m_pos] != '-'))
            return named;
        int sign = m_text[m_pos] == '-' ? -1 : 1;
        ++m_pos;
        int64_t h = 0, m = 0;
        size_t start = m_pos;
        int n = digits(1, 4, h);
        if (!n)
            return false;
        if (n == 4 || (n == 3 && named)) {
            m = h % 100;
            h /= 100;
        } else if (n > 2) {
            return false;
        } else if (literal(":")) {
            if (digits(2, 2, m) != 2)
                return false;
        } else if (!named && m_pos - start != 2) {
            return false;
        }
        if (h > 23 || m > 59)
            return false;
        offset = sign * static_cast<long>(h * 3600 + m * 60);
        return true;
    }

private:
    std::string_view m_text;
    size_t m_pos = 0;
};

}  // namespace

std::shared_ptr<const NSTimeZone> NSDateFormatter::timeZone() const
{
    return m_zone ? m_zone : NSTimeZone::localTimeZone();
}

std::string NSDateFormatter::stringFromDate(Date date) const
{
    auto zone = timeZone();
    long offset = zone->secondsFromGMTForDate(date);
    double local = date.secondsSince1970 + static_cast<double>(offset);
    if (!(local >= earliestLocalSecond && local < latestLocalSecond))
        return {};
    // Whole microseconds first, so that a stored 0.123 does not print as 0.122.
    int64_t micros = std::llround(local * 1e6);
    int64_t seconds = floorDiv(micros, 1000000);
    int64_t fraction = micros - seconds * 1000000;
    int64_t days = floorDiv(seconds, 86400);
    int64_t secondOfDay = seconds - days * 86400;
    auto ymd = CivilTime::civilFromDays(days);
    int hour = static_cast<int>(secondOfDay / 3600);
    int minute = static_cast<int>(secondOfDay / 60 % 60);
    int second = static_cast<int>(secondOfDay % 60);

    std::string out;
    for (const auto& t : tokenize(m_pattern)) {
        switch (t.letter) {
        case 0:
            out += t.literal;
            break;
        case 'y':
            if (t.count == 2)
                appendNumber(out, ((ymd.year % 100) + 100) % 100, 2);
            else
                appendNumber(out, ymd.year, t.count);
            break;
        case 'M':
            if (t.count >= 4)
                out += kMonthNames[ymd.month - 1];
            else if (t.count == 3)
                out += std::string_view(kMonthNames[ymd.month - 1]).substr(0, 3);
            else
                appendNumber(out, ymd.month, t.count);
            break;
        case 'd':
            appendNumber(out, ymd.day, t.count);
            break;
        case 'H':
            appendNumber(out, hour, t.count);
            break;
        case 'h':
            appendNumber(out, hour % 12 == 0 ? 12 : hour % 12, t.count);
            break;
        case 'a':
            out += hour < 12 ? "AM" : "PM";
            break;
        case 'm':
            appendNumber(out, minute, t.count);
            break;
        case 's':
            appendNumber(out, second, t.count);
            break;
        case 'S': {
            // Fractions are cut, not rounded, so a time never shows as the next unit.
            std::string digits;
            appendNumber(digits, fraction, 6);
            if (t.count <= 6)
                out += digits.substr(0, static_cast<size_t>(t.count));
            else
                out += digits + std::string(static_cast<size_t>(t.count - 6), '0');
            break;
        }
        case 'E': {
            std::string_view name = kDayNames[CivilTime::weekdayFromDays(days)];
            out += t.count >= 4 ? name : name.substr(0, 3);
            break;
        }
        case 'Z':
            out += t.count == 4 ? offsetText(offset, true, true) : offsetText(offset, t.count == 5, false);
            break;
        case 'z':
            out += offsetText(offset, t.count >= 4, true);
            break;
        }
    }
    return out;
}

std::optional<Date> NSDateFormatter::dateFromString(std::string_view text) const
{
    auto tokens = tokenize(m_pattern);
    Reader reader(text);
    int64_t year = 1970;
    bool twoDigitYear = false;
    int64_t month = 1, day = 1, hour = 0, minute = 0, second = 0;
    double fraction = 0;
    bool hasHour12 = false;
    std::optional<bool> pm;
    std::optional<long> zoneOffset;

    for (size_t i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.letter == 0) {
            if (!reader.literal(t.literal))
                return std::nullopt;
            continue;
        }
        if (isNumeric(t)) {
            // Abutting numeric fields read their exact widths.
            bool abutting = i + 1 < tokens.size() && isNumeric(tokens[i + 1]);
            int min = abutting ? t.count : 1;
            int max = abutting ? t.count : (t.letter == 'y' || t.letter == 'S' ? 9 : std::max(t.count, 2));
            int64_t value;
            int kept = 0;
            int n = reader.digits(min, max, value, &kept);
            if (!n)
                return std::nullopt;
            // Past its kept digits a fraction only loses precision; any other
            // field that long is out of range.
            if (kept < n && t.letter != 'S')
                return std::nullopt;
            switch (t.letter) {
            case 'y':
                year = value;
                twoDigitYear = t.count == 2 && n == 2;
                break;
            case 'M':
                month = value;
                break;
            case 'd':
                day = value;
                break;
            case 'H':
                hour = value;
                break;
            case 'h':
                if (value < 1 || value > 12)
                    return std::nullopt;
                hour = value % 12;
                hasHour12 = true;
                break;
            case 'm':
                minute = value;
                break;
            case 's':
                second = value;
                break;
            case 'S':
                fraction = static_cast<double>(value) / std::pow(10.0, kept);
                break;
            }
            continue;
        }
        switch (t.letter) {
        case 'M': {
            int index = reader.name(kMonthNames, 12);
            if (index < 0)
                return std::nullopt;
            month = index + 1;
            break;
        }
        case 'E':
            if (reader.name(kDayNames, 7) < 0)
                return std::nullopt;
            break;
        case 'a':
            if (reader.literal("AM") || reader.literal("am"))
                pm = false;
            else if (reader.literal("PM") || reader.literal("pm"))
                pm = true;
            else
                return std::nullopt;
            break;
        case 'Z':
        case 'z': {
            long offset;
            if (!reader.zone(offset))
                return std::nullopt;
            zoneOffset = offset;
            break;
        }
        }
    }
    if (!reader.atEnd())
        return std::nullopt;

    auto zone = timeZone();
    // A fixed window, whatever the clock says: stored texts read the same in every year.
    if (twoDigitYear)
        year += year < 50 ? 2000 : 1900;
    if (year < firstYear || year > lastYear)
        return std::nullopt;
    if (pm && hasHour12 && *pm)
        hour += 12;
    if (month < 1 || month > 12 || day < 1 || day > CivilTime::daysInMonth(year, static_cast<int>(month)) || hour > 23
        || minute > 59 || second > 59)
        return std::nullopt;

    int64_t local = CivilTime::daysFromCivil(year, static_cast<int>(month), static_cast<int>(day)) * 86400 + hour * 3600
        + minute * 60 + second;
    long offset = zoneOffset ? *zoneOffset : zone->secondsFromGMTForLocalTime(local);
    return Date { static_cast<double>(local - offset) + fraction };
}
