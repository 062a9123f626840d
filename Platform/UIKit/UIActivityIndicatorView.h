#pragma once

// A spinner: animating or stopped; hidden while stopped when it hides then.

#include "Platform/UIKit/UIView.h"

enum UIActivityIndicatorViewStyle {
    UIActivityIndicatorViewStyleWhiteLarge,
    UIActivityIndicatorViewStyleWhite,
    UIActivityIndicatorViewStyleGray,
};

class UIActivityIndicatorView : public UIView {
public:
    explicit UIActivityIndicatorView(UIActivityIndicatorViewStyle style = UIActivityIndicatorViewStyleWhite);

    UIActivityIndicatorViewStyle activityIndicatorViewStyle() const { return m_style; }
    void setActivityIndicatorViewStyle(UIActivityIndicatorViewStyle s);
    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return m_animating; }
    bool hidesWhenStopped() const { return m_hidesWhenStopped; }
    void setHidesWhenStopped(bool on);
    std::shared_ptr<UIColor> color;

    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }

private:
    UIActivityIndicatorViewStyle m_style;
    bool m_animating = false;
    bool m_hidesWhenStopped = true;
};
