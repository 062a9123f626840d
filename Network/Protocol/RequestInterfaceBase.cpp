#include "Network/Protocol/RequestInterfaceBase.h"

#include "Network/Protocol/ProtocolServices.h"

namespace {

void setStatus(NetBaseRst& result, std::string status)
{
    auto text = ProtocolServices::languageText(status);
    result.message = text ? text : ProtocolServices::languageText("115");
    result.status = std::move(status);
}

}  // namespace

std::shared_ptr<NetBaseRst> RequestInterfaceBase::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<NetBaseRst>();
    DecodeResults(*result, reply);
    return result;
}

void RequestInterfaceBase::DecodeResults(NetBaseRst& result, const std::optional<Value>& reply)
{
    if (reply && reply->isDictionary()) {
        const Value& results = (*reply)["results"];
        if (results.isArray()) {
            for (const Value& entry : results.arrayValue()) {
                if (!entry.isDictionary())
                    continue;
                // A status or detail that is not text is treated as missing:
                // receivers compare them as texts.
                auto status = entry["status"].stringView();
                auto detail = entry["detail"].stringView();
                result.detail = detail ? std::optional<std::string>(*detail) : std::nullopt;
                setStatus(result, status ? std::string(*status) : std::string("115"));
            }
        }
    }
    if (!result.status)
        setStatus(result, "115");
}

void RequestInterfaceBase::DecodeMalformed(NetBaseRst& result) { setStatus(result, "115"); }
