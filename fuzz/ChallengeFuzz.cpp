// Any challenge text is read to its end, and a challenge made from it signs
// a request without trouble.
#include "Platform/CFNetwork/CFHTTPAuthentication.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string text(reinterpret_cast<const char*>(data), size);
    for (const auto& [scheme, parameters] : CFHTTPAuthentication::parseChallenges(text))
        if (scheme.empty())
            __builtin_trap();  // every challenge has a name
    std::string head = "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: ";
    for (char c : text)
        if (c != '\r' && c != '\n')
            head += c;
    head += "\r\n\r\n";
    auto response = CFHTTPMessage::createEmptyResponse();
    if (response->appendBytes(reinterpret_cast<const uint8_t*>(head.data()), head.size()) < 0)
        return 0;
    if (auto challenge = CFHTTPAuthentication::createFromResponse(*response)) {
        auto request = CFHTTPMessage::createRequest("GET", *CFURL::URLWithString("http://host/path"));
        challenge->applyCredentials(*request, "user", "pass");
        challenge->updateFromResponse(*response);
    }
    return 0;
}
