#include "Platform/UIKit/UITabBarController.h"

#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"

#include <algorithm>

CGRect UITabBar::itemFrame(long index) const
{
    long n = static_cast<long>(items.size());
    if (index < 0 || index >= n)
        return CGRectZero;
    CGFloat w = bounds().size.width / n;
    return CGRectMake(w * index, 0, w, bounds().size.height);
}

void UITabBar::touchesEndedWithEvent(const UITouchSet& touches, UIEvent*)
{
    if (touches.empty() || !m_select)
        return;
    CGPoint p = touches.front()->locationInView(this);
    for (long i = 0; i < static_cast<long>(items.size()); ++i)
        if (CGRectContainsPoint(itemFrame(i), p) && items[static_cast<size_t>(i)]->enabled) {
            m_select(i);
            return;
        }
}

void UITabBar::drawRect(CGRect)
{
    auto c = UIGraphicsGetCurrentContext();
    if (!c)
        return;
    CGRect b = bounds();
    UIColor::colorWithWhiteAlpha(0.12f, 1)->setFill();
    CGContextFillRect(c, b);
    UIColor::colorWithWhiteAlpha(0.3f, 1)->setFill();
    CGContextFillRect(c, CGRectMake(0, 0, b.size.width, 1));
    auto smallFont = UIFont::boldSystemFontOfSize(10);
    auto largeFont = UIFont::boldSystemFontOfSize(13);
    for (long i = 0; i < static_cast<long>(items.size()); ++i) {
        const auto& item = *items[static_cast<size_t>(i)];
        CGRect f = itemFrame(i);
        bool selected = i == selectedIndex;
        if (selected) {
            UIColor::colorWithWhiteAlpha(1, 0.15f)->setFill();
            CGContextFillRect(c, CGRectInset(f, 4, 2));
        }
        CGFloat alpha = item.enabled ? 1 : 0.4f;
        // With an image the title goes small beneath it; alone it is centred.
        auto font = item.image ? smallFont : largeFont;
        CGFloat titleHeight = font->lineHeight();
        CGRect titleRect = item.image
            ? CGRectMake(f.origin.x, CGRectGetMaxY(f) - titleHeight - 3, f.size.width, titleHeight)
            : CGRectMake(f.origin.x, CGRectGetMidY(f) - titleHeight / 2, f.size.width, titleHeight);
        if (item.image) {
            // Scaled down to fit 30 points, centred above the title.
            CGSize s = item.image->size();
            CGFloat scale
                = std::min<CGFloat>({ 1, 30 / std::max<CGFloat>(s.width, 1), 30 / std::max<CGFloat>(s.height, 1) });
            CGSize d = CGSizeMake(s.width * scale, s.height * scale);
            CGFloat top = f.origin.y + (titleRect.origin.y - f.origin.y - d.height) / 2;
            item.image->drawInRectBlendModeAlpha(CGRectMake(CGRectGetMidX(f) - d.width / 2, top, d.width, d.height),
                kCGBlendModeNormal, selected ? alpha : alpha * 0.6f);
        }
        (selected ? UIColor::colorWithRedGreenBlueAlpha(0.45f, 0.72f, 1, alpha)
                  : UIColor::colorWithWhiteAlpha(0.65f, alpha))
            ->setFill();
        drawInRectWithFontLineBreakModeAlignment(
            item.title, titleRect, font, UILineBreakModeTailTruncation, UITextAlignmentCenter);
        if (!item.badgeValue.empty()) {
            auto badgeFont = UIFont::boldSystemFontOfSize(11);
            CGFloat w = std::max<CGFloat>(20, sizeWithFont(item.badgeValue, badgeFont).width + 10);
            CGRect badge = CGRectMake(CGRectGetMidX(f) + 10, f.origin.y + 2, w, 20);
            UIColor::colorWithRedGreenBlueAlpha(0.85f, 0.1f, 0.1f, 1)->setFill();
            CGContextFillEllipseInRect(c, CGRectMake(badge.origin.x, badge.origin.y, 20, 20));
            CGContextFillEllipseInRect(c, CGRectMake(CGRectGetMaxX(badge) - 20, badge.origin.y, 20, 20));
            CGContextFillRect(c, CGRectMake(badge.origin.x + 10, badge.origin.y, w - 20, 20));
            UIColor::whiteColor()->setFill();
            drawInRectWithFontLineBreakModeAlignment(item.badgeValue,
                CGRectMake(badge.origin.x, badge.origin.y + 3, w, 14), badgeFont, UILineBreakModeClip,
                UITextAlignmentCenter);
        }
    }
}

void UITabBarController::loadView()
{
    auto v = std::make_shared<UIView>(UIScreen::mainScreen().applicationFrame());
    setView(v);
    v->addSubview(tabBar());
    if (m_selected >= 0)
        show(m_selected);
}

std::shared_ptr<UITabBar> UITabBarController::tabBar()
{
    if (!m_bar) {
        CGRect f = UIScreen::mainScreen().applicationFrame();
        m_bar = std::make_shared<UITabBar>(
            CGRectMake(0, f.size.height - UITabBar::kHeight, f.size.width, UITabBar::kHeight));
        m_bar->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleTopMargin);
        auto weak = weakSelf<UITabBarController>();
        m_bar->setSelectAction([weak](long i) {
            if (auto self = weak.lock())
                self->userSelectedIndex(i);
        });
        for (auto& c : m_controllers)
            m_bar->items.push_back(c->tabBarItem());
        m_bar->selectedIndex = m_selected;
    }
    return m_bar;
}

std::vector<std::shared_ptr<UIViewController>> UITabBarController::visibleChildren() const
{
    if (auto s = selectedViewController())
        return { s };
    return {};
}

std::shared_ptr<UIViewController> UITabBarController::selectedViewController() const
{
    if (m_selected < 0 || m_selected >= static_cast<long>(m_controllers.size()))
        return nullptr;
    return m_controllers[static_cast<size_t>(m_selected)];
}

void UITabBarController::setViewControllersAnimated(std::vector<std::shared_ptr<UIViewController>> controllers, bool)
{
    auto old = selectedViewController();
    bool visible = isAppearing();
    if (old && visible)
        old->beginAppearanceTransition(false, false);
    if (old && old->isViewLoaded())
        old->view()->removeFromSuperview();
    if (old && visible)
        old->endAppearanceTransition();
    for (auto& c : m_controllers)
        c->setParentInternal(nullptr);
    m_controllers = std::move(controllers);
    auto self = protect<UIViewController>();
    for (auto& c : m_controllers)
        c->setParentInternal(self);
    if (m_bar) {
        m_bar->items.clear();
        for (auto& c : m_controllers)
            m_bar->items.push_back(c->tabBarItem());
    }
    m_selected = -1;
    if (!m_controllers.empty())
        setSelectedIndex(0);
}

CGRect UITabBarController::contentFrame()
{
    CGRect b = view()->bounds();
    // Laid out over the whole screen, the controller keeps the tabs' screens
    // below the status bar.
    const CGFloat top
        = wantsFullScreenLayout() ? UIApplication::sharedApplication()->statusBarFrame().size.height : CGFloat(0);
    auto bar = tabBar();
    const CGFloat bottom = bar->isHidden() ? b.size.height : bar->frame().origin.y;
    return CGRectMake(0, top, b.size.width, bottom - top);
}

void UITabBarController::show(long index)
{
    auto c = m_controllers[static_cast<size_t>(index)];
    auto v = c->view();
    v->setFrame(contentFrame());
    v->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    view()->insertSubviewBelowSubview(v, tabBar());
}

void UITabBarController::setSelectedIndex(long index)
{
    if (index < 0 || index >= static_cast<long>(m_controllers.size()) || index == m_selected)
        return;
    auto keep = shared_from_this();
    auto from = selectedViewController();
    auto to = m_controllers[static_cast<size_t>(index)];
    // The new screen's view is made before either screen hears of the switch.
    if (isViewLoaded())
        to->view();
    bool visible = isAppearing();
    if (visible) {
        if (from)
            from->beginAppearanceTransition(false, false);
        to->beginAppearanceTransition(true, false);
    }
    if (from && from->isViewLoaded())
        from->view()->removeFromSuperview();
    m_selected = index;
    if (m_bar) {
        m_bar->selectedIndex = index;
        m_bar->setNeedsDisplay();
    }
    if (isViewLoaded())
        show(index);
    if (visible) {
        if (from)
            from->endAppearanceTransition();
        to->endAppearanceTransition();
    }
}

void UITabBarController::setSelectedViewController(const std::shared_ptr<UIViewController>& controller)
{
    auto it = std::find(m_controllers.begin(), m_controllers.end(), controller);
    if (it != m_controllers.end())
        setSelectedIndex(it - m_controllers.begin());
}

void UITabBarController::userSelectedIndex(long index)
{
    if (index < 0 || index >= static_cast<long>(m_controllers.size()))
        return;
    auto c = m_controllers[static_cast<size_t>(index)];
    auto d = delegate();
    if (d && !d->tabBarControllerShouldSelectViewController(*this, *c))
        return;
    setSelectedIndex(index);
    if (d)
        d->tabBarControllerDidSelectViewController(*this, *c);
}
