#pragma once

// What the protocol reads from the session, the application frame and the
// application delegate, gathered in one place. Those services live in other
// subsystems and install themselves here at start-up; the protocol then calls
// them without knowing their classes, and tests install their own.
//
// An unset service falls back to the real one where it exists here: the
// session's `LoginMode`, the text and date formats, the user defaults, the
// bundle's version and language tables. Only the locked-user handling of the
// application delegate has no fallback: unset, nobody is told.

#include <functional>
#include <optional>
#include <string>

namespace ProtocolServices {

// The signed-in account as the session holds it (`LoginMode`).
struct Session {
    std::optional<std::string> acountID;
    std::optional<std::string> password;
    std::optional<std::string> clientID;
    std::optional<std::string> deviceID;
    std::optional<std::string> sessionId;
};

struct Services {
    std::function<Session()> session;
    // The text of a key in the current language table, or nothing (`Language`).
    std::function<std::optional<std::string>(const std::string& key)> languageText;
    // 1 English, 2 Chinese (`LanguageManager`).
    std::function<int()> currentLanguage;
    // The application's version string (`currentVersion` of the application delegate).
    std::function<std::string()> currentVersion;
    // Locked-user handling of the application delegate (`logoutWithLockedUser:Message:`).
    std::function<void(const std::string& status, const std::optional<std::string>& message)> logoutWithLockedUser;
    // MD5 of a text as 32 upper-case hexadecimal digits (`encryptMD5:`).
    std::function<std::string(const std::string&)> encryptMD5;
    // "MM/dd/yyyy HH:mm:ss" to "yyyy-MM-dd HH:mm:ss", "" for nothing (`changeToServerFormatFromLocal:`).
    std::function<std::string(const std::optional<std::string>&)> changeToServerFormatFromLocal;
    // Now as "MM/dd/yyyy HH:mm:ss" (`currentTime`).
    std::function<std::string()> currentTime;
    // A string user default, or nothing.
    std::function<std::optional<std::string>(const std::string& key)> stringUserDefault;
};

// The installed services; a test may replace any member and must put back what it changed.
Services& services();

Session session();
std::optional<std::string> languageText(const std::string& key);
int currentLanguage();
std::string currentVersion();
void logoutWithLockedUser(const std::string& status, const std::optional<std::string>& message);
std::string encryptMD5(const std::string& text);
std::string changeToServerFormatFromLocal(const std::optional<std::string>& local);
std::string currentTime();
std::optional<std::string> stringUserDefault(const std::string& key);

}  // namespace ProtocolServices
