#pragma once

// The welcome screen as a person meets it: a fresh device whose demo data
// are already unpacked (so no wait box stands over the form), the saved
// sign-in list a test writes, and helpers to type into the form.

#include "Classes/Frame/Language.h"
#include "Classes/Frame/MessageBox.h"
#include "Classes/Login/WeclomeViewController.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/SessionServices.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "support/ScreenTest.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

class LoginScreenFixture : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        // The frame's wait box, as the application delegate installs it for the session.
        auto& services = SessionServices::services();
        services.beginBlockWait = [](const std::string& text, double timeout) {
            MessageBox::sharedInstance()->BeginBlockWait(text, timeout);
        };
        services.endBlockWait = [] { MessageBox::sharedInstance()->EndBlockWait(); };
        services.waitMsgBoxtag = [] { return MessageBox::sharedInstance()->waitMsgBoxtag(); };
        for (const char* demo : { "dostrevik_", "velloran_" })
            NSFileManager::defaultManager().createDirectoryAtPathWithIntermediateDirectories(
                home->documents() + "/" + demo, true);
    }

    static Value entry(const std::string& user, const std::string& password, const std::string& client,
        std::optional<std::string> shortcut = std::nullopt)
    {
        Value e = Value::dictionary({ { "Input_UserID", Value(user) }, { "Input_PassWord", Value(password) },
            { "Input_ClientID", Value(client) }, { "Input_DeviceID", Value("device-1") } });
        if (shortcut)
            e.set("INPUT_USESHORTCUT", Value(*shortcut));
        return e;
    }
    static void saveSignIns(std::vector<Value> entries)
    {
        NSUserDefaults::standardUserDefaults()->setObjectForKey(
            Value(ValueArray(std::move(entries))), "Login_Info_Array");
    }
    static ValueArray savedSignIns()
    {
        return NSUserDefaults::standardUserDefaults()->arrayForKey("Login_Info_Array").arrayValue();
    }
    static void demoSwitches(bool first, bool second)
    {
        auto defaults = NSUserDefaults::standardUserDefaults();
        defaults->setBoolForKey(first, "D_OKRA_SHORTCUT");
        defaults->setBoolForKey(second, "VELLORAN_SHORTCUT");
    }

    void show()
    {
        screen = std::make_shared<WeclomeViewController>();
        showRoot(screen);
    }
    std::shared_ptr<LoginCheckBox> form() const { return screen->loginCheckBox(); }

    // The form moves with the keyboard; a moving view takes no taps, so each
    // tap waits for the move to end.
    void typeInto(const std::shared_ptr<UITextField>& field, const std::string& text)
    {
        driver->tap(field);
        driver->advance(0.35);
        driver->typeText(text);
    }
    void fill(const std::string& user, const std::string& password, const std::string& client)
    {
        typeInto(form()->userNameInputText(), user);
        typeInto(form()->passWordInputText(), password);
        typeInto(form()->clientIDInputText(), client);
    }
    // A tap on the form's empty left part, away from every control.
    void tapBackground()
    {
        driver->tapAt(CGPointMake(100, 300));
        driver->advance(0.35);
    }

    std::shared_ptr<WeclomeViewController> screen;
};
