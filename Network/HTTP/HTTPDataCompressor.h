#pragma once

// gzip for request bodies and inflation of gzip (or zlib) response bodies,
// in memory, chunk by chunk, or from one file to another. Each object keeps
// one zlib stream, so a body can be handled in pieces as it arrives.

#include "Network/HTTP/HTTPError.h"
#include "Platform/Foundation/Value.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <optional>
#include <string>

struct z_stream_s;

class HTTPDataCompressor {
public:
    static std::unique_ptr<HTTPDataCompressor> compressor();
    HTTPDataCompressor();
    ~HTTPDataCompressor();

    HTTPErrorRef setupStream();
    HTTPErrorRef closeStream();
    bool streamReady() const { return m_streamReady; }
    // Nothing (and no error) for empty input.
    std::optional<Data> compressBytesLengthErrorShouldFinish(
        const uint8_t* bytes, size_t length, HTTPErrorRef* error, bool shouldFinish);

    static std::optional<Data> compressDataError(const Data& data, HTTPErrorRef* error);
    static bool compressDataFromFileToFileError(
        const std::string& source, const std::string& destination, HTTPErrorRef* error);
    static HTTPErrorRef deflateErrorWithCode(int code);

private:
    // Gives the space to inflate into next, told how much of the last one
    // was filled and how much more may come before the limit is passed;
    // told 0 more at the end, when only the last use counts.
    using Room = std::function<std::span<uint8_t>(std::span<uint8_t> last, size_t filled, unsigned long long left)>;
    bool inflateBytes(const uint8_t* bytes, size_t length, const Room& room, HTTPErrorRef* error);

    std::unique_ptr<z_stream_s> m_zStream;
    bool m_streamReady = false;
};

class HTTPDataDecompressor {
public:
    static std::unique_ptr<HTTPDataDecompressor> decompressor();
    HTTPDataDecompressor();
    ~HTTPDataDecompressor();

    HTTPErrorRef setupStream();
    HTTPErrorRef closeStream();
    bool streamReady() const { return m_streamReady; }
    // Inflates every gzip member of a body in turn; bytes after the last
    // member that start no new one are ignored.
    std::optional<Data> uncompressBytesLengthError(const uint8_t* bytes, size_t length, HTTPErrorRef* error);
    // The same, into `output` (emptied first, its room kept): a caller that
    // inflates piece after piece into one buffer allocates once.
    bool uncompressBytesInto(const uint8_t* bytes, size_t length, Data& output, HTTPErrorRef* error);
    // True once the end of the compressed member has been read: a body that
    // ends before it is incomplete.
    bool reachedEnd() const { return m_reachedEnd; }
    // Output past this many bytes in all fails with the "too large" error, so
    // a small body cannot inflate without bound.
    void setOutputLimit(unsigned long long limit) { m_outputLimit = limit; }

    static std::optional<Data> uncompressDataError(
        const Data& data, HTTPErrorRef* error, unsigned long long outputLimit = UINT64_MAX);
    static bool uncompressDataFromFileToFileError(const std::string& source, const std::string& destination,
        HTTPErrorRef* error, unsigned long long outputLimit = UINT64_MAX);
    static HTTPErrorRef inflateErrorWithCode(int code);

private:
    // Gives the space to inflate into next, told how much of the last one
    // was filled and how much more may come before the limit is passed;
    // told 0 more at the end, when only the last use counts.
    using Room = std::function<std::span<uint8_t>(std::span<uint8_t> last, size_t filled, unsigned long long left)>;
    bool inflateBytes(const uint8_t* bytes, size_t length, const Room& room, HTTPErrorRef* error);

    std::unique_ptr<z_stream_s> m_zStream;
    bool m_streamReady = false;
    bool m_reachedEnd = false;
    bool m_skipTrailing = false;
    unsigned long long m_outputLimit = UINT64_MAX;
    unsigned long long m_produced = 0;
};
