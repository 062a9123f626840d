#include "Platform/UIKit/UIViewController.h"
#include "Platform/UIKit/UIMainThread.h"

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UITabBarController.h"
#include "Platform/UIKit/UIWindow.h"

UIViewController::UIViewController() = default;

UIViewController::~UIViewController()
{
    if (m_presentationContainer)
        m_presentationContainer->removeFromSuperview();
}

std::shared_ptr<UIView> UIViewController::view()
{
    UIKIT_CHECK_MAIN_THREAD();
    if (!m_view) {
        loadView();
        if (!m_view)
            m_view = std::make_shared<UIView>(UIScreen::mainScreen().applicationFrame());
        m_view->setViewController(weak_from_this());
        viewDidLoad();
    }
    return m_view;
}

void UIViewController::setView(std::shared_ptr<UIView> view)
{
    if (m_view)
        m_view->setViewController({});
    m_view = std::move(view);
    if (m_view)
        m_view->setViewController(weak_from_this());
}

void UIViewController::loadView() { setView(std::make_shared<UIView>(UIScreen::mainScreen().applicationFrame())); }

void UIViewController::didReceiveMemoryWarning()
{
    if (!m_view || m_view->window())
        return;
    viewWillUnload();
    m_view->setViewController({});
    m_view.reset();
    viewDidUnload();
}

void UIViewController::didReceiveMemoryWarningTree()
{
    auto keep = shared_from_this();
    for (auto& child : allChildren())
        child->didReceiveMemoryWarningTree();
    if (m_presented)
        m_presented->didReceiveMemoryWarningTree();
    didReceiveMemoryWarning();
}

std::shared_ptr<UIViewController> UIViewController::presentedViewController() const
{
    if (m_presented)
        return m_presented;
    for (auto c = m_parent.lock(); c; c = c->m_parent.lock())
        if (c->m_presented)
            return c->m_presented;
    return nullptr;
}

std::shared_ptr<UIViewController> UIViewController::presentingViewController() const
{
    if (auto p = m_presenting.lock())
        return p;
    for (auto c = m_parent.lock(); c; c = c->m_parent.lock())
        if (auto p = c->m_presenting.lock())
            return p;
    return nullptr;
}

UIInterfaceOrientation UIViewController::interfaceOrientation() const
{
    return UIApplication::sharedApplication()->statusBarOrientation();
}

void UIViewController::setTitle(const std::string& title)
{
    m_title = title;
    if (m_navigationItem)
        m_navigationItem->setTitle(title);
    if (m_tabBarItem)
        m_tabBarItem->title = title;
}

std::shared_ptr<UINavigationItem> UIViewController::navigationItem()
{
    if (!m_navigationItem) {
        m_navigationItem = std::make_shared<UINavigationItem>(m_title);
    }
    return m_navigationItem;
}

std::shared_ptr<UITabBarItem> UIViewController::tabBarItem()
{
    if (!m_tabBarItem) {
        m_tabBarItem = std::make_shared<UITabBarItem>();
        m_tabBarItem->title = m_title;
        // A navigation controller without a title of its own shows its first screen's in a tab.
        if (auto nav = dynamic_cast<UINavigationController*>(this);
            nav && m_title.empty() && !nav->viewControllers().empty())
            m_tabBarItem->title = nav->viewControllers().front()->title();
    }
    return m_tabBarItem;
}

std::shared_ptr<UINavigationController> UIViewController::navigationController() const
{
    for (auto p = m_parent.lock(); p; p = p->m_parent.lock())
        if (auto nav = std::dynamic_pointer_cast<UINavigationController>(p))
            return nav;
    return nullptr;
}

std::shared_ptr<UITabBarController> UIViewController::tabBarController() const
{
    for (auto p = m_parent.lock(); p; p = p->m_parent.lock())
        if (auto tab = std::dynamic_pointer_cast<UITabBarController>(p))
            return tab;
    return nullptr;
}

std::shared_ptr<UIResponder> UIViewController::nextResponder() const
{
    if (m_view)
        if (auto s = m_view->superview())
            return s;
    return nullptr;
}

void UIViewController::afterTransition(bool animated, std::function<void()> fn)
{
    if (!animated) {
        fn();
        return;
    }
    auto timer = NSTimer::timerWithTimeInterval(kTransitionDuration, false, [fn = std::move(fn)](NSTimer&) { fn(); });
    NSRunLoop::currentRunLoop()->addTimer(timer, NSRunLoopCommonModes);
}

void UIViewController::beginAppearanceTransition(bool appearing, bool animated)
{
    auto keep = shared_from_this();
    if (appearing) {
        if (m_appearState == AppearState::Appearing || m_appearState == AppearState::Appeared)
            return;
        view();
        m_appearState = AppearState::Appearing;
        m_pendingAnimated = animated;
        AppearanceCall call(*this);
        viewWillAppear(animated);
    } else {
        if (m_appearState == AppearState::Disappearing || m_appearState == AppearState::Disappeared)
            return;
        m_appearState = AppearState::Disappearing;
        m_pendingAnimated = animated;
        AppearanceCall call(*this);
        viewWillDisappear(animated);
    }
    for (auto& child : visibleChildren())
        child->beginAppearanceTransition(appearing, animated);
}

void UIViewController::endAppearanceTransition()
{
    auto keep = shared_from_this();
    if (m_appearState == AppearState::Appearing) {
        m_appearState = AppearState::Appeared;
        AppearanceCall call(*this);
        viewDidAppear(m_pendingAnimated);
    } else if (m_appearState == AppearState::Disappearing) {
        m_appearState = AppearState::Disappeared;
        AppearanceCall call(*this);
        viewDidDisappear(m_pendingAnimated);
    } else {
        return;
    }
    for (auto& child : visibleChildren())
        child->endAppearanceTransition();
}

void UIViewController::presentViewControllerAnimatedCompletion(
    const std::shared_ptr<UIViewController>& controller, bool animated, std::function<void()> completion)
{
    UIKIT_CHECK_MAIN_THREAD();
    if (!controller || controller->m_presenting.lock())
        return;
    // A screen inside containers presents through the ancestor that fills the
    // window (the tab bar controller hears the appearance calls and is the
    // presenter); then from the top of what is already presented.
    auto host = sharedController();
    if (controller->modalPresentationStyle() != UIModalPresentationCurrentContext)
        while (auto parent = host->parentViewController())
            host = parent;
    while (host->m_presented)
        host = host->m_presented;
    auto window = host->isViewLoaded() ? host->view()->window() : nullptr;
    if (!window)
        window = UIWindow::keyWindow();
    host->m_presented = controller;
    controller->m_presenting = host;

    CGRect whole = window ? window->bounds() : UIScreen::mainScreen().bounds();
    bool sheet = controller->modalPresentationStyle() == UIModalPresentationFormSheet
        || controller->modalPresentationStyle() == UIModalPresentationPageSheet;
    auto container = std::make_shared<UIView>(whole);
    container->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    auto view = controller->view();
    if (sheet) {
        container->setAlpha(1);
        // The screen behind a sheet is dimmed and takes no touches.
        auto dim = std::make_shared<UIView>(whole);
        dim->setTag(-1);
        dim->setBackgroundColor(UIColor::colorWithWhiteAlpha(0, 0.4f));
        dim->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
        container->addSubview(dim);
        CGFloat w = controller->modalPresentationStyle() == UIModalPresentationPageSheet ? 768 : kFormSheetWidth;
        CGFloat h = controller->modalPresentationStyle() == UIModalPresentationPageSheet ? whole.size.height
                                                                                         : kFormSheetHeight;
        auto sheetView
            = std::make_shared<UIView>(CGRectMake((whole.size.width - w) / 2, (whole.size.height - h) / 2, w, h));
        sheetView->setClipsToBounds(true);
        sheetView->layer()->setCornerRadius(6);
        view->setFrame(sheetView->bounds());
        view->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
        sheetView->addSubview(view);
        container->addSubview(sheetView);
    } else {
        CGRect frame = controller->wantsFullScreenLayout() ? whole : UIScreen::mainScreen().applicationFrame();
        view->setFrame(frame);
        view->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
        container->addSubview(view);
    }
    controller->m_presentationContainer = container;

    if (!sheet)
        host->beginAppearanceTransition(false, animated);
    controller->beginAppearanceTransition(true, animated);
    if (window)
        window->addSubview(container);
    std::weak_ptr<UIViewController> weakHost = host, weakPresented = controller;
    afterTransition(animated, [weakHost, weakPresented, sheet, completion] {
        if (auto p = weakPresented.lock())
            p->endAppearanceTransition();
        if (auto h = weakHost.lock(); h && !sheet)
            h->endAppearanceTransition();
        if (completion)
            completion();
    });
}

void UIViewController::dismissViewControllerAnimatedCompletion(bool animated, std::function<void()> completion)
{
    // Sent to a presented controller, it asks its presenter to dismiss it.
    auto target = sharedController();
    while (!target->m_presented && target->parentViewController())
        target = target->parentViewController();
    if (!target->m_presented) {
        target = target->presentingViewController();
        if (!target) {
            if (completion)
                completion();
            return;
        }
    }
    auto presented = target->m_presented;
    // Whatever the presented controller presents goes with it.
    if (presented->m_presented)
        presented->dismissViewControllerAnimatedCompletion(false, nullptr);
    bool sheet = presented->modalPresentationStyle() == UIModalPresentationFormSheet
        || presented->modalPresentationStyle() == UIModalPresentationPageSheet;
    presented->beginAppearanceTransition(false, animated);
    if (!sheet)
        target->beginAppearanceTransition(true, animated);
    if (presented->m_presentationContainer) {
        presented->m_presentationContainer->removeFromSuperview();
        presented->m_presentationContainer.reset();
    }
    if (presented->isViewLoaded())
        presented->view()->removeFromSuperview();
    target->m_presented.reset();
    presented->m_presenting.reset();
    std::weak_ptr<UIViewController> weakTarget = target;
    afterTransition(animated, [weakTarget, presented, sheet, completion] {
        presented->endAppearanceTransition();
        if (auto t = weakTarget.lock(); t && !sheet)
            t->endAppearanceTransition();
        if (completion)
            completion();
    });
}
