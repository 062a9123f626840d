#include "Classes/Frame/TabBarItemButton.h"

#include "Classes/Frame/BadgeButton.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"

TabBarItemButton::TabBarItemButton(CGRect frame)
    : UIView(frame)
{
    m_btn = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btn->setFrame(CGRectMake(11, 0, 40, 40));
    m_iconImageView = std::make_shared<UIImageView>(CGRectMake(0, 0, 40, 40));
    m_iconImageView->setContentMode(UIViewContentModeScaleAspectFit);
    m_iconImageView->setUserInteractionEnabled(false);
    m_btn->addSubview(m_iconImageView);
    m_animatedImageView = std::make_shared<UIImageView>(CGRectMake(0, 0, 40, 40));
    m_animatedImageView->setAlpha(0);
    m_animatedImageView->setContentMode(UIViewContentModeScaleAspectFit);
    m_animatedImageView->setUserInteractionEnabled(false);
    m_btn->addSubview(m_animatedImageView);

    m_lableTitle = std::make_shared<UILabel>(CGRectMake(-4, 34, 72, 22));
    m_lableTitle->setFont(UIFont::systemFontOfSize(12));
    m_lableTitle->setTextAlignment(UITextAlignmentCenter);
    m_lableTitle->setBackgroundColor(UIColor::clearColor());
    m_lableTitle->setTextColor(UIColor::blackColor());
    addSubview(m_btn);
    addSubview(m_lableTitle);

    m_badgeLabel = BadgeSupport::makeBadgeLabel();
    m_badgeView = BadgeSupport::makeBadgeView(CGRectMake(55, -5, 26, 26), m_badgeLabel);
    addSubview(m_badgeView);
}

void TabBarItemButton::setBadgeValueAnimated(const std::optional<std::string>& value, bool animated)
{
    if (BadgeSupport::showValue(*m_badgeView, *m_badgeLabel, value, 50, -5) > 0 && animated)
        animateBadgeBouncing();
}

void TabBarItemButton::animateBadgeBouncing() { BadgeSupport::bounce(*m_badgeView, 22); }

void TabBarItemButton::showIcon()
{
    m_iconImageView->setImage(m_btn->isSelected() && m_imgFocus ? m_imgFocus : m_imgNormal);
}

void TabBarItemButton::setImgNormal(std::shared_ptr<UIImage> image)
{
    m_imgNormal = std::move(image);
    showIcon();
}

void TabBarItemButton::setImgFocus(std::shared_ptr<UIImage> image)
{
    m_imgFocus = std::move(image);
    m_animatedImageView->setImage(m_imgFocus);
    showIcon();
}

bool TabBarItemButton::isSelected() const { return m_btn->isSelected(); }

void TabBarItemButton::setSelected(bool selected)
{
    m_btn->setSelected(selected);
    m_lableTitle->setTextColor(selected
            ? UIColor::colorWithRedGreenBlueAlpha(49 / 255.0f, 122 / 255.0f, 181 / 255.0f, 1)
            : UIColor::colorWithRedGreenBlueAlpha(70 / 255.0f, 70 / 255.0f, 70 / 255.0f, 1));
    showIcon();
}

void TabBarItemButton::setTitle(const std::string& title)
{
    m_title = title;
    m_lableTitle->setText(title);
}

void TabBarItemButton::addTargetForControlEvents(unsigned events, UIControl::Action action)
{
    m_btn->addTarget(events, std::move(action));
}

long TabBarItemButton::tag() const { return m_btn->tag(); }

void TabBarItemButton::setTag(long tag) { m_btn->setTag(tag); }

void TabBarItemButton::startBlinkIcon()
{
    auto icon = m_iconImageView, focus = m_animatedImageView;
    UIView::animateWithDurationDelayOptionsAnimationsCompletion(
        1.5, 0, UIViewAnimationOptionRepeat | UIViewAnimationOptionAutoreverse,
        [icon, focus] {
            icon->setAlpha(0);
            focus->setAlpha(1);
        },
        nullptr);
}

void TabBarItemButton::stopBlinkIcon()
{
    m_iconImageView->layer()->removeAllAnimations();
    m_animatedImageView->layer()->removeAllAnimations();
    m_iconImageView->setAlpha(1);
    m_animatedImageView->setAlpha(0);
}

void TabBarItemButton::animateIconBouncing()
{
    std::weak_ptr<UIButton> weak = m_btn;
    auto step = [weak](double duration, unsigned curve, CGFloat sx, CGFloat sy, std::function<void(bool)> next) {
        UIView::animateWithDurationDelayOptionsAnimationsCompletion(
            duration, 0, curve,
            [weak, sx, sy] {
                if (auto b = weak.lock())
                    b->setTransform(CGAffineTransformMakeScale(sx, sy));
            },
            std::move(next));
    };
    step(0.3, UIViewAnimationOptionCurveEaseOut, 1.5, 1.2, [step](bool) {
        step(0.1, UIViewAnimationOptionCurveEaseIn, 0.9, 0.9, [step](bool) {
            step(0.05, UIViewAnimationOptionCurveEaseOut, 1.2, 1.1,
                [step](bool) { step(0.02, UIViewAnimationOptionCurveEaseIn, 1, 1, nullptr); });
        });
    });
}
