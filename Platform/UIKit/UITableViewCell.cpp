#include "Platform/UIKit/UITableViewCell.h"

#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"

#include <algorithm>

namespace {

// The drawn accessories: a chevron, a check mark, a round detail button.
class AccessoryMark : public UIView {
public:
    explicit AccessoryMark(UITableViewCellAccessoryType type)
        : UIView(CGRectMake(0, 0, UITableViewCell::kAccessoryWidth, UITableViewCell::kAccessoryWidth))
        , m_type(type)
    {
        setUserInteractionEnabled(false);
    }
    bool drawsContent() const override { return true; }
    void drawRect(CGRect) override
    {
        auto c = UIGraphicsGetCurrentContext();
        if (!c)
            return;
        CGRect b = bounds();
        CGFloat x = b.origin.x, y = b.origin.y, w = b.size.width, h = b.size.height;
        switch (m_type) {
        case UITableViewCellAccessoryDisclosureIndicator:
            CGContextSetStrokeColorWithColor(c, UIColor::grayColor()->CGColor());
            CGContextSetLineWidth(c, 3);
            CGContextBeginPath(c);
            CGContextMoveToPoint(c, x + w * 0.35f, y + h * 0.2f);
            CGContextAddLineToPoint(c, x + w * 0.7f, y + h * 0.5f);
            CGContextAddLineToPoint(c, x + w * 0.35f, y + h * 0.8f);
            CGContextStrokePath(c);
            break;
        case UITableViewCellAccessoryCheckmark:
            CGContextSetStrokeColorWithColor(c, UIColor::colorWithRedGreenBlueAlpha(0.22f, 0.33f, 0.53f, 1)->CGColor());
            CGContextSetLineWidth(c, 3);
            CGContextBeginPath(c);
            CGContextMoveToPoint(c, x + w * 0.15f, y + h * 0.55f);
            CGContextAddLineToPoint(c, x + w * 0.4f, y + h * 0.8f);
            CGContextAddLineToPoint(c, x + w * 0.9f, y + h * 0.2f);
            CGContextStrokePath(c);
            break;
        case UITableViewCellAccessoryDetailDisclosureButton:
            CGContextSetFillColorWithColor(c, UIColor::colorWithRedGreenBlueAlpha(0.2f, 0.45f, 0.9f, 1)->CGColor());
            CGContextFillEllipseInRect(c, b);
            break;
        case UITableViewCellAccessoryNone:
            break;
        }
    }

private:
    UITableViewCellAccessoryType m_type;
};

// The cell's own parts are placed again at every placing of the cell, and
// are mostly where they were: moving them only when their frame differs
// keeps a scrolling table from redoing every part of every row.
void place(UIView& view, CGRect frame)
{
    if (!(view.frame() == frame))
        view.setFrame(frame);
}

}  // namespace

UITableViewCell::UITableViewCell(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier)
    : UIView(CGRectMake(0, 0, 320, 44))
    , m_style(style)
    , m_reuseIdentifier(std::move(reuseIdentifier))
{
    setBackgroundColor(UIColor::whiteColor());
    m_contentView = std::make_shared<UIView>(bounds());
    m_contentView->setBackgroundColor(UIColor::clearColor());
    addSubview(m_contentView);

    m_imageView = std::make_shared<UIImageView>(CGRectZero);
    m_contentView->addSubview(m_imageView);
    m_textLabel = std::make_shared<UILabel>(CGRectZero);
    m_textLabel->setBackgroundColor(UIColor::clearColor());
    m_textLabel->setHighlightedTextColor(UIColor::whiteColor());
    m_textLabel->setFont(
        style == UITableViewCellStyleValue2 ? UIFont::boldSystemFontOfSize(12) : UIFont::boldSystemFontOfSize(18));
    m_contentView->addSubview(m_textLabel);
    if (style != UITableViewCellStyleDefault) {
        m_detailTextLabel = std::make_shared<UILabel>(CGRectZero);
        m_detailTextLabel->setBackgroundColor(UIColor::clearColor());
        m_detailTextLabel->setHighlightedTextColor(UIColor::whiteColor());
        if (style == UITableViewCellStyleValue1) {
            m_detailTextLabel->setFont(UIFont::systemFontOfSize(18));
            m_detailTextLabel->setTextAlignment(UITextAlignmentRight);
            m_detailTextLabel->setTextColor(UIColor::colorWithRedGreenBlueAlpha(0.22f, 0.33f, 0.53f, 1));
        } else if (style == UITableViewCellStyleSubtitle) {
            m_detailTextLabel->setFont(UIFont::systemFontOfSize(14));
            m_detailTextLabel->setTextColor(UIColor::grayColor());
        } else {
            m_detailTextLabel->setFont(UIFont::boldSystemFontOfSize(15));
        }
        m_contentView->addSubview(m_detailTextLabel);
    }
    m_separator = std::make_shared<UIView>(CGRectZero);
    m_separator->setBackgroundColor(UIColor::colorWithWhiteAlpha(0.88f, 1));
    m_separator->setUserInteractionEnabled(false);
    addSubview(m_separator);
}

void UITableViewCell::setFrame(CGRect frame)
{
    UIView::setFrame(frame);
    // The parts are placed now so that a screen reading them after the table placed the cell finds them right.
    layoutSubviews();
}

void UITableViewCell::setAccessoryType(UITableViewCellAccessoryType type)
{
    m_accessoryType = type;
    setNeedsLayout();
    layoutSubviews();
}

void UITableViewCell::setAccessoryView(std::shared_ptr<UIView> view)
{
    m_accessoryView = std::move(view);
    layoutSubviews();
}

void UITableViewCell::setBackgroundView(std::shared_ptr<UIView> view)
{
    if (m_backgroundView)
        m_backgroundView->removeFromSuperview();
    m_backgroundView = std::move(view);
    if (m_backgroundView) {
        m_backgroundView->setFrame(bounds());
        insertSubviewAtIndex(m_backgroundView, 0);
    }
}

void UITableViewCell::setSelectedBackgroundView(std::shared_ptr<UIView> view)
{
    if (m_selectedBackgroundView)
        m_selectedBackgroundView->removeFromSuperview();
    m_selectedBackgroundView = std::move(view);
    updateSelectionLook();
}

void UITableViewCell::setSelectedAnimated(bool selected, bool)
{
    m_selected = selected;
    updateSelectionLook();
}

void UITableViewCell::setHighlightedAnimated(bool highlighted, bool)
{
    m_highlighted = highlighted;
    updateSelectionLook();
}

void UITableViewCell::updateSelectionLook()
{
    bool on = (m_selected || m_highlighted) && m_selectionStyle != UITableViewCellSelectionStyleNone;
    std::shared_ptr<UIView> shown = m_selectedBackgroundView;
    if (!shown && on) {
        if (!m_defaultSelectedBackground)
            m_defaultSelectedBackground = std::make_shared<UIView>(CGRectZero);
        m_defaultSelectedBackground->setBackgroundColor(m_selectionStyle == UITableViewCellSelectionStyleGray
                ? UIColor::colorWithWhiteAlpha(0.85f, 1)
                : UIColor::colorWithRedGreenBlueAlpha(0.02f, 0.55f, 0.96f, 1));
        shown = m_defaultSelectedBackground;
    }
    for (auto& v : { m_selectedBackgroundView, m_defaultSelectedBackground })
        if (v && (v != shown || !on))
            v->removeFromSuperview();
    if (on && shown) {
        shown->setFrame(bounds());
        if (shown->superview().get() != this)
            insertSubviewBelowSubview(shown, m_contentView);
    }
    // The style's labels turn to their highlighted colours only over a coloured background.
    bool light = on && m_selectionStyle == UITableViewCellSelectionStyleBlue;
    // Each redraws on a change only.
    if (m_textLabel->isHighlighted() != light)
        m_textLabel->setHighlighted(light);
    if (m_detailTextLabel && m_detailTextLabel->isHighlighted() != light)
        m_detailTextLabel->setHighlighted(light);
    if (m_imageView->isHighlighted() != on)
        m_imageView->setHighlighted(on);
}

void UITableViewCell::setEditingAnimated(bool editing, bool)
{
    m_editing = editing;
    if (!editing)
        hideDeleteConfirmation();
    layoutSubviews();
}

void UITableViewCell::showDeleteConfirmation(const std::string& title, std::function<void()> action)
{
    hideDeleteConfirmation();
    m_deleteButton = std::make_shared<UIButton>(CGRectZero);
    m_deleteButton->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(0.85f, 0.1f, 0.1f, 1));
    m_deleteButton->setTitleForState(title, UIControlStateNormal);
    m_deleteButton->setTitleColorForState(UIColor::whiteColor(), UIControlStateNormal);
    m_deleteButton->layer()->setCornerRadius(4);
    m_deleteButton->addTarget(UIControlEventTouchUpInside, [action](UIControl&, UIEvent*) {
        if (action)
            action();
    });
    addSubview(m_deleteButton);
    layoutSubviews();
}

void UITableViewCell::hideDeleteConfirmation()
{
    if (!m_deleteButton)
        return;
    m_deleteButton->removeFromSuperview();
    m_deleteButton.reset();
    layoutSubviews();
}

void UITableViewCell::prepareForReuse()
{
    hideDeleteConfirmation();
    setSelected(false);
    setHighlighted(false);
}

void UITableViewCell::setSeparator(UITableViewCellSeparatorStyle style, std::shared_ptr<UIColor> color)
{
    m_separator->setHidden(style == UITableViewCellSeparatorStyleNone);
    if (color)
        m_separator->setBackgroundColor(std::move(color));
}

void UITableViewCell::layoutSubviews()
{
    CGRect b = bounds();
    CGFloat left = m_groupedInset, right = b.size.width - m_groupedInset;
    if (m_backgroundView)
        m_backgroundView->setFrame(b);
    for (auto& v : { m_selectedBackgroundView, m_defaultSelectedBackground })
        if (v && v->superview().get() == this)
            v->setFrame(b);
    place(*m_separator, CGRectMake(left, b.size.height - 1, right - left, 1));

    // The accessory: the custom view, else the drawn mark of the type; hidden while a delete button shows.
    std::shared_ptr<UIView> accessory = m_accessoryView;
    if (!accessory && m_accessoryType != UITableViewCellAccessoryNone) {
        bool reusable
            = std::dynamic_pointer_cast<AccessoryMark>(m_shownAccessory) && m_shownAccessory->tag() == m_accessoryType;
        if (reusable) {
            accessory = m_shownAccessory;
        } else {
            accessory = std::make_shared<AccessoryMark>(m_accessoryType);
            accessory->setTag(m_accessoryType);
        }
    }
    if (m_shownAccessory && m_shownAccessory != accessory)
        m_shownAccessory->removeFromSuperview();
    m_shownAccessory = accessory;
    if (m_deleteButton) {
        m_deleteButton->setFrame(
            CGRectMake(right - 10 - kDeleteButtonWidth, (b.size.height - 32) / 2, kDeleteButtonWidth, 32));
        right -= kDeleteButtonWidth + 20;
        if (accessory)
            accessory->removeFromSuperview();
    } else if (accessory) {
        CGSize s = accessory->bounds().size;
        accessory->setFrame(CGRectMake(right - 10 - s.width, (b.size.height - s.height) / 2, s.width, s.height));
        if (accessory->superview().get() != this)
            addSubview(accessory);
        right -= s.width + 20;
    }
    if (m_editing)
        left += 38;
    place(*m_contentView, CGRectMake(left, 0, std::max<CGFloat>(0, right - left), b.size.height - 1));

    CGRect c = m_contentView->bounds();
    CGFloat x = 10;
    if (auto image = m_imageView->image()) {
        CGSize s = image->size();
        place(*m_imageView, CGRectMake(x, (c.size.height - s.height) / 2, s.width, s.height));
        x += s.width + 10;
    } else {
        place(*m_imageView, CGRectZero);
    }
    CGFloat w = std::max<CGFloat>(0, c.size.width - x - 10);
    switch (m_style) {
    case UITableViewCellStyleDefault:
        place(*m_textLabel, CGRectMake(x, 0, w, c.size.height));
        break;
    case UITableViewCellStyleValue1: {
        CGFloat half = w / 2;
        place(*m_textLabel, CGRectMake(x, 0, half, c.size.height));
        place(*m_detailTextLabel, CGRectMake(x + half, 0, w - half, c.size.height));
        break;
    }
    case UITableViewCellStyleValue2:
        m_textLabel->setTextAlignment(UITextAlignmentRight);
        place(*m_textLabel, CGRectMake(x, 0, 67, c.size.height));
        place(*m_detailTextLabel, CGRectMake(x + 73, 0, std::max<CGFloat>(0, w - 73), c.size.height));
        break;
    case UITableViewCellStyleSubtitle: {
        CGFloat top = std::max<CGFloat>(0, (c.size.height - 42) / 2);
        place(*m_textLabel, CGRectMake(x, top, w, 22));
        place(*m_detailTextLabel, CGRectMake(x, top + 22, w, 20));
        break;
    }
    }
}
