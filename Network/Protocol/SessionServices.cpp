#include "Network/Protocol/SessionServices.h"

#include "Classes/Frame/SkinManager.h"

namespace SessionServices {

Services& services()
{
    static Services installed;
    return installed;
}

void beginBlockWait(const std::string& text, double timeout)
{
    if (services().beginBlockWait)
        services().beginBlockWait(text, timeout);
}

void endBlockWait()
{
    if (services().endBlockWait)
        services().endBlockWait();
}

void changeWaitMessage(const std::string& text)
{
    if (services().changeWaitMessage)
        services().changeWaitMessage(text);
}

int waitMsgBoxtag() { return services().waitMsgBoxtag ? services().waitMsgBoxtag() : 0; }

bool initializeSkinImage()
{
    return services().initializeSkinImage ? services().initializeSkinImage()
                                          : SkinManager::sharedInstance()->initializeSkinImage();
}

void showLoginPage()
{
    if (services().showLoginPage)
        services().showLoginPage();
}

void checkAppVersionReturn(const std::shared_ptr<CheckAppVersionRst>& reply)
{
    if (services().checkAppVersionReturn)
        services().checkAppVersionReturn(reply);
}

bool welcomeScreenIsRoot() { return services().welcomeScreenIsRoot ? services().welcomeScreenIsRoot() : false; }

}  // namespace SessionServices
