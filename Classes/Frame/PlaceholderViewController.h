#pragma once

// A plain screen standing where a screen of a later issue will go (the
// catalogue, customers, inventory, library, quote-order and synchronisation
// tabs, and the sign-in screen until it lands): a white page with the
// screen's title in the middle. Each issue that builds the real screen puts it
// in place of this one.

#include "Platform/UIKit/UIViewController.h"

class UILabel;

class PlaceholderViewController : public UIViewController {
public:
    // `screenName` is the class that will stand here; `titleKey` the language
    // key of its title.
    PlaceholderViewController(std::string screenName, std::string titleKey);

    const std::string& screenName() const { return m_screenName; }
    const std::string& titleKey() const { return m_titleKey; }

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;

private:
    std::string m_screenName;
    std::string m_titleKey;
    std::shared_ptr<UILabel> m_label;
};
