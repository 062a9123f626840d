#pragma once

// Navigation: a stack of controllers under a bar. The top controller's view
// fills the area below the bar (all of it when the bar is hidden) and follows
// the navigation view's size. The bar draws the top item's title (or shows its
// title view) and its left and right bar button items, or a back button
// titled after the item below; a tap on an item's place sends its action (an
// item with a custom view shows that view, which takes its own touches).

#include "Platform/UIKit/UIViewController.h"

#include <functional>

class UIBarButtonItem;
class UIImage;

enum UIBarStyle { UIBarStyleDefault, UIBarStyleBlack, UIBarStyleBlackTranslucent };

class UIColor;
// The background of a bar (navigation bar, toolbar): its tint when one is set,
// else the colour of its style.
std::shared_ptr<UIColor> UIBarBackgroundColor(const std::shared_ptr<UIColor>& tint, UIBarStyle style);

enum UIBarButtonItemStyle { UIBarButtonItemStylePlain, UIBarButtonItemStyleBordered, UIBarButtonItemStyleDone };

enum UIBarButtonSystemItem {
    UIBarButtonSystemItemDone,
    UIBarButtonSystemItemCancel,
    UIBarButtonSystemItemEdit,
    UIBarButtonSystemItemSave,
    UIBarButtonSystemItemAdd,
    UIBarButtonSystemItemFlexibleSpace,
    UIBarButtonSystemItemFixedSpace,
    UIBarButtonSystemItemAction = 9,
};

class UIBarButtonItem : public std::enable_shared_from_this<UIBarButtonItem> {
public:
    using Action = std::function<void(UIBarButtonItem&)>;

    UIBarButtonItem() = default;
    UIBarButtonItem(std::string itemTitle, UIBarButtonItemStyle itemStyle, Action action)
        : title(std::move(itemTitle))
        , style(itemStyle)
        , m_action(std::move(action))
    {
    }
    UIBarButtonItem(UIBarButtonSystemItem item, Action action)
        : systemItem(item)
        , hasSystemItem(true)
        , m_action(std::move(action))
    {
    }
    UIBarButtonItem(std::shared_ptr<UIImage> itemImage, UIBarButtonItemStyle itemStyle, Action action)
        : image(std::move(itemImage))
        , style(itemStyle)
        , m_action(std::move(action))
    {
    }
    explicit UIBarButtonItem(std::shared_ptr<UIView> view)
        : customView(std::move(view))
    {
    }

    std::string title;
    std::shared_ptr<UIImage> image;
    UIBarButtonItemStyle style = UIBarButtonItemStylePlain;
    UIBarButtonSystemItem systemItem = UIBarButtonSystemItemDone;
    bool hasSystemItem = false;
    std::shared_ptr<UIView> customView;
    CGFloat width = 0;
    long tag = 0;
    bool enabled = true;

    void setAction(Action action) { m_action = std::move(action); }
    // Sends the action when enabled (a tap on the item).
    void sendAction();
    // The item's width in a bar.
    CGFloat displayWidth() const;
    // The text a bar shows for the item: its title, or a system item's own word.
    std::string displayTitle() const;
    // Draws the item (its border when bordered, its image or title) into the
    // current context, in white on a bar's dark background.
    void drawInRect(CGRect rect) const;
    // Where a bar last placed the item (popovers and menus are shown from it):
    // the bar and the item's frame in it; no bar when the item is not shown.
    void setShownFrame(const std::shared_ptr<UIView>& bar, CGRect frame)
    {
        m_shownIn = bar;
        m_shownFrame = frame;
    }
    std::shared_ptr<UIView> shownInView() const { return m_shownIn.lock(); }
    CGRect shownFrame() const { return m_shownFrame; }

private:
    Action m_action;
    std::weak_ptr<UIView> m_shownIn;
    CGRect m_shownFrame {};
};

class UINavigationItem {
public:
    explicit UINavigationItem(std::string title = {})
        : m_title(std::move(title))
    {
    }
    const std::string& title() const { return m_title; }
    void setTitle(const std::string& t) { m_title = t; }
    std::shared_ptr<UIView> titleView;
    std::shared_ptr<UIBarButtonItem> leftBarButtonItem;
    std::shared_ptr<UIBarButtonItem> rightBarButtonItem;
    std::shared_ptr<UIBarButtonItem> backBarButtonItem;
    bool hidesBackButton = false;
    std::string prompt;

private:
    std::string m_title;
};

class UINavigationBar : public UIView {
public:
    static constexpr CGFloat kHeight = 44;
    using UIView::UIView;

    const std::vector<std::shared_ptr<UINavigationItem>>& items() const { return m_items; }
    void setItems(std::vector<std::shared_ptr<UINavigationItem>> items);
    std::shared_ptr<UINavigationItem> topItem() const { return m_items.empty() ? nullptr : m_items.back(); }
    std::shared_ptr<UINavigationItem> backItem() const
    {
        return m_items.size() < 2 ? nullptr : m_items[m_items.size() - 2];
    }
    void pushNavigationItemAnimated(std::shared_ptr<UINavigationItem> item, bool animated);
    void popNavigationItemAnimated(bool animated);

    // Where the top item's left and right items sit (empty when none).
    CGRect leftItemFrame() const;
    CGRect rightItemFrame() const;
    // The back item's place when the top item has no left item and shows a back button.
    CGRect backButtonFrame() const;
    // Called when the back button is tapped.
    void setBackAction(std::function<void()> action) { m_backAction = std::move(action); }
    // The back button's text: the back item's own back button title, else its title, else "Back".
    std::string backButtonTitle() const;

    UIBarStyle barStyle = UIBarStyleDefault;
    std::shared_ptr<UIColor> tintColor;

    void layoutSubviews() override;
    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }
    void touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesBeganWithEvent(const UITouchSet&, UIEvent*) override { }
    void touchesMovedWithEvent(const UITouchSet&, UIEvent*) override { }
    void touchesCancelledWithEvent(const UITouchSet&, UIEvent*) override { }

private:
    std::vector<std::shared_ptr<UINavigationItem>> m_items;
    std::vector<std::shared_ptr<UIView>> m_shownCustomViews;
    std::function<void()> m_backAction;
};

class UINavigationController;

class UINavigationControllerDelegate {
public:
    virtual ~UINavigationControllerDelegate() = default;
    virtual void navigationControllerWillShowViewControllerAnimated(UINavigationController&, UIViewController&, bool) {
    }
    virtual void navigationControllerDidShowViewControllerAnimated(UINavigationController&, UIViewController&, bool) { }
};

class UINavigationController : public UIViewController {
public:
    UINavigationController() = default;
    // Builds the controller with `root` as the bottom of the stack.
    static std::shared_ptr<UINavigationController> withRootViewController(
        const std::shared_ptr<UIViewController>& root);

    const std::vector<std::shared_ptr<UIViewController>>& viewControllers() const { return m_stack; }
    void setViewControllersAnimated(std::vector<std::shared_ptr<UIViewController>> controllers, bool animated);
    std::shared_ptr<UIViewController> topViewController() const { return m_stack.empty() ? nullptr : m_stack.back(); }
    std::shared_ptr<UIViewController> visibleViewController() const;

    void pushViewControllerAnimated(const std::shared_ptr<UIViewController>& controller, bool animated);
    std::shared_ptr<UIViewController> popViewControllerAnimated(bool animated);
    std::vector<std::shared_ptr<UIViewController>> popToRootViewControllerAnimated(bool animated);
    std::vector<std::shared_ptr<UIViewController>> popToViewControllerAnimated(
        const std::shared_ptr<UIViewController>& c, bool animated);

    std::shared_ptr<UINavigationBar> navigationBar();
    bool isNavigationBarHidden() const { return m_barHidden; }
    void setNavigationBarHidden(bool hidden) { setNavigationBarHiddenAnimated(hidden, false); }
    void setNavigationBarHiddenAnimated(bool hidden, bool animated);

    std::shared_ptr<UINavigationControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<UINavigationControllerDelegate> d) { m_delegate = std::move(d); }

    void loadView() override;
    // Told directly by the screen that holds it (rather than by a window or a
    // container transition), it passes the calls to its top screen and takes
    // its stack as shown or hidden, as the platform's navigation does.
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    std::vector<std::shared_ptr<UIViewController>> visibleChildren() const override;
    std::vector<std::shared_ptr<UIViewController>> allChildren() const override { return m_stack; }
    // The area the top controller's view fills.
    CGRect contentFrame();

private:
    // Shows `to` in place of `from` (either may be null), with the appearance calls.
    void transition(
        const std::shared_ptr<UIViewController>& from, const std::shared_ptr<UIViewController>& to, bool animated);
    void layoutContent();

    std::vector<std::shared_ptr<UIViewController>> m_stack;
    std::shared_ptr<UINavigationBar> m_bar;
    bool m_barHidden = false;
    std::weak_ptr<UINavigationControllerDelegate> m_delegate;
};
