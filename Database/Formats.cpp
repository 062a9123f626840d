#include "Database/Formats.h"

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Hashing.h"
#include "Platform/Foundation/NSDateFormatter.h"
#include "Platform/Foundation/NSUserDefaults.h"

#include <cmath>

namespace Formats {

namespace {

    std::string groupedDigits(std::string digits)
    {
        std::string out;
        const size_t n = digits.size();
        for (size_t i = 0; i < n; ++i) {
            out += digits[i];
            const size_t remaining = n - i - 1;
            if (remaining > 0 && remaining % 3 == 0)
                out += ',';
        }
        return out;
    }

}  // namespace

std::string flagWithCurrency(const std::optional<std::string>& currency)
{
    if (currency == "CNY")
        return "¥";
    if (currency == "USD")
        return "$";
    return "";
}

std::string intFormate(long value)
{
    if (value <= 0)
        return "0";
    return groupedDigits(std::to_string(value));
}

std::string doubleFormate(double value)
{
    if (!(value > 0))
        return "0.00";
    const std::string fixed = stringWithFormat("%.2f", value);
    const size_t dot = fixed.find('.');
    return groupedDigits(fixed.substr(0, dot)) + fixed.substr(dot);
}

std::string priceWithCommaSeparatorAndCurrencyFlag(double value, std::string_view flag)
{
    const float amount = static_cast<float>(value);
    const std::string fixed = stringWithFormat("%.2f", std::fabs(static_cast<double>(amount)));
    const size_t dot = fixed.find('.');
    std::string styled = (amount < 0 ? "-$" : "$") + groupedDigits(fixed.substr(0, dot)) + fixed.substr(dot);
    return std::string(flag) + styled.substr(1);
}

std::string currentTime() { return NSDateFormatter("MM/dd/yyyy HH:mm:ss").stringFromDate(Clock::wallNow()); }

double currentTimeInterval() { return Clock::wallNow().secondsSince1970; }

long currentLanguage()
{
    // The language service keeps the current language in this default.
    return NSUserDefaults::standardUserDefaults()->integerForKey("language");
}

std::string getFormateString() { return currentLanguage() == 2 ? "yy/MM/dd" : "MM/dd/yy"; }

std::string formatDate(const std::optional<std::string>& text)
{
    if (!text)
        return "";
    auto date = NSDateFormatter("yyyy-MM-dd HH:mm:ss").dateFromString(*text);
    return date ? NSDateFormatter(getFormateString()).stringFromDate(*date) : std::string();
}

std::string changeToServerFormatFromLocal(const std::optional<std::string>& text)
{
    if (!text)
        return "";
    auto date = NSDateFormatter("MM/dd/yyyy HH:mm:ss").dateFromString(*text);
    return date ? NSDateFormatter("yyyy-MM-dd HH:mm:ss").stringFromDate(*date) : std::string();
}

std::string encryptMD5(std::string_view text) { return Hashing::md5HexUpper(text); }

}  // namespace Formats
