#include "Database/DateText.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace DateText {

namespace {

bool startsWith(std::string_view text, size_t at, std::string_view field)
{
    return text.substr(at, field.size()) == field;
}

constexpr std::string_view kFields[] = { "yyyy", "SSS", "yy", "MM", "dd", "HH", "mm", "ss" };

}  // namespace

std::string format(Date date, std::string_view pattern)
{
    const double seconds = std::floor(date.secondsSince1970);
    const int millis = static_cast<int>(std::lround((date.secondsSince1970 - seconds) * 1000.0)) % 1000;
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm tm {};
    localtime_r(&t, &tm);
    std::string out;
    char buffer[16];
    for (size_t i = 0; i < pattern.size();) {
        std::string_view field;
        for (auto f : kFields) {
            if (startsWith(pattern, i, f)) {
                field = f;
                break;
            }
        }
        if (field.empty()) {
            out += pattern[i++];
            continue;
        }
        if (field == "yyyy")
            std::snprintf(buffer, sizeof buffer, "%04d", tm.tm_year + 1900);
        else if (field == "yy")
            std::snprintf(buffer, sizeof buffer, "%02d", (tm.tm_year + 1900) % 100);
        else if (field == "MM")
            std::snprintf(buffer, sizeof buffer, "%02d", tm.tm_mon + 1);
        else if (field == "dd")
            std::snprintf(buffer, sizeof buffer, "%02d", tm.tm_mday);
        else if (field == "HH")
            std::snprintf(buffer, sizeof buffer, "%02d", tm.tm_hour);
        else if (field == "mm")
            std::snprintf(buffer, sizeof buffer, "%02d", tm.tm_min);
        else if (field == "ss")
            std::snprintf(buffer, sizeof buffer, "%02d", tm.tm_sec);
        else
            std::snprintf(buffer, sizeof buffer, "%03d", millis);
        out += buffer;
        i += field.size();
    }
    return out;
}

std::optional<Date> parse(std::string_view text, std::string_view pattern)
{
    std::tm tm {};
    tm.tm_mday = 1;
    tm.tm_year = 70;
    tm.tm_isdst = -1;
    int millis = 0;
    size_t at = 0;
    auto number = [&](size_t width, int& out) {
        if (at + width > text.size())
            return false;
        int value = 0;
        for (size_t k = 0; k < width; ++k) {
            char c = text[at + k];
            if (c < '0' || c > '9')
                return false;
            value = value * 10 + (c - '0');
        }
        at += width;
        out = value;
        return true;
    };
    for (size_t i = 0; i < pattern.size();) {
        std::string_view field;
        for (auto f : kFields) {
            if (startsWith(pattern, i, f)) {
                field = f;
                break;
            }
        }
        if (field.empty()) {
            if (at >= text.size() || text[at] != pattern[i])
                return std::nullopt;
            ++at;
            ++i;
            continue;
        }
        int value = 0;
        if (!number(field == "yyyy" ? 4 : field == "SSS" ? 3 : 2, value))
            return std::nullopt;
        if (field == "yyyy")
            tm.tm_year = value - 1900;
        else if (field == "yy")
            tm.tm_year = (value < 70 ? 2000 + value : 1900 + value) - 1900;
        else if (field == "MM") {
            if (value < 1 || value > 12)
                return std::nullopt;
            tm.tm_mon = value - 1;
        } else if (field == "dd") {
            if (value < 1 || value > 31)
                return std::nullopt;
            tm.tm_mday = value;
        } else if (field == "HH") {
            if (value > 23)
                return std::nullopt;
            tm.tm_hour = value;
        } else if (field == "mm") {
            if (value > 59)
                return std::nullopt;
            tm.tm_min = value;
        } else if (field == "ss") {
            if (value > 60)
                return std::nullopt;
            tm.tm_sec = value;
        } else
            millis = value;
        i += field.size();
    }
    if (at != text.size())
        return std::nullopt;
    std::time_t t = std::mktime(&tm);
    return Date { static_cast<double>(t) + millis / 1000.0 };
}

}  // namespace DateText
