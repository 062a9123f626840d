#pragma once

// The touch area of the page bar: it follows the finger's x position,
// clamped to its bounds, and sends value-changed as the finger moves.

#include "Platform/UIKit/UIControl.h"

class PdfTrackControl : public UIControl {
public:
    explicit PdfTrackControl(CGRect frame);

    CGFloat value() const { return m_value; }
    CGFloat limitValue(CGFloat value) const;

    void touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesMovedWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event) override;

private:
    CGFloat m_value = 0;
};
