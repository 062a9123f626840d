#include "ProtocolRoad.h"

#include "Network/Protocol/LoginMode.h"
#include "Platform/Foundation/NSFileManager.h"
#include "support/RequestsDrain.h"
#include "support/ServerSettings.h"

#include <fstream>
#include <sstream>

void ProtocolRoad::SetUp()
{
    ASSERT_TRUE(server.start());
    pointSettingsAtServer(server);
    auto login = LoginMode::sharedInstance();
    login->setAcountID(services.session.acountID);
    login->setPassword(services.session.password);
    login->setClientID(services.session.clientID);
    login->setDeviceID(services.session.deviceID);
    login->setSessionId(services.session.sessionId);
    transport->shouldReportChunk = [] { return false; };
}

void ProtocolRoad::TearDown()
{
    cancelAllRequestsAndDrainTransport();
    drainMainRunLoop();
    server.stop();
    LoginMode::freeInstance();
}

bool ProtocolRoad::waitForReplies(size_t count, double seconds)
{
    return pumpMainRunLoopUntil([&] { return receiver->replies.size() >= count; }, seconds);
}

std::string ProtocolRoad::readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void ProtocolRoad::writeFile(const std::string& path, const std::string& bytes)
{
    auto slash = path.rfind('/');
    NSFileManager::defaultManager().createDirectoryAtPathWithIntermediateDirectories(path.substr(0, slash), true);
    std::ofstream(path, std::ios::binary) << bytes;
}
