#pragma once

// A sort-order chooser: a skinned button captioned with the current ordering
// that opens a popover listing the orderings (language keys shown in the
// current language). Choosing another ordering recaptions the button, tells
// the owner and closes the popover. The owner keeps the controller, adds
// `orderingButton` to its view and calls updateLanguage from its own
// language hook.

#include "Classes/Frame/OrderingControllerDelegate.h"
#include "Classes/Frame/OrderingTableViewControllerDelegate.h"
#include "Platform/CoreGraphics/CGGeometry.h"

#include <memory>
#include <string>
#include <vector>

class OrderingTableViewController;
class UIButton;
class UIPopoverController;
class UIView;

class OrderingController : public OrderingTableViewControllerDelegate,
                           public std::enable_shared_from_this<OrderingController> {
public:
    // Made through create, which wires the list and the button to the made object.
    static std::shared_ptr<OrderingController> initWithOrderButtonFrameOrderingsNamesDelegateInView(CGRect frame,
        std::vector<std::string> orderingsNames, std::weak_ptr<OrderingControllerDelegate> delegate,
        std::weak_ptr<UIView> containingView);

    void setTableCurrentOrderingIndex(unsigned index);
    unsigned getTableCurrentOrderingIndex() const;
    void setTableOrderingsArray(std::vector<std::string> keys);
    void orderButtonDidTapped();
    void updateLanguage();
    void orderingDidSelected(unsigned index) override;

    const std::shared_ptr<UIButton>& orderingButton() const { return m_orderingButton; }
    const std::shared_ptr<OrderingTableViewController>& orderingTableViewController() const
    {
        return m_orderingTableViewController;
    }
    const std::shared_ptr<UIPopoverController>& orderingPopoverController() const
    {
        return m_orderingPopoverController;
    }
    std::shared_ptr<OrderingControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<OrderingControllerDelegate> d) { m_delegate = std::move(d); }

private:
    OrderingController() = default;
    void setCaptionForIndex(unsigned index);

    std::shared_ptr<UIButton> m_orderingButton;
    std::shared_ptr<OrderingTableViewController> m_orderingTableViewController;
    std::shared_ptr<UIPopoverController> m_orderingPopoverController;
    std::weak_ptr<OrderingControllerDelegate> m_delegate;
    std::weak_ptr<UIView> m_containingView;
};
