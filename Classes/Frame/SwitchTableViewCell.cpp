#include "Classes/Frame/SwitchTableViewCell.h"

#include "Database/ConfigManager.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UISwitch.h"

SwitchTableViewCell::SwitchTableViewCell(std::optional<std::string> reuseIdentifier)
    : UITableViewCell(UITableViewCellStyleDefault, std::move(reuseIdentifier))
{
    setBackgroundColor(UIColor::whiteColor());
}

std::shared_ptr<UISwitch> SwitchTableViewCell::switchShowAll()
{
    if (!m_switchShowAll) {
        m_switchShowAll = std::make_shared<UISwitch>();
        m_switchShowAll->setOn(ConfigManager::sharedInstance()->isShowAllCustomer());
        contentView()->addSubview(m_switchShowAll);
    }
    return m_switchShowAll;
}

void SwitchTableViewCell::layoutSubviews()
{
    UITableViewCell::layoutSubviews();
    if (!m_switchShowAll)
        return;
    const CGRect content = contentView()->bounds();
    CGRect frame = m_switchShowAll->frame();
    frame.origin.x = content.size.width - frame.size.width - 5;
    frame.origin.y = (content.size.height - frame.size.height) / 2;
    m_switchShowAll->setFrame(frame);
    CGRect title = textLabel()->frame();
    title.size.width = std::max<CGFloat>(0, title.size.width - (frame.size.width + 5));
    textLabel()->setFrame(title);
}

std::shared_ptr<UISwitch> RestoreShortcutCell::switchShowShortcut()
{
    if (!m_switchShowShortcut) {
        m_switchShowShortcut = std::make_shared<UISwitch>();
        contentView()->addSubview(m_switchShowShortcut);
    }
    return m_switchShowShortcut;
}
