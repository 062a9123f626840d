#include "Network/HTTP/HTTPDataCompressor.h"

#include "Platform/Foundation/NSFileManager.h"

#include "Platform/CFNetwork/NSStream.h"
#include "Platform/Foundation/Format.h"

#include <climits>
#include <sys/stat.h>
#include <zlib.h>

namespace {

constexpr size_t fileChunk = 262144;

HTTPErrorRef fileError(const std::string& text, const NSStreamError* streamError = nullptr)
{
    HTTPErrorRef underlying;
    if (streamError)
        underlying = HTTPError::other("NSPOSIXErrorDomain", streamError->code, streamError->description);
    return HTTPError::make(HTTPCompressionError, text, underlying);
}

bool fileExists(const std::string& path)
{
    struct stat st { };
    return ::stat(path.c_str(), &st) == 0;
}

// The file-to-file loop shared by both directions: `step` turns one chunk
// (and whether it is the last) into output.
template <typename Step>
bool transformFile(const char* verb, const std::string& source, const std::string& destination, HTTPErrorRef* error,
    bool& ready, Step step)
{
    auto report = [&](HTTPErrorRef e) {
        if (error)
            *error = std::move(e);
        return false;
    };
    auto created = NSOutputStream::outputStreamToFileAtPath(destination, false);
    created->open();
    if (created->streamStatus() == NSStreamStatus::Error)
        return report(fileError(
            stringWithFormat("%s of %@ failed because we were to create a file at %@", verb, source, destination)));
    created->close();
    if (!fileExists(source))
        return report(fileError(stringWithFormat("%s of %@ failed the file does not exist", verb, source)));
    auto input = NSInputStream::inputStreamWithFileAtPath(source);
    auto output = NSOutputStream::outputStreamToFileAtPath(destination, false);
    input->open();
    output->open();
    std::vector<uint8_t> buffer(fileChunk);
    bool finished = false;
    while (ready && !finished) {
        long n = input->read(buffer.data(), buffer.size());
        if (n < 0) {
            auto e = input->streamError();
            return report(fileError(stringWithFormat("%s of %@ failed because we were unable to read from the source "
                                                     "data file",
                                        verb, source),
                &e));
        }
        // A short read (including none) is the last: finishing then always
        // closes the member, also for inputs that are an exact multiple of a chunk.
        bool last = static_cast<size_t>(n) < fileChunk;
        HTTPErrorRef stepError;
        auto out = step(buffer.data(), static_cast<size_t>(n), last, &stepError);
        if (stepError)
            return report(stepError);
        if (out && !out->empty() && output->write(out->data(), out->size()) < 0) {
            auto e = output->streamError();
            return report(fileError(stringWithFormat("%s of %@ failed because we were unable to write to the "
                                                     "destination data file at %@",
                                        verb, source, destination),
                &e));
        }
        finished = last;
    }
    input->close();
    output->close();
    return true;
}

}  // namespace

std::unique_ptr<HTTPDataCompressor> HTTPDataCompressor::compressor()
{
    auto c = std::make_unique<HTTPDataCompressor>();
    c->setupStream();
    return c;
}

HTTPDataCompressor::HTTPDataCompressor()
    : m_zStream(std::make_unique<z_stream>())
{
}

HTTPDataCompressor::~HTTPDataCompressor() { closeStream(); }

HTTPErrorRef HTTPDataCompressor::setupStream()
{
    if (m_streamReady)
        return nullptr;
    *m_zStream = z_stream {};
    int status = deflateInit2(m_zStream.get(), Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    if (status != Z_OK)
        return deflateErrorWithCode(status);
    m_streamReady = true;
    return nullptr;
}

HTTPErrorRef HTTPDataCompressor::closeStream()
{
    if (!m_streamReady)
        return nullptr;
    m_streamReady = false;
    int status = deflateEnd(m_zStream.get());
    if (status != Z_OK && status != Z_DATA_ERROR)  // ending before the finish is not a failure
        return deflateErrorWithCode(status);
    return nullptr;
}

std::optional<Data> HTTPDataCompressor::compressBytesLengthErrorShouldFinish(
    const uint8_t* bytes, size_t length, HTTPErrorRef* error, bool shouldFinish)
{
    if (length == 0 && !shouldFinish)
        return std::nullopt;
    if (length == 0 && m_zStream->total_in == 0)
        return std::nullopt;
    size_t half = std::max<size_t>(length / 2, 64);
    Data output(half);
    m_zStream->next_in = const_cast<Bytef*>(bytes);
    m_zStream->avail_in = static_cast<uInt>(length);
    m_zStream->avail_out = 0;
    size_t produced = 0;
    int status = Z_OK;
    while (m_zStream->avail_out == 0) {
        if (produced >= output.size())
            output.resize(output.size() + half);
        m_zStream->next_out = output.data() + produced;
        m_zStream->avail_out = static_cast<uInt>(output.size() - produced);
        uLong before = m_zStream->total_out;
        status = deflate(m_zStream.get(), shouldFinish ? Z_FINISH : Z_NO_FLUSH);
        produced += m_zStream->total_out - before;
        if (status == Z_STREAM_END)
            break;
        if (status != Z_OK && status != Z_BUF_ERROR) {
            if (error)
                *error = deflateErrorWithCode(status);
            return std::nullopt;
        }
    }
    output.resize(produced);
    return output;
}

std::optional<Data> HTTPDataCompressor::compressDataError(const Data& data, HTTPErrorRef* error)
{
    if (data.empty())
        return std::nullopt;
    HTTPDataCompressor c;
    if (auto e = c.setupStream()) {
        if (error)
            *error = e;
        return std::nullopt;
    }
    HTTPErrorRef e;
    auto out = c.compressBytesLengthErrorShouldFinish(data.data(), data.size(), &e, true);
    if (e) {
        if (error)
            *error = e;
        return std::nullopt;
    }
    if (auto closeError = c.closeStream()) {
        if (error)
            *error = closeError;
        return std::nullopt;
    }
    return out;
}

bool HTTPDataCompressor::compressDataFromFileToFileError(
    const std::string& source, const std::string& destination, HTTPErrorRef* error)
{
    HTTPDataCompressor c;
    if (auto e = c.setupStream()) {
        if (error)
            *error = e;
        return false;
    }
    bool ok = transformFile("Compression", source, destination, error, c.m_streamReady,
        [&](const uint8_t* b, size_t n, bool last, HTTPErrorRef* e) {
            return c.compressBytesLengthErrorShouldFinish(b, n, e, last);
        });
    auto closeError = c.closeStream();
    if (ok && closeError) {
        if (error)
            *error = closeError;
        return false;
    }
    return ok;
}

HTTPErrorRef HTTPDataCompressor::deflateErrorWithCode(int code)
{
    return HTTPError::make(
        HTTPCompressionError, stringWithFormat("Compression of data failed with code %hi", static_cast<short>(code)));
}

std::unique_ptr<HTTPDataDecompressor> HTTPDataDecompressor::decompressor()
{
    auto d = std::make_unique<HTTPDataDecompressor>();
    d->setupStream();
    return d;
}

HTTPDataDecompressor::HTTPDataDecompressor()
    : m_zStream(std::make_unique<z_stream>())
{
}

HTTPDataDecompressor::~HTTPDataDecompressor() { closeStream(); }

HTTPErrorRef HTTPDataDecompressor::setupStream()
{
    if (m_streamReady)
        return nullptr;
    *m_zStream = z_stream {};
    int status = inflateInit2(m_zStream.get(), 15 + 32);
    if (status != Z_OK)
        return inflateErrorWithCode(status);
    m_streamReady = true;
    m_reachedEnd = false;
    m_skipTrailing = false;
    m_produced = 0;
    return nullptr;
}

HTTPErrorRef HTTPDataDecompressor::closeStream()
{
    if (!m_streamReady)
        return nullptr;
    m_streamReady = false;
    int status = inflateEnd(m_zStream.get());
    if (status != Z_OK)
        return inflateErrorWithCode(status);
    return nullptr;
}

bool HTTPDataDecompressor::inflateBytes(const uint8_t* bytes, size_t length, const Room& room, HTTPErrorRef* error)
{
    size_t produced = 0;
    std::span<uint8_t> space;
    size_t used = 0;  // bytes in `space`
    m_zStream->next_in = const_cast<Bytef*>(bytes);
    m_zStream->avail_in = static_cast<uInt>(length);
    // Output that filled the space exactly may have more behind it, even
    // when all input has been taken.
    while ((m_zStream->avail_in != 0 || (used == space.size() && !m_reachedEnd)) && !m_skipTrailing) {
        if (m_reachedEnd) {
            // Another member follows the one that ended (gzip allows several
            // in a row); anything else after the end is not compressed data.
            if (m_zStream->next_in[0] != 0x1f || inflateReset(m_zStream.get()) != Z_OK) {
                m_skipTrailing = true;
                break;
            }
            m_reachedEnd = false;
        }
        if (used == space.size()) {
            // One byte past the limit tells that it was passed (without a
            // limit, the count stays at its largest rather than wrap to 0).
            unsigned long long left = m_outputLimit - m_produced - produced;
            space = room(space, used, left == ULLONG_MAX ? left : left + 1);
            used = 0;
        }
        m_zStream->next_out = space.data() + used;
        m_zStream->avail_out = static_cast<uInt>(std::min<size_t>(space.size() - used, UINT32_MAX));
        uLong before = m_zStream->total_out;
        int status = inflate(m_zStream.get(), Z_NO_FLUSH);
        size_t made = m_zStream->total_out - before;
        used += made;
        produced += made;
        if (m_produced + produced > m_outputLimit) {
            if (error)
                *error = HTTPResponseTooLargeError(m_outputLimit);
            return false;
        }
        if (status == Z_STREAM_END) {
            m_reachedEnd = true;
            continue;
        }
        if (status == Z_BUF_ERROR && m_zStream->avail_out != 0)
            break;
        if (status != Z_OK && status != Z_BUF_ERROR) {
            if (error)
                *error = inflateErrorWithCode(status);
            return false;
        }
    }
    room(space, used, 0);  // the last space's use
    m_produced += produced;
    return true;
}

std::optional<Data> HTTPDataDecompressor::uncompressBytesLengthError(
    const uint8_t* bytes, size_t length, HTTPErrorRef* error)
{
    if (length == 0)
        return std::nullopt;
    // The output gathers in blocks that double up to a ceiling and never
    // reach more than a byte past the limit, and is joined once at the end:
    // a small body that inflates without bound then costs about the limit,
    // not the limit and the doubled buffer a growing copy leaves behind.
    constexpr size_t largestBlock = 16 * 1024 * 1024;
    std::vector<Data> blocks;
    size_t used = 0;  // bytes in the last block
    size_t produced = 0;
    auto room = [&](std::span<uint8_t>, size_t filled, unsigned long long left) {
        used = filled;
        produced += filled;
        if (left == 0)
            return std::span<uint8_t> {};
        size_t size = blocks.empty() ? std::max<size_t>(length + length / 2, 64) : blocks.back().size() * 2;
        size = static_cast<size_t>(std::min<unsigned long long>({ size, largestBlock, left }));
        blocks.emplace_back(size);
        return std::span<uint8_t>(blocks.back());
    };
    if (!inflateBytes(bytes, length, room, error))
        return std::nullopt;
    if (blocks.size() == 1) {
        blocks.front().resize(used);
        return std::move(blocks.front());
    }
    Data output;
    output.reserve(produced);
    for (size_t i = 0; i < blocks.size(); ++i) {
        size_t filled = i + 1 == blocks.size() ? used : blocks[i].size();
        output.insert(output.end(), blocks[i].begin(), blocks[i].begin() + static_cast<long>(filled));
        Data {}.swap(blocks[i]);  // each block goes as soon as it is copied
    }
    return output;
}

bool HTTPDataDecompressor::uncompressBytesInto(const uint8_t* bytes, size_t length, Data& output, HTTPErrorRef* error)
{
    output.clear();
    // Grown a step at a time: a step is zeroed before it is written, and
    // room never handed out costs nothing.
    constexpr size_t step = 1024 * 1024;
    auto room = [&](std::span<uint8_t> last, size_t filled, unsigned long long left) {
        output.resize(output.size() - last.size() + filled);
        if (left == 0)
            return std::span<uint8_t> {};
        size_t start = output.size();
        output.resize(start + static_cast<size_t>(std::min<unsigned long long>(step, left)));
        return std::span<uint8_t>(output.data() + start, output.size() - start);
    };
    return inflateBytes(bytes, length, room, error);
}

std::optional<Data> HTTPDataDecompressor::uncompressDataError(
    const Data& data, HTTPErrorRef* error, unsigned long long outputLimit)
{
    HTTPDataDecompressor d;
    d.setOutputLimit(outputLimit);
    if (auto e = d.setupStream()) {
        if (error)
            *error = e;
        return std::nullopt;
    }
    HTTPErrorRef e;
    auto out = d.uncompressBytesLengthError(data.data(), data.size(), &e);
    if (!e && !data.empty() && !d.reachedEnd())
        e = inflateErrorWithCode(Z_BUF_ERROR);  // cut short: the rest of the body is missing
    if (e) {
        if (error)
            *error = e;
        return std::nullopt;
    }
    return out ? out : Data {};
}

bool HTTPDataDecompressor::uncompressDataFromFileToFileError(
    const std::string& source, const std::string& destination, HTTPErrorRef* error, unsigned long long outputLimit)
{
    HTTPDataDecompressor d;
    d.setOutputLimit(outputLimit);
    if (auto e = d.setupStream()) {
        if (error)
            *error = e;
        return false;
    }
    bool sawInput = false;
    bool ok = transformFile("Decompression", source, destination, error, d.m_streamReady,
        [&](const uint8_t* b, size_t n, bool, HTTPErrorRef* e) {
            sawInput = sawInput || n > 0;
            return d.uncompressBytesLengthError(b, n, e);
        });
    if (ok && sawInput && !d.reachedEnd()) {
        // A file cut short must not pass for the whole body.
        if (error)
            *error = inflateErrorWithCode(Z_BUF_ERROR);
        ok = false;
    }
    if (!ok)
        NSFileManager::defaultManager().removeItemAtPath(destination);
    return ok;
}

HTTPErrorRef HTTPDataDecompressor::inflateErrorWithCode(int code)
{
    return HTTPError::make(
        HTTPCompressionError, stringWithFormat("Decompression of data failed with code %hi", static_cast<short>(code)));
}
