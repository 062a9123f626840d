#include "Platform/UIKit/UISegmentedControl.h"

#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"

#include <algorithm>
#include <cmath>

UISegmentedControl::UISegmentedControl(std::vector<std::string> items)
    : UIControl(CGRectMake(0, 0, 80.0f * static_cast<CGFloat>(items.size()), 44))
    , m_titles(std::move(items))
    , m_enabled(m_titles.size(), true)
{
}

void UISegmentedControl::setSelectedSegmentIndex(long index)
{
    m_selected = index >= 0 && index < numberOfSegments() ? index : UISegmentedControlNoSegment;
    setNeedsDisplay();
}

std::string UISegmentedControl::titleForSegmentAtIndex(long index) const
{
    return index >= 0 && index < numberOfSegments() ? m_titles[static_cast<size_t>(index)] : std::string();
}

void UISegmentedControl::setTitleForSegmentAtIndex(const std::string& title, long index)
{
    if (index >= 0 && index < numberOfSegments())
        m_titles[static_cast<size_t>(index)] = title;
    setNeedsDisplay();
}

void UISegmentedControl::insertSegmentWithTitleAtIndexAnimated(const std::string& title, long index, bool)
{
    index = std::clamp(index, 0L, numberOfSegments());
    m_titles.insert(m_titles.begin() + index, title);
    m_enabled.insert(m_enabled.begin() + index, true);
    if (m_selected >= index)
        ++m_selected;
    setNeedsDisplay();
}

void UISegmentedControl::removeSegmentAtIndexAnimated(long index, bool)
{
    if (index < 0 || index >= numberOfSegments())
        return;
    m_titles.erase(m_titles.begin() + index);
    m_enabled.erase(m_enabled.begin() + index);
    if (m_selected == index)
        m_selected = UISegmentedControlNoSegment;
    else if (m_selected > index)
        --m_selected;
    setNeedsDisplay();
}

void UISegmentedControl::removeAllSegments()
{
    m_titles.clear();
    m_enabled.clear();
    m_selected = UISegmentedControlNoSegment;
    setNeedsDisplay();
}

bool UISegmentedControl::isEnabledForSegmentAtIndex(long index) const
{
    return index >= 0 && index < numberOfSegments() && m_enabled[static_cast<size_t>(index)];
}

void UISegmentedControl::setEnabledForSegmentAtIndex(bool enabled, long index)
{
    if (index >= 0 && index < numberOfSegments())
        m_enabled[static_cast<size_t>(index)] = enabled;
}

long UISegmentedControl::segmentAtPoint(CGPoint p) const
{
    CGRect b = bounds();
    if (m_titles.empty() || !CGRectContainsPoint(b, p))
        return UISegmentedControlNoSegment;
    long i = static_cast<long>(std::floor((p.x - b.origin.x) / (b.size.width / static_cast<CGFloat>(m_titles.size()))));
    return std::clamp(i, 0L, numberOfSegments() - 1);
}

void UISegmentedControl::didTapAt(CGPoint point, UIEvent* event)
{
    long i = segmentAtPoint(point);
    if (i < 0 || !isEnabledForSegmentAtIndex(i))
        return;
    if (m_momentary) {
        sendActionsForControlEvents(UIControlEventValueChanged, event);
        return;
    }
    if (i == m_selected)
        return;
    m_selected = i;
    setNeedsDisplay();
    sendActionsForControlEvents(UIControlEventValueChanged, event);
}

void UISegmentedControl::drawRect(CGRect)
{
    auto c = UIGraphicsGetCurrentContext();
    if (!c || m_titles.empty())
        return;
    CGRect b = bounds();
    CGFloat w = b.size.width / static_cast<CGFloat>(m_titles.size());
    auto tint = tintColor ? tintColor : UIColor::colorWithRedGreenBlueAlpha(0.35f, 0.45f, 0.6f, 1);
    auto font = UIFont::boldSystemFontOfSize(13);
    for (size_t i = 0; i < m_titles.size(); ++i) {
        CGRect r = CGRectMake(b.origin.x + w * static_cast<CGFloat>(i), b.origin.y, w, b.size.height);
        bool on = static_cast<long>(i) == m_selected;
        (on ? tint : UIColor::whiteColor())->setFill();
        CGContextFillRect(c, r);
        tint->setStroke();
        CGContextSetLineWidth(c, 1);
        CGContextStrokeRect(c, CGRectInset(r, 0.5f, 0.5f));
        (on ? UIColor::whiteColor() : tint)->setFill();
        CGFloat h = font->lineHeight();
        drawInRectWithFontLineBreakModeAlignment(m_titles[i],
            CGRectMake(r.origin.x + 4, r.origin.y + (r.size.height - h) / 2, w - 8, h), font,
            UILineBreakModeTailTruncation, UITextAlignmentCenter);
    }
}
