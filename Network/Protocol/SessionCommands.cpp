#include "Network/Protocol/SessionCommands.h"

#include "Network/Protocol/ProtocolServices.h"
#include "Network/Protocol/ReplyFields.h"
#include "Platform/Foundation/NSString.h"

using namespace ReplyFields;

namespace {

void setCommand(RequestInterfaceBase& message, int code, const char* head, const char* method)
{
    message.cmdCode = code;
    message.requestHead = head;
    message.methodName = method;
}

std::string lowercaseASCII(std::string text)
{
    for (char& ch : text) {
        if (ch >= 'A' && ch <= 'Z')
            ch = static_cast<char>(ch - 'A' + 'a');
    }
    return text;
}

// Appends configuration rows of the session's client, stamped with the time of decoding.
class ConfigRows {
public:
    explicit ConfigRows(ConfigRst& result)
        : m_result(result)
        , m_clientId(ProtocolServices::session().clientID.value_or(""))
        , m_now(ProtocolServices::currentTime())
    {
    }

    void operator()(const char* type, std::string desc)
    {
        auto entity = std::make_shared<ProtocolRecords::ConfigEntity>();
        entity->clientid = m_clientId;
        entity->configType = type;
        entity->desc = std::move(desc);
        entity->update_date = m_now;
        m_result.configTable.push_back(std::move(entity));
    }

private:
    ConfigRst& m_result;
    std::string m_clientId;
    std::string m_now;
};

// The rows that both configuration replies carry.
void appendAppConfiguration(ConfigRows& row, const Value& content)
{
    const Value& app = content["appConfiguration"];
    if (!app.isDictionary())
        return;
    auto dateFormat = unchanged(app, "dateformat");
    row("date_format", dateFormat && !dateFormat->empty() ? *dateFormat : std::string("MM/dd/yy"));
    auto modifyPrice = unchanged(app, "modifyprice");
    bool blank = !modifyPrice
        || NSString::stringByTrimmingCharactersInSet(*modifyPrice, CharacterSet::whitespaceAndNewline).empty();
    row("modify_price", blank ? std::string("0") : *modifyPrice);
}

}  // namespace

RequestLogin::RequestLogin()
{
    setCommand(*this, 0x102, "Vendor?", "login");
    auto session = ProtocolServices::session();
    userName = session.acountID;
    deviceID = session.deviceID;
    passWord = session.password;
    clientID = session.clientID;
}

std::optional<std::string> RequestLogin::RequestEncode()
{
    // The hash replaces the typed password, so a message is hashed once however often it is sent.
    if (passWord)
        passWord = lowercaseASCII(ProtocolServices::encryptMD5(*passWord));
    auto sessionClient = ProtocolServices::session().clientID;
    auto synced = ProtocolServices::stringUserDefault(sessionClient.value_or("(null)") + "-FileSynced");
    return encode(*this,
        {
            { "methodName", methodName },
            { "version", ProtocolServices::currentVersion() },
            { "accountId", userName },
            { "deviceId", deviceID },
            { "password", passWord },
            { "clientId", clientID },
            { "firstLogin", std::string(synced ? "NO" : "YES") },
        });
}

std::shared_ptr<NetBaseRst> RequestLogin::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<LoginRst>();
    DecodeResults(*result, reply);
    if (!isSuccess(*result))
        return result;
    // A "200" that carries no session is no sign-in: the session commands
    // would all go out without one. It is answered as a reply of the wrong shape.
    const Value* content = successContent(*result, reply, Value::Type::Dictionary);
    auto sessionId = content ? unchanged(*content, "sessionId") : std::nullopt;
    if (!sessionId
        || NSString::stringByTrimmingCharactersInSet(*sessionId, CharacterSet::whitespaceAndNewline).empty()) {
        result->status = std::string("115");
        result->message = ProtocolServices::languageText("115");
        return result;
    }
    const Value& c = *content;
    result->sessionId = std::move(sessionId);
    result->needUpdate = boolOf(c, "dataUpdated");
    result->needUpdateSkin = boolOf(c, "skinUpdated");
    result->needSyncAll = boolOf(c, "syncAll");
    result->email = unchanged(c, "email");
    result->companyName = stringOr(c, "company_name");
    result->companyLink = stringOr(c, "link");
    result->userAccess = intOf(c, "user_access");
    const Value& vendor = c["vendor"];
    if (vendor.isDictionary()) {
        result->account = stringOr(vendor, "account");
        result->clientId = stringOr(vendor, "clientId");
        result->device_id = stringOr(vendor, "device_id");
        result->device_token = stringOr(vendor, "device_token");
        result->discount = stringOr(vendor, "discount");
        result->is_locked = stringOr(vendor, "is_locked");
        result->password = stringOr(vendor, "password");
        result->phone = stringOr(vendor, "phone");
        result->username = stringOr(vendor, "username");
        result->vendor_group_id = unchanged(vendor, "vendor_group_id");
        result->vendor_id = unchanged(vendor, "vendor_id");
        result->vendor_state_id = unchanged(vendor, "vendor_state_id");
    }
    return result;
}

RequestConfig::RequestConfig() { setCommand(*this, 0x104, "Component?", "loadConfigurationData"); }

std::optional<std::string> RequestConfig::RequestEncode()
{
    return encode(*this, { { "methodName", methodName }, { "clientId", clientId } });
}

std::shared_ptr<NetBaseRst> RequestConfig::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<ConfigRst>();
    DecodeResults(*result, reply);
    if (!isSuccess(*result))
        return result;
    // A "200" without the configuration object would sign in on whatever
    // configuration the device last had, and tell nobody.
    const Value* content = successContent(*result, reply, Value::Type::Dictionary);
    if (!content) {
        DecodeMalformed(*result);
        return result;
    }
    const Value& c = *content;
    ConfigRows row(*result);

    const Value& modules = c["configuration"];
    if (modules.isDictionary()) {
        bool complete = true;
        for (const char* key : { "home", "category", "sync", "inventory", "library", "customer" })
            complete = complete && modules.contains(key);
        if (complete) {
            std::string desc;
            for (const char* key : { "home", "category", "customer", "inventory", "library", "order", "sync" }) {
                if (!desc.empty())
                    desc += ',';
                desc += unchanged(modules, key).value_or("(null)");
            }
            row("configuration", std::move(desc));
        }
    }
    appendAppConfiguration(row, c);
    const Value& settings = c["settings"];
    if (settings.isDictionary()) {
        if (auto v = unchanged(settings, "view_type"))
            row("left_panel", *v);
        if (auto v = unchanged(settings, "order_method"))
            row("order_method", *v);
    }
    return result;
}

RequestRuntimeConfig::RequestRuntimeConfig() { setCommand(*this, 0x105, "Component?", "getRunTimeConfig"); }

std::optional<std::string> RequestRuntimeConfig::RequestEncode()
{
    return encode(*this, { { "methodName", methodName }, { "clientId", clientId } });
}

std::shared_ptr<NetBaseRst> RequestRuntimeConfig::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<ConfigRst>();
    DecodeResults(*result, reply);
    if (const Value* content = successContent(*result, reply, Value::Type::Dictionary)) {
        ConfigRows row(*result);
        appendAppConfiguration(row, *content);
    }
    return result;
}

RequestCheckDeviceStatus::RequestCheckDeviceStatus()
{
    setCommand(*this, 0x106, "Vendor?", "checkDeviceStatus");
    auto session = ProtocolServices::session();
    userName = session.acountID;
    clientID = session.clientID;
    deviceID = session.deviceID;
}

std::optional<std::string> RequestCheckDeviceStatus::RequestEncode()
{
    return encode(*this,
        {
            { "methodName", methodName },
            { "accountId", userName },
            { "deviceId", deviceID },
            { "clientId", clientID },
        });
}

std::shared_ptr<NetBaseRst> RequestCheckDeviceStatus::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<CheckDeviceRst>();
    DecodeResults(*result, reply);
    return result;
}

RequestCheckVersion::RequestCheckVersion() { setCommand(*this, 0x107, "SyncServer?", "checkAppVersion"); }

std::optional<std::string> RequestCheckVersion::RequestEncode()
{
    return encode(*this, { { "methodName", methodName }, { "version", ProtocolServices::currentVersion() } });
}

std::shared_ptr<NetBaseRst> RequestCheckVersion::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<CheckAppVersionRst>();
    DecodeResults(*result, reply);
    const Value* content = successContent(*result, reply, Value::Type::Dictionary);
    if (!content)
        return result;
    const Value& c = *content;
    result->updateType = intOf(c, "update_status");
    result->appVersion = unchanged(c, "latest_version");
    result->appUrl = unchanged(c, "app_url");
    const Value& messages = c["messages"];
    if (messages.isDictionary()) {
        result->msgChinese = unchanged(messages, "zh");
        result->msgEnglish = unchanged(messages, "en");
    }
    return result;
}

std::optional<std::string> CheckAppVersionRst::updateMessage() const
{
    return ProtocolServices::currentLanguage() == 2 ? msgChinese : msgEnglish;
}

RequestGetUserinfo::RequestGetUserinfo()
{
    setCommand(*this, 0x108, "Vendor?", "getuserinfo");
    auto session = ProtocolServices::session();
    userName = session.acountID;
    clientID = session.clientID;
}

std::optional<std::string> RequestGetUserinfo::RequestEncode()
{
    return encode(*this, { { "methodName", methodName }, { "accountId", userName }, { "clientId", clientID } });
}

std::shared_ptr<NetBaseRst> RequestGetUserinfo::RequestDecode(const std::optional<Value>& reply)
{
    auto result = std::make_shared<GetUserinfoRst>();
    DecodeResults(*result, reply);
    const Value* content = successContent(*result, reply, Value::Type::Dictionary);
    if (!content)
        return result;
    result->email = unchanged(*content, "email");
    result->companyName = stringOr(*content, "company_name");
    result->companyLink = stringOr(*content, "link");
    result->userAccess = intOf(*content, "user_access");
    return result;
}
