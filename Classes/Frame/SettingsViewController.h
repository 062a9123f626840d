#pragma once

// The settings sheet the tab bar's settings button opens: a grouped table of
// account information (with the account-edit page and the company's
// content-management site), the show-all-customers switch, a full
// synchronisation, the interface language, a version check, the about screen
// and logout. The account and language sub-pages are further instances of
// this class pushed on the sheet's navigation controller.

#include "Classes/Frame/LanguageManager.h"
#include "Classes/Frame/PopControllerDelegate.h"
#include "Classes/Frame/SettingsCellEntity.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UITableViewController.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class SettingsViewControllerDelegate {
public:
    virtual ~SettingsViewControllerDelegate() = default;
    // Optional: the tab bar unselects its settings button.
    virtual void deselectButton() { }
};

class SettingsViewController : public UITableViewController,
                               public LanguageManagerDelegate,
                               public UIAlertViewDelegate,
                               public PopControllerDelegate {
public:
    enum Page { PageMain = 0, PageAccount = 1, PageLanguage = 2 };
    static constexpr long kLogoutAlertTag = 1000;
    static constexpr long kFullSyncAlertTag = 1001;
    static constexpr long kNoCMSAccessAlertTag = 1002;
    static constexpr long kMobileNetworkAlertTag = 1004;

    SettingsViewController();
    ~SettingsViewController() override;

    const std::map<long, std::vector<std::shared_ptr<SettingsCellEntity>>>& groups();
    std::vector<std::shared_ptr<SettingsCellEntity>> accountInfoItems;
    std::vector<std::string> languageItems;
    std::optional<std::string> checkForUpdates;
    long settingPage = PageMain;
    std::shared_ptr<SettingsViewControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<SettingsViewControllerDelegate> d) { m_delegate = std::move(d); }
    // A running row number over the main page's sections.
    long indexOfSection(const NSIndexPath& path) const;

    void viewDidLoad() override;
    bool shouldAutorotate() const override { return false; }
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o) override;

    long numberOfSectionsInTableView(UITableView&) override;
    long tableViewNumberOfRowsInSection(UITableView&, long section) override;
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView&, const NSIndexPath&) override;
    void tableViewDidSelectRowAtIndexPath(UITableView&, const NSIndexPath&) override;
    std::optional<CGFloat> tableViewHeightForHeaderInSection(UITableView&, long) override { return 0; }

    void doneButtonTapped();
    void syncAllData();
    void openCMSURL();
    void openURLInWebView(const std::string& url);
    void dismissPopController(bool animated) override;
    void btnUserEditClick();
    void alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex) override;
    void notifiChangelanguage() override;

private:
    std::shared_ptr<SettingsCellEntity> rowAt(const NSIndexPath& path);
    std::shared_ptr<UITableViewCell> mainPageCell(UITableView& table, const SettingsCellEntity& row);
    std::shared_ptr<UITableViewCell> accountPageCell(UITableView& table, const SettingsCellEntity& row);
    void closeSheet(bool animated, std::function<void()> then);
    void pushSubPage(long page, const SettingsCellEntity& row);
    void showAlert(long tag, const char* messageKey, const char* cancelKey, const char* otherKey,
        const char* titleKey = "NOTIFICATION");
    void switchChanged(bool on);
    void retitle();

    std::optional<std::map<long, std::vector<std::shared_ptr<SettingsCellEntity>>>> m_groups;
    std::shared_ptr<SettingsCellEntity> m_helpRow;
    std::weak_ptr<SettingsViewControllerDelegate> m_delegate;
    std::shared_ptr<UIBarButtonItem> m_doneButton;
    bool m_registered = false;
};
