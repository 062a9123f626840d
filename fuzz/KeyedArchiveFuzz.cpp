// Archives that unarchive must archive again and unarchive to the same value.
#include "Platform/Foundation/NSKeyedArchiver.h"

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Value value = NSKeyedUnarchiver::unarchiveObjectWithData(std::span(data, size));
    if (value.isNull())
        return 0;
    auto archived = NSKeyedArchiver::archivedDataWithRootObject(value);
    if (!archived)
        return 0;
    if (NSKeyedUnarchiver::unarchiveObjectWithData(*archived).isNull()) {
        std::fprintf(stderr, "archived but not unarchivable\n");
        __builtin_trap();
    }
    return 0;
}
