#include "Network/Protocol/RequestBody.h"

#include "Network/Protocol/QDJsonWriter.h"

bool RequestBody::addElemValueForKey(const std::optional<std::string>& value, const std::optional<std::string>& key)
{
    if (!value || !key)
        return false;
    requestDic.set(*key, Value(*value));
    return true;
}

std::optional<std::string> RequestBody::requestStr()
{
    if (const Value* session = requestDic.find("jsessionId")) {
        strHead = strHead.value_or("") + session->stringValue() + "?";
        requestDic.remove("jsessionId");
    }
    Value root = Value::dictionary({ { "parameters", requestDic } });
    Value outer = Value::dictionary({ { "root", std::move(root) } });
    QDJsonWriter writer;
    return writer.stringWithObject(outer);
}

std::optional<std::string> RequestElem::elemStr() const
{
    if (!strKey || !strValue)
        return std::nullopt;
    return *strKey + "=" + *strValue;
}
