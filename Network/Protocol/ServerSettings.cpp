#include "Network/Protocol/ServerSettings.h"

#include "Database/ClientFiles.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/ServerInfo.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSUserDefaults.h"

#include <mutex>

namespace ServerSettings {

namespace {

    // The service's own host; the settings screen can point the device elsewhere.
    constexpr const char* kDefaultServerHost = "service.corvelle.net";

    std::mutex& serverLock()
    {
        static std::mutex lock;
        return lock;
    }

}  // namespace

const char* defaultServerHost() { return kDefaultServerHost; }

std::shared_ptr<ServerInfo> GetServer()
{
    static std::shared_ptr<ServerInfo> info;
    std::lock_guard<std::mutex> guard(serverLock());
    if (!info)
        info = std::make_shared<ServerInfo>();
    auto defaults = NSUserDefaults::standardUserDefaults();
    auto text = [&](const char* key, const char* fallback, std::string& field) {
        // An empty text counts as set; only an absent value takes the default.
        auto stored = defaults->stringForKey(key);
        if (stored) {
            field = *stored;
        } else {
            defaults->setObjectForKey(Value(fallback), key);
            field = fallback;
        }
    };
    auto port = [&](const char* key, long fallback, int& field) {
        long stored = defaults->integerForKey(key);
        if (stored == 0) {
            defaults->setIntegerForKey(fallback, key);
            stored = fallback;
        }
        field = static_cast<int>(stored);
    };
    text("IP", kDefaultServerHost, info->strIP);
    port("Port", 48080, info->httpPort);
    text("Path", "CorvelleSaas", info->websiteServer);
    text("ImageIP", kDefaultServerHost, info->imageIP);
    port("ImagePort", 480, info->imageHttpPort);
    text("ImagePath", "corvelle_saas", info->imageWebsiteServer);
    info->takeSchemes();
    defaults->synchronize();
    return info;
}

void resetUserSetting()
{
    auto defaults = NSUserDefaults::standardUserDefaults();
    auto text = [&](const char* key, const char* value) {
        if (defaults->stringForKey(key) != std::optional<std::string>(value))
            defaults->setObjectForKey(Value(value), key);
    };
    auto port = [&](const char* key, long value) {
        if (defaults->integerForKey(key) != value || !defaults->objectForKey(key).isNumber())
            defaults->setIntegerForKey(value, key);
    };
    text("IP", kDefaultServerHost);
    port("Port", 48080);
    text("Path", "CorvelleSaas");
    text("ImageIP", kDefaultServerHost);
    port("ImagePort", 480);
    text("ImagePath", "corvelle_saas");
    defaults->synchronize();
}

std::optional<std::string> fileURLWithNameFiletype(const std::optional<std::string>& name, int fileType)
{
    if (!name)
        return std::nullopt;
    const std::string base = GetServer()->imageBaseURL();
    const std::string clientID = LoginMode::sharedInstance()->clientID().value_or(std::string());
    std::string url = base + "/" + stringWithFormat("images/%@/", clientID);
    const std::string serverFolder = ClientFiles::serverFolderForFileType(fileType);
    if (!serverFolder.empty())
        url += serverFolder + "/";
    url += *name;
    return NSString::stringByAddingPercentEscapesUsingEncoding(url);
}

}  // namespace ServerSettings
