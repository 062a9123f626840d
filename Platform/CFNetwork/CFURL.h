#pragma once

// An absolute URL split into its parts, as the HTTP engine reads them: scheme,
// user and password, host, port (absent unless written), path, query and
// fragment. Parsing is strict enough to refuse what cannot be sent (no scheme,
// spaces or control characters) and loose about the rest. A value type: two
// URLs are equal when their texts are equal.

#include <optional>
#include <string>
#include <string_view>

class CFURL {
public:
    // Nothing for a text that is not an absolute URL ("scheme:...").
    static std::optional<CFURL> URLWithString(std::string_view text);
    // `relative` resolved against `base` (RFC 3986 reference resolution).
    static std::optional<CFURL> URLWithStringRelativeToURL(std::string_view relative, const CFURL& base);
    static CFURL fileURLWithPath(std::string_view path);
    // The scheme a text starts with, lower case ("http" of "HTTP://host"), or
    // nothing when it starts with none: a letter, then letters, digits, "+",
    // "-" or ".", then ":". "C:\\dir" names the scheme "c".
    static std::optional<std::string> schemeOf(std::string_view text);

    const std::string& absoluteString() const { return m_text; }
    const std::string& scheme() const { return m_scheme; }  // lower case
    const std::string& host() const { return m_host; }
    std::optional<int> port() const { return m_port; }
    // The port to connect to: the written one, else the scheme's default.
    int effectivePort() const;
    const std::optional<std::string>& user() const { return m_user; }
    const std::optional<std::string>& password() const { return m_password; }
    const std::string& path() const { return m_path; }  // percent-escaped as written
    const std::optional<std::string>& query() const { return m_query; }
    const std::optional<std::string>& fragment() const { return m_fragment; }
    // The path with escapes undone (for file URLs).
    std::string decodedPath() const;
    // The last path component's extension, without the dot; "" when none.
    std::string pathExtension() const;
    bool isFileURL() const { return m_scheme == "file"; }
    // Path and query as sent on the request line ("/" for an empty path).
    std::string requestTarget() const;
    // "host" or "host:port" for the Host header.
    std::string hostHeader() const;

    bool operator==(const CFURL& other) const { return m_text == other.m_text; }

private:
    std::string m_text;
    std::string m_scheme;
    std::optional<std::string> m_user;
    std::optional<std::string> m_password;
    std::string m_host;
    std::optional<int> m_port;
    bool m_hasAuthority = false;
    std::string m_path;
    std::optional<std::string> m_query;
    std::optional<std::string> m_fragment;

    void rebuildText();
};
