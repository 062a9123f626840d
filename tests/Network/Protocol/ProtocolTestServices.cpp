#include "ProtocolTestServices.h"

ProtocolTestServices::ProtocolTestServices()
    : m_saved(ProtocolServices::services())
{
    session = { "Sales1", "secret", "ACME", "DEV-1", "S123" };
    auto& s = ProtocolServices::services();
    s.session = [this] { return session; };
    s.languageText = [this](const std::string& key) -> std::optional<std::string> {
        auto it = language.find(key);
        if (it == language.end())
            return std::nullopt;
        return it->second;
    };
    s.currentLanguage = [this] { return currentLanguage; };
    s.currentVersion = [this] { return version; };
    s.logoutWithLockedUser = [this](const std::string& status, const std::optional<std::string>& message) {
        lockedUserCalls.emplace_back(status, message);
    };
    // Stands for the frame's digest: enough to see that the hash is taken once and lower-cased.
    s.encryptMD5 = [](const std::string& text) { return "MD5(" + text + ")"; };
    s.changeToServerFormatFromLocal = [](const std::optional<std::string>& local) -> std::string {
        if (!local || local->size() != 19)
            return "";
        // MM/dd/yyyy HH:mm:ss -> yyyy-MM-dd HH:mm:ss
        return local->substr(6, 4) + "-" + local->substr(0, 2) + "-" + local->substr(3, 2) + local->substr(10);
    };
    s.currentTime = [] { return std::string("05/01/2014 08:30:00"); };
    s.stringUserDefault = [this](const std::string& key) -> std::optional<std::string> {
        auto it = defaults.find(key);
        if (it == defaults.end())
            return std::nullopt;
        return it->second;
    };
}

ProtocolTestServices::~ProtocolTestServices() { ProtocolServices::services() = m_saved; }
