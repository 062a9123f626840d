#include "Network/Protocol/ProtocolServices.h"

namespace ProtocolServices {

Services& services()
{
    static Services s;
    return s;
}

Session session()
{
    auto& s = services();
    return s.session ? s.session() : Session {};
}

std::optional<std::string> languageText(const std::string& key)
{
    auto& s = services();
    return s.languageText ? s.languageText(key) : std::nullopt;
}

int currentLanguage()
{
    auto& s = services();
    return s.currentLanguage ? s.currentLanguage() : 1;
}

std::string currentVersion()
{
    auto& s = services();
    return s.currentVersion ? s.currentVersion() : std::string();
}

void logoutWithLockedUser(const std::string& status, const std::optional<std::string>& message)
{
    auto& s = services();
    if (s.logoutWithLockedUser)
        s.logoutWithLockedUser(status, message);
}

std::string encryptMD5(const std::string& text)
{
    auto& s = services();
    return s.encryptMD5 ? s.encryptMD5(text) : std::string();
}

std::string changeToServerFormatFromLocal(const std::optional<std::string>& local)
{
    auto& s = services();
    if (s.changeToServerFormatFromLocal)
        return s.changeToServerFormatFromLocal(local);
    return std::string();
}

std::string currentTime()
{
    auto& s = services();
    return s.currentTime ? s.currentTime() : std::string();
}

std::optional<std::string> stringUserDefault(const std::string& key)
{
    auto& s = services();
    return s.stringUserDefault ? s.stringUserDefault(key) : std::nullopt;
}

}  // namespace ProtocolServices
