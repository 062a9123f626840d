#pragma once

// The request envelope builder: {"root":{"parameters":{...}}}, every parameter
// a string. A "jsessionId" parameter never goes in the body: it joins the head,
// which is the URL's last path segment.

#include "Platform/Foundation/Value.h"

#include <optional>
#include <string>
#include <string_view>

class RequestBody {
public:
    RequestBody() = default;
    explicit RequestBody(std::optional<std::string> head)
        : strHead(std::move(head))
    {
    }

    std::optional<std::string> strHead;
    Value requestDic = Value::dictionary();

    // Refuses (false) a missing value or key; a later value replaces an earlier one.
    bool addElemValueForKey(const std::optional<std::string>& value, const std::optional<std::string>& key);
    // The envelope text, or nothing when the writer fails. Moves the session id into the head.
    std::optional<std::string> requestStr();
};

// One key and value pair, "key=value".
class RequestElem {
public:
    RequestElem() = default;
    RequestElem(std::optional<std::string> value, std::optional<std::string> key)
        : strKey(std::move(key))
        , strValue(std::move(value))
    {
    }
    std::optional<std::string> strKey;
    std::optional<std::string> strValue;
    std::optional<std::string> elemStr() const;
};
