#include "Classes/Frame/OrderingController.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/OrderingTableViewController.h"
#include "Classes/Frame/PublicFunction.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UITableView.h"

std::shared_ptr<OrderingController> OrderingController::initWithOrderButtonFrameOrderingsNamesDelegateInView(
    CGRect frame, std::vector<std::string> orderingsNames, std::weak_ptr<OrderingControllerDelegate> delegate,
    std::weak_ptr<UIView> containingView)
{
    auto self = std::shared_ptr<OrderingController>(new OrderingController());
    auto list = std::make_shared<OrderingTableViewController>(UITableViewStylePlain);
    list->tableView()->setContentInset(UIEdgeInsetsMake(1, 0, 0, 0));
    list->setOrderingsArray(orderingsNames);
    list->setCurrentOrderingIndex(0);
    list->setDelegate(self);
    list->tableView()->setScrollEnabled(false);
    self->m_orderingTableViewController = list;
    self->m_delegate = std::move(delegate);
    self->m_containingView = std::move(containingView);

    self->m_orderingPopoverController = std::make_shared<UIPopoverController>(list);
    self->m_orderingPopoverController->setPopoverContentSize(CGSizeMake(
        frame.size.width + 15, list->tableView()->rowHeight() * static_cast<CGFloat>(orderingsNames.size())));

    auto button = std::make_shared<UIButton>(frame);
    PublicFunction::initializeToButtonHeight34(button);
    std::weak_ptr<OrderingController> weak = self;
    button->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto me = weak.lock())
            me->orderButtonDidTapped();
    });
    self->m_orderingButton = button;
    if (!orderingsNames.empty())
        button->setTitleForState(Language::stringOrKey(orderingsNames.front()), UIControlStateNormal);
    return self;
}

void OrderingController::setCaptionForIndex(unsigned index)
{
    const auto& keys = m_orderingTableViewController->orderingsArray();
    if (index < keys.size())
        m_orderingButton->setTitleForState(Language::stringOrKey(keys[index]), UIControlStateNormal);
}

void OrderingController::setTableCurrentOrderingIndex(unsigned index)
{
    const auto count = m_orderingTableViewController->orderingsArray().size();
    if (index >= count) {
        NSLog("Error: index = %d, self.orderingsArray.count = %d", static_cast<int>(index), static_cast<int>(count));
        return;
    }
    m_orderingTableViewController->setCurrentOrderingIndex(index);
    setCaptionForIndex(index);
}

unsigned OrderingController::getTableCurrentOrderingIndex() const
{
    return m_orderingTableViewController->currentOrderingIndex();
}

void OrderingController::setTableOrderingsArray(std::vector<std::string> keys)
{
    m_orderingTableViewController->setOrderingsArray(std::move(keys));
    const auto count = m_orderingTableViewController->orderingsArray().size();
    if (count > 0 && m_orderingTableViewController->currentOrderingIndex() >= count)
        m_orderingTableViewController->setCurrentOrderingIndex(static_cast<unsigned>(count - 1));
    setCaptionForIndex(m_orderingTableViewController->currentOrderingIndex());
}

void OrderingController::orderButtonDidTapped()
{
    auto view = m_containingView.lock();
    if (!view)
        return;
    m_orderingTableViewController->tableView()->reloadData();
    m_orderingPopoverController->presentPopoverFromRectInViewPermittedArrowDirectionsAnimated(
        m_orderingButton->frame(), view, UIPopoverArrowDirectionAny, true);
}

void OrderingController::updateLanguage()
{
    setCaptionForIndex(m_orderingTableViewController->currentOrderingIndex());
    m_orderingTableViewController->tableView()->reloadData();
}

void OrderingController::orderingDidSelected(unsigned index)
{
    if (index >= m_orderingTableViewController->orderingsArray().size())
        return;
    auto keep = shared_from_this();
    setCaptionForIndex(index);
    if (auto d = delegate())
        d->orderingDidSelectedSelectedIndex(*this, index);
    m_orderingPopoverController->dismissPopoverAnimated(true);
}
