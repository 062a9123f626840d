#pragma once

// The first tab of the main tab bar: the client's skinned picture with the
// company's web address, the offer to synchronise when the server has new
// data (once per screen), and, after a demo sign-in, a one-time hint that a
// long press on the logo leads back to sign-in.

#include "Classes/Frame/BaseViewController.h"
#include "Classes/Frame/LinkLabel.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIPopoverController.h"

#include <optional>
#include <string>

class UIImageView;

class HomeViewController : public BaseViewController,
                           public LinkLabelDelegate,
                           public UIAlertViewDelegate,
                           public UIPopoverControllerDelegate {
public:
    static constexpr long kUpdateAlertTag = 1000;
    static constexpr long kMobileNetworkAlertTag = 1001;

    void viewDidLoad() override;
    void viewAfterFirstDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;

    void loadWebsiteAddress(const std::optional<std::string>& text);
    void linkLabelToucheTouchesWtihTag(LinkLabel& label, long tag) override;
    void showAlertViewWithMessageWithButtons(
        long tag, const std::string& message, const std::string& cancel, const std::string& other);
    void alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex) override;
    void showHelpLogout();
    bool hasShownHelpLogout() const;
    void markAppHasShownHelpLogout();
    void userEditBtnClick();
    void logoutBtnClick();

    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o) override;

    std::shared_ptr<UIImageView> homeBg() const { return m_homeBg; }
    std::shared_ptr<LinkLabel> linklblWebsite() const { return m_linklblWebsite; }
    std::shared_ptr<UIPopoverController> helpPopController() const { return m_helpPopController; }

private:
    void offerUpdateLater();
    void startUpdate();

    std::shared_ptr<UIImageView> m_homeBg;
    std::shared_ptr<LinkLabel> m_linklblWebsite;
    std::shared_ptr<UIPopoverController> m_helpPopController;
};
