#pragma once

// One item of the main tab bar: a 40-point icon button with its caption
// under it, a count badge at its top right, a blinking mode (the icon fades
// to its focus image and back until stopped) and an icon bounce. The item's
// tag, selection and actions are those of its icon button.
//
// The icon is shown by an image view inside the button (the normal image,
// or the focus image while selected), under the focus image view that
// blinking fades in, so that blinking can fade the icon alone.

#include "Platform/UIKit/UIControl.h"
#include "Platform/UIKit/UIView.h"

#include <memory>
#include <optional>
#include <string>

class UIButton;
class UIImage;
class UIImageView;
class UILabel;

class TabBarItemButton : public UIView {
public:
    explicit TabBarItemButton(CGRect frame);

    void setBadgeValueAnimated(const std::optional<std::string>& value, bool animated);
    void animateBadgeBouncing();
    void startBlinkIcon();
    void stopBlinkIcon();
    void animateIconBouncing();

    const std::string& title() const { return m_title; }
    void setTitle(const std::string& title);
    const std::shared_ptr<UIImage>& imgNormal() const { return m_imgNormal; }
    void setImgNormal(std::shared_ptr<UIImage> image);
    const std::shared_ptr<UIImage>& imgFocus() const { return m_imgFocus; }
    void setImgFocus(std::shared_ptr<UIImage> image);
    bool isSelected() const;
    void setSelected(bool selected);
    void addTargetForControlEvents(unsigned events, UIControl::Action action);
    long tag() const;
    void setTag(long tag);

    const std::shared_ptr<UIButton>& button() const { return m_btn; }
    const std::shared_ptr<UIImageView>& iconImageView() const { return m_iconImageView; }
    const std::shared_ptr<UIImageView>& animatedImageView() const { return m_animatedImageView; }
    const std::shared_ptr<UILabel>& titleLabel() const { return m_lableTitle; }
    const std::shared_ptr<UIImageView>& badgeView() const { return m_badgeView; }
    const std::shared_ptr<UILabel>& badgeLabel() const { return m_badgeLabel; }

private:
    void showIcon();

    std::shared_ptr<UIButton> m_btn;
    std::shared_ptr<UIImageView> m_iconImageView;
    std::shared_ptr<UIImageView> m_animatedImageView;
    std::shared_ptr<UILabel> m_lableTitle;
    std::shared_ptr<UIImage> m_imgNormal;
    std::shared_ptr<UIImage> m_imgFocus;
    std::shared_ptr<UIImageView> m_badgeView;
    std::shared_ptr<UILabel> m_badgeLabel;
    std::string m_title;
};
