#include "Platform/UIKit/UIPopoverController.h"

#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIWindow.h"

#include <algorithm>
#include <cmath>

namespace {

// The clear layer over the window: it answers touches outside the box.
class PopoverShield : public UIView {
public:
    PopoverShield(CGRect frame, std::weak_ptr<UIPopoverController> owner)
        : UIView(frame)
        , m_owner(std::move(owner))
    {
        setBackgroundColor(UIColor::clearColor());
    }
    bool pointInsideWithEvent(CGPoint point, UIEvent* event) override
    {
        auto owner = m_owner.lock();
        if (!owner || !UIView::pointInsideWithEvent(point, event))
            return false;
        for (auto& v : owner->passthroughViews)
            if (v && v->window() && CGRectContainsPoint(v->bounds(), v->convertPointFromView(point, this)))
                return false;
        return true;
    }
    void touchesBeganWithEvent(const UITouchSet&, UIEvent*) override
    {
        if (auto owner = m_owner.lock())
            owner->userTouchedOutside();
    }
    void touchesMovedWithEvent(const UITouchSet&, UIEvent*) override { }
    void touchesEndedWithEvent(const UITouchSet&, UIEvent*) override { }
    void touchesCancelledWithEvent(const UITouchSet&, UIEvent*) override { }

    // The arrow lies on the shield, just outside the box, pointing from `base` to `tip`.
    void setArrow(CGPoint tip, CGPoint base)
    {
        m_tip = tip;
        m_base = base;
        setNeedsDisplay();
    }
    bool drawsContent() const override { return true; }
    void drawRect(CGRect) override
    {
        auto c = UIGraphicsGetCurrentContext();
        if (!c)
            return;
        CGFloat dx = m_tip.x - m_base.x, dy = m_tip.y - m_base.y;
        CGFloat length = std::max(std::abs(dx), std::abs(dy));
        if (length <= 0)
            return;
        // Half the base across the arrow's direction, a little wider than it is long.
        CGFloat half = length * 1.4f;
        CGFloat px = -dy / length * half, py = dx / length * half;
        UIColor::colorWithWhiteAlpha(0.12f, 1)->setFill();
        CGContextBeginPath(c);
        CGContextMoveToPoint(c, m_tip.x, m_tip.y);
        CGContextAddLineToPoint(c, m_base.x + px, m_base.y + py);
        CGContextAddLineToPoint(c, m_base.x - px, m_base.y - py);
        CGContextClosePath(c);
        CGContextFillPath(c);
    }

private:
    std::weak_ptr<UIPopoverController> m_owner;
    CGPoint m_tip {};
    CGPoint m_base {};
};

}  // namespace

UIPopoverController::UIPopoverController(std::shared_ptr<UIViewController> content)
    : m_content(std::move(content))
    , m_size(m_content ? m_content->contentSizeForViewInPopover() : CGSizeMake(320, 1100))
{
}

UIPopoverController::~UIPopoverController()
{
    // Going away while shown takes the box down with it rather than leaving it in the window.
    if (m_shield)
        m_shield->removeFromSuperview();
    if (m_box)
        m_box->removeFromSuperview();
}

void UIPopoverController::setContentViewControllerAnimated(std::shared_ptr<UIViewController> content, bool)
{
    if (m_visible && m_content) {
        m_content->beginAppearanceTransition(false, false);
        m_content->view()->removeFromSuperview();
        m_content->endAppearanceTransition();
    }
    m_content = std::move(content);
    if (m_visible && m_content && m_box) {
        m_content->beginAppearanceTransition(true, false);
        m_content->view()->setFrame(m_box->bounds());
        m_box->addSubview(m_content->view());
        m_content->endAppearanceTransition();
    }
}

void UIPopoverController::setPopoverContentSizeAnimated(CGSize size, bool)
{
    m_size = size;
    if (m_box) {
        CGRect f = m_box->frame();
        m_box->setFrame(CGRectMake(f.origin.x, f.origin.y, size.width, size.height));
        if (m_content && m_content->isViewLoaded())
            m_content->view()->setFrame(m_box->bounds());
    }
}

CGRect UIPopoverController::popoverFrame() const { return m_box && m_visible ? m_box->frame() : CGRectZero; }

void UIPopoverController::place(CGRect a, unsigned arrows)
{
    CGRect w = UIScreen::mainScreen().bounds();
    CGSize s = m_size;
    s.width = std::min(s.width, w.size.width - 2 * kMargin);
    s.height = std::min(s.height, w.size.height - 2 * kMargin);
    auto clampX = [&](CGFloat x) { return std::clamp(x, kMargin, w.size.width - kMargin - s.width); };
    auto clampY = [&](CGFloat y) { return std::clamp(y, kMargin, w.size.height - kMargin - s.height); };
    struct Option {
        UIPopoverArrowDirection arrow;
        bool fits;
        CGRect frame;
    } options[] = {
        { UIPopoverArrowDirectionUp, CGRectGetMaxY(a) + kArrowHeight + s.height <= w.size.height - kMargin,
            CGRectMake(clampX(CGRectGetMidX(a) - s.width / 2), CGRectGetMaxY(a) + kArrowHeight, s.width, s.height) },
        { UIPopoverArrowDirectionDown, a.origin.y - kArrowHeight - s.height >= kMargin,
            CGRectMake(
                clampX(CGRectGetMidX(a) - s.width / 2), a.origin.y - kArrowHeight - s.height, s.width, s.height) },
        { UIPopoverArrowDirectionLeft, CGRectGetMaxX(a) + kArrowHeight + s.width <= w.size.width - kMargin,
            CGRectMake(CGRectGetMaxX(a) + kArrowHeight, clampY(CGRectGetMidY(a) - s.height / 2), s.width, s.height) },
        { UIPopoverArrowDirectionRight, a.origin.x - kArrowHeight - s.width >= kMargin,
            CGRectMake(
                a.origin.x - kArrowHeight - s.width, clampY(CGRectGetMidY(a) - s.height / 2), s.width, s.height) },
    };
    // The room on each side, between the arrow off the anchor and the screen's margin.
    auto room = [&](UIPopoverArrowDirection arrow) -> CGFloat {
        switch (arrow) {
        case UIPopoverArrowDirectionUp:
            return w.size.height - kMargin - (CGRectGetMaxY(a) + kArrowHeight);
        case UIPopoverArrowDirectionDown:
            return a.origin.y - kArrowHeight - kMargin;
        case UIPopoverArrowDirectionLeft:
            return w.size.width - kMargin - (CGRectGetMaxX(a) + kArrowHeight);
        case UIPopoverArrowDirectionRight:
            return a.origin.x - kArrowHeight - kMargin;
        default:
            return 0;
        }
    };
    const Option* chosen = nullptr;
    for (auto& o : options)
        if ((arrows & o.arrow) && o.fits) {
            chosen = &o;
            break;
        }
    bool shorten = false;
    if (!chosen) {
        // Nowhere it fits: the permitted side with the most room, the content
        // shortened to that room, never laid over the rectangle it points at.
        for (auto& o : options)
            if ((arrows & o.arrow) && (!chosen || room(o.arrow) > room(chosen->arrow)))
                chosen = &o;
        shorten = chosen != nullptr;
    }
    if (!chosen)
        chosen = &options[0];
    m_arrow = chosen->arrow;
    CGRect f = chosen->frame;
    if (shorten) {
        CGFloat r = std::max<CGFloat>(0, room(m_arrow));
        if (m_arrow == UIPopoverArrowDirectionUp || m_arrow == UIPopoverArrowDirectionDown) {
            f.size.height = std::min(f.size.height, r);
            if (m_arrow == UIPopoverArrowDirectionDown)
                f.origin.y = a.origin.y - kArrowHeight - f.size.height;
            f.origin.x = clampX(f.origin.x);
        } else {
            f.size.width = std::min(f.size.width, r);
            if (m_arrow == UIPopoverArrowDirectionRight)
                f.origin.x = a.origin.x - kArrowHeight - f.size.width;
            f.origin.y = clampY(f.origin.y);
        }
    } else {
        f.origin.x = clampX(f.origin.x);
        f.origin.y = clampY(f.origin.y);
    }
    m_box->setFrame(f);
    // The arrow points at the anchor's middle, kept clear of the box's rounded corners.
    CGFloat inset = kArrowHeight * 2;
    CGFloat along
        = std::clamp(CGRectGetMidX(a), f.origin.x + inset, std::max(f.origin.x + inset, CGRectGetMaxX(f) - inset));
    CGFloat across
        = std::clamp(CGRectGetMidY(a), f.origin.y + inset, std::max(f.origin.y + inset, CGRectGetMaxY(f) - inset));
    CGPoint base, tip;
    switch (m_arrow) {
    case UIPopoverArrowDirectionDown:
        base = CGPointMake(along, CGRectGetMaxY(f));
        tip = CGPointMake(along, base.y + kArrowHeight);
        break;
    case UIPopoverArrowDirectionLeft:
        base = CGPointMake(f.origin.x, across);
        tip = CGPointMake(base.x - kArrowHeight, across);
        break;
    case UIPopoverArrowDirectionRight:
        base = CGPointMake(CGRectGetMaxX(f), across);
        tip = CGPointMake(base.x + kArrowHeight, across);
        break;
    default:
        base = CGPointMake(along, f.origin.y);
        tip = CGPointMake(along, base.y - kArrowHeight);
        break;
    }
    if (m_shield)
        std::static_pointer_cast<PopoverShield>(m_shield)->setArrow(tip, base);
}

void UIPopoverController::presentPopoverFromRectInViewPermittedArrowDirectionsAnimated(
    CGRect rect, const std::shared_ptr<UIView>& view, unsigned arrowDirections, bool animated)
{
    auto window = view ? view->window() : nullptr;
    if (!window)
        window = UIWindow::keyWindow();
    if (!window || !m_content)
        return;
    auto keep = shared_from_this();
    CGRect anchor = view ? view->convertRectToView(rect, nullptr) : rect;
    bool wasVisible = m_visible;
    if (!m_shield)
        m_shield = std::make_shared<PopoverShield>(window->bounds(), weak_from_this());
    if (!m_box) {
        m_box = std::make_shared<UIView>(CGRectZero);
        m_box->setBackgroundColor(UIColor::whiteColor());
        m_box->layer()->setCornerRadius(8);
        m_box->layer()->setBorderWidth(6);
        m_box->layer()->setBorderColor(CGColorCreateGenericGray(0.12f, 1));
        m_box->setClipsToBounds(true);
    }
    place(anchor, arrowDirections);
    window->addSubview(m_shield);
    window->addSubview(m_box);
    m_visible = true;
    if (!wasVisible) {
        auto content = m_content->view();
        content->setFrame(m_box->bounds());
        content->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
        m_content->beginAppearanceTransition(true, animated);
        m_box->addSubview(content);
        m_content->endAppearanceTransition();
    }
}

void UIPopoverController::presentPopoverFromBarButtonItemPermittedArrowDirectionsAnimated(
    const std::shared_ptr<UIBarButtonItem>& item, unsigned arrowDirections, bool animated)
{
    auto bar = item ? item->shownInView() : nullptr;
    presentPopoverFromRectInViewPermittedArrowDirectionsAnimated(
        bar ? item->shownFrame() : CGRectZero, bar, arrowDirections, animated);
}

void UIPopoverController::takeDown(bool animated)
{
    if (!m_visible)
        return;
    auto keep = shared_from_this();
    m_visible = false;
    m_arrow = UIPopoverArrowDirectionUnknown;
    if (m_content) {
        m_content->beginAppearanceTransition(false, animated);
        if (m_content->isViewLoaded())
            m_content->view()->removeFromSuperview();
        m_content->endAppearanceTransition();
    }
    m_shield->removeFromSuperview();
    m_box->removeFromSuperview();
}

void UIPopoverController::dismissPopoverAnimated(bool animated) { takeDown(animated); }

void UIPopoverController::userTouchedOutside()
{
    if (!m_visible)
        return;
    auto keep = shared_from_this();
    auto d = delegate();
    if (d && !d->popoverControllerShouldDismissPopover(*this))
        return;
    takeDown(true);
    if (d)
        d->popoverControllerDidDismissPopover(*this);
}
