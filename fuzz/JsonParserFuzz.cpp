// Whatever the decoder accepts must write back and parse to the same value,
// which writes as the same text again.
#include "Network/Protocol/QDJsonParser.h"
#include "Network/Protocol/QDJsonWriter.h"

#include <cstdint>
#include <cstdio>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QDJsonParser parser;
    auto value = parser.fragmentWithString(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!value) {
        if (parser.errorTrace().empty())
            __builtin_trap();  // a failure must say why
        return 0;
    }
    QDJsonWriter writer;
    auto text = writer.stringWithFragment(*value);
    if (!text) {
        std::fprintf(stderr, "parsed but not writable\n");
        __builtin_trap();
    }
    auto again = parser.fragmentWithString(*text);
    if (!again || !(*again == *value)) {
        std::fprintf(stderr, "round trip changed the value: %s\n", text->c_str());
        __builtin_trap();
    }
    // Numbers and texts are written back as they were read, so a second
    // round writes the very same text.
    auto second = writer.stringWithFragment(*again);
    if (!second || *second != *text) {
        std::fprintf(stderr, "second round wrote other text: %s\n", text->c_str());
        __builtin_trap();
    }
    return 0;
}
