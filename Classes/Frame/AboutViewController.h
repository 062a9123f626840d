#pragma once

// The about page of the settings sheet: the application's icon, name and
// version and the company's lines, centred in the sheet's width.

#include "Classes/Frame/BaseViewController.h"
#include "Classes/Frame/SettingsViewController.h"

class UIImageView;
class UILabel;
class UIBarButtonItem;

class AboutViewController : public BaseViewController {
public:
    // The width of the settings sheet, set before the view loads.
    CGFloat viewWidth = 0;
    std::shared_ptr<SettingsViewControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<SettingsViewControllerDelegate> d) { m_delegate = std::move(d); }

    void viewDidLoad() override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;
    void doneButtonTapped();

    std::shared_ptr<UILabel> nameLabel() const { return m_name; }
    std::shared_ptr<UILabel> versionLabel() const { return m_version; }

private:
    std::weak_ptr<SettingsViewControllerDelegate> m_delegate;
    std::shared_ptr<UIImageView> m_icon;
    std::shared_ptr<UILabel> m_name;
    std::shared_ptr<UILabel> m_versionTitle;
    std::shared_ptr<UILabel> m_version;
    std::shared_ptr<UILabel> m_companyInfo;
    std::shared_ptr<UILabel> m_companyRights;
    std::shared_ptr<UIBarButtonItem> m_doneButton;
};
