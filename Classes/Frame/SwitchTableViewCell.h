#pragma once

// A settings row with a switch at its right end: the show-all-customers
// choice. `RestoreShortcutCell` adds a second switch that no screen uses.

#include "Platform/UIKit/UITableViewCell.h"

class UISwitch;

class SwitchTableViewCell : public UITableViewCell {
public:
    explicit SwitchTableViewCell(std::optional<std::string> reuseIdentifier);
    // Made on first use, on when the configuration shows all customers.
    std::shared_ptr<UISwitch> switchShowAll();
    void layoutSubviews() override;

private:
    std::shared_ptr<UISwitch> m_switchShowAll;
};

class RestoreShortcutCell : public SwitchTableViewCell {
public:
    using SwitchTableViewCell::SwitchTableViewCell;
    std::shared_ptr<UISwitch> switchShowShortcut();

private:
    std::shared_ptr<UISwitch> m_switchShowShortcut;
};
