#include "Platform/CFNetwork/CFURL.h"

#include "Platform/Foundation/NSString.h"
#include <cctype>
#include <vector>

namespace {

bool isSchemeChar(char c, bool first)
{
    if (std::isalpha(static_cast<unsigned char>(c)))
        return true;
    return !first && (std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.');
}

std::string removeDotSegments(std::string_view input)
{
    std::vector<std::string> out;
    bool absolute = !input.empty() && input.front() == '/';
    size_t i = absolute ? 1 : 0;
    bool trailingSlash = false;
    while (i <= input.size()) {
        size_t next = input.find('/', i);
        std::string_view seg = input.substr(i, next == std::string_view::npos ? std::string_view::npos : next - i);
        bool last = next == std::string_view::npos;
        if (seg == ".") {
            trailingSlash = true;
        } else if (seg == "..") {
            if (!out.empty())
                out.pop_back();
            trailingSlash = true;
        } else {
            out.emplace_back(seg);
            trailingSlash = false;
        }
        if (last)
            break;
        i = next + 1;
    }
    std::string result = absolute ? "/" : "";
    for (size_t k = 0; k < out.size(); ++k) {
        if (k)
            result += '/';
        result += out[k];
    }
    if (trailingSlash && !out.empty() && !out.back().empty())
        result += '/';
    return result;
}

}  // namespace

std::optional<std::string> CFURL::schemeOf(std::string_view text)
{
    size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0)
        return std::nullopt;
    for (size_t i = 0; i < colon; ++i)
        if (!isSchemeChar(text[i], i == 0))
            return std::nullopt;
    return NSString::lowercaseASCII(text.substr(0, colon));
}

std::optional<CFURL> CFURL::URLWithString(std::string_view text)
{
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7f)
            return std::nullopt;
    }
    auto scheme = schemeOf(text);
    if (!scheme)
        return std::nullopt;

    CFURL url;
    url.m_scheme = std::move(*scheme);
    const size_t colon = url.m_scheme.size();
    std::string_view rest = text.substr(colon + 1);

    size_t hash = rest.find('#');
    if (hash != std::string_view::npos) {
        url.m_fragment = std::string(rest.substr(hash + 1));
        rest = rest.substr(0, hash);
    }
    size_t question = rest.find('?');
    if (question != std::string_view::npos) {
        url.m_query = std::string(rest.substr(question + 1));
        rest = rest.substr(0, question);
    }
    if (rest.starts_with("//")) {
        url.m_hasAuthority = true;
        rest.remove_prefix(2);
        size_t slash = rest.find('/');
        std::string_view authority = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
        size_t at = authority.rfind('@');
        if (at != std::string_view::npos) {
            std::string_view info = authority.substr(0, at);
            authority = authority.substr(at + 1);
            size_t c = info.find(':');
            url.m_user = std::string(info.substr(0, c));
            if (c != std::string_view::npos)
                url.m_password = std::string(info.substr(c + 1));
        }
        std::string_view hostPart = authority;
        std::string_view portPart;
        if (authority.starts_with('[')) {
            size_t close = authority.find(']');
            if (close == std::string_view::npos)
                return std::nullopt;
            hostPart = authority.substr(0, close + 1);
            std::string_view after = authority.substr(close + 1);
            if (!after.empty()) {
                if (after.front() != ':')
                    return std::nullopt;
                portPart = after.substr(1);
            }
        } else {
            size_t c = authority.rfind(':');
            if (c != std::string_view::npos) {
                hostPart = authority.substr(0, c);
                portPart = authority.substr(c + 1);
            }
        }
        if (!portPart.empty()) {
            long port = 0;
            for (char d : portPart) {
                if (!std::isdigit(static_cast<unsigned char>(d)))
                    return std::nullopt;
                port = port * 10 + (d - '0');
                if (port > 65535)
                    return std::nullopt;
            }
            url.m_port = static_cast<int>(port);
        }
        url.m_host = std::string(hostPart);
    }
    url.m_path = std::string(rest);
    url.m_text = url.m_scheme + std::string(text.substr(colon));
    return url;
}

void CFURL::rebuildText()
{
    std::string t = m_scheme + ":";
    if (m_hasAuthority) {
        t += "//";
        if (m_user) {
            t += *m_user;
            if (m_password)
                t += ":" + *m_password;
            t += "@";
        }
        t += m_host;
        if (m_port)
            t += ":" + std::to_string(*m_port);
    }
    t += m_path;
    if (m_query)
        t += "?" + *m_query;
    if (m_fragment)
        t += "#" + *m_fragment;
    m_text = std::move(t);
}

std::optional<CFURL> CFURL::URLWithStringRelativeToURL(std::string_view relative, const CFURL& base)
{
    for (char c : relative) {
        auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f)
            return std::nullopt;
    }
    if (auto absolute = URLWithString(relative)) {
        absolute->m_path = removeDotSegments(absolute->m_path);
        absolute->rebuildText();
        return absolute;
    }
    CFURL url = base;
    url.m_fragment.reset();
    std::string_view rest = relative;
    size_t hash = rest.find('#');
    std::optional<std::string> fragment;
    if (hash != std::string_view::npos) {
        fragment = std::string(rest.substr(hash + 1));
        rest = rest.substr(0, hash);
    }
    if (rest.starts_with("//")) {
        auto parsed = URLWithString(base.m_scheme + ":" + std::string(relative));
        if (!parsed)
            return std::nullopt;
        parsed->m_path = removeDotSegments(parsed->m_path);
        parsed->rebuildText();
        return parsed;
    }
    std::optional<std::string> query;
    size_t question = rest.find('?');
    if (question != std::string_view::npos) {
        query = std::string(rest.substr(question + 1));
        rest = rest.substr(0, question);
    }
    if (rest.empty()) {
        if (query)
            url.m_query = query;
    } else if (rest.front() == '/') {
        url.m_path = removeDotSegments(rest);
        url.m_query = query;
    } else {
        std::string merged;
        if (base.m_hasAuthority && base.m_path.empty()) {
            merged = "/" + std::string(rest);
        } else {
            size_t slash = base.m_path.rfind('/');
            merged
                = (slash == std::string::npos ? std::string() : base.m_path.substr(0, slash + 1)) + std::string(rest);
        }
        url.m_path = removeDotSegments(merged);
        url.m_query = query;
    }
    url.m_fragment = fragment;
    url.rebuildText();
    return url;
}

CFURL CFURL::fileURLWithPath(std::string_view path)
{
    CFURL url;
    url.m_scheme = "file";
    url.m_hasAuthority = true;
    static const char* hex = "0123456789ABCDEF";
    for (char c : path) {
        auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7f || c == '%' || c == '?' || c == '#') {
            url.m_path += '%';
            url.m_path += hex[u >> 4];
            url.m_path += hex[u & 15];
        } else {
            url.m_path += c;
        }
    }
    url.rebuildText();
    return url;
}

int CFURL::effectivePort() const
{
    if (m_port)
        return *m_port;
    if (m_scheme == "https")
        return 443;
    if (m_scheme == "ftp")
        return 21;
    return 80;
}

std::string CFURL::decodedPath() const { return NSString::stringByReplacingPercentEscapes(m_path); }

std::string CFURL::pathExtension() const
{
    std::string path = decodedPath();
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    size_t slash = path.rfind('/');
    std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = last.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == last.size())
        return "";
    return last.substr(dot + 1);
}

std::string CFURL::requestTarget() const
{
    std::string target = m_path.empty() ? "/" : m_path;
    if (m_query)
        target += "?" + *m_query;
    return target;
}

std::string CFURL::hostHeader() const
{
    if (m_port)
        return m_host + ":" + std::to_string(*m_port);
    return m_host;
}
