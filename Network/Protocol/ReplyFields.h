#pragma once

// Reading reply fields the way every command decoder does: ints are the integer
// value of a text or number (0 when missing), dates are seconds since 1970,
// "unchanged" texts keep a string as it is and give a number its plain text.
// A value of the wrong kind reads as missing, so a malformed reply gives
// defaults rather than failing.

#include "Network/Protocol/NetBaseRst.h"
#include "Network/Protocol/RequestBody.h"
#include "Platform/Foundation/Value.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

class RequestInterfaceBase;

namespace ReplyFields {

int intOf(const Value& object, std::string_view key);
bool boolOf(const Value& object, std::string_view key);
double doubleOf(const Value& object, std::string_view key);
float floatOf(const Value& object, std::string_view key);
Date dateOf(const Value& object, std::string_view key);
std::optional<std::string> unchanged(const Value& value);
std::optional<std::string> unchanged(const Value& object, std::string_view key);
std::string stringOr(const Value& object, std::string_view key, std::string_view fallback = "");

// "content" when the reply's status is "200" and content has the wanted kind.
const Value* successContent(const NetBaseRst& result, const std::optional<Value>& reply, Value::Type type);
// "content" of that kind whatever the status.
const Value* content(const std::optional<Value>& reply, Value::Type type);
// Element `index` of an array when it is an array too.
const Value* arrayAt(const Value& array, size_t index);

// The encoding rule shared by every command: a body on the message's head, the
// parameters in order (missing values left out), the head as the body left it.
std::optional<std::string> encode(RequestInterfaceBase& message,
    std::initializer_list<std::pair<const char*, std::optional<std::string>>> parameters);

}  // namespace ReplyFields
