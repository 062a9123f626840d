#include "ServerSettings.h"

#include "FakeCompanyServer.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSUserDefaults.h"

void pointSettingsAtServer(const FakeCompanyServer& server)
{
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObjectForKey(Value("127.0.0.1"), "IP");
    defaults->setIntegerForKey(server.port(), "Port");
    defaults->setObjectForKey(Value(server.messagePath), "Path");
    pointImageSettingsAt(server.port(), server.imagePath);
    // Without a source of its own the main loop would not wait for replies from the network thread.
    static auto keepAlive = NSRunLoop::mainRunLoop()->addSource({}, { NSDefaultRunLoopMode });
}

void pointImageSettingsAt(long port, const std::string& path)
{
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObjectForKey(Value("127.0.0.1"), "ImageIP");
    defaults->setIntegerForKey(port, "ImagePort");
    defaults->setObjectForKey(Value(path), "ImagePath");
}
