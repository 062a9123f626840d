#include "Platform/UIKit/UINavigationController.h"

#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"

#include <algorithm>

namespace {
constexpr CGFloat kItemPadding = 10;

std::shared_ptr<UIFont> barItemFont() { return UIFont::boldSystemFontOfSize(12); }

// A rounded box, as bordered bar items and the back button are drawn.
void fillRoundedRect(const CGContextRef& c, CGRect r, CGFloat radius)
{
    constexpr CGFloat kHalfPi = 1.57079632679489661923f;
    CGFloat x0 = r.origin.x, y0 = r.origin.y, x1 = CGRectGetMaxX(r), y1 = CGRectGetMaxY(r);
    CGContextBeginPath(c);
    CGContextMoveToPoint(c, x0 + radius, y0);
    CGContextAddArc(c, x1 - radius, y0 + radius, radius, -kHalfPi, 0, 0);
    CGContextAddArc(c, x1 - radius, y1 - radius, radius, 0, kHalfPi, 0);
    CGContextAddArc(c, x0 + radius, y1 - radius, radius, kHalfPi, 2 * kHalfPi, 0);
    CGContextAddArc(c, x0 + radius, y0 + radius, radius, 2 * kHalfPi, 3 * kHalfPi, 0);
    CGContextClosePath(c);
    CGContextFillPath(c);
}

void drawCentredText(const std::string& text, CGRect r, const std::shared_ptr<UIFont>& font)
{
    CGFloat h = font->lineHeight();
    drawInRectWithFontLineBreakModeAlignment(text, CGRectMake(r.origin.x, CGRectGetMidY(r) - h / 2, r.size.width, h),
        font, UILineBreakModeTailTruncation, UITextAlignmentCenter);
}
}  // namespace

void UIBarButtonItem::sendAction()
{
    if (!enabled || !m_action)
        return;
    auto keep = shared_from_this();
    m_action(*this);
}

CGFloat UIBarButtonItem::displayWidth() const
{
    if (customView)
        return customView->frame().size.width;
    if (width > 0)
        return width;
    if (image)
        return image->size().width + 2 * kItemPadding;
    return std::max<CGFloat>(50, sizeWithFont(displayTitle(), barItemFont()).width + 2 * kItemPadding);
}

std::string UIBarButtonItem::displayTitle() const
{
    if (!title.empty() || !hasSystemItem)
        return title;
    switch (systemItem) {
    case UIBarButtonSystemItemDone:
        return "Done";
    case UIBarButtonSystemItemCancel:
        return "Cancel";
    case UIBarButtonSystemItemEdit:
        return "Edit";
    case UIBarButtonSystemItemSave:
        return "Save";
    case UIBarButtonSystemItemAdd:
        return "+";
    case UIBarButtonSystemItemAction:
        return "Share";
    default:
        return {};
    }
}

void UIBarButtonItem::drawInRect(CGRect rect) const
{
    auto c = UIGraphicsGetCurrentContext();
    if (!c || customView)
        return;
    CGFloat alpha = enabled ? 1 : 0.4f;
    bool bordered = style != UIBarButtonItemStylePlain || hasSystemItem;
    if (bordered) {
        (style == UIBarButtonItemStyleDone ? UIColor::colorWithRedGreenBlueAlpha(0.2f, 0.45f, 0.9f, alpha)
                                           : UIColor::colorWithWhiteAlpha(1, 0.2f * alpha))
            ->setFill();
        fillRoundedRect(c, rect, 5);
    }
    if (image) {
        CGSize s = image->size();
        CGFloat scale = std::min<CGFloat>(
            { 1, rect.size.width / std::max<CGFloat>(s.width, 1), rect.size.height / std::max<CGFloat>(s.height, 1) });
        CGSize d = CGSizeMake(s.width * scale, s.height * scale);
        image->drawInRectBlendModeAlpha(
            CGRectMake(CGRectGetMidX(rect) - d.width / 2, CGRectGetMidY(rect) - d.height / 2, d.width, d.height),
            kCGBlendModeNormal, alpha);
        return;
    }
    UIColor::colorWithWhiteAlpha(1, alpha)->setFill();
    drawCentredText(displayTitle(), rect, barItemFont());
}

void UINavigationBar::setItems(std::vector<std::shared_ptr<UINavigationItem>> items)
{
    m_items = std::move(items);
    setNeedsLayout();
    setNeedsDisplay();
}

void UINavigationBar::pushNavigationItemAnimated(std::shared_ptr<UINavigationItem> item, bool)
{
    if (!item)
        return;
    m_items.push_back(std::move(item));
    setNeedsLayout();
    setNeedsDisplay();
}

void UINavigationBar::popNavigationItemAnimated(bool)
{
    if (!m_items.empty())
        m_items.pop_back();
    setNeedsLayout();
    setNeedsDisplay();
}

CGRect UINavigationBar::leftItemFrame() const
{
    auto top = topItem();
    if (!top || !top->leftBarButtonItem)
        return CGRectZero;
    CGFloat w = top->leftBarButtonItem->displayWidth();
    return CGRectMake(5, 7, w, 30);
}

CGRect UINavigationBar::rightItemFrame() const
{
    auto top = topItem();
    if (!top || !top->rightBarButtonItem)
        return CGRectZero;
    CGFloat w = top->rightBarButtonItem->displayWidth();
    return CGRectMake(bounds().size.width - 5 - w, 7, w, 30);
}

CGRect UINavigationBar::backButtonFrame() const
{
    auto top = topItem();
    if (!top || top->leftBarButtonItem || top->hidesBackButton || !backItem())
        return CGRectZero;
    return CGRectMake(5, 7, 70, 30);
}

std::string UINavigationBar::backButtonTitle() const
{
    auto back = backItem();
    if (!back)
        return {};
    if (back->backBarButtonItem && !back->backBarButtonItem->title.empty())
        return back->backBarButtonItem->title;
    return back->title().empty() ? "Back" : back->title();
}

std::shared_ptr<UIColor> UIBarBackgroundColor(const std::shared_ptr<UIColor>& tint, UIBarStyle style)
{
    if (tint)
        return tint;
    return style == UIBarStyleDefault ? UIColor::colorWithRedGreenBlueAlpha(0.43f, 0.52f, 0.63f, 1)
                                      : UIColor::colorWithWhiteAlpha(0.1f, 1);
}

void UINavigationBar::drawRect(CGRect)
{
    auto c = UIGraphicsGetCurrentContext();
    if (!c)
        return;
    CGRect b = bounds();
    UIBarBackgroundColor(tintColor, barStyle)->setFill();
    CGContextFillRect(c, b);
    // A lighter upper half and a dark bottom edge, as the platform's bar looks.
    UIColor::colorWithWhiteAlpha(1, 0.12f)->setFill();
    CGContextFillRect(c, CGRectMake(0, 0, b.size.width, b.size.height / 2));
    UIColor::colorWithWhiteAlpha(0, 0.35f)->setFill();
    CGContextFillRect(c, CGRectMake(0, b.size.height - 1, b.size.width, 1));
    auto top = topItem();
    if (!top)
        return;
    CGRect left = leftItemFrame(), right = rightItemFrame(), back = backButtonFrame();
    if (top->leftBarButtonItem)
        top->leftBarButtonItem->drawInRect(left);
    if (top->rightBarButtonItem)
        top->rightBarButtonItem->drawInRect(right);
    if (!CGRectIsEmpty(back)) {
        UIColor::colorWithWhiteAlpha(1, 0.2f)->setFill();
        fillRoundedRect(c, back, 5);
        UIColor::whiteColor()->setFill();
        drawCentredText(backButtonTitle(), CGRectInset(back, 4, 0), barItemFont());
    }
    if (top->titleView)
        return;
    // The title is centred on the bar, kept clear of the items at either side.
    CGFloat sideLeft = std::max(CGRectGetMaxX(left), CGRectGetMaxX(back));
    CGFloat sideRight = CGRectIsEmpty(right) ? 0 : b.size.width - right.origin.x;
    CGFloat margin = std::max(sideLeft, sideRight) + kItemPadding;
    auto font = UIFont::boldSystemFontOfSize(20);
    UIColor::whiteColor()->setFill();
    drawCentredText(
        top->title(), CGRectMake(margin, 0, std::max<CGFloat>(0, b.size.width - 2 * margin), b.size.height), font);
}

void UINavigationBar::layoutSubviews()
{
    for (auto& v : m_shownCustomViews)
        v->removeFromSuperview();
    m_shownCustomViews.clear();
    auto top = topItem();
    if (!top)
        return;
    auto place = [this](const std::shared_ptr<UIView>& v, CGRect slot) {
        CGRect f = v->frame();
        v->setFrame(CGRectMake(slot.origin.x, (kHeight - f.size.height) / 2, f.size.width, f.size.height));
        addSubview(v);
        m_shownCustomViews.push_back(v);
    };
    if (top->leftBarButtonItem)
        top->leftBarButtonItem->setShownFrame(sharedView(), leftItemFrame());
    if (top->rightBarButtonItem)
        top->rightBarButtonItem->setShownFrame(sharedView(), rightItemFrame());
    if (top->leftBarButtonItem && top->leftBarButtonItem->customView)
        place(top->leftBarButtonItem->customView, leftItemFrame());
    if (top->rightBarButtonItem && top->rightBarButtonItem->customView)
        place(top->rightBarButtonItem->customView, rightItemFrame());
    if (top->titleView) {
        CGRect f = top->titleView->frame();
        top->titleView->setFrame(CGRectMake(
            (bounds().size.width - f.size.width) / 2, (kHeight - f.size.height) / 2, f.size.width, f.size.height));
        addSubview(top->titleView);
        m_shownCustomViews.push_back(top->titleView);
    }
}

void UINavigationBar::touchesEndedWithEvent(const UITouchSet& touches, UIEvent*)
{
    if (touches.empty())
        return;
    CGPoint p = touches.front()->locationInView(this);
    auto top = topItem();
    if (!top)
        return;
    if (top->leftBarButtonItem && CGRectContainsPoint(leftItemFrame(), p))
        top->leftBarButtonItem->sendAction();
    else if (top->rightBarButtonItem && CGRectContainsPoint(rightItemFrame(), p))
        top->rightBarButtonItem->sendAction();
    else if (CGRectContainsPoint(backButtonFrame(), p) && m_backAction)
        m_backAction();
}

std::shared_ptr<UINavigationController> UINavigationController::withRootViewController(
    const std::shared_ptr<UIViewController>& root)
{
    auto nav = std::make_shared<UINavigationController>();
    if (root)
        nav->setViewControllersAnimated({ root }, false);
    return nav;
}

std::shared_ptr<UIViewController> UINavigationController::visibleViewController() const
{
    if (auto p = presentedViewController())
        return p;
    return topViewController();
}

void UINavigationController::loadView()
{
    auto v = std::make_shared<UIView>(UIScreen::mainScreen().applicationFrame());
    setView(v);
    navigationBar();
    v->addSubview(m_bar);
    if (auto top = topViewController()) {
        auto content = top->view();
        content->setFrame(contentFrame());
        content->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
        v->insertSubviewBelowSubview(content, m_bar);
    }
}

std::shared_ptr<UINavigationBar> UINavigationController::navigationBar()
{
    if (!m_bar) {
        m_bar = std::make_shared<UINavigationBar>(
            CGRectMake(0, 0, UIScreen::mainScreen().bounds().size.width, UINavigationBar::kHeight));
        m_bar->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
        m_bar->setHidden(m_barHidden);
        auto weak = weakSelf<UINavigationController>();
        m_bar->setBackAction([weak] {
            if (auto self = weak.lock())
                self->popViewControllerAnimated(true);
        });
        std::vector<std::shared_ptr<UINavigationItem>> items;
        for (auto& c : m_stack)
            items.push_back(c->navigationItem());
        m_bar->setItems(items);
    }
    return m_bar;
}

CGRect UINavigationController::contentFrame()
{
    CGRect b = view()->bounds();
    // Laid out over the whole screen, the controller keeps its bar and the
    // screens that do not ask for the whole screen below the status bar.
    CGFloat top = 0;
    auto shown = topViewController();
    if (wantsFullScreenLayout() && !(shown && shown->wantsFullScreenLayout()))
        top = UIApplication::sharedApplication()->statusBarFrame().size.height;
    if (m_bar)
        m_bar->setFrame(CGRectMake(0, top, m_bar->frame().size.width, UINavigationBar::kHeight));
    if (!m_barHidden)
        top += UINavigationBar::kHeight;
    return CGRectMake(0, top, b.size.width, b.size.height - top);
}

void UINavigationController::layoutContent()
{
    if (!isViewLoaded())
        return;
    if (auto top = topViewController(); top && top->isViewLoaded())
        top->view()->setFrame(contentFrame());
}

void UINavigationController::setNavigationBarHiddenAnimated(bool hidden, bool)
{
    m_barHidden = hidden;
    if (m_bar)
        m_bar->setHidden(hidden);
    layoutContent();
}

void UINavigationController::viewWillAppear(bool animated)
{
    if (!isInAppearanceTransitionCall())
        beginAppearanceTransition(true, animated);
}

void UINavigationController::viewDidAppear(bool animated)
{
    if (isInAppearanceTransitionCall())
        return;
    if (!isAppearing())
        beginAppearanceTransition(true, animated);
    endAppearanceTransition();
}

void UINavigationController::viewWillDisappear(bool animated)
{
    if (!isInAppearanceTransitionCall())
        beginAppearanceTransition(false, animated);
}

void UINavigationController::viewDidDisappear(bool animated)
{
    if (isInAppearanceTransitionCall())
        return;
    if (isAppearing())
        beginAppearanceTransition(false, animated);
    endAppearanceTransition();
}

std::vector<std::shared_ptr<UIViewController>> UINavigationController::visibleChildren() const
{
    if (auto top = topViewController())
        return { top };
    return {};
}

void UINavigationController::transition(
    const std::shared_ptr<UIViewController>& from, const std::shared_ptr<UIViewController>& to, bool animated)
{
    auto keep = shared_from_this();
    bool visible = isAppearing();
    if (to)
        to->view();
    if (auto d = delegate(); d && to)
        d->navigationControllerWillShowViewControllerAnimated(*this, *to, animated);
    if (visible) {
        if (from)
            from->beginAppearanceTransition(false, animated);
        if (to)
            to->beginAppearanceTransition(true, animated);
    }
    if (isViewLoaded()) {
        if (from && from->isViewLoaded() && from != to)
            from->view()->removeFromSuperview();
        if (to) {
            auto v = to->view();
            v->setFrame(contentFrame());
            v->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
            view()->insertSubviewBelowSubview(v, navigationBar());
        }
    }
    std::vector<std::shared_ptr<UINavigationItem>> items;
    for (auto& c : m_stack)
        items.push_back(c->navigationItem());
    navigationBar()->setItems(items);
    auto weak = weakSelf<UINavigationController>();
    afterTransition(animated, [weak, from, to, visible, animated] {
        if (visible) {
            if (from)
                from->endAppearanceTransition();
            if (to)
                to->endAppearanceTransition();
        }
        auto self = weak.lock();
        if (self && to)
            if (auto d = self->delegate())
                d->navigationControllerDidShowViewControllerAnimated(*self, *to, animated);
    });
}

void UINavigationController::setViewControllersAnimated(
    std::vector<std::shared_ptr<UIViewController>> controllers, bool animated)
{
    auto from = topViewController();
    for (auto& c : m_stack)
        c->setParentInternal(nullptr);
    m_stack = std::move(controllers);
    auto self = protect<UIViewController>();
    for (auto& c : m_stack)
        c->setParentInternal(self);
    auto to = topViewController();
    if (from != to)
        transition(from, to, animated);
}

void UINavigationController::pushViewControllerAnimated(
    const std::shared_ptr<UIViewController>& controller, bool animated)
{
    if (!controller || std::find(m_stack.begin(), m_stack.end(), controller) != m_stack.end())
        return;
    auto from = topViewController();
    controller->setParentInternal(protect<UIViewController>());
    m_stack.push_back(controller);
    transition(from, controller, animated);
}

std::shared_ptr<UIViewController> UINavigationController::popViewControllerAnimated(bool animated)
{
    if (m_stack.size() < 2)
        return nullptr;
    auto from = m_stack.back();
    m_stack.pop_back();
    transition(from, topViewController(), animated);
    from->setParentInternal(nullptr);
    return from;
}

std::vector<std::shared_ptr<UIViewController>> UINavigationController::popToViewControllerAnimated(
    const std::shared_ptr<UIViewController>& c, bool animated)
{
    auto it = std::find(m_stack.begin(), m_stack.end(), c);
    if (it == m_stack.end() || it + 1 == m_stack.end())
        return {};
    std::vector<std::shared_ptr<UIViewController>> popped(it + 1, m_stack.end());
    auto from = m_stack.back();
    m_stack.erase(it + 1, m_stack.end());
    transition(from, topViewController(), animated);
    for (auto& p : popped)
        p->setParentInternal(nullptr);
    return popped;
}

std::vector<std::shared_ptr<UIViewController>> UINavigationController::popToRootViewControllerAnimated(bool animated)
{
    if (m_stack.empty())
        return {};
    return popToViewControllerAnimated(m_stack.front(), animated);
}
