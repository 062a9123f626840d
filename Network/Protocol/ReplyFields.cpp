#include "Network/Protocol/ReplyFields.h"

#include "Network/Protocol/RequestInterfaceBase.h"

namespace ReplyFields {

int intOf(const Value& object, std::string_view key) { return object[key].intValue(); }

bool boolOf(const Value& object, std::string_view key) { return intOf(object, key) != 0; }

double doubleOf(const Value& object, std::string_view key) { return object[key].doubleValue(); }

float floatOf(const Value& object, std::string_view key) { return object[key].floatValue(); }

Date dateOf(const Value& object, std::string_view key) { return Date { doubleOf(object, key) }; }

std::optional<std::string> unchanged(const Value& value)
{
    if (auto s = value.stringView())
        return std::string(*s);
    if (value.isNumber())
        return value.stringValue();
    return std::nullopt;
}

std::optional<std::string> unchanged(const Value& object, std::string_view key) { return unchanged(object[key]); }

std::string stringOr(const Value& object, std::string_view key, std::string_view fallback)
{
    auto v = unchanged(object, key);
    return v ? *v : std::string(fallback);
}

const Value* content(const std::optional<Value>& reply, Value::Type type)
{
    if (!reply || !reply->isDictionary())
        return nullptr;
    const Value* c = reply->find("content");
    return c && c->type() == type ? c : nullptr;
}

const Value* successContent(const NetBaseRst& result, const std::optional<Value>& reply, Value::Type type)
{
    if (!isSuccess(result))
        return nullptr;
    return content(reply, type);
}

const Value* arrayAt(const Value& array, size_t index)
{
    if (index >= array.count())
        return nullptr;
    const Value& element = array[index];
    return element.isArray() ? &element : nullptr;
}

std::optional<std::string> encode(
    RequestInterfaceBase& message, std::initializer_list<std::pair<const char*, std::optional<std::string>>> parameters)
{
    RequestBody body(message.requestHead);
    for (const auto& [key, value] : parameters)
        body.addElemValueForKey(value, std::string(key));
    auto text = body.requestStr();
    message.requestHead = body.strHead.value_or("");
    return text;
}

}  // namespace ReplyFields
