#pragma once

// Tabs: a row of items at the bottom and the selected controller's view above
// it. A tap on an item selects it (when the delegate agrees). Screens hide the
// bar by moving its frame below the screen; the selected view then reaches
// down to where the bar begins.

#include "Platform/UIKit/UIViewController.h"

class UITabBarController;

class UIImage;

class UITabBarItem {
public:
    UITabBarItem() = default;
    UITabBarItem(std::string itemTitle, std::shared_ptr<UIImage> itemImage, long itemTag)
        : title(std::move(itemTitle))
        , image(std::move(itemImage))
        , tag(itemTag)
    {
    }

    std::string title;
    std::shared_ptr<UIImage> image;
    std::string badgeValue;  // empty: no badge
    long tag = 0;
    bool enabled = true;
};

class UITabBar : public UIView {
public:
    static constexpr CGFloat kHeight = 49;
    using UIView::UIView;

    std::vector<std::shared_ptr<UITabBarItem>> items;
    long selectedIndex = -1;
    // Told which item a tap chose.
    void setSelectAction(std::function<void(long)> action) { m_select = std::move(action); }
    // The place of item `index` in the bar.
    CGRect itemFrame(long index) const;

    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }
    void touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesBeganWithEvent(const UITouchSet&, UIEvent*) override { }
    void touchesMovedWithEvent(const UITouchSet&, UIEvent*) override { }
    void touchesCancelledWithEvent(const UITouchSet&, UIEvent*) override { }

private:
    std::function<void(long)> m_select;
};

class UITabBarControllerDelegate {
public:
    virtual ~UITabBarControllerDelegate() = default;
    virtual bool tabBarControllerShouldSelectViewController(UITabBarController&, UIViewController&) { return true; }
    virtual void tabBarControllerDidSelectViewController(UITabBarController&, UIViewController&) { }
};

class UITabBarController : public UIViewController {
public:
    const std::vector<std::shared_ptr<UIViewController>>& viewControllers() const { return m_controllers; }
    void setViewControllers(std::vector<std::shared_ptr<UIViewController>> controllers)
    {
        setViewControllersAnimated(std::move(controllers), false);
    }
    void setViewControllersAnimated(std::vector<std::shared_ptr<UIViewController>> controllers, bool animated);
    long selectedIndex() const { return m_selected; }
    void setSelectedIndex(long index);
    std::shared_ptr<UIViewController> selectedViewController() const;
    void setSelectedViewController(const std::shared_ptr<UIViewController>& controller);
    std::shared_ptr<UITabBar> tabBar();
    // The platform's "more" and customisation screens are not offered.
    std::vector<std::shared_ptr<UIViewController>> customizableViewControllers() const { return {}; }

    std::shared_ptr<UITabBarControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<UITabBarControllerDelegate> d) { m_delegate = std::move(d); }

    void loadView() override;
    std::vector<std::shared_ptr<UIViewController>> visibleChildren() const override;
    std::vector<std::shared_ptr<UIViewController>> allChildren() const override { return m_controllers; }
    // A tap on item `index`, as the bar reports it.
    void userSelectedIndex(long index);
    // The area the selected controller's view fills: above the bar, or all
    // of the view when the bar is hidden.
    CGRect contentFrame();

private:
    void show(long index);

    std::vector<std::shared_ptr<UIViewController>> m_controllers;
    long m_selected = -1;
    std::shared_ptr<UITabBar> m_bar;
    std::weak_ptr<UITabBarControllerDelegate> m_delegate;
};
