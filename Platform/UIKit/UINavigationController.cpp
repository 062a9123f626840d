#include "Platform/UIKit/UINavigationController.h"

#include <algorithm>

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
    // A rough text width: the bar draws the title in a 12-point bold face.
    return std::max<CGFloat>(50, static_cast<CGFloat>(title.size()) * 8 + 20);
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
        top->titleView->setFrame(CGRectMake((bounds().size.width - f.size.width) / 2, (kHeight - f.size.height) / 2,
                                            f.size.width, f.size.height));
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
        v->insertSubviewBelowSubview(content, m_bar);
    }
}

std::shared_ptr<UINavigationBar> UINavigationController::navigationBar()
{
    if (!m_bar) {
        m_bar = std::make_shared<UINavigationBar>(CGRectMake(0, 0, UIScreen::mainScreen().bounds().size.width,
                                                             UINavigationBar::kHeight));
        m_bar->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
        m_bar->setHidden(m_barHidden);
        std::weak_ptr<UINavigationController> weak = std::static_pointer_cast<UINavigationController>(shared_from_this());
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
    if (m_barHidden)
        return b;
    return CGRectMake(0, UINavigationBar::kHeight, b.size.width, b.size.height - UINavigationBar::kHeight);
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

std::vector<std::shared_ptr<UIViewController>> UINavigationController::visibleChildren() const
{
    if (auto top = topViewController())
        return { top };
    return {};
}

void UINavigationController::transition(const std::shared_ptr<UIViewController>& from,
                                        const std::shared_ptr<UIViewController>& to, bool animated)
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
    std::weak_ptr<UINavigationController> weak = std::static_pointer_cast<UINavigationController>(shared_from_this());
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

void UINavigationController::setViewControllersAnimated(std::vector<std::shared_ptr<UIViewController>> controllers,
                                                        bool animated)
{
    auto from = topViewController();
    for (auto& c : m_stack)
        c->setParentInternal(nullptr);
    m_stack = std::move(controllers);
    auto self = std::static_pointer_cast<UIViewController>(shared_from_this());
    for (auto& c : m_stack)
        c->setParentInternal(self);
    auto to = topViewController();
    if (from != to)
        transition(from, to, animated);
}

void UINavigationController::pushViewControllerAnimated(const std::shared_ptr<UIViewController>& controller,
                                                        bool animated)
{
    if (!controller || std::find(m_stack.begin(), m_stack.end(), controller) != m_stack.end())
        return;
    auto from = topViewController();
    controller->setParentInternal(std::static_pointer_cast<UIViewController>(shared_from_this()));
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
