// Whatever the decoder accepts must write back and parse to the same value,
// which writes as the same text again. Read with one array member handed over
// element by element, the text gives the same tree put back together, and
// fails wherever the whole reading fails.
#include "Network/Protocol/QDJsonParser.h"
#include "Network/Protocol/QDJsonWriter.h"

#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

namespace {

// The first two arrays of the member are handed over element by element, the
// rest whole; the parts are put back into an array.
class Reassembler : public QDJsonParser::ArrayReader {
public:
    bool readsElementwise(size_t index) override
    {
        open(index);
        parts[index] = Value::array();
        return index < 2;
    }
    bool element(size_t index, const Value& value) override
    {
        parts[index].append(value);
        return true;
    }
    bool whole(size_t index, const Value& value) override
    {
        open(index);
        parts[index] = value;
        return true;
    }
    void ended(size_t) override { ended_ = true; }

    std::vector<Value> parts;
    bool ended_ = false;

private:
    void open(size_t index)
    {
        if (parts.size() <= index)
            parts.resize(index + 1);
    }
};

void checkReadingAnArray(std::string_view text, const std::optional<Value>& whole)
{
    QDJsonParser parser;
    Reassembler reader;
    auto object = parser.objectReadingArray(text, "content", reader);
    if (!object) {
        if (parser.errorTrace().empty())
            __builtin_trap();
        return;
    }
    if (!whole || !whole->isDictionary()) {
        std::fprintf(stderr, "read element by element, refused whole\n");
        __builtin_trap();
    }
    if (reader.ended_)
        object->set("content", Value(ValueArray(reader.parts)));
    if (!(*object == *whole)) {
        std::fprintf(stderr, "element by element read another tree\n");
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    QDJsonParser parser;
    auto value = parser.fragmentWithString(input);
    checkReadingAnArray(input, value);
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
