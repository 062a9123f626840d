#include "Network/Protocol/ProtocolServices.h"

#include "Database/Formats.h"
#include "Network/Protocol/LoginMode.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/Foundation/PropertyList.h"

namespace ProtocolServices {

Services& services()
{
    static Services s;
    return s;
}

Session session()
{
    auto& s = services();
    if (s.session)
        return s.session();
    auto login = LoginMode::sharedInstance();
    return { login->acountID(), login->password(), login->clientID(), login->deviceID(), login->sessionId() };
}

namespace {

    // The language table of the bundle for the current language, read once per
    // language: "language_cn" for Chinese, "language_en" otherwise.
    std::optional<std::string> bundleLanguageText(const std::string& key)
    {
        static int loadedLanguage = -1;
        static Value table;
        int language = currentLanguage();
        if (language != loadedLanguage) {
            table = Value();
            if (auto path
                = NSBundle::mainBundle()->pathForResourceOfType(language == 2 ? "language_cn" : "language_en", "plist"))
                table = PropertyList::dictionaryWithContentsOfFile(*path);
            // A missing table is looked for again on the next call.
            loadedLanguage = table.isDictionary() ? language : -1;
        }
        if (auto text = table[key].stringView())
            return std::string(*text);
        return std::nullopt;
    }

}  // namespace

std::optional<std::string> languageText(const std::string& key)
{
    auto& s = services();
    return s.languageText ? s.languageText(key) : bundleLanguageText(key);
}

int currentLanguage()
{
    auto& s = services();
    return s.currentLanguage ? s.currentLanguage() : static_cast<int>(Formats::currentLanguage());
}

std::string currentVersion()
{
    auto& s = services();
    if (s.currentVersion)
        return s.currentVersion();
    return NSBundle::mainBundle()->objectForInfoDictionaryKey("CFBundleShortVersionString").stringValue();
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
    return s.encryptMD5 ? s.encryptMD5(text) : Formats::encryptMD5(text);
}

std::string changeToServerFormatFromLocal(const std::optional<std::string>& local)
{
    auto& s = services();
    if (s.changeToServerFormatFromLocal)
        return s.changeToServerFormatFromLocal(local);
    return Formats::changeToServerFormatFromLocal(local);
}

std::string currentTime()
{
    auto& s = services();
    return s.currentTime ? s.currentTime() : Formats::currentTime();
}

std::optional<std::string> stringUserDefault(const std::string& key)
{
    auto& s = services();
    if (s.stringUserDefault)
        return s.stringUserDefault(key);
    // The value is held here: a pointer into the temporary the lookup returns
    // would dangle by the next line.
    const Value value = NSUserDefaults::standardUserDefaults()->objectForKey(key);
    if (auto text = value.stringView())
        return std::string(*text);
    return std::nullopt;
}

}  // namespace ProtocolServices
