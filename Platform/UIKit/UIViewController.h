#pragma once

// View controllers and their life cycle. A controller's view is made on
// first use (loadView, then viewDidLoad), so a screen's viewDidLoad runs in
// the middle of a push or a presentation, before the will-appear call.
// Appearance calls reach a controller only when its view goes into or out of
// a window: containers (navigation, tab bar) pass them on to the child they
// show. Transitions apply their end state at once; the did-appear and
// did-disappear calls and the completions of animated transitions run from
// the run loop after the transition's duration on the clock, and at once when
// not animated.

#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIView.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class UINavigationController;
class UITabBarController;
class UINavigationItem;
class UITabBarItem;

enum UIModalPresentationStyle {
    UIModalPresentationFullScreen = 0,
    UIModalPresentationPageSheet,
    UIModalPresentationFormSheet,
    UIModalPresentationCurrentContext,
};

enum UIModalTransitionStyle {
    UIModalTransitionStyleCoverVertical = 0,
    UIModalTransitionStyleFlipHorizontal,
    UIModalTransitionStyleCrossDissolve,
    UIModalTransitionStylePartialCurl,
};

class UIViewController : public UIResponder {
public:
    static constexpr double kTransitionDuration = 0.35;
    // The form sheet's size, centred in the window.
    static constexpr CGFloat kFormSheetWidth = 540;
    static constexpr CGFloat kFormSheetHeight = 620;

    UIViewController();
    ~UIViewController() override;

    std::shared_ptr<UIViewController> sharedController() { return protect<UIViewController>(); }

    // The view, loaded on first use.
    std::shared_ptr<UIView> view();
    void setView(std::shared_ptr<UIView> view);
    bool isViewLoaded() const { return m_view != nullptr; }
    virtual void loadView();
    virtual void viewDidLoad() { }
    virtual void viewWillUnload() { }
    virtual void viewDidUnload() { }
    virtual void viewWillAppear(bool animated) { }
    virtual void viewDidAppear(bool animated) { }
    virtual void viewWillDisappear(bool animated) { }
    virtual void viewDidDisappear(bool animated) { }
    // Releases the view when it is not in a window (then viewDidUnload).
    virtual void didReceiveMemoryWarning();
    // The warning to this controller and every controller it holds or presents.
    void didReceiveMemoryWarningTree();

    // Rotation: the screens are landscape only.
    virtual bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o)
    {
        return o == UIInterfaceOrientationLandscapeLeft || o == UIInterfaceOrientationLandscapeRight;
    }
    virtual unsigned supportedInterfaceOrientations() const { return UIInterfaceOrientationMaskLandscape; }
    virtual bool shouldAutorotate() const { return true; }
    UIInterfaceOrientation interfaceOrientation() const;

    const std::string& title() const { return m_title; }
    virtual void setTitle(const std::string& title);
    std::shared_ptr<UINavigationItem> navigationItem();
    std::shared_ptr<UITabBarItem> tabBarItem();
    void setTabBarItem(std::shared_ptr<UITabBarItem> item) { m_tabBarItem = std::move(item); }

    std::shared_ptr<UIViewController> parentViewController() const { return m_parent.lock(); }
    std::shared_ptr<UINavigationController> navigationController() const;
    std::shared_ptr<UITabBarController> tabBarController() const;
    void setParentInternal(const std::shared_ptr<UIViewController>& parent) { m_parent = parent; }

    // Modal presentation.
    UIModalPresentationStyle modalPresentationStyle() const { return m_presentationStyle; }
    void setModalPresentationStyle(UIModalPresentationStyle s) { m_presentationStyle = s; }
    UIModalTransitionStyle modalTransitionStyle() const { return m_transitionStyle; }
    void setModalTransitionStyle(UIModalTransitionStyle s) { m_transitionStyle = s; }
    bool wantsFullScreenLayout() const { return m_wantsFullScreenLayout; }
    void setWantsFullScreenLayout(bool on) { m_wantsFullScreenLayout = on; }
    CGSize contentSizeForViewInPopover() const { return m_popoverSize; }
    void setContentSizeForViewInPopover(CGSize s) { m_popoverSize = s; }
    bool hidesBottomBarWhenPushed() const { return m_hidesBottomBar; }
    void setHidesBottomBarWhenPushed(bool on) { m_hidesBottomBar = on; }

    void presentViewControllerAnimatedCompletion(
        const std::shared_ptr<UIViewController>& controller, bool animated, std::function<void()> completion);
    void presentModalViewControllerAnimated(const std::shared_ptr<UIViewController>& controller, bool animated)
    {
        presentViewControllerAnimatedCompletion(controller, animated, nullptr);
    }
    void dismissViewControllerAnimatedCompletion(bool animated, std::function<void()> completion);
    void dismissModalViewControllerAnimated(bool animated)
    {
        dismissViewControllerAnimatedCompletion(animated, nullptr);
    }
    // What this controller or one of its ancestors presents.
    std::shared_ptr<UIViewController> presentedViewController() const;
    std::shared_ptr<UIViewController> modalViewController() const { return presentedViewController(); }
    // The presenter of this controller or of its nearest presented ancestor.
    std::shared_ptr<UIViewController> presentingViewController() const;

    std::shared_ptr<UIResponder> nextResponder() const override;

    // Appearance, as containers and windows drive it. Calls are paired: a
    // controller that already appears is not told again.
    void beginAppearanceTransition(bool appearing, bool animated);
    void endAppearanceTransition();
    bool isAppearing() const
    {
        return m_appearState == AppearState::Appearing || m_appearState == AppearState::Appeared;
    }
    bool hasAppeared() const { return m_appearState == AppearState::Appeared; }

    // The child a container shows (the navigation's top, the tab bar's
    // selection); appearance is passed on to it.
    virtual std::vector<std::shared_ptr<UIViewController>> visibleChildren() const { return {}; }
    virtual std::vector<std::shared_ptr<UIViewController>> allChildren() const { return visibleChildren(); }

protected:
    // Runs `fn` after the transition duration when animated, else at once.
    static void afterTransition(bool animated, std::function<void()> fn);
    // True while the appearance calls (viewWillAppear and the rest) are made
    // by the transitions above rather than by a screen calling them directly.
    bool isInAppearanceTransitionCall() const { return m_inAppearanceCall; }

private:
    struct AppearanceCall {
        explicit AppearanceCall(UIViewController& c)
            : controller(c)
            , was(c.m_inAppearanceCall)
        {
            c.m_inAppearanceCall = true;
        }
        ~AppearanceCall() { controller.m_inAppearanceCall = was; }
        AppearanceCall(const AppearanceCall&) = delete;
        AppearanceCall& operator=(const AppearanceCall&) = delete;
        UIViewController& controller;
        bool was;
    };

    enum class AppearState { Disappeared, Appearing, Appeared, Disappearing };

    std::shared_ptr<UIView> m_view;
    std::string m_title;
    std::shared_ptr<UINavigationItem> m_navigationItem;
    std::shared_ptr<UITabBarItem> m_tabBarItem;
    std::weak_ptr<UIViewController> m_parent;
    std::shared_ptr<UIViewController> m_presented;
    std::weak_ptr<UIViewController> m_presenting;
    std::shared_ptr<UIView> m_presentationContainer;  // the dimming view holding the presented view
    UIModalPresentationStyle m_presentationStyle = UIModalPresentationFullScreen;
    UIModalTransitionStyle m_transitionStyle = UIModalTransitionStyleCoverVertical;
    bool m_wantsFullScreenLayout = false;
    bool m_hidesBottomBar = false;
    CGSize m_popoverSize { 320, 1100 };
    AppearState m_appearState = AppearState::Disappeared;
    bool m_pendingAnimated = false;
    bool m_inAppearanceCall = false;
};
