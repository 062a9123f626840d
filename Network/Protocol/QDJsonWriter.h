#pragma once

// JSON writer: compact by default, keys in the dictionary's own order unless
// sortKeys is set. Strings escape only quote, backslash and control characters;
// '/' and non-ASCII pass unchanged. Booleans (and the one-byte char kind that
// booleans share) write as true/false, other numbers as their plain text.

#include "Network/Protocol/QDJsonBase.h"
#include "Platform/Foundation/Value.h"

#include <optional>
#include <string>

class QDJsonWriter : public QDJsonBase {
public:
    bool sortKeys() const { return m_sortKeys; }
    void setSortKeys(bool on) { m_sortKeys = on; }
    bool humanReadable() const { return m_humanReadable; }
    void setHumanReadable(bool on) { m_humanReadable = on; }

    // A dictionary or an array as text; nothing for any other value or on failure.
    std::optional<std::string> stringWithObject(const Value& value);
    // Any value as text.
    std::optional<std::string> stringWithFragment(const Value& value);

private:
    bool m_sortKeys = false;
    bool m_humanReadable = false;

    class Output;

    bool appendValue(const Value& value, Output& out);
    bool appendDictionary(const Value& value, Output& out);
    bool appendArray(const Value& value, Output& out);
    void appendString(std::string_view text, Output& out);
    bool appendNumber(const Value& value, Output& out);
    void appendIndent(Output& out);
};

// The platform's class name of a value, for error texts.
const char* QDJsonClassName(const Value& value);
