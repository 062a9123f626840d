#include "Platform/UIKit/UIApplication.h"

#include "Platform/UIKit/UIDesktopWindow.h"

#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIViewController.h"
#include "Platform/UIKit/UIWindow.h"

#include <gio/gio.h>

#include <cstdlib>
#include <unistd.h>

namespace {
std::shared_ptr<UIApplication> s_application;

bool hasScheme(const std::string& url, const std::string& scheme)
{
    if (url.size() <= scheme.size() || url[scheme.size()] != ':')
        return false;
    for (size_t i = 0; i < scheme.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(url[i])) != scheme[i])
            return false;
    return true;
}
}

std::shared_ptr<UIApplication> UIApplication::sharedApplication()
{
    if (!s_application)
        s_application = std::make_shared<UIApplication>();
    return s_application;
}

void UIApplication::resetSharedApplication() { s_application.reset(); }

void UIApplication::post(const std::string& name)
{
    NSNotificationCenter::defaultCenter().postNotificationName(name, {}, {}, shared_from_this());
}

bool UIApplication::launch(const Value& options)
{
    auto keep = shared_from_this();
    bool ok = m_delegate ? m_delegate->applicationDidFinishLaunchingWithOptions(*this, options) : true;
    post(UIApplicationDidFinishLaunchingNotification);
    becomeActive();
    return ok;
}

void UIApplication::resignActive()
{
    if (m_state != UIApplicationStateActive)
        return;
    m_state = UIApplicationStateInactive;
    if (m_delegate)
        m_delegate->applicationWillResignActive(*this);
    post(UIApplicationWillResignActiveNotification);
}

void UIApplication::enterBackground()
{
    resignActive();
    if (m_state == UIApplicationStateBackground)
        return;
    m_state = UIApplicationStateBackground;
    if (m_delegate)
        m_delegate->applicationDidEnterBackground(*this);
    post(UIApplicationDidEnterBackgroundNotification);
}

void UIApplication::enterForeground()
{
    if (m_state != UIApplicationStateBackground)
        return;
    m_state = UIApplicationStateInactive;
    if (m_delegate)
        m_delegate->applicationWillEnterForeground(*this);
    post(UIApplicationWillEnterForegroundNotification);
    becomeActive();
}

void UIApplication::becomeActive()
{
    if (m_state == UIApplicationStateActive)
        return;
    m_state = UIApplicationStateActive;
    if (m_delegate)
        m_delegate->applicationDidBecomeActive(*this);
    post(UIApplicationDidBecomeActiveNotification);
}

void UIApplication::terminate()
{
    if (m_terminated)
        return;
    m_terminated = true;
    auto keep = shared_from_this();
    if (m_delegate)
        m_delegate->applicationWillTerminate(*this);
    post(UIApplicationWillTerminateNotification);
    // A stop asked of a loop that is not running would cut short its next run, whoever runs it.
    if (auto loop = NSRunLoop::mainRunLoop(); loop->isRunning())
        loop->stop();
}

void UIApplication::simulateMemoryWarning()
{
    auto keep = shared_from_this();
    if (m_delegate)
        m_delegate->applicationDidReceiveMemoryWarning(*this);
    post(UIApplicationDidReceiveMemoryWarningNotification);
    for (auto& w : windows())
        if (auto root = w->rootViewController())
            root->didReceiveMemoryWarningTree();
}

std::vector<std::shared_ptr<UIWindow>> UIApplication::windows() const { return UIWindow::allWindows(); }

std::shared_ptr<UIWindow> UIApplication::keyWindow() const { return UIWindow::keyWindow(); }

bool UIApplication::canOpenURL(const std::string& url) const
{
    // Only web and mail links leave the application; the desktop must have a handler for the scheme.
    std::string scheme;
    for (const char* s : { "http", "https", "mailto" })
        if (hasScheme(url, s))
            scheme = s;
    if (scheme.empty())
        return false;
    GAppInfo* handler = g_app_info_get_default_for_uri_scheme(scheme.c_str());
    if (!handler)
        return false;
    g_object_unref(handler);
    return true;
}

bool UIApplication::openURL(const std::string& url)
{
    if (!canOpenURL(url)) {
        NSLog("cannot open url %@", url);
        return false;
    }
    GError* error = nullptr;
    if (!g_app_info_launch_default_for_uri(url.c_str(), nullptr, &error)) {
        NSLog("cannot open url %@: %@", url, std::string(error ? error->message : "?"));
        g_clear_error(&error);
        return false;
    }
    m_openedURLs.push_back(url);
    NSLog("open url %@", url);
    return true;
}

CGRect UIApplication::statusBarFrame() const { return m_statusBarHidden ? CGRectZero : CGRectMake(0, 0, 1024, 20); }

namespace {
int s_trackingDrags = 0;
}

const NSRunLoopMode& UIApplication::eventRunLoopMode()
{
    return s_trackingDrags > 0 ? UITrackingRunLoopMode : NSDefaultRunLoopMode;
}

void UIApplication::beginEventTracking() { ++s_trackingDrags; }

void UIApplication::endEventTracking()
{
    if (s_trackingDrags > 0)
        --s_trackingDrags;
}

int UIApplicationMain(int, char**, std::shared_ptr<UIApplicationDelegate> delegate)
{
    auto app = UIApplication::sharedApplication();
    app->setDelegate(std::move(delegate));
    auto loop = NSRunLoop::mainRunLoop();
    // Keeps the loop waiting when nothing is scheduled, as the platform's main loop never runs dry.
    auto keepAlive = loop->addSource({}, { NSDefaultRunLoopMode, UITrackingRunLoopMode });
    app->launch();
    std::unique_ptr<UIDesktopWindow> desktop = UIDesktopWindow::open(app->keyWindow());
    if (desktop)
        desktop->attachToMainRunLoop();
    while (!app->hasTerminated()) {
        if (desktop && desktop->isClosed()) {
            app->terminate();
            break;
        }
        loop->runMode(UIApplication::eventRunLoopMode(), NSRunLoopDistantFuture);
    }
    desktop.reset();
    loop->removeSource(keepAlive);
    return 0;
}

UIScreen& UIScreen::mainScreen()
{
    static UIScreen screen;
    return screen;
}

CGRect UIScreen::applicationFrame() const
{
    CGRect status = UIApplication::sharedApplication()->statusBarFrame();
    return CGRectMake(0, status.size.height, 1024, 768 - status.size.height);
}

UIDevice& UIDevice::currentDevice()
{
    static UIDevice device;
    return device;
}

std::string UIDevice::name() const
{
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0 || !host[0])
        return "iPad";
    return host;
}

float UIDeviceSystemVersionValue() { return std::strtof(UIDevice::currentDevice().systemVersion().c_str(), nullptr); }
