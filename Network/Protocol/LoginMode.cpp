#include "Network/Protocol/LoginMode.h"

#include <mutex>

namespace {

std::mutex& classLock()
{
    static std::mutex lock;
    return lock;
}

std::shared_ptr<LoginMode>& slot()
{
    static std::shared_ptr<LoginMode> instance;
    return instance;
}

}  // namespace

std::shared_ptr<LoginMode> LoginMode::sharedInstance()
{
    std::lock_guard<std::mutex> guard(classLock());
    if (!slot())
        slot() = std::make_shared<LoginMode>();
    return slot();
}

void LoginMode::freeInstance()
{
    std::shared_ptr<LoginMode> ending;
    {
        std::lock_guard<std::mutex> guard(classLock());
        ending = std::move(slot());
        slot().reset();
    }
}

std::shared_ptr<LoginInfo> LoginMode::loginInfo() const
{
    auto info = std::make_shared<LoginInfo>();
    info->accountId = m_acountID;
    info->passWord = m_password;
    info->clientId = m_clientID;
    info->deviceId = m_deviceID;
    info->email = m_email;
    info->companyName = m_companyName;
    info->companyLink = m_companyLink;
    info->userAccess = m_userAccess;
    return info;
}
