#pragma once

// A bar filled to a fraction between 0 and 1. As on the tablet, its height
// is fixed by its style: a frame of another height keeps its origin and
// width, and the bar stays thin.

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

    // The height every bar of a style has.
    static CGFloat heightForStyle(UIProgressViewStyle style);
    void setFrame(CGRect frame) override;

    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }

private:
    UIProgressViewStyle m_style;
    float m_progress = 0;
};
