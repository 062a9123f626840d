#pragma once

class SwitchButton;

// Told of every change of a two-segment switch, by touch or by code.
class SwitchButtonDelegate {
public:
    virtual ~SwitchButtonDelegate() = default;
    virtual void selectSwitchButtonIndex(SwitchButton& switchButton, int index) = 0;
};
