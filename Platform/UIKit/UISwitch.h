#pragma once

// An on/off switch: a tap flips it and sends value-changed; setting it by code sends nothing.

#include "Platform/UIKit/UIControl.h"

class UISwitch : public UIControl {
public:
    static constexpr CGFloat kWidth = 79;
    static constexpr CGFloat kHeight = 27;

    explicit UISwitch(CGRect frame = CGRectZero);
    bool isOn() const { return m_on; }
    void setOn(bool on) { setOnAnimated(on, false); }
    void setOnAnimated(bool on, bool animated);
    std::shared_ptr<UIColor> onTintColor;

    void setFrame(CGRect frame) override;
    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }

protected:
    void didTapAt(CGPoint point, UIEvent* event) override;

private:
    bool m_on = false;
};
