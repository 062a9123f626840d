#include "Classes/Frame/SettingsViewController.h"

#include "Classes/Frame/AboutViewController.h"
#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SwitchTableViewCell.h"
#include "Classes/Frame/WebViewController.h"
#include "Database/ConfigManager.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/ServerInfo.h"
#include "Network/Protocol/SyncModel.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UISwitch.h"

namespace {

constexpr const char* kEnglish = "English";
constexpr const char* kChinese = "中文";

bool chinese() { return LanguageManager::sharedInstance()->currentLanguage() == 2; }

}  // namespace

SettingsViewController::SettingsViewController()
    : UITableViewController(UITableViewStyleGrouped)
{
}

SettingsViewController::~SettingsViewController()
{
    if (m_registered)
        LanguageManager::sharedInstance()->unRegisterLanugageNotification(this);
}

const std::map<long, std::vector<std::shared_ptr<SettingsCellEntity>>>& SettingsViewController::groups()
{
    if (m_groups) {
        setTitle(text("SETTINGSTITLE"));
        return *m_groups;
    }
    auto session = LoginMode::sharedInstance();
    std::vector<std::shared_ptr<SettingsCellEntity>> account {
        std::make_shared<SettingsCellEntity>(
            SettingsCellEntity::CellTypeSubPage, "COMPANYNAME", session->companyName().value_or("")),
        std::make_shared<SettingsCellEntity>(
            SettingsCellEntity::CellTypeSwitch, "USERNAME", session->acountID().value_or("")),
        std::make_shared<SettingsCellEntity>(SettingsCellEntity::CellTypeAction, "OPENCMS"),
    };
    m_helpRow = std::make_shared<SettingsCellEntity>(SettingsCellEntity::CellTypeHelp, "HELP");
    std::string version;
    if (auto app = CorvelleAppDelegate::sharedAppDelegate())
        version = app->currentVersion();

    std::map<long, std::vector<std::shared_ptr<SettingsCellEntity>>> groups;
    groups[0]
        = { std::make_shared<SettingsCellEntity>(SettingsCellEntity::CellTypeSubPage, "ACCOUNTMANAGEMENT", account) };
    if (ConfigManager::sharedInstance()->isOnShow(2))
        groups[1].push_back(
            std::make_shared<SettingsCellEntity>(SettingsCellEntity::CellTypeSwitch, "SHOWALLCUSTOMER", true));
    groups[1].push_back(std::make_shared<SettingsCellEntity>(SettingsCellEntity::CellTypeAction, "FULLSYNC"));
    groups[2] = {
        std::make_shared<SettingsCellEntity>(
            SettingsCellEntity::CellTypeLanguage, "SWITCHLANGUAGES", std::vector<std::string> { kEnglish, kChinese }),
        std::make_shared<SettingsCellEntity>(SettingsCellEntity::CellTypeVersion, "CHECKVERSION", version),
        std::make_shared<SettingsCellEntity>(SettingsCellEntity::CellTypeAbout, "ABOUT"),
    };
    groups[3] = { std::make_shared<SettingsCellEntity>(SettingsCellEntity::CellTypeLogout, "LOGOUTSETTINGS") };
    m_groups = std::move(groups);
    return *m_groups;
}

long SettingsViewController::indexOfSection(const NSIndexPath& path) const
{
    static constexpr long kOffsets[] = { 0, 1, 3, 7 };
    const long section = path.section();
    return path.row() + (section >= 0 && section < 4 ? kOffsets[section] : 0);
}

void SettingsViewController::viewDidLoad()
{
    UITableViewController::viewDidLoad();
    auto weak = weakSelf<SettingsViewController>();
    m_doneButton = std::make_shared<UIBarButtonItem>(text("DONE"), UIBarButtonItemStyleDone, [weak](UIBarButtonItem&) {
        if (auto self = weak.lock())
            self->doneButtonTapped();
    });
    navigationItem()->rightBarButtonItem = m_doneButton;
    LanguageManager::sharedInstance()->registerLanugageNotification(protect<SettingsViewController>());
    m_registered = true;
    if (settingPage == PageMain)
        setTitle(text("SETTINGSTITLE"));
}

bool SettingsViewController::shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o)
{
    return o == UIInterfaceOrientationLandscapeLeft || o == UIInterfaceOrientationLandscapeRight;
}

long SettingsViewController::numberOfSectionsInTableView(UITableView&)
{
    if (settingPage != PageMain || checkForUpdates)
        return 1;
    return static_cast<long>(groups().size());
}

long SettingsViewController::tableViewNumberOfRowsInSection(UITableView&, long section)
{
    if (checkForUpdates)
        return 1;
    if (settingPage == PageAccount)
        return static_cast<long>(accountInfoItems.size());
    if (settingPage == PageLanguage)
        return static_cast<long>(languageItems.size());
    const auto& g = groups();
    auto it = g.find(section);
    return it == g.end() ? 0 : static_cast<long>(it->second.size());
}

std::shared_ptr<SettingsCellEntity> SettingsViewController::rowAt(const NSIndexPath& path)
{
    const size_t row = static_cast<size_t>(path.row());
    if (settingPage == PageAccount)
        return row < accountInfoItems.size() ? accountInfoItems[row] : nullptr;
    const auto& g = groups();
    auto it = g.find(path.section());
    if (it == g.end() || row >= it->second.size())
        return nullptr;
    return it->second[row];
}

std::shared_ptr<UITableViewCell> SettingsViewController::tableViewCellForRowAtIndexPath(
    UITableView& table, const NSIndexPath& path)
{
    if (checkForUpdates) {
        auto cell = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, std::string("Cell"));
        cell->textLabel()->setText(*checkForUpdates);
        return cell;
    }
    if (settingPage == PageLanguage) {
        auto cell = table.dequeueReusableCellWithIdentifier("Cell");
        if (!cell)
            cell = std::make_shared<UITableViewCell>(UITableViewCellStyleValue1, std::string("Cell"));
        const size_t row = static_cast<size_t>(path.row());
        const std::string name = row < languageItems.size() ? languageItems[row] : std::string();
        cell->textLabel()->setText(name);
        cell->detailTextLabel()->setText("");
        const bool checked = chinese() ? name == kChinese : name == kEnglish;
        cell->setAccessoryType(checked ? UITableViewCellAccessoryCheckmark : UITableViewCellAccessoryNone);
        return cell;
    }
    auto row = rowAt(path);
    if (!row)
        return std::make_shared<UITableViewCell>(UITableViewCellStyleValue1, std::string("Cell"));
    return settingPage == PageAccount ? accountPageCell(table, *row) : mainPageCell(table, *row);
}

std::shared_ptr<UITableViewCell> SettingsViewController::mainPageCell(UITableView& table, const SettingsCellEntity& row)
{
    const std::string title = text(row.cellTitle);
    if (row.cellType == SettingsCellEntity::CellTypeSwitch) {
        auto cell = std::dynamic_pointer_cast<SwitchTableViewCell>(
            table.dequeueReusableCellWithIdentifier("SwitchTableViewCell"));
        if (!cell) {
            cell = std::make_shared<SwitchTableViewCell>(std::string("SwitchTableViewCell"));
            auto weak = weakSelf<SettingsViewController>();
            auto toggle = cell->switchShowAll();
            toggle->addTarget(UIControlEventValueChanged, [weak](UIControl& control, UIEvent*) {
                if (auto self = weak.lock())
                    self->switchChanged(static_cast<UISwitch&>(control).isOn());
            });
        }
        cell->setSelectionStyle(UITableViewCellSelectionStyleNone);
        cell->textLabel()->setText(title);
        return cell;
    }
    if (row.cellType == SettingsCellEntity::CellTypeLogout) {
        auto cell = table.dequeueReusableCellWithIdentifier("LogoutCell");
        if (!cell)
            cell = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, std::string("LogoutCell"));
        cell->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(57 / 255.0, 120 / 255.0, 235 / 255.0, 1));
        cell->textLabel()->setTextColor(UIColor::whiteColor());
        cell->textLabel()->setBackgroundColor(UIColor::clearColor());
        cell->textLabel()->setTextAlignment(UITextAlignmentCenter);
        cell->textLabel()->setText(title);
        return cell;
    }
    auto cell = table.dequeueReusableCellWithIdentifier("Cell");
    if (!cell)
        cell = std::make_shared<UITableViewCell>(UITableViewCellStyleValue1, std::string("Cell"));
    cell->setBackgroundColor(UIColor::whiteColor());
    cell->setSelectionStyle(UITableViewCellSelectionStyleBlue);
    cell->setAccessoryType(UITableViewCellAccessoryNone);
    cell->textLabel()->setTextColor(UIColor::blackColor());
    cell->textLabel()->setText(title);
    cell->detailTextLabel()->setText("");
    switch (row.cellType) {
    case SettingsCellEntity::CellTypeSubPage:
    case SettingsCellEntity::CellTypeAbout:
        cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
        break;
    case SettingsCellEntity::CellTypeLanguage:
        cell->detailTextLabel()->setText(chinese() ? kChinese : kEnglish);
        cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
        break;
    case SettingsCellEntity::CellTypeHelp:
        cell->setSelectionStyle(UITableViewCellSelectionStyleNone);
        cell->textLabel()->setTextColor(UIColor::grayColor());
        break;
    case SettingsCellEntity::CellTypeVersion:
        if (auto version = std::get_if<std::string>(&row.cellValue))
            cell->detailTextLabel()->setText(*version);
        break;
    default:
        break;
    }
    return cell;
}

std::shared_ptr<UITableViewCell> SettingsViewController::accountPageCell(
    UITableView& table, const SettingsCellEntity& row)
{
    auto cell = std::make_shared<UITableViewCell>(UITableViewCellStyleValue1, std::string("Cell"));
    cell->setBackgroundColor(UIColor::whiteColor());
    cell->textLabel()->setText(text(row.cellTitle));
    const auto* value = std::get_if<std::string>(&row.cellValue);
    if (row.cellTitle == "USERNAME") {
        cell->detailTextLabel()->setText(value ? *value : "");
        auto edit = UIButton::buttonWithType(UIButtonTypeCustom);
        edit->setFrame(CGRectMake(84, 2, 34, 34));
        edit->setImageForState(UIImage::imageNamed("btn-edit.png"), UIControlStateNormal);
        auto weak = weakSelf<SettingsViewController>();
        edit->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
            if (auto self = weak.lock())
                self->btnUserEditClick();
        });
        cell->setAccessoryView(edit);
    } else if (row.cellTitle == "COMPANYNAME") {
        cell->detailTextLabel()->setText(value ? *value : "");
        cell->setSelectionStyle(UITableViewCellSelectionStyleNone);
    }
    return cell;
}

void SettingsViewController::pushSubPage(long page, const SettingsCellEntity& row)
{
    auto sub = std::make_shared<SettingsViewController>();
    sub->setDelegate(m_delegate);
    sub->settingPage = page;
    if (auto rows = std::get_if<std::vector<std::shared_ptr<SettingsCellEntity>>>(&row.cellValue))
        sub->accountInfoItems = *rows;
    if (auto names = std::get_if<std::vector<std::string>>(&row.cellValue))
        sub->languageItems = *names;
    sub->setTitle(text(row.cellTitle));
    if (auto navigation = navigationController())
        navigation->pushViewControllerAnimated(sub, true);
}

void SettingsViewController::tableViewDidSelectRowAtIndexPath(UITableView& table, const NSIndexPath& path)
{
    table.deselectRowAtIndexPathAnimated(path, true);
    if (checkForUpdates)
        return;
    if (settingPage == PageLanguage) {
        if (path.row() == 0 || path.row() == 1)
            LanguageManager::sharedInstance()->setCurrentLanguage(path.row() == 0 ? 1 : 2);
        return;
    }
    auto row = rowAt(path);
    if (!row)
        return;
    if (settingPage == PageAccount) {
        if (row->cellTitle != "OPENCMS")
            return;
        const int access = LoginMode::sharedInstance()->userAccess();
        if (access == 0 || (access >= 2 && access <= 6))
            openCMSURL();
        else
            showAlert(kNoCMSAccessAlertTag, "NOCMSACCESSNOTE", "CANCEL", "OPENCMS", "NOCMSACCESS");
        return;
    }
    switch (row->cellType) {
    case SettingsCellEntity::CellTypeSubPage:
        pushSubPage(PageAccount, *row);
        break;
    case SettingsCellEntity::CellTypeLanguage:
        pushSubPage(PageLanguage, *row);
        break;
    case SettingsCellEntity::CellTypeAction:
        showAlert(kFullSyncAlertTag, "PERFORMFULLSYNC", "CANCEL", "UPDATE");
        break;
    case SettingsCellEntity::CellTypeVersion:
        LoginMode::sharedInstance()->checkAppVersion(false);
        break;
    case SettingsCellEntity::CellTypeAbout: {
        auto about = std::make_shared<AboutViewController>();
        about->setDelegate(m_delegate);
        if (auto navigation = navigationController()) {
            about->viewWidth = navigation->view()->frame().size.width;
            about->setTitle(text(row->cellTitle));
            navigation->pushViewControllerAnimated(about, true);
        }
        break;
    }
    case SettingsCellEntity::CellTypeLogout:
        showAlert(kLogoutAlertTag, "SURELOGOUT", "CANCEL", "SURE");
        break;
    default:
        break;
    }
}

void SettingsViewController::showAlert(
    long tag, const char* messageKey, const char* cancelKey, const char* otherKey, const char* titleKey)
{
    auto alert = std::make_shared<UIAlertView>(text(titleKey), text(messageKey), protect<SettingsViewController>(),
        text(cancelKey), std::vector<std::string> { text(otherKey) });
    alert->setTag(tag);
    alert->show();
}

void SettingsViewController::closeSheet(bool animated, std::function<void()> then)
{
    auto navigation = navigationController();
    std::shared_ptr<UIViewController> presenting
        = navigation ? navigation->presentingViewController() : presentingViewController();
    auto delegate = m_delegate.lock();
    if (presenting)
        presenting->dismissViewControllerAnimatedCompletion(animated, std::move(then));
    else if (then)
        then();
    if (delegate)
        delegate->deselectButton();
}

void SettingsViewController::doneButtonTapped() { closeSheet(true, nullptr); }

void SettingsViewController::syncAllData()
{
    closeSheet(true, nullptr);
    auto sync = SyncModel::sharedInstance();
    sync->setIsSyncAllData(true);
    sync->setNeedUpdate(true);
    if (auto app = CorvelleAppDelegate::sharedAppDelegate())
        app->showSyncController();
}

void SettingsViewController::openCMSURL()
{
    auto session = LoginMode::sharedInstance();
    auto server = PublicFunction::GetServer();
    const std::string url
        = stringWithFormat("%@%@/administrator/index.php?option=com_login&username=%@&client_id=%@&lang=%@",
            server->imageScheme + "://", server->imageUrlStr(), session->acountID().value_or(""),
            session->clientID().value_or(""), chinese() ? "zh-CN" : "en-GB");
    openURLInWebView(url);
}

void SettingsViewController::openURLInWebView(const std::string& url)
{
    auto page = std::make_shared<WebViewController>();
    page->setUrl(url);
    page->setDelegate(protect<SettingsViewController>());
    auto host = navigationController() ? std::static_pointer_cast<UIViewController>(navigationController())
                                       : sharedController();
    host->presentViewControllerAnimatedCompletion(page, true, nullptr);
}

void SettingsViewController::dismissPopController(bool animated)
{
    auto host = navigationController() ? std::static_pointer_cast<UIViewController>(navigationController())
                                       : sharedController();
    host->dismissViewControllerAnimatedCompletion(animated, nullptr);
}

void SettingsViewController::btnUserEditClick() { openURLInWebView(PublicFunction::editUserUrl()); }

void SettingsViewController::alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex)
{
    if (buttonIndex != 1 && !(alert.tag() == kMobileNetworkAlertTag && buttonIndex == 0))
        return;
    switch (alert.tag()) {
    case kLogoutAlertTag: {
        closeSheet(false, nullptr);
        if (auto app = CorvelleAppDelegate::sharedAppDelegate())
            app->showLoginPage();
        break;
    }
    case kFullSyncAlertTag:
        if (LoginMode::sharedInstance()->isNotWifi())
            showAlert(kMobileNetworkAlertTag, "WIFIALERT", "OK", "CANCEL");
        else
            syncAllData();
        break;
    case kNoCMSAccessAlertTag:
        openCMSURL();
        break;
    case kMobileNetworkAlertTag:
        if (buttonIndex == 0)
            syncAllData();
        break;
    default:
        break;
    }
}

void SettingsViewController::switchChanged(bool on)
{
    ConfigManager::sharedInstance()->setIsShowAllCustomer(on);
    NSNotificationCenter::defaultCenter().postNotificationName("SETTINGS_SWITCH_CHANGE_NOTIFATION");
}

void SettingsViewController::retitle()
{
    static constexpr const char* kTitles[] = { "SETTINGSTITLE", "ACCOUNTMANAGEMENT", "SWITCHLANGUAGES" };
    if (settingPage >= 0 && settingPage < 3)
        setTitle(text(kTitles[settingPage]));
    if (m_doneButton)
        m_doneButton->title = text("DONE");
}

void SettingsViewController::notifiChangelanguage()
{
    m_groups.reset();
    retitle();
    tableView()->reloadData();
}
