#include "ServerSettings.h"

#include "FakeCompanyServer.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSUserDefaults.h"

void pointSettingsAtServer(const FakeCompanyServer& server)
{
    pointMessageSettingsAt(server.port(), server.messagePath);
    pointImageSettingsAt(server.port(), server.imagePath);
    keepMainRunLoopWaiting();
}

void pointMessageSettingsAt(long port, const std::string& path)
{
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObjectForKey(Value("127.0.0.1"), "IP");
    defaults->setIntegerForKey(port, "Port");
    defaults->setObjectForKey(Value(path), "Path");
}

void keepMainRunLoopWaiting()
{
    static auto keepAlive = NSRunLoop::mainRunLoop()->addSource({}, { NSDefaultRunLoopMode });
}

void pointImageSettingsAt(long port, const std::string& path)
{
    auto defaults = NSUserDefaults::standardUserDefaults();
    defaults->setObjectForKey(Value("127.0.0.1"), "ImageIP");
    defaults->setIntegerForKey(port, "ImagePort");
    defaults->setObjectForKey(Value(path), "ImagePath");
}
