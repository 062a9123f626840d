#pragma once

// A value between a minimum and a maximum, set by dragging or tapping along
// the track: value-changed goes out while the finger moves when continuous,
// else once as it lifts. Setting the value by code sends nothing.

#include "Platform/UIKit/UIControl.h"

class UISlider : public UIControl {
public:
    using UIControl::UIControl;

    float value() const { return m_value; }
    void setValue(float v) { setValueAnimated(v, false); }
    void setValueAnimated(float v, bool animated);
    float minimumValue() const { return m_min; }
    void setMinimumValue(float v);
    float maximumValue() const { return m_max; }
    void setMaximumValue(float v);
    bool isContinuous() const { return m_continuous; }
    void setContinuous(bool on) { m_continuous = on; }

    // The value at a point of the bounds.
    float valueAtPoint(CGPoint point) const;

    void touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesMovedWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }

private:
    void track(const UITouchSet& touches, UIEvent* event, bool lifted);

    float m_value = 0;
    float m_min = 0;
    float m_max = 1;
    bool m_continuous = true;
    bool m_changed = false;
};
