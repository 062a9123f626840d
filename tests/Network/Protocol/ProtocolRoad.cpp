#include "ProtocolRoad.h"

#include "Network/Protocol/LoginMode.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSUserDefaults.h"

#include <fstream>
#include <sstream>

void ProtocolRoad::SetUp()
{
    ASSERT_TRUE(server.start());
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObjectForKey(Value("127.0.0.1"), "IP");
    defaults->setIntegerForKey(server.port(), "Port");
    defaults->setObjectForKey(Value(server.messagePath), "Path");
    defaults->setObjectForKey(Value("127.0.0.1"), "ImageIP");
    defaults->setIntegerForKey(server.port(), "ImagePort");
    defaults->setObjectForKey(Value(server.imagePath), "ImagePath");
    auto login = LoginMode::sharedInstance();
    login->setAcountID(services.session.acountID);
    login->setPassword(services.session.password);
    login->setClientID(services.session.clientID);
    login->setDeviceID(services.session.deviceID);
    login->setSessionId(services.session.sessionId);
    // Replies come from the network thread; this keeps the main loop waiting for them.
    static auto keepAlive = NSRunLoop::mainRunLoop()->addSource({}, { NSDefaultRunLoopMode });
    transport->shouldReportChunk = [] { return false; };
}

void ProtocolRoad::TearDown()
{
    model->cancelAllRequests();
    pumpMainRunLoopUntil(
        [&] {
            return transport->messageQueue().requestsCount() == 0 && transport->downloadQueue().requestsCount() == 0
                && transport->currentDownloadQueue().requestsCount() == 0;
        },
        10);
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
