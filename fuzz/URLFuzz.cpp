// A URL that parses writes itself out as text that parses to the same URL,
// and resolving any reference against it gives a URL or nothing.
#include "Platform/CFNetwork/CFURL.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    size_t split = text.find('\n');
    std::string_view first = text.substr(0, split);
    auto url = CFURL::URLWithString(first);
    if (url) {
        auto again = CFURL::URLWithString(url->absoluteString());
        if (!again || !(*again == *url))
            __builtin_trap();
        (void)url->requestTarget();
        (void)url->hostHeader();
        (void)url->decodedPath();
    }
    static const CFURL base = *CFURL::URLWithString("http://a.example/b/c/d;p?q");
    std::string_view reference = split == std::string_view::npos ? first : text.substr(split + 1);
    if (auto resolved = CFURL::URLWithStringRelativeToURL(reference, url ? *url : base))
        (void)resolved->requestTarget();
    return 0;
}
