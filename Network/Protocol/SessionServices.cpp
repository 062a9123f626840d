#include "Network/Protocol/SessionServices.h"

namespace SessionServices {

Services& services()
{
    static Services installed;
    return installed;
}

Providers& providers()
{
    static Providers installed;
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
    if (services().initializeSkinImage)
        return services().initializeSkinImage();
    return providers().unpackSkin ? providers().unpackSkin() : false;
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

void reloadCustomerData()
{
    if (providers().reloadCustomerData)
        providers().reloadCustomerData();
}

}  // namespace SessionServices
