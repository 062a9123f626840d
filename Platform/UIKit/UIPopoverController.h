#pragma once

// A pop-over: a controller's view in a box that points with an arrow at a
// rectangle of some view, over a clear layer that takes every touch outside
// the box (except on the pass-through views). A touch there asks the
// delegate, dismisses the pop-over and tells the delegate it did; a
// dismissal by code tells nobody. The box goes below, above, right of or
// left of the rectangle, the first of these the permitted arrows allow that
// has room, and is kept inside the window.

#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIViewController.h"

class UIPopoverController;

enum UIPopoverArrowDirection : unsigned {
    UIPopoverArrowDirectionUp = 1 << 0,
    UIPopoverArrowDirectionDown = 1 << 1,
    UIPopoverArrowDirectionLeft = 1 << 2,
    UIPopoverArrowDirectionRight = 1 << 3,
    UIPopoverArrowDirectionAny = 0xF,
    UIPopoverArrowDirectionUnknown = 0xFFFFFFFF,
};

class UIPopoverControllerDelegate {
public:
    virtual ~UIPopoverControllerDelegate() = default;
    virtual bool popoverControllerShouldDismissPopover(UIPopoverController&) { return true; }
    virtual void popoverControllerDidDismissPopover(UIPopoverController&) { }
};

class UIPopoverController : public std::enable_shared_from_this<UIPopoverController> {
public:
    static constexpr CGFloat kArrowHeight = 13;
    static constexpr CGFloat kMargin = 10;

    explicit UIPopoverController(std::shared_ptr<UIViewController> content);
    ~UIPopoverController();

    std::shared_ptr<UIViewController> contentViewController() const { return m_content; }
    void setContentViewControllerAnimated(std::shared_ptr<UIViewController> content, bool animated);
    CGSize popoverContentSize() const { return m_size; }
    void setPopoverContentSize(CGSize size) { setPopoverContentSizeAnimated(size, false); }
    void setPopoverContentSizeAnimated(CGSize size, bool animated);
    std::shared_ptr<UIPopoverControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<UIPopoverControllerDelegate> d) { m_delegate = std::move(d); }
    std::vector<std::shared_ptr<UIView>> passthroughViews;
    // A look the platform offers; kept, not drawn.
    long popoverBackgroundStyle = 0;

    bool isPopoverVisible() const { return m_visible; }
    UIPopoverArrowDirection popoverArrowDirection() const { return m_arrow; }
    // The box's frame in the window.
    CGRect popoverFrame() const;

    void presentPopoverFromRectInViewPermittedArrowDirectionsAnimated(
        CGRect rect, const std::shared_ptr<UIView>& view, unsigned arrowDirections, bool animated);
    void presentPopoverFromBarButtonItemPermittedArrowDirectionsAnimated(
        const std::shared_ptr<UIBarButtonItem>& item, unsigned arrowDirections, bool animated);
    void dismissPopoverAnimated(bool animated);

    // A touch outside the box, as the clear layer reports it.
    void userTouchedOutside();

private:
    void place(CGRect anchor, unsigned arrows);
    void takeDown(bool animated);

    std::shared_ptr<UIViewController> m_content;
    CGSize m_size;
    std::weak_ptr<UIPopoverControllerDelegate> m_delegate;
    bool m_visible = false;
    UIPopoverArrowDirection m_arrow = UIPopoverArrowDirectionUnknown;
    std::shared_ptr<UIView> m_shield;
    std::shared_ptr<UIView> m_box;
};
