// A response head and a chunked body, fed in the pieces the input chooses:
// the result must not depend on where the reads were split.
#include "Platform/CFNetwork/CFHTTPMessage.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace {

struct Result {
    bool headFailed = false;
    int status = 0;
    size_t fields = 0;
    HTTPChunkedDecoder::Status body = HTTPChunkedDecoder::Status::NeedMore;
    std::vector<uint8_t> decoded;
    bool operator==(const Result&) const = default;
};

Result feed(const uint8_t* data, size_t size, size_t step)
{
    Result r;
    auto message = CFHTTPMessage::createEmptyResponse();
    HTTPChunkedDecoder decoder;
    size_t at = 0;
    while (at < size && !message->isHeaderComplete()) {
        size_t n = std::min(step, size - at);
        long used = message->appendBytes(data + at, n);
        if (used < 0 || static_cast<size_t>(used) > n) {
            r.headFailed = true;
            return r;
        }
        at += static_cast<size_t>(used);
    }
    r.status = message->responseStatusCode();
    r.fields = message->allHeaderFields().size();
    while (at < size && r.body == HTTPChunkedDecoder::Status::NeedMore) {
        size_t n = std::min(step, size - at), used = 0;
        r.body = decoder.decode(data + at, n, r.decoded, used);
        if (used > n)
            __builtin_trap();
        at += used;
    }
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    size_t step = 1 + data[0] % 17;
    Result whole = feed(data + 1, size - 1, size);
    Result pieces = feed(data + 1, size - 1, step);
    if (!(whole == pieces))
        __builtin_trap();
    return 0;
}
