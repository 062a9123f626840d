#pragma once

// Dates written and read with the fixed patterns the data layer uses
// ("MM/dd/yyyy HH:mm:ss", "yyyy-MM-dd HH:mm:ss", "yyMMddHHmmss", "yy/MM/dd",
// "MM/dd/yy", "HH:mm ", "yyyyMMdd_HHmmss", "yyyy-MM-dd HH:mm:ss.SSS"), in the
// device's time zone. Fields: yyyy, yy, MM, dd, HH, mm, ss, SSS; any other
// character stands for itself.

#include "Platform/Foundation/Value.h"

#include <optional>
#include <string>
#include <string_view>

namespace DateText {

std::string format(Date date, std::string_view pattern);
// Nothing when the text does not match the pattern whole.
std::optional<Date> parse(std::string_view text, std::string_view pattern);

}  // namespace DateText
