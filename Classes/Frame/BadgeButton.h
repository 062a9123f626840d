#pragma once

// A button with a round count badge centred on its right edge, 13 points
// above it, that can bounce when its value changes. No value (or "") hides
// the badge.

#include "Platform/UIKit/UIButton.h"

#include <memory>
#include <optional>
#include <string>

class CAKeyframeAnimation;
class UIImageView;
class UILabel;
class UIView;

// The badge both badge classes draw, built and laid out the same way.
namespace BadgeSupport {
std::shared_ptr<UILabel> makeBadgeLabel();
std::shared_ptr<UIImageView> makeBadgeView(CGRect frame, const std::shared_ptr<UILabel>& label);
// Shows `value` and returns the badge's width, or hides the badge and returns 0.
CGFloat showValue(
    UIImageView& badgeView, UILabel& label, const std::optional<std::string>& value, CGFloat centreX, CGFloat y);
// Up by `height` and back to 10/11 of it, then again at half the height.
void bounce(UIView& badgeView, CGFloat height);
}  // namespace BadgeSupport

class BadgeButton : public UIButton {
public:
    explicit BadgeButton(CGRect frame);

    void setBadgeValueAnimated(const std::optional<std::string>& value, bool animated);
    void animateBadgeBouncing();
    static std::shared_ptr<CAKeyframeAnimation> keyframeBounceAnimationFromViaToForKeypathWithDurationBeginTime(
        double from, double via, double to, const std::string& keyPath, double duration, double beginTime);

    const std::shared_ptr<UIImageView>& badgeView() const { return m_badgeView; }
    const std::shared_ptr<UILabel>& badgeLabel() const { return m_badgeLabel; }

private:
    std::shared_ptr<UIImageView> m_badgeView;
    std::shared_ptr<UILabel> m_badgeLabel;
};
