#include "SessionRoad.h"

#include "Classes/Customer/CustomerDataModel.h"
#include "Database/ConfigManager.h"
#include "Database/DataAccessManager.h"
#include "Network/Protocol/HttpNetworkCtrl.h"
#include "Platform/Foundation/NSFileManager.h"
#include "support/RequestsDrain.h"
#include "support/ServerSettings.h"

#include <algorithm>

bool RecordingLoginDelegate::has(const std::string& event) const
{
    return std::find(events.begin(), events.end(), event) != events.end();
}

bool RecordingSyncDelegate::has(const std::string& event) const
{
    return std::find(events.begin(), events.end(), event) != events.end();
}

void SessionRoad::SetUp()
{
    m_savedProtocol = ProtocolServices::services();
    m_savedSession = SessionServices::services();
    auto& protocol = ProtocolServices::services();
    protocol.languageText = [this](const std::string& key) -> std::optional<std::string> {
        auto it = language.find(key);
        return it == language.end() ? std::nullopt : std::optional(it->second);
    };
    protocol.currentVersion = [] { return std::string("2.1"); };
    protocol.logoutWithLockedUser
        = [this](const std::string& status, const std::optional<std::string>&) { lockedUser.push_back(status); };
    auto& session = SessionServices::services();
    session.beginBlockWait = [this](const std::string& text, double) { waitBox.push_back("begin"); };
    session.endBlockWait = [this] { waitBox.push_back("end"); };
    session.waitMsgBoxtag = [] { return 0; };
    // Stands for the frame's unpacking, which leaves the client's SkinImages folder.
    session.initializeSkinImage = [this] {
        ++skinUnpacked;
        return NSFileManager::defaultManager().createDirectoryAtPathWithIntermediateDirectories(
            documents("acme/SkinImages"), true);
    };

    server.setAccount("ACME", "sales1", { "secret" });
    server.addFile("ACME", "", "SkinImages.zip", "PK\x05\x06" + std::string(18, '\0'));
    server.addFile("ACME", "product", "chair.png", "full image");
    server.addFile("ACME", "product", "chair_t.png", "thumb image");
    server.addFile("ACME", "icon", "logo.png", "icon");
    server.addFile("ACME", "library/cover_image", "catalogue.png", "cover");
    ASSERT_TRUE(server.start());
    pointSettingsAtServer(server);
    HttpNetworkCtrl::sharedInstance()->shouldReportChunk = [] { return false; };
}

void SessionRoad::TearDown()
{
    cancelAllRequestsAndDrainTransport();
    drainMainRunLoop();
    server.stop();
    freeSession();
    ProtocolServices::services() = m_savedProtocol;
    SessionServices::services() = m_savedSession;
}

void SessionRoad::freeSession()
{
    SyncModel::freeInstance();
    LoginMode::freeInstance();
    CustomerDataModel::freeInstance();
    ConfigManager::freeInstance();
    DataAccessManager::releaseDataModel();
}

bool SessionRoad::signIn(const std::string& password, bool autoLogin)
{
    auto session = LoginMode::sharedInstance();
    session->setDelegate(loginDelegate);
    auto info = std::make_shared<LoginInfo>();
    info->accountId = "sales1";
    info->passWord = password;
    info->clientId = "ACME";
    info->deviceId = "DEV-1";
    size_t before = loginDelegate->events.size();
    session->loginIsFromInputIsAutoLogin(info, true, autoLogin);
    bool ended = pumpMainRunLoopUntil(
        [&] {
            for (size_t i = before; i < loginDelegate->events.size(); ++i) {
                if (loginDelegate->events[i] != "button")
                    return true;
            }
            return false;
        },
        30);
    // The skin's finish report may still be on its way.
    auto transport = HttpNetworkCtrl::sharedInstance();
    pumpMainRunLoopUntil([&] { return transport->messageQueue().requestsCount() == 0; }, 10);
    drainMainRunLoop();
    return ended && loginDelegate->events.back() == "success";
}

bool SessionRoad::synchronise()
{
    auto sync = SyncModel::sharedInstance();
    sync->setDelegate(syncDelegate);
    syncDelegate->events.clear();
    sync->startSync();
    bool ended = pumpMainRunLoopUntil(
        [&] {
            return syncDelegate->has("finished")
                || std::any_of(syncDelegate->events.begin(), syncDelegate->events.end(),
                    [](const std::string& e) { return e.rfind("break:", 0) == 0; });
        },
        60);
    // What the screen does when the run stops.
    sync->resetDownloadProgress();
    return ended && syncDelegate->has("finished");
}

std::vector<std::string> SessionRoad::commands() const
{
    std::vector<std::string> out;
    for (const auto& r : server.received()) {
        if (r.command == "file") {
            out.push_back("file:" + r.path.substr(r.path.rfind('/') + 1));
            continue;
        }
        if (r.command == FakeCompanyServer::kVersion)
            continue;
        std::string name = r.command;
        if (r.command == FakeCompanyServer::kSyncFinished)
            name += ":" + r.parameters["tableType"].stringValue();
        out.push_back(name);
    }
    return out;
}

bool SessionRoad::exists(const std::string& relative) const
{
    return NSFileManager::defaultManager().fileExistsAtPath(documents(relative));
}
