#pragma once

// Number, price, date and digest texts as the stored records, the uploads and
// the screens all write them. Plain functions without the interface kit, so
// the data layer and the protocol use them too; PublicFunction's members of
// the same names forward here.

#include <optional>
#include <string>
#include <string_view>

namespace Formats {

// "CNY" gives "¥", "USD" gives "$", anything else (and nothing) "".
std::string flagWithCurrency(const std::optional<std::string>& currency);
// "0" for 0 or less, else the digits grouped by ",".
std::string intFormate(long value);
// "0.00" for 0 or less (or not a number), else two decimals grouped by ",".
std::string doubleFormate(double value);
std::string priceWithCommaSeparatorAndCurrencyFlag(double value, std::string_view flag);
// Both return the rate unchanged; every discount rate passes through them.
inline double absoluteDiscountRatFromShown(double rate) { return rate; }
inline double shownDiscountRatFromAbsolute(double rate) { return rate; }

// Now as "MM/dd/yyyy HH:mm:ss" (device time zone).
std::string currentTime();
double currentTimeInterval();
// The interface language code: 2 is Chinese.
long currentLanguage();
// "yy/MM/dd" in Chinese, "MM/dd/yy" otherwise.
std::string getFormateString();
// "yyyy-MM-dd HH:mm:ss" rewritten with getFormateString; "" for nothing.
std::string formatDate(const std::optional<std::string>& text);
// "MM/dd/yyyy HH:mm:ss" rewritten as "yyyy-MM-dd HH:mm:ss"; "" for nothing.
std::string changeToServerFormatFromLocal(const std::optional<std::string>& text);

// MD5 of the UTF-8 bytes as 32 upper-case hexadecimal digits.
std::string encryptMD5(std::string_view text);

}  // namespace Formats
