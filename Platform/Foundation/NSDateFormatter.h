#pragma once

// Dates to text and back with fixed patterns ("MM/dd/yyyy HH:mm:ss",
// "yyMMddHHmmss", "HH:mm MM/dd/yy", "yyyy-MM-dd HH:mm:ss.SSS", "EEE, dd MMM
// yyyy HH:mm:ss z" ...), in the device's time zone unless given another.
//
// Pattern letters: y (yy is two digits), M (MMM and MMMM are English month
// names), d, H, h, a, m, s, S (fraction digits), E (day names), Z and z (zone
// offsets). Text in single quotes and every other character is literal.
// Names are always English: the system only formats fixed numeric patterns and
// reads HTTP dates, which are English by definition.
//
// Reading is strict: the whole text must match the pattern and every field
// must be in range (no 13th month, no 30 February), else there is no date.
// Adjacent numeric fields ("yyMMdd") read exactly as many digits as their
// letters; a two-digit year falls within 1950-2049.
// Fields the pattern lacks default to 1970-01-01 00:00:00. Years run from 1 to
// 9999: a text with a year outside reads as no date, and a date outside
// writes as an empty text.

#include "Platform/Foundation/NSDateTimeZone.h"
#include "Platform/Foundation/Value.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

class NSDateFormatter {
public:
    NSDateFormatter() = default;
    explicit NSDateFormatter(std::string pattern)
        : m_pattern(std::move(pattern))
    {
    }

    void setDateFormat(std::string pattern) { m_pattern = std::move(pattern); }
    const std::string& dateFormat() const { return m_pattern; }

    // nullptr (the default) follows the device's zone at each use.
    void setTimeZone(std::shared_ptr<const NSTimeZone> zone) { m_zone = std::move(zone); }
    std::shared_ptr<const NSTimeZone> timeZone() const;

    std::string stringFromDate(Date date) const;
    std::optional<Date> dateFromString(std::string_view text) const;

private:
    std::string m_pattern;
    std::shared_ptr<const NSTimeZone> m_zone;
};
