#include "Platform/UIKit/UIToolbar.h"

#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"

namespace {
constexpr CGFloat kGap = 10;

bool isSpace(const UIBarButtonItem& item)
{
    return item.hasSystemItem
        && (item.systemItem == UIBarButtonSystemItemFlexibleSpace
            || item.systemItem == UIBarButtonSystemItemFixedSpace);
}
}

UIToolbar::UIToolbar(CGRect frame)
    : UIView(frame)
{
}

void UIToolbar::setItemsAnimated(std::vector<std::shared_ptr<UIBarButtonItem>> items, bool)
{
    m_items = std::move(items);
    layoutSubviews();
    setNeedsDisplay();
}

std::vector<CGRect> UIToolbar::frames() const
{
    CGRect b = bounds();
    CGFloat fixed = kGap;
    int flexible = 0;
    for (auto& item : m_items) {
        if (item->hasSystemItem && item->systemItem == UIBarButtonSystemItemFlexibleSpace)
            ++flexible;
        else if (item->hasSystemItem && item->systemItem == UIBarButtonSystemItemFixedSpace)
            fixed += item->width;
        else
            fixed += item->displayWidth() + kGap;
    }
    CGFloat share = flexible ? std::max<CGFloat>(0, b.size.width - fixed) / static_cast<CGFloat>(flexible) : 0;
    std::vector<CGRect> out;
    CGFloat x = kGap;
    for (auto& item : m_items) {
        if (item->hasSystemItem && item->systemItem == UIBarButtonSystemItemFlexibleSpace) {
            out.push_back(CGRectZero);
            x += share;
        } else if (item->hasSystemItem && item->systemItem == UIBarButtonSystemItemFixedSpace) {
            out.push_back(CGRectZero);
            x += item->width;
        } else {
            CGFloat w = item->displayWidth();
            CGFloat h = item->customView ? item->customView->frame().size.height : 30;
            out.push_back(CGRectMake(x, (b.size.height - h) / 2, w, h));
            x += w + kGap;
        }
    }
    return out;
}

CGRect UIToolbar::itemFrame(long index) const
{
    auto f = frames();
    return index >= 0 && index < static_cast<long>(f.size()) ? f[static_cast<size_t>(index)] : CGRectZero;
}

void UIToolbar::layoutSubviews()
{
    for (auto& v : m_shownCustomViews)
        v->removeFromSuperview();
    m_shownCustomViews.clear();
    auto f = frames();
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (!isSpace(*m_items[i]) && weak_from_this().lock())
            m_items[i]->setShownFrame(sharedView(), f[i]);
        if (auto& v = m_items[i]->customView) {
            v->setFrame(f[i]);
            addSubview(v);
            m_shownCustomViews.push_back(v);
        }
    }
}

void UIToolbar::touchesEndedWithEvent(const UITouchSet& touches, UIEvent*)
{
    if (touches.empty())
        return;
    auto keep = shared_from_this();
    CGPoint p = touches.front()->locationInView(this);
    auto f = frames();
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (isSpace(*m_items[i]) || m_items[i]->customView)
            continue;
        if (CGRectContainsPoint(CGRectInset(f[i], -kGap / 2, -7), p)) {
            auto item = m_items[i];
            item->sendAction();
            return;
        }
    }
}

void UIToolbar::drawRect(CGRect)
{
    auto c = UIGraphicsGetCurrentContext();
    if (!c)
        return;
    CGRect b = bounds();
    UIBarBackgroundColor(tintColor, barStyle)->setFill();
    CGContextFillRect(c, b);
    auto f = frames();
    for (size_t i = 0; i < m_items.size(); ++i)
        if (!isSpace(*m_items[i]))
            m_items[i]->drawInRect(f[i]);
}
