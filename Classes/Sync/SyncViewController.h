#pragma once

// The synchronisation tab: one panel with a row per kind of data the
// client's modules use, each with its progress and last date, the remaining
// time, and the button that starts a synchronisation. It starts the engine
// and is its delegate from its first appearance: progress, completion and
// interruption come back here and become bars, texts and alerts. Before a run
// over the mobile network it asks first; an interruption that calls for a new
// sign-in offers the log-out.

#include "Classes/Frame/BaseViewController.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Classes/Sync/ResourceUpdateView.h"
#include "Network/Protocol/SyncModel.h"
#include "Platform/UIKit/UIAlertView.h"

#include <memory>
#include <mutex>
#include <string>

class UIImageView;
class UILabel;

class SyncViewController : public BaseViewController,
                           public ResourceUpdateDelegate,
                           public SyncModelDelegate,
                           public UIAlertViewDelegate,
                           public LoadByConfigScreen {
public:
    static constexpr long kInterruptedAlertTag = 255;
    static constexpr long kSignInAgainAlertTag = 256;
    static constexpr long kMobileNetworkAlertTag = 1001;

    std::shared_ptr<ResourceUpdateView> resourceUpdateView() const { return m_resourceUpdateView; }
    std::shared_ptr<UILabel> titleLabel() const { return m_titleLabel; }

    void viewDidLoad() override;
    void viewAfterFirstDidLoad() override;
    void viewWillAppear(bool animated) override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o) override;
    unsigned supportedInterfaceOrientations() const override { return UIInterfaceOrientationMaskLandscape; }

    // The rows the client's modules call for; the tab bar asks again on each appearance.
    void loadByConfig() override;
    void getsyncdate();
    void syncData();
    void startIndictorView();
    void stopIndicatorView();

    // The start button (a sender) or the automatic start (none).
    void btnSyncClick(const std::shared_ptr<UIButton>& sender) override;

    // From the engine.
    void startSyncData() override;
    void setProgressImageTypeRemainTime(float progress, int imageType, int remainSeconds) override;
    void downloadimageFinished(int imageType) override;
    void getCustomerFinished() override;
    void finishedSync() override;
    void breakSync(const std::string& message) override;

    void alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex) override;

private:
    void startIfIdle();
    void showAlert(
        long tag, const std::string& message, std::optional<std::string> cancel, std::vector<std::string> others);

    std::shared_ptr<ResourceUpdateView> m_resourceUpdateView;
    std::shared_ptr<UILabel> m_titleLabel;
    std::shared_ptr<UIImageView> m_topBar;
    std::shared_ptr<UIView> m_syncMainView;
    std::shared_ptr<UIAlertView> m_alert;
    std::recursive_mutex m_lock;
};
