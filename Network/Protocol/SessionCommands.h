#pragma once

// The session and configuration commands: sign-in, module and runtime
// configuration, device status, version check and user information. None of
// them carries the session id.

#include "Network/Protocol/ProtocolRecords.h"
#include "Network/Protocol/RequestInterfaceBase.h"

#include <vector>

class LoginRst : public NetBaseRst {
public:
    std::optional<std::string> sessionId, account, clientId, device_id, device_token, discount, email, companyName,
        companyLink, is_locked, password, phone, username, vendor_group_id, vendor_id, vendor_state_id, userId;
    bool needUpdate = false;
    bool needUpdateSkin = false;
    bool needSyncAll = false;
    int userAccess = 0;
};

class ConfigRst : public NetBaseRst {
public:
    std::vector<std::shared_ptr<ProtocolRecords::ConfigEntity>> configTable;
};

class CheckDeviceRst : public NetBaseRst { };

class CheckAppVersionRst : public NetBaseRst {
public:
    std::optional<std::string> appVersion, appUrl, msgEnglish, msgChinese;
    int updateType = 0;
    // The message in the current interface language.
    std::optional<std::string> updateMessage() const;
};

class GetUserinfoRst : public NetBaseRst {
public:
    std::optional<std::string> email, companyName, companyLink;
    int userAccess = 0;
};

class RequestLogin : public RequestInterfaceBase {
public:
    RequestLogin();  // the account from the session
    std::optional<std::string> userName, passWord, clientID, deviceID;
    std::optional<std::string> RequestEncode() override;
    std::shared_ptr<NetBaseRst> RequestDecode(const std::optional<Value>& reply) override;
};

class RequestConfig : public RequestInterfaceBase {
public:
    RequestConfig();
    std::optional<std::string> clientId;
    std::optional<std::string> RequestEncode() override;
    std::shared_ptr<NetBaseRst> RequestDecode(const std::optional<Value>& reply) override;
};

class RequestRuntimeConfig : public RequestInterfaceBase {
public:
    RequestRuntimeConfig();
    std::optional<std::string> clientId;
    std::optional<std::string> RequestEncode() override;
    std::shared_ptr<NetBaseRst> RequestDecode(const std::optional<Value>& reply) override;
};

class RequestCheckDeviceStatus : public RequestInterfaceBase {
public:
    RequestCheckDeviceStatus();  // the account from the session
    std::optional<std::string> userName, clientID, deviceID;
    std::optional<std::string> RequestEncode() override;
    std::shared_ptr<NetBaseRst> RequestDecode(const std::optional<Value>& reply) override;
};

class RequestCheckVersion : public RequestInterfaceBase {
public:
    RequestCheckVersion();
    std::optional<std::string> RequestEncode() override;
    std::shared_ptr<NetBaseRst> RequestDecode(const std::optional<Value>& reply) override;
};

class RequestGetUserinfo : public RequestInterfaceBase {
public:
    RequestGetUserinfo();  // the account from the session
    std::optional<std::string> userName, clientID;
    // Never set and never sent.
    std::optional<std::string> startTime;
    int count = 0;
    std::optional<std::string> RequestEncode() override;
    std::shared_ptr<NetBaseRst> RequestDecode(const std::optional<Value>& reply) override;
};
