#pragma once

// One object offering both directions, plus the process-wide helpers that the
// front door and the envelope use (JSONValue, JSONRepresentation). The shared
// parser and writer behind the helpers are for the main thread; other threads
// make their own instances.

#include "Network/Protocol/QDJsonParser.h"
#include "Network/Protocol/QDJsonWriter.h"

class QDJSON : public QDJsonBase {
public:
    QDJSON();

    QDJsonParser& jsonParser() { return m_parser; }
    QDJsonWriter& jsonWriter() { return m_writer; }

    unsigned maxDepth() const { return m_parser.maxDepth(); }
    void setMaxDepth(unsigned depth);
    bool humanReadable() const { return m_writer.humanReadable(); }
    void setHumanReadable(bool on) { m_writer.setHumanReadable(on); }
    bool sortKeys() const { return m_writer.sortKeys(); }
    void setSortKeys(bool on) { m_writer.setSortKeys(on); }

    // On failure the trace is copied from the worker and, when `error` is
    // given, the outermost error is stored through it.
    std::optional<std::string> stringWithObject(const Value& value, QDJsonError* error = nullptr);
    std::optional<std::string> stringWithFragmentError(const Value& value, QDJsonError* error);
    std::optional<std::string> stringWithObjectAllowScalarError(
        const Value& value, bool allowScalar, QDJsonError* error);
    std::optional<Value> objectWithString(std::optional<std::string_view> text, QDJsonError* error = nullptr);
    std::optional<Value> fragmentWithStringError(std::optional<std::string_view> text, QDJsonError* error);
    std::optional<Value> objectWithStringAllowScalarError(
        std::optional<std::string_view> text, bool allowScalar, QDJsonError* error);

private:
    QDJsonParser m_parser;
    QDJsonWriter m_writer;

    void takeTrace(const QDJsonBase& worker, QDJsonError* error);
};

// The text parsed as an object or array / as any value, by the shared parser.
std::optional<Value> JSONValue(std::optional<std::string_view> text);
std::optional<Value> JSONFragmentValue(std::optional<std::string_view> text);
// An object or array / any value as text, by the shared writer.
std::optional<std::string> JSONRepresentation(const Value& value);
std::optional<std::string> JSONFragment(const Value& value);
