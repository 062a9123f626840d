#include "Platform/CFNetwork/CFHTTPMessage.h"

#include "Platform/Foundation/NSString.h"

#include <cctype>
#include <cstdint>
#include <unordered_map>

namespace {

constexpr size_t maximumHeadLength = 256 * 1024;

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

bool isTokenChar(char c)
{
    auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7f)
        return false;
    return std::string_view("()<>@,;:\\\"/[]?={}").find(c) == std::string_view::npos;
}

// Where the blank line that ends a head starts in `text`, looking from `from`;
// `termLength` is then the bytes from there to the head's end.
size_t findHeadEnd(std::string_view text, size_t from, size_t& termLength)
{
    for (size_t i = from; i < text.size(); ++i) {
        if (text[i] != '\n')
            continue;
        if (i + 1 < text.size() && text[i + 1] == '\n') {
            termLength = 2;
            return i;
        }
        if (i + 2 < text.size() && text[i + 1] == '\r' && text[i + 2] == '\n') {
            termLength = 3;
            return i;
        }
    }
    return std::string_view::npos;
}

}  // namespace

const std::string* HTTPHeaderFields::find(std::string_view name) const
{
    for (const auto& [key, value] : m_entries)
        if (NSString::equalsIgnoringASCIICase(key, name))
            return &value;
    return nullptr;
}

std::optional<std::string> HTTPHeaderFields::value(std::string_view name) const
{
    if (const auto* v = find(name))
        return *v;
    return std::nullopt;
}

void HTTPHeaderFields::set(std::string_view name, std::string_view value)
{
    for (auto& [key, v] : m_entries) {
        if (NSString::equalsIgnoringASCIICase(key, name)) {
            v = std::string(value);
            return;
        }
    }
    m_entries.emplace_back(std::string(name), std::string(value));
}

void HTTPHeaderFields::append(std::string_view name, std::string_view value)
{
    for (auto& [key, v] : m_entries) {
        if (NSString::equalsIgnoringASCIICase(key, name)) {
            v += ", ";
            v += value;
            return;
        }
    }
    m_entries.emplace_back(std::string(name), std::string(value));
}

void HTTPHeaderFields::remove(std::string_view name)
{
    std::erase_if(m_entries, [&](const Entry& e) { return NSString::equalsIgnoringASCIICase(e.first, name); });
}

Value HTTPHeaderFields::toDictionary() const
{
    Value d = Value::dictionary();
    for (const auto& [key, value] : m_entries)
        d.set(key, Value(value));
    return d;
}

HTTPHeaderFields HTTPHeaderFields::fromUniqueEntries(std::vector<Entry> entries)
{
    HTTPHeaderFields fields;
    fields.m_entries = std::move(entries);
    return fields;
}

HTTPHeaderFields HTTPHeaderFields::fromDictionary(const Value& dictionary)
{
    HTTPHeaderFields fields;
    for (const auto& [key, value] : dictionary.dictionaryValue())
        if (value.type() == Value::Type::String)
            fields.set(key, value.stringValue());
    return fields;
}

std::shared_ptr<CFHTTPMessage> CFHTTPMessage::createRequest(
    std::string_view method, const CFURL& url, std::string_view version)
{
    if (method.empty() || url.host().empty())
        return nullptr;
    for (char c : method)
        if (!isTokenChar(c))
            return nullptr;
    auto message = std::make_shared<CFHTTPMessage>();
    message->m_isRequest = true;
    message->m_method = std::string(method);
    message->m_url = url;
    message->m_version = std::string(version);
    return message;
}

std::shared_ptr<CFHTTPMessage> CFHTTPMessage::createEmptyResponse() { return std::make_shared<CFHTTPMessage>(); }

void CFHTTPMessage::setHeaderFieldValue(std::string_view name, std::optional<std::string_view> value)
{
    if (!value) {
        m_headers.remove(name);
        return;
    }
    // A line break in a value would let a caller's text forge further headers.
    std::string clean;
    for (char c : *value)
        if (c != '\r' && c != '\n')
            clean += c;
    m_headers.set(name, clean);
}

std::string CFHTTPMessage::serializedRequestHead(bool absoluteForm) const
{
    std::string head;
    head.reserve(256);
    head += m_method;
    head += ' ';
    if (absoluteForm) {
        std::string target = m_url->scheme() + "://" + m_url->hostHeader() + m_url->requestTarget();
        head += target;
    } else {
        head += m_url->requestTarget();
    }
    head += ' ';
    head += m_version;
    head += "\r\n";
    if (!m_headers.contains("Host")) {
        head += "Host: ";
        head += m_url->hostHeader();
        head += "\r\n";
    }
    for (const auto& [key, value] : m_headers) {
        head += key;
        head += ": ";
        head += value;
        head += "\r\n";
    }
    head += "\r\n";
    return head;
}

long CFHTTPMessage::appendBytes(const uint8_t* bytes, size_t length)
{
    if (m_headerComplete)
        return 0;
    size_t termLength = 0;
    if (m_pending.empty()) {
        // A whole head in one read, the usual case: parsed where it lies,
        // without a copy.
        std::string_view text(reinterpret_cast<const char*>(bytes), length);
        size_t end = findHeadEnd(text, 0, termLength);
        if (end != std::string_view::npos) {
            size_t headLength = end + termLength;
            if (headLength > maximumHeadLength || !parseHead(text.substr(0, end)))
                return -1;
            m_headerComplete = true;
            return static_cast<long>(headLength);
        }
    }
    size_t before = m_pending.size();
    m_pending.append(reinterpret_cast<const char*>(bytes), length);
    // Look for the blank line that ends the head, starting a little before the
    // new bytes so that a terminator split across reads is found.
    size_t end = findHeadEnd(m_pending, before >= 3 ? before - 3 : 0, termLength);
    if (end == std::string::npos) {
        if (m_pending.size() > maximumHeadLength)
            return -1;
        return static_cast<long>(length);
    }
    size_t headLength = end + termLength;
    // The limit holds for the whole head, also when its end came in the
    // same read as the bytes that pass it.
    if (headLength > maximumHeadLength)
        return -1;
    if (!parseHead(std::string_view(m_pending).substr(0, end)))
        return -1;
    m_headerComplete = true;
    long used = static_cast<long>(headLength - before);
    m_pending.clear();
    m_pending.shrink_to_fit();
    return used;
}

bool CFHTTPMessage::parseHead(std::string_view head)
{
    // Skip blank lines a server may send before the status line.
    while (head.starts_with("\r\n") || head.starts_with("\n"))
        head.remove_prefix(head.front() == '\r' ? 2 : 1);
    size_t lineEnd = head.find('\n');
    std::string_view statusLine = trim(head.substr(0, lineEnd));
    if (!statusLine.starts_with("HTTP/"))
        return false;
    size_t space = statusLine.find(' ');
    if (space == std::string_view::npos)
        return false;
    m_version = std::string(statusLine.substr(0, space));
    std::string_view rest = statusLine.substr(space + 1);
    while (rest.starts_with(' '))
        rest.remove_prefix(1);
    if (rest.size() < 3)
        return false;
    int code = 0;
    for (size_t i = 0; i < 3; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(rest[i])))
            return false;
        code = code * 10 + (rest[i] - '0');
    }
    m_statusCode = code;
    m_statusLine = std::string(statusLine);

    std::string_view lines = lineEnd == std::string_view::npos ? std::string_view() : head.substr(lineEnd + 1);
    // Repeated names are joined through an index by folded name, so a head of
    // many fields is read in one pass rather than one search per field.
    std::vector<HTTPHeaderFields::Entry> entries;
    std::unordered_map<std::string, size_t> indexByName;
    size_t last = SIZE_MAX;
    while (!lines.empty()) {
        size_t nl = lines.find('\n');
        std::string_view line = lines.substr(0, nl);
        lines = nl == std::string_view::npos ? std::string_view() : lines.substr(nl + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            continue;
        if ((line.front() == ' ' || line.front() == '\t') && last != SIZE_MAX) {
            // A folded continuation line belongs to the previous field.
            entries[last].second += ' ';
            entries[last].second += trim(line);
            continue;
        }
        size_t colon = line.find(':');
        if (colon == std::string_view::npos || colon == 0)
            continue;
        std::string_view name = trim(line.substr(0, colon));
        std::string_view value = trim(line.substr(colon + 1));
        auto [it, inserted] = indexByName.try_emplace(NSString::lowercaseASCII(name), entries.size());
        if (inserted) {
            entries.emplace_back(std::string(name), std::string(value));
        } else {
            entries[it->second].second += ", ";
            entries[it->second].second += value;
        }
        last = it->second;
    }
    m_headers = HTTPHeaderFields::fromUniqueEntries(std::move(entries));
    return true;
}

HTTPChunkedDecoder::Status HTTPChunkedDecoder::decode(
    const uint8_t* bytes, size_t length, std::vector<uint8_t>& out, size_t& used)
{
    size_t i = 0;
    while (i < length) {
        switch (m_state) {
        case State::Size:
        case State::SizeLine: {
            char c = static_cast<char>(bytes[i++]);
            if (c == '\n') {
                if (!m_sawDigit) {
                    m_state = State::Error;
                    used = i;
                    return Status::Error;
                }
                m_sawDigit = false;
                m_state = m_remaining == 0 ? State::Trailer : State::Chunk;
                m_line.clear();
                break;
            }
            if (m_state == State::SizeLine || c == '\r')
                break;
            if (c == ';' || c == ' ' || c == '\t') {
                m_state = State::SizeLine;  // chunk extensions are ignored
                break;
            }
            int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                : (c >= 'a' && c <= 'f')                            ? c - 'a' + 10
                : (c >= 'A' && c <= 'F')                            ? c - 'A' + 10
                                                                    : -1;
            if (digit < 0 || m_remaining > (UINT64_MAX >> 4)) {
                m_state = State::Error;
                used = i;
                return Status::Error;
            }
            m_remaining = m_remaining * 16 + static_cast<uint64_t>(digit);
            m_sawDigit = true;
            break;
        }
        case State::Chunk: {
            size_t take = static_cast<size_t>(std::min<uint64_t>(m_remaining, length - i));
            out.insert(out.end(), bytes + i, bytes + i + take);
            i += take;
            m_remaining -= take;
            if (m_remaining == 0)
                m_state = State::ChunkEnd;
            break;
        }
        case State::ChunkEnd: {
            char c = static_cast<char>(bytes[i++]);
            if (c == '\n')
                m_state = State::Size;
            else if (c != '\r') {
                m_state = State::Error;
                used = i;
                return Status::Error;
            }
            break;
        }
        case State::Trailer: {
            char c = static_cast<char>(bytes[i++]);
            if (c == '\n') {
                if (m_line.empty() || m_line == "\r") {
                    m_state = State::Done;
                    used = i;
                    return Status::Done;
                }
                m_line.clear();
            } else {
                // Trailer fields are read and dropped; like a head they have
                // a bound, or a server could feed one line forever.
                if (++m_trailerBytes > maximumHeadLength) {
                    m_state = State::Error;
                    used = i;
                    return Status::Error;
                }
                if (m_line.size() < 2)
                    m_line += c;
            }
            break;
        }
        case State::Done:
            used = i;
            return Status::Done;
        case State::Error:
            used = i;
            return Status::Error;
        }
    }
    used = i;
    if (m_state == State::Done)
        return Status::Done;
    return m_state == State::Error ? Status::Error : Status::NeedMore;
}
