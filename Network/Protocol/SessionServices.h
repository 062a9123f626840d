#pragma once

// What the session and the synchronisation engine ask of the application
// frame: the blocking wait box, the skin unpacking, the log-out, the version
// alerts, which screen is the window's root, and the customer cache reload.
// Those services live in the frame and the customer subsystem, which install
// themselves here at start-up; an unset member is a frame that has none (no
// wait box is shown, nobody is told), except the skin, which the skin service
// unpacks.

#include <functional>
#include <memory>
#include <optional>
#include <string>

class CheckAppVersionRst;

namespace SessionServices {

struct Services {
    // `MessageBox`: BeginBlockWait:timeout:, EndBlockWait, ChangeWaitMessage:, waitMsgBoxtag.
    std::function<void(const std::string& text, double timeout)> beginBlockWait;
    std::function<void()> endBlockWait;
    std::function<void(const std::string& text)> changeWaitMessage;
    std::function<int()> waitMsgBoxtag;
    // `SkinManager` initializeSkinImage: unpacks the client's SkinImages.zip.
    std::function<bool()> initializeSkinImage;
    // The application delegate: log-out (showLoginPage), the version reply, and
    // whether the window's root is the welcome screen.
    std::function<void()> showLoginPage;
    std::function<void(const std::shared_ptr<CheckAppVersionRst>&)> checkAppVersionReturn;
    std::function<bool()> welcomeScreenIsRoot;
};

Services& services();

void beginBlockWait(const std::string& text, double timeout);
void endBlockWait();
void changeWaitMessage(const std::string& text);
int waitMsgBoxtag();
bool initializeSkinImage();
void showLoginPage();
void checkAppVersionReturn(const std::shared_ptr<CheckAppVersionRst>& reply);
bool welcomeScreenIsRoot();

}  // namespace SessionServices
