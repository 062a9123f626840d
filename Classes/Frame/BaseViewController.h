#pragma once

// The base of every full screen and most pop-ups. It registers the screen
// with the language service when its view loads (and unregisters it when it
// goes), turns a language change into `updateLanguage`, keeps whether the
// one-time set-up has run (bViewHasLoad) and whether the screen is on view
// (bViewAppear), and turns a memory warning into the drop-views hook.
//
// A subclass's viewDidLoad calls this one first, builds its views, and ends
// with `if (!bViewHasLoad()) viewAfterFirstDidLoad();`, so that a view rebuilt
// after an unload does not repeat the one-time set-up.

#include "Classes/Frame/LanguageManagerDelegate.h"
#include "Platform/UIKit/UIViewController.h"

#include <memory>

class BaseViewController : public UIViewController, public LanguageManagerDelegate {
public:
    BaseViewController();
    ~BaseViewController() override;

    void viewDidLoad() override;
    // The one-time set-up; overrides call this first.
    virtual void viewAfterFirstDidLoad();
    void viewDidAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    // Re-reads every caption from the language tables; empty here.
    virtual void updateLanguage(const std::shared_ptr<UIResponder>& sender) { }
    void didReceiveMemoryWarning() override;
    // Drops views of a screen that is not on view; empty here.
    virtual void hightVersionViewDidUnload() { }
    void viewDidUnload() override { UIViewController::viewDidUnload(); }

    void notifiChangelanguage() override;

    bool bViewHasLoad() const { return m_bViewHasLoad; }
    bool bViewAppear() const { return m_bViewAppear; }

private:
    bool m_bViewHasLoad = false;
    bool m_bViewAppear = false;
};
