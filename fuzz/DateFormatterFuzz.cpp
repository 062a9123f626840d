// A pattern and a text: a date read from the text must write back within the
// pattern's years, and read again from what was written.
#include "Platform/Foundation/NSDateFormatter.h"

#include <cmath>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view input(reinterpret_cast<const char*>(data), size);
    size_t split = input.find('\n');
    if (split == std::string_view::npos || split > 64)
        return 0;
    NSDateFormatter formatter { std::string(input.substr(0, split)) };
    formatter.setTimeZone(NSTimeZone::timeZoneWithName("UTC"));
    auto date = formatter.dateFromString(input.substr(split + 1));
    if (!date)
        return 0;
    if (!std::isfinite(date->secondsSince1970))
        __builtin_trap();
    formatter.stringFromDate(*date);
    return 0;
}
