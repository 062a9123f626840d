#include "Classes/Frame/CheckBoxView.h"

#include "Platform/Foundation/Format.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UITouch.h"

#include <cmath>

CheckBoxView::CheckBoxView(CGRect frame, int style, bool checked)
    : UIView(CGRectMake(frame.origin.x, frame.origin.y, frame.size.width, kHeight))
    , m_style(style)
    , m_checked(checked)
{
    setBackgroundColor(UIColor::clearColor());
    m_textLabel = std::make_shared<UILabel>(CGRectMake(32, 7, frame.size.width - 32, 20));
    m_textLabel->setTextAlignment(UITextAlignmentLeft);
    m_textLabel->setBackgroundColor(UIColor::clearColor());
    m_textLabel->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 15));
    m_textLabel->setTextColor(UIColor::darkGrayColor());
    m_textLabel->setShadowColor(UIColor::whiteColor());
    m_textLabel->setShadowOffset(CGSizeMake(0, 1));
    m_textLabel->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    addSubview(m_textLabel);
    auto image = checkBoxImageForStyleChecked(m_style, m_checked);
    m_checkBoxImageView = std::make_shared<UIImageView>(imageViewFrameForCheckBoxImage(image));
    m_checkBoxImageView->setImage(image);
    addSubview(m_checkBoxImageView);
}

std::shared_ptr<UIImage> CheckBoxView::checkBoxImageForStyleChecked(int style, bool checked)
{
    static const char* const prefixes[] = { "cb_box_", "cb_dark_", "cb_glossy_", "cb_green_", "cb_mono_" };
    if (style < 0 || style > 4)
        return nullptr;
    return UIImage::imageNamed(stringWithFormat("%@%@", prefixes[style], checked ? "on" : "off"));
}

CGRect CheckBoxView::imageViewFrameForCheckBoxImage(const std::shared_ptr<UIImage>& image)
{
    if (!image)
        return CGRectMake(5, 18, 0, 0);
    CGSize size = image->size();
    return CGRectMake(5, std::floor((kHeight - size.height) / 2), size.width, size.height);
}

void CheckBoxView::updateCheckBoxImage()
{
    m_checkBoxImageView->setImage(checkBoxImageForStyleChecked(m_style, m_checked));
}

void CheckBoxView::setChecked(bool checked)
{
    m_checked = checked;
    updateCheckBoxImage();
}

void CheckBoxView::setEnabled(bool enabled)
{
    m_textLabel->setEnabled(enabled);
    m_enabled = enabled;
    m_checkBoxImageView->setAlpha(enabled ? 1.0 : 0.6);
}

void CheckBoxView::setText(const std::string& text) { m_textLabel->setText(text); }

void CheckBoxView::setStateChangedTargetSelector(std::weak_ptr<void> target, StateChanged selector)
{
    m_delegate = std::move(target);
    m_hasDelegate = true;
    m_stateChangedSelector = std::move(selector);
}

void CheckBoxView::touchesBeganWithEvent(const UITouchSet&, UIEvent*)
{
    if (m_enabled)
        setAlpha(0.8);
}

void CheckBoxView::touchesCancelledWithEvent(const UITouchSet&, UIEvent*)
{
    if (m_enabled)
        setAlpha(1.0);
}

void CheckBoxView::touchesEndedWithEvent(const UITouchSet& touches, UIEvent*)
{
    if (!m_enabled)
        return;
    setAlpha(1.0);
    auto parent = superview();
    if (!parent || touches.empty())
        return;
    CGPoint at = touches.front()->locationInView(parent);
    CGRect f = frame();
    // A little slack above and to the left, where a finger aiming at the box lands.
    CGRect target = CGRectMake(f.origin.x - 5, f.origin.y - 10, f.size.width + 5, f.size.height + 10);
    if (!CGRectContainsPoint(target, at))
        return;
    auto keep = protect<CheckBoxView>();
    m_checked = !m_checked;
    updateCheckBoxImage();
    if (m_hasDelegate && !m_delegate.expired() && m_stateChangedSelector)
        m_stateChangedSelector(*this);
    else if (m_stateChangedBlock)
        m_stateChangedBlock(*this);
}
