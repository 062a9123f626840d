// Any Set-Cookie text gives cookies that belong to the host that set them.
#include "Platform/CFNetwork/CFHTTPMessage.h"
#include "Platform/CFNetwork/NSHTTPCookie.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const CFURL url = *CFURL::URLWithString("http://shop.example.com/a/b");
    std::string text(reinterpret_cast<const char*>(data), size);
    HTTPHeaderFields headers;
    headers.set("Set-Cookie", text);
    for (const auto& cookie : NSHTTPCookie::cookiesWithResponseHeaderFieldsForURL(headers, url)) {
        std::string domain = cookie.domain;
        if (!domain.empty() && domain.front() == '.')
            domain.erase(0, 1);
        // A cookie may name the host or a parent domain of it, on a dot boundary.
        bool own = domain == "shop.example.com"
            || (domain.size() < 16 && std::string(".shop.example.com").ends_with("." + domain));
        if (!own)
            __builtin_trap();
    }
    NSHTTPCookie::parseHTTPDate(text);
    return 0;
}
