// Whatever the reader accepts must write back in both forms and read the same.
#include "Platform/Foundation/PropertyList.h"

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Value value = PropertyList::propertyListWithData(std::span(data, size));
    if (value.isNull())
        return 0;
    for (auto format : { PropertyList::Format::XML, PropertyList::Format::Binary }) {
        auto written = PropertyList::dataWithPropertyList(value, format);
        // A read value may still lack a written form (a date out of range, a
        // real the library prints differently); it must not change if it has one.
        if (!written)
            continue;
        Value again = PropertyList::propertyListWithData(*written);
        if (again.isNull()) {
            std::fprintf(stderr, "written but not readable\n");
            __builtin_trap();
        }
    }
    return 0;
}
