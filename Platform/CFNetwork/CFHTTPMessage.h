#pragma once

// HTTP request and response messages. Header names are kept as they were set
// or received and looked up without regard to case, so the engine can read
// "Content-Length" whatever case the server wrote. A response is filled by
// feeding it the bytes that arrive until its head is complete; the body is not
// kept here (the read stream hands it out).

#include "Platform/CFNetwork/CFURL.h"
#include "Platform/Foundation/Value.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

inline constexpr std::string_view kCFHTTPVersion1_0 = "HTTP/1.0";
inline constexpr std::string_view kCFHTTPVersion1_1 = "HTTP/1.1";

// Ordered header fields; one entry per name.
class HTTPHeaderFields {
public:
    using Entry = std::pair<std::string, std::string>;

    const std::string* find(std::string_view name) const;
    bool contains(std::string_view name) const { return find(name) != nullptr; }
    std::optional<std::string> value(std::string_view name) const;
    // Replaces the value of an existing field (keeping its place and name).
    void set(std::string_view name, std::string_view value);
    // Adds a repeated field: its value is joined to an existing one with ", ".
    void append(std::string_view name, std::string_view value);
    void remove(std::string_view name);
    void clear() { m_entries.clear(); }
    size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    const std::vector<Entry>& entries() const { return m_entries; }
    auto begin() const { return m_entries.begin(); }
    auto end() const { return m_entries.end(); }
    bool operator==(const HTTPHeaderFields&) const = default;

    // As a dictionary value (name to text), for storing.
    Value toDictionary() const;
    static HTTPHeaderFields fromDictionary(const Value& dictionary);
    // Fields whose names are already distinct (ignoring case), taken as they are.
    static HTTPHeaderFields fromUniqueEntries(std::vector<Entry> entries);

private:
    std::vector<Entry> m_entries;
};

class CFHTTPMessage {
public:
    static std::shared_ptr<CFHTTPMessage> createRequest(
        std::string_view method, const CFURL& url, std::string_view version = kCFHTTPVersion1_1);
    static std::shared_ptr<CFHTTPMessage> createEmptyResponse();

    bool isRequest() const { return m_isRequest; }
    const std::string& requestMethod() const { return m_method; }
    const CFURL& requestURL() const { return *m_url; }
    const std::string& version() const { return m_version; }

    std::optional<std::string> headerFieldValue(std::string_view name) const { return m_headers.value(name); }
    // An empty optional removes the field.
    void setHeaderFieldValue(std::string_view name, std::optional<std::string_view> value);
    const HTTPHeaderFields& allHeaderFields() const { return m_headers; }

    // The request line and headers, ending with the blank line. With
    // `absoluteForm` the request line names the whole URL (for a proxy).
    std::string serializedRequestHead(bool absoluteForm) const;

    // Response parsing: takes bytes until the head is complete; answers how
    // many were used, or -1 when the head is malformed or too large.
    long appendBytes(const uint8_t* bytes, size_t length);
    bool isHeaderComplete() const { return m_headerComplete; }
    int responseStatusCode() const { return m_statusCode; }
    const std::string& responseStatusLine() const { return m_statusLine; }

private:
    bool m_isRequest = false;
    std::string m_method;
    std::optional<CFURL> m_url;
    std::string m_version;
    HTTPHeaderFields m_headers;
    bool m_headerComplete = false;
    int m_statusCode = 0;
    std::string m_statusLine;
    std::string m_pending;

    bool parseHead(std::string_view head);
};

// Decodes a "Transfer-Encoding: chunked" body as it arrives.
class HTTPChunkedDecoder {
public:
    enum class Status { NeedMore, Done, Error };
    // Appends the decoded bytes of `length` input bytes to `out`; `used` tells
    // how many input bytes were taken (less than length only once Done).
    Status decode(const uint8_t* bytes, size_t length, std::vector<uint8_t>& out, size_t& used);
    bool isDone() const { return m_state == State::Done; }

private:
    enum class State { Size, SizeLine, Chunk, ChunkEnd, Trailer, Done, Error };
    State m_state = State::Size;
    uint64_t m_remaining = 0;
    std::string m_line;  // the start of the trailer line being read: only whether it is empty matters
    size_t m_trailerBytes = 0;
    bool m_sawDigit = false;
};
