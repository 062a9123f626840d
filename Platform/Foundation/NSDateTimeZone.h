#pragma once

// Time zones for date formatting: the process's own zone (TZ honoured, as the
// C library reads it) or any named zone of the system's zone database, read
// from its compiled files, so that several zones can be used side by side
// without touching the process environment.

#include "Platform/Foundation/Value.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Proleptic Gregorian calendar arithmetic on day numbers (day 0 = 1970-01-01).
namespace CivilTime {

struct YearMonthDay {
    int64_t year;
    int month;  // 1 to 12
    int day;  // 1 to 31
};

int64_t daysFromCivil(int64_t year, int month, int day);
YearMonthDay civilFromDays(int64_t days);
int weekdayFromDays(int64_t days);  // 0 = Sunday
bool isLeapYear(int64_t year);
int daysInMonth(int64_t year, int month);

}  // namespace CivilTime

class NSTimeZone {
public:
    // A zone of the database ("Asia/Shanghai", "UTC"); nullptr when unknown.
    static std::shared_ptr<const NSTimeZone> timeZoneWithName(std::string_view name);
    static std::shared_ptr<const NSTimeZone> timeZoneForSecondsFromGMT(long seconds);
    // The device's zone: TZ when set (a zone name, a file or a POSIX rule), else
    // the system's configured zone; UTC when neither can be read.
    static std::shared_ptr<const NSTimeZone> localTimeZone();

    const std::string& name() const { return m_name; }
    long secondsFromGMTForDate(Date date) const;
    std::string abbreviationForDate(Date date) const;
    bool isDaylightSavingTimeForDate(Date date) const;

    // The offset to use for a wall-clock time (given as seconds since 1970 read
    // as if it were UTC): a time that occurs twice takes its first occurrence,
    // a time skipped by a change takes the offset before the change.
    long secondsFromGMTForLocalTime(int64_t localSeconds) const;

    struct LocalType {
        long offset = 0;
        bool isDst = false;
        std::string abbreviation;
    };
    struct Rule;  // a POSIX TZ rule, for times past the table

    NSTimeZone(std::string name, std::vector<int64_t> transitions, std::vector<uint8_t> transitionTypes,
        std::vector<LocalType> types, std::shared_ptr<const Rule> rule);
    ~NSTimeZone();

private:
    const LocalType& typeAt(int64_t utcSeconds, LocalType& scratch) const;

    std::string m_name;
    std::vector<int64_t> m_transitions;
    std::vector<uint8_t> m_transitionTypes;
    std::vector<LocalType> m_types;
    std::shared_ptr<const Rule> m_rule;
};
