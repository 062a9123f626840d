#pragma once

// The accounts that signed in online on this device, kept for offline sign-in.

#include "Database/BaseDataModel.h"
#include "Database/LoginInfo.h"

#include <optional>
#include <string>

class LoginUserModel : public BaseDataModel {
public:
    bool updateVersion() override;
    bool createLoginUserTable();
    bool alterLoginUserTable();
    // The stored account whose user id matches without regard to case.
    std::shared_ptr<LoginInfo> getUserInfo(const std::optional<std::string>& userId);
    [[nodiscard]] bool saveUserInfo(const std::shared_ptr<LoginInfo>& info);
    // "200" when client id, device id, user id and password all match, else
    // the status of the first check that fails: "210", "201", "202", "206".
    std::optional<std::string> checkLocalUserInfo(const std::shared_ptr<LoginInfo>& info);
    // Blanks the stored password of the account when it is the one given, so
    // that it opens the account offline no more (a blank one never matches).
    bool forgetRefusedPassword(const std::shared_ptr<LoginInfo>& info);
    bool checkClientId(const std::shared_ptr<LoginInfo>& info);
    bool checkDeviceId(const std::shared_ptr<LoginInfo>& info);
    bool checkUserName(const std::shared_ptr<LoginInfo>& info);
    bool checkPassword(const std::shared_ptr<LoginInfo>& info);
};
