// A pattern, its options and a text: compiling and matching must neither crash
// nor run away, and every match must lie inside the searched range.
#include "Platform/Foundation/NSRegularExpression.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    unsigned long options = (data[0] & 1 ? NSRegularExpressionCaseInsensitive : 0)
        | (data[0] & 2 ? NSRegularExpressionAnchorsMatchLines : 0);
    unsigned long matching = data[0] & 4 ? NSMatchingAnchored : 0;
    std::string_view input(reinterpret_cast<const char*>(data + 1), size - 1);
    size_t split = input.find('\n');
    if (split == std::string_view::npos)
        split = input.size();
    // The pattern is handed over without a terminator after it.
    std::string_view pattern = input.substr(0, split);
    std::string_view text = split < input.size() ? input.substr(split + 1) : std::string_view();
    auto re = NSRegularExpression::regularExpressionWithPatternOptionsError(pattern, options, nullptr);
    if (!re)
        return 0;
    NSRange range = NSMakeRange(text.size() / 4, text.size());
    for (NSRange match : re->matchesInStringOptionsRange(text, matching, range))
        if (match.location < range.location || match.location + match.length > text.size())
            __builtin_trap();
    return 0;
}
