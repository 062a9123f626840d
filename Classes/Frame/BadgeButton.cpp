#include "Classes/Frame/BadgeButton.h"

#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Platform/QuartzCore/CAAnimation.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"

namespace BadgeSupport {

std::shared_ptr<UILabel> makeBadgeLabel()
{
    auto label = std::make_shared<UILabel>(CGRectMake(0, 2, 20, 20));
    label->setBackgroundColor(UIColor::clearColor());
    label->setText("");
    label->setTextColor(UIColor::whiteColor());
    label->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 12));
    label->setTextAlignment(UITextAlignmentCenter);
    return label;
}

std::shared_ptr<UIImageView> makeBadgeView(CGRect frame, const std::shared_ptr<UILabel>& label)
{
    auto view = std::make_shared<UIImageView>(frame);
    view->setImage(PublicFunction::resizeImageWithCapInsets(
        SkinManager::skinFromImageName(std::string("bg_badge.png")), UIEdgeInsetsMake(0, 12, 0, 12)));
    view->addSubview(label);
    view->setHidden(true);
    return view;
}

CGFloat showValue(
    UIImageView& badgeView, UILabel& label, const std::optional<std::string>& value, CGFloat centreX, CGFloat y)
{
    if (!value || value->empty()) {
        badgeView.setHidden(true);
        return 0;
    }
    badgeView.setHidden(false);
    label.setText(*value);
    CGSize text = sizeWithFont(*value, label.font());
    const CGFloat width = text.width <= 10 ? 26 : text.width + 14;
    const CGFloat height = 26;
    badgeView.setFrame(CGRectMake(centreX - width / 2, y, width, height));
    label.setFrame(CGRectMake((width - text.width) / 2, (height - text.height) / 2 - 1, text.width, text.height));
    return width;
}

void bounce(UIView& badgeView, CGFloat height)
{
    auto layer = badgeView.layer();
    const double y = layer->position().y;
    const double now = layer->convertTimeFromLayer(CACurrentMediaTime(), nullptr);
    layer->addAnimation(BadgeButton::keyframeBounceAnimationFromViaToForKeypathWithDurationBeginTime(
                            y, y - height, y - height * 10 / 11, "position.y", 0.15, now),
        "bounce");
    layer->addAnimation(BadgeButton::keyframeBounceAnimationFromViaToForKeypathWithDurationBeginTime(
                            y, y - height / 2, y - height * 5 / 11, "position.y", 0.1, now + 0.3),
        "bounce2");
}

}  // namespace BadgeSupport

BadgeButton::BadgeButton(CGRect frame)
    : UIButton(frame)
{
    m_badgeLabel = BadgeSupport::makeBadgeLabel();
    m_badgeView = BadgeSupport::makeBadgeView(CGRectMake(0, -13, 26, 26), m_badgeLabel);
    addSubview(m_badgeView);
}

void BadgeButton::setBadgeValueAnimated(const std::optional<std::string>& value, bool animated)
{
    if (BadgeSupport::showValue(*m_badgeView, *m_badgeLabel, value, bounds().size.width, -13) > 0 && animated)
        animateBadgeBouncing();
}

void BadgeButton::animateBadgeBouncing() { BadgeSupport::bounce(*m_badgeView, 44); }

std::shared_ptr<CAKeyframeAnimation> BadgeButton::keyframeBounceAnimationFromViaToForKeypathWithDurationBeginTime(
    double from, double via, double to, const std::string& keyPath, double duration, double beginTime)
{
    auto animation = CAKeyframeAnimation::animationWithKeyPath(keyPath);
    animation->values = { from, via, to };
    animation->keyTimes = { 0, 0.7, 1.0 };
    animation->autoreverses = true;
    animation->duration = duration;
    animation->beginTime = beginTime;
    return animation;
}
