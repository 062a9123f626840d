#include "Platform/UIKit/UITabBarController.h"

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
        if (CGRectContainsPoint(itemFrame(i), p) && items[i]->enabled) {
            m_select(i);
            return;
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
        m_bar = std::make_shared<UITabBar>(CGRectMake(0, f.size.height - UITabBar::kHeight, f.size.width, UITabBar::kHeight));
        m_bar->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleTopMargin);
        std::weak_ptr<UITabBarController> weak = std::static_pointer_cast<UITabBarController>(shared_from_this());
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
    return m_controllers[m_selected];
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
    auto self = std::static_pointer_cast<UIViewController>(shared_from_this());
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

void UITabBarController::show(long index)
{
    auto c = m_controllers[index];
    auto v = c->view();
    CGRect b = view()->bounds();
    v->setFrame(CGRectMake(0, 0, b.size.width, tabBar()->frame().origin.y));
    v->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    view()->insertSubviewBelowSubview(v, tabBar());
}

void UITabBarController::setSelectedIndex(long index)
{
    if (index < 0 || index >= static_cast<long>(m_controllers.size()) || index == m_selected)
        return;
    auto keep = shared_from_this();
    auto from = selectedViewController();
    auto to = m_controllers[index];
    bool visible = isAppearing();
    if (visible) {
        if (from)
            from->beginAppearanceTransition(false, false);
        to->beginAppearanceTransition(true, false);
    }
    if (from && from->isViewLoaded())
        from->view()->removeFromSuperview();
    m_selected = index;
    if (m_bar)
        m_bar->selectedIndex = index;
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
    auto c = m_controllers[index];
    auto d = delegate();
    if (d && !d->tabBarControllerShouldSelectViewController(*this, *c))
        return;
    setSelectedIndex(index);
    if (d)
        d->tabBarControllerDidSelectViewController(*this, *c);
}
