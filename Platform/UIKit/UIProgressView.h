#pragma once

// A bar filled to a fraction between 0 and 1.

#include "Platform/UIKit/UIView.h"

enum UIProgressViewStyle { UIProgressViewStyleDefault, UIProgressViewStyleBar };

class UIProgressView : public UIView {
public:
    explicit UIProgressView(UIProgressViewStyle style = UIProgressViewStyleDefault);

    UIProgressViewStyle progressViewStyle() const { return m_style; }
    float progress() const { return m_progress; }
    void setProgress(float p) { setProgressAnimated(p, false); }
    void setProgressAnimated(float p, bool animated);
    std::shared_ptr<UIColor> progressTintColor;
    std::shared_ptr<UIColor> trackTintColor;

    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }

private:
    UIProgressViewStyle m_style;
    float m_progress = 0;
};
