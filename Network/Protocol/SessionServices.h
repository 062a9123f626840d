#pragma once

// What the session and the synchronisation engine ask of the application
// frame: the blocking wait box, the skin unpacking, the log-out, the version
// alerts, which screen is the window's root, and the customer cache reload.
// Those services live in the frame and the customer subsystem, above this
// layer. The frame installs the services at launch; an unset member is a
// frame that has none (no wait box is shown, nobody is told). The providers
// are set once when the program is assembled and stay through a reset of the
// services: unset, the skin is not unpacked and no customer cache reloads.

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

struct Providers {
    // Unpacks the client's SkinImages.zip when no initializeSkinImage service is set.
    std::function<bool()> unpackSkin;
    // Reloads the customer cache (`CustomerDataModel` reloadCustomerData) after customers arrive.
    std::function<void()> reloadCustomerData;
};

Providers& providers();

void beginBlockWait(const std::string& text, double timeout);
void endBlockWait();
void changeWaitMessage(const std::string& text);
int waitMsgBoxtag();
bool initializeSkinImage();
void showLoginPage();
void checkAppVersionReturn(const std::shared_ptr<CheckAppVersionRst>& reply);
bool welcomeScreenIsRoot();
void reloadCustomerData();

}  // namespace SessionServices
