#pragma once

// Shortcuts for a one-button alert that reports to no one.

#include <string>

class UIHelpers {
public:
    static void showAlertWithTitleMsgButtonTitle(
        const std::string& title, const std::string& msg, const std::string& buttonTitle);
    // The button reads the bundle's text for "OK".
    static void showAlertWithTitle(const std::string& title);
    static void showAlertWithTitleMsg(const std::string& title, const std::string& msg);
};
