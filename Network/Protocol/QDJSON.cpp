#include "Network/Protocol/QDJSON.h"

QDJSON::QDJSON() { setMaxDepth(kDefaultMaxDepth); }

void QDJSON::setMaxDepth(unsigned depth)
{
    QDJsonBase::setMaxDepth(depth);
    m_parser.setMaxDepth(depth);
    m_writer.setMaxDepth(depth);
}

void QDJSON::takeTrace(const QDJsonBase& worker, QDJsonError* error)
{
    setErrorTrace(worker.errorTrace());
    if (error && !errorTrace().empty())
        *error = errorTrace().back();
}

std::optional<std::string> QDJSON::stringWithObject(const Value& value, QDJsonError* error)
{
    auto text = m_writer.stringWithObject(value);
    if (!text)
        takeTrace(m_writer, error);
    return text;
}

std::optional<std::string> QDJSON::stringWithFragmentError(const Value& value, QDJsonError* error)
{
    auto text = m_writer.stringWithFragment(value);
    if (!text)
        takeTrace(m_writer, error);
    return text;
}

std::optional<std::string> QDJSON::stringWithObjectAllowScalarError(
    const Value& value, bool allowScalar, QDJsonError* error)
{
    return allowScalar ? stringWithFragmentError(value, error) : stringWithObject(value, error);
}

std::optional<Value> QDJSON::objectWithString(std::optional<std::string_view> text, QDJsonError* error)
{
    auto value = m_parser.objectWithString(text);
    if (!value)
        takeTrace(m_parser, error);
    return value;
}

std::optional<Value> QDJSON::fragmentWithStringError(std::optional<std::string_view> text, QDJsonError* error)
{
    auto value = m_parser.fragmentWithString(text);
    if (!value)
        takeTrace(m_parser, error);
    return value;
}

std::optional<Value> QDJSON::objectWithStringAllowScalarError(
    std::optional<std::string_view> text, bool allowScalar, QDJsonError* error)
{
    return allowScalar ? fragmentWithStringError(text, error) : objectWithString(text, error);
}

namespace {

QDJsonParser& sharedParser()
{
    static QDJsonParser parser;
    return parser;
}

QDJsonWriter& sharedWriter()
{
    static QDJsonWriter writer;
    return writer;
}

}  // namespace

std::optional<Value> JSONValue(std::optional<std::string_view> text) { return sharedParser().objectWithString(text); }

std::optional<Value> JSONFragmentValue(std::optional<std::string_view> text)
{
    return sharedParser().fragmentWithString(text);
}

std::optional<std::string> JSONRepresentation(const Value& value) { return sharedWriter().stringWithObject(value); }

std::optional<std::string> JSONFragment(const Value& value) { return sharedWriter().stringWithFragment(value); }
