// Whatever a name from outside is, a name the path checks accept never leaves
// its root: a safe component is one plain child, and a safe relative path is
// made of safe components only.
#include "Platform/Foundation/NSPathUtilities.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace {

bool plainChild(std::string_view part)
{
    return !part.empty() && part != "." && part != ".."
        && part.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view name(reinterpret_cast<const char*>(data), size);
    if (NSPathIsSafeComponent(name) && !plainChild(name)) {
        std::fprintf(stderr, "a component that is no plain child was accepted\n");
        __builtin_trap();
    }
    auto relative = NSPathSafeRelativePath(name);
    if (!relative)
        return 0;
    if (relative->empty() || relative->front() == '/' || relative->back() == '/') {
        std::fprintf(stderr, "a relative path names its root or is absolute: %s\n", relative->c_str());
        __builtin_trap();
    }
    size_t start = 0;
    while (start <= relative->size()) {
        size_t end = relative->find('/', start);
        if (end == std::string::npos)
            end = relative->size();
        if (!NSPathIsSafeComponent(std::string_view(*relative).substr(start, end - start))) {
            std::fprintf(stderr, "a relative path holds an unsafe part: %s\n", relative->c_str());
            __builtin_trap();
        }
        start = end + 1;
    }
    // Normalising is stable: the result is its own normal form.
    if (NSPathSafeRelativePath(*relative) != relative) {
        std::fprintf(stderr, "normalising twice changed the path: %s\n", relative->c_str());
        __builtin_trap();
    }
    auto under = NSPathUnderRoot("/root", name);
    if (!under || *under != "/root/" + *relative)
        __builtin_trap();
    return 0;
}
