#include "Classes/QuoteOrder/QuoteOrderHistoryController.h"

#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/MessageBox.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/QuoteOrder/HistoryEditPopController.h"
#include "Classes/QuoteOrder/QuoteOrderHistoryTableView.h"
#include "Classes/QuoteOrder/QuoteOrderHistoryTableViewCell.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Classes/QuoteOrder/QuoteOrderViewController.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UISegmentedControl.h"

namespace {

bool isBlank(const std::optional<std::string>& s)
{
    return !s || NSString::stringByTrimmingCharactersInSet(*s, CharacterSet::whitespaceAndNewline).empty();
}

std::shared_ptr<UIImageView> skinImage(CGRect frame, const char* name)
{
    auto view = std::make_shared<UIImageView>(frame);
    view->setImage(SkinManager::skinFromImageName(std::string(name)));
    return view;
}

}  // namespace

QuoteOrderHistoryController::QuoteOrderHistoryController() = default;

QuoteOrderHistoryController::~QuoteOrderHistoryController()
{
    if (m_editPopover)
        m_editPopover->dismissPopoverAnimated(false);
}

void QuoteOrderHistoryController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    auto weak = weakSelf<QuoteOrderHistoryController>();
    view()->setBackgroundColor(UIColor::whiteColor());

    m_imgTitleBar = skinImage(CGRectMake(0, 0, 1024, 44), "topbar-bg.png");
    view()->addSubview(m_imgTitleBar);
    m_imgTitleBackground = skinImage(CGRectMake(0, 44, 1024, 60), "quote-topbar.png");
    view()->addSubview(m_imgTitleBackground);
    m_lblTitle = std::make_shared<UILabel>(CGRectMake(446, 11, 132, 21));
    m_lblTitle->setBackgroundColor(UIColor::clearColor());
    m_lblTitle->setTextAlignment(UITextAlignmentCenter);
    m_lblTitle->setTextColor(UIColor::whiteColor());
    m_lblTitle->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 20));
    view()->addSubview(m_lblTitle);

    m_btnNewOrder = std::make_shared<UIButton>(CGRectMake(911, 5, 105, 34));
    PublicFunction::initializeToForwardButtonHeight34(m_btnNewOrder);
    m_btnNewOrder->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->btnNewOrderClick();
    });
    view()->addSubview(m_btnNewOrder);

    m_segment = std::make_shared<UISegmentedControl>(
        std::vector<std::string> { text("ALL"), text("SUBMITTED"), text("UNSUBMITTED") });
    m_segment->setFrame(CGRectMake(15, 54, 340, 40));
    m_segment->setSelectedSegmentIndex(0);
    m_segment->setMultipleTouchEnabled(false);
    m_segment->addTarget(UIControlEventValueChanged, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->Selectbutton();
    });
    view()->addSubview(m_segment);

    m_searchBar = std::make_shared<UISearchBar>(CGRectMake(749, 57, 260, 34));
    m_searchBar->setBackgroundColor(UIColor::clearColor());
    m_searchBar->setBackgroundImage(UIImage::imageNamed("bg_searchbar"));
    m_searchBar->setDelegate(std::static_pointer_cast<UISearchBarDelegate>(weak.lock()));
    view()->addSubview(m_searchBar);

    m_imgColumnHeader = skinImage(CGRectMake(0, 104, 1024, 46), "titlebar.png");
    m_imgColumnHeader->setUserInteractionEnabled(true);
    const std::pair<CGFloat, CGFloat> places[] = { { 70, 120 }, { 260, 100 }, { 420, 80 }, { 550, 100 }, { 710, 80 } };
    for (const auto& [x, width] : places) {
        auto title = std::make_shared<UILabel>(CGRectMake(x, 0, width, 46));
        title->setBackgroundColor(UIColor::clearColor());
        title->setTextAlignment(UITextAlignmentCenter);
        title->setFont(UIFont::boldSystemFontOfSize(16));
        m_imgColumnHeader->addSubview(title);
        m_columnTitles.push_back(title);
    }
    m_btnSubmitAll = std::make_shared<UIButton>(CGRectMake(860, 9, 90, 30));
    PublicFunction::initializeToButtonHeight30(m_btnSubmitAll);
    m_btnSubmitAll->titleLabel()->setFont(UIFont::boldSystemFontOfSize(14));
    m_btnSubmitAll->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->btnSubmitAllClick();
    });
    m_imgColumnHeader->addSubview(m_btnSubmitAll);
    view()->addSubview(m_imgColumnHeader);

    m_tableOrders = PullTableView::create<QuoteOrderHistoryTableView>(CGRectMake(0, 152, 1024, 530));
    m_tableOrders->setSeparatorStyle(UITableViewCellSeparatorStyleSingleLine);
    m_tableOrders->setRowHeight(50);
    m_tableOrders->setRefreshEnable(false);
    m_tableOrders->setDataSource(std::static_pointer_cast<UITableViewDataSource>(weak.lock()));
    m_tableOrders->setDelegate(std::static_pointer_cast<UITableViewDelegate>(weak.lock()));
    m_tableOrders->setPullDelegate(std::static_pointer_cast<PullTableViewDelegate>(weak.lock()));
    view()->addSubview(m_tableOrders);

    m_selectedRow = -1;
    setTexts();
    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
}

void QuoteOrderHistoryController::viewAfterFirstDidLoad()
{
    BaseViewController::viewAfterFirstDidLoad();
    if (auto navigation = navigationController())
        navigation->setNavigationBarHidden(true);
}

void QuoteOrderHistoryController::setTexts()
{
    m_lblTitle->setText(text("ORDERLIST"));
    m_btnNewOrder->setTitleForState(text("NEWORDER"), UIControlStateNormal);
    const char* segments[] = { "ALL", "SUBMITTED", "UNSUBMITTED" };
    for (long i = 0; i < 3; ++i)
        m_segment->setTitleForSegmentAtIndex(text(segments[i]), i);
    m_searchBar->setPlaceholder(text("ORDERSEARCHPLACEHOLDER"));
    const char* columns[] = { "ORDERNUMBER", "CUSTOMER", "PRICE", "ORDERTIME", "NOTE" };
    for (size_t i = 0; i < m_columnTitles.size(); ++i)
        m_columnTitles[i]->setText(text(columns[i]));
    m_btnSubmitAll->setTitleForState(text("SUBMITALL"), UIControlStateNormal);
}

void QuoteOrderHistoryController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    if (!m_tableOrders)
        return;
    setTexts();
    for (const auto& cell : m_tableOrders->visibleCells()) {
        if (auto row = std::dynamic_pointer_cast<QuoteOrderHistoryTableViewCell>(cell))
            row->updateLanguage();
    }
}

void QuoteOrderHistoryController::hightVersionViewDidUnload()
{
    // A screen on view keeps its views: they are still shown and touched.
    if (isViewLoaded())
        return;
    m_imgTitleBar.reset();
    m_imgTitleBackground.reset();
    m_lblTitle.reset();
    m_btnNewOrder.reset();
    m_segment.reset();
    m_searchBar.reset();
    m_imgColumnHeader.reset();
    m_columnTitles.clear();
    m_btnSubmitAll.reset();
    m_tableOrders.reset();
}

void QuoteOrderHistoryController::viewWillAppear(bool animated)
{
    BaseViewController::viewWillAppear(animated);
    QuoteOrderStore::sharedQuoteOrderStore()->setDelegate(
        std::static_pointer_cast<QuoteOrderStoreDelegate>(protect<QuoteOrderHistoryController>()));
    refresh();
    openPendingOrder();
}

// ---- The list ----

bool QuoteOrderHistoryController::canSubmit(const QuoteOrderEntity& order) const
{
    const bool customerOnShow = QuoteOrderStore::sharedQuoteOrderStore()->isCustomerOnShow;
    return order.hasItems() && (!customerOnShow || !isBlank(order.customerName));
}

std::shared_ptr<QuoteOrderEntity> QuoteOrderHistoryController::orderAt(long row) const
{
    if (row < 0 || row >= static_cast<long>(m_selectOrders.size()))
        return nullptr;
    return m_selectOrders[static_cast<size_t>(row)];
}

void QuoteOrderHistoryController::refresh()
{
    if (!m_tableOrders)
        return;
    m_tableOrders->setLoadMoreEnable(m_currentShowType != 2);
    m_tableOrders->setRefreshEnable(false);
    m_selectOrders
        = QuoteOrderStore::sharedQuoteOrderStore()->fetchQuoteOrdersCondition(m_currentShowType, m_searchBar->text());
    bool anyToSubmit = false;
    for (const auto& order : m_selectOrders) {
        if (order && !order->isUploaded() && canSubmit(*order)) {
            anyToSubmit = true;
            break;
        }
    }
    m_btnSubmitAll->setHidden(!anyToSubmit);
    m_tableOrders->reloadData();
}

long QuoteOrderHistoryController::tableViewNumberOfRowsInSection(UITableView&, long)
{
    return static_cast<long>(m_selectOrders.size());
}

std::shared_ptr<UITableViewCell> QuoteOrderHistoryController::tableViewCellForRowAtIndexPath(
    UITableView& table, const NSIndexPath& path)
{
    auto cell = std::dynamic_pointer_cast<QuoteOrderHistoryTableViewCell>(
        table.dequeueReusableCellWithIdentifier(QuoteOrderHistoryTableViewCell::kReuseIdentifier));
    if (!cell)
        cell = std::make_shared<QuoteOrderHistoryTableViewCell>(
            UITableViewCellStyleDefault, std::string(QuoteOrderHistoryTableViewCell::kReuseIdentifier));
    cell->setIsSigned(false);
    const long row = path.row();
    auto order = orderAt(row);
    if (!order)
        return cell;
    auto weak = weakSelf<QuoteOrderHistoryController>();
    cell->setTag(kRowTagBase + row);
    if (cell->gestureRecognizers().empty()) {
        auto press = std::make_shared<UILongPressGestureRecognizer>([weak](UIGestureRecognizer& gesture) {
            if (auto self = weak.lock())
                self->columnLongPressed(gesture);
        });
        press->minimumPressDuration = 0.7;
        cell->addGestureRecognizer(press);
    }
    cell->setOderNumber(order->number.value_or(std::string()));
    cell->setStrOrderTime(order->mdate);
    cell->setCustomer(order->customerName.value_or(std::string()));
    cell->setNote(order->customerNote());
    // An order without lines shows its total without a currency sign.
    if (!order->hasItems())
        order->currency.reset();
    cell->setStrPrice(order->strDiscount());

    auto submit = cell->btnSubmit();
    if (order->isUploaded()) {
        submit->setHidden(true);
    } else {
        submit->setTag(kRowTagBase + row);
        submit->setHidden(false);
        submit->removeAllTargets();
        submit->addTarget(UIControlEventTouchUpInside, [weak](UIControl& sender, UIEvent*) {
            if (auto self = weak.lock())
                self->btnSubmitClick(sender.tag());
        });
        submit->setEnabled(canSubmit(*order));
    }
    cell->setIsSigned(!isBlank(order->signature));
    cell->tintView()->setHidden(!(row == m_selectedRow && m_tableOrders->cellIsSelected));
    return cell;
}

// ---- Opening orders ----

void QuoteOrderHistoryController::pushEditor(int state, std::shared_ptr<QuoteOrderEntity> order, bool changed)
{
    auto editor = std::make_shared<QuoteOrderViewController>();
    editor->setState(state);
    editor->setQuoteOrder(std::move(order));
    if (changed)
        editor->setIsOrderChanged(true);
    if (auto navigation = navigationController())
        navigation->pushViewControllerAnimated(editor, true);
}

void QuoteOrderHistoryController::btnNewOrderClick()
{
    auto store = QuoteOrderStore::sharedQuoteOrderStore();
    auto order = store->createNewQuoteOrder();
    store->addQuoteOrder.reset();
    pushEditor(QuoteOrderViewController::StateNew, order, false);
}

void QuoteOrderHistoryController::openPendingOrder()
{
    auto store = QuoteOrderStore::sharedQuoteOrderStore();
    if (!store->addQuoteOrder)
        return;
    auto order = store->createNewQuoteOrder();
    pushEditor(QuoteOrderViewController::StateNew, order, true);
    store->addQuoteOrder.reset();
}

void QuoteOrderHistoryController::tableViewDidSelectRowAtIndexPath(UITableView&, const NSIndexPath& path)
{
    auto order = orderAt(path.row());
    if (!order)
        return;
    order->isInEdit = false;
    pushEditor(order->isUploaded() ? QuoteOrderViewController::StateUploaded : QuoteOrderViewController::StateStored,
        order, false);
}

void QuoteOrderHistoryController::Selectbutton()
{
    m_currentShowType = static_cast<int>(m_segment->selectedSegmentIndex());
    refresh();
}

void QuoteOrderHistoryController::searchBarTextDidChange(UISearchBar&, const std::string&) { refresh(); }

void QuoteOrderHistoryController::searchBarSearchButtonClicked(UISearchBar& searchBar)
{
    if (!isBlank(searchBar.text()))
        refresh();
    searchBar.resignFirstResponder();
}

// ---- Submitting ----

void QuoteOrderHistoryController::btnSubmitClick(long tag)
{
    auto order = orderAt(tag - kRowTagBase);
    if (tag < kRowTagBase || !order)
        return;
    MessageBox::sharedInstance()->BeginBlockWait(text("SUBMITINGORDER"), 20);
    QuoteOrderStore::sharedQuoteOrderStore()->startUploadQuoteOrder(order->serial);
}

void QuoteOrderHistoryController::btnSubmitAllClick()
{
    MessageBox::sharedInstance()->BeginBlockWait(text("SUBMITINGORDER"), 20);
    QuoteOrderStore::sharedQuoteOrderStore()->startUploadQuoteOrder(0);
}

void QuoteOrderHistoryController::showAlert(const std::string& message)
{
    auto alert = std::make_shared<UIAlertView>(
        text("NOTIFICATION"), message, std::weak_ptr<UIAlertViewDelegate>(), text("OK"));
    alert->show();
}

void QuoteOrderHistoryController::showReloginAlert(const std::string& message)
{
    auto alert = std::make_shared<UIAlertView>(text("NOTIFICATION"), message,
        std::static_pointer_cast<UIAlertViewDelegate>(protect<QuoteOrderHistoryController>()), text("CANCEL"),
        std::vector<std::string> { text("LOGOUTSETTINGS") });
    alert->setTag(kReloginAlertTag);
    alert->show();
}

void QuoteOrderHistoryController::finishedUploadQuoteOrdersMessage(
    const std::optional<std::string>& status, const std::optional<std::string>& message)
{
    MessageBox::sharedInstance()->EndBlockWait();
    if (status == std::optional<std::string>("200")) {
        refresh();
        showAlert(text("SUCCESSFULLYSUBMIT"));
        return;
    }
    const std::string said = message.value_or(std::string());
    if (said == text("101"))
        showReloginAlert(said);
    else
        showAlert(said);
}

// ---- Older orders ----

void QuoteOrderHistoryController::pullTableViewDidTriggerLoadMore(PullTableView&)
{
    NSTimer::scheduledTimerWithTimeInterval(
        kLoadMoreDelay, false, [](NSTimer&) { QuoteOrderStore::sharedQuoteOrderStore()->getLastTenOrderHistory(); });
}

void QuoteOrderHistoryController::finishedSyncHistoryQuoteOrdersMessage(
    const std::optional<std::string>& status, const std::optional<std::string>& message)
{
    if (m_tableOrders)
        m_tableOrders->setPullTableIsLoadingMore(false);
    if (status == std::optional<std::string>("200")) {
        if (message == std::optional<std::string>(QuoteOrderStore::kReachEnd))
            return;
        refresh();
        const long rows = m_tableOrders->numberOfRowsInSection(0);
        if (rows > 0)
            m_tableOrders->scrollToRowAtIndexPathAtScrollPositionAnimated(
                NSIndexPath::indexPathForRowInSection(rows - 1, 0), UITableViewScrollPositionBottom, true);
        return;
    }
    if (status && message && *message == text("101"))
        showReloginAlert(*message);
}

// ---- Copy and delete ----

void QuoteOrderHistoryController::columnLongPressed(UIGestureRecognizer& gesture)
{
    if (gesture.state() == UIGestureRecognizerStateChanged || gesture.state() == UIGestureRecognizerStateEnded)
        return;
    auto held = gesture.view();
    if (!held || held->tag() < kRowTagBase)
        return;
    const long row = held->tag() - kRowTagBase;
    auto order = orderAt(row);
    if (!order)
        return;

    auto pop = std::make_shared<HistoryEditPopController>();
    pop->cellTag = static_cast<int>(row);
    pop->setDelegate(
        std::static_pointer_cast<HistoryEditPopControllerDelegate>(protect<QuoteOrderHistoryController>()));
    dismissEditPopover();
    m_editPopover = std::make_shared<UIPopoverController>(pop);
    m_editPopover->setDelegate(
        std::static_pointer_cast<UIPopoverControllerDelegate>(protect<QuoteOrderHistoryController>()));
    m_editPopover->setPopoverContentSize(CGSizeMake(121, 34));

    const CGPoint touch = gesture.locationInView(view());
    const CGRect cellFrame = held->frame();
    const bool nearTop = cellFrame.origin.y - m_tableOrders->contentOffset().y < 400;
    const CGRect anchor
        = CGRectMake(touch.x, nearTop ? cellFrame.origin.y - 20 : cellFrame.origin.y + 20, 1, cellFrame.size.height);
    m_editPopover->presentPopoverFromRectInViewPermittedArrowDirectionsAnimated(
        anchor, m_tableOrders, nearTop ? UIPopoverArrowDirectionUp : UIPopoverArrowDirectionDown, true);

    m_popupOrder = order;
    m_selectedRow = static_cast<int>(row);
    m_tableOrders->cellIsSelected = true;
    if (auto cell = std::dynamic_pointer_cast<QuoteOrderHistoryTableViewCell>(held))
        cell->tintView()->setHidden(false);
}

void QuoteOrderHistoryController::dismissEditPopover()
{
    if (m_editPopover)
        m_editPopover->dismissPopoverAnimated(true);
    m_editPopover.reset();
}

void QuoteOrderHistoryController::clearHighlight()
{
    if (m_tableOrders) {
        auto cell = std::dynamic_pointer_cast<QuoteOrderHistoryTableViewCell>(
            m_tableOrders->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(m_selectedRow, 0)));
        if (cell)
            cell->tintView()->setHidden(true);
        m_tableOrders->cellIsSelected = false;
    }
}

void QuoteOrderHistoryController::historyOrderCopy(int)
{
    auto keep = protect<QuoteOrderHistoryController>();
    dismissEditPopover();
    clearHighlight();
    // The order the pop-up was opened for, wherever a refresh has moved its row.
    auto order = std::move(m_popupOrder);
    // A copy that could not be stored is said, not left for the list to show by its absence.
    if (order && QuoteOrderStore::sharedQuoteOrderStore()->copyQuoteOrderEntity(order).failed())
        showAlert(text("FAILED"));
    refresh();
}

void QuoteOrderHistoryController::historyOrderDelete(int)
{
    auto order = std::move(m_popupOrder);
    dismissEditPopover();
    if (order)
        askToDelete(order);
}

void QuoteOrderHistoryController::tableViewCommitEditingStyleForRowAtIndexPath(
    UITableView&, UITableViewCellEditingStyle, const NSIndexPath& path)
{
    if (auto order = orderAt(path.row()))
        askToDelete(order);
}

std::optional<std::string> QuoteOrderHistoryController::tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(
    UITableView&, const NSIndexPath&)
{
    return text("DELETE");
}

void QuoteOrderHistoryController::askToDelete(const std::shared_ptr<QuoteOrderEntity>& order)
{
    long row = 0;
    while (row < static_cast<long>(m_selectOrders.size()) && m_selectOrders[static_cast<size_t>(row)] != order)
        ++row;
    m_deleteSerial = order->serial;
    auto alert = std::make_shared<UIAlertView>(text("NOTIFICATION"), text("AREYOUSUREDELETEORDER"),
        std::static_pointer_cast<UIAlertViewDelegate>(protect<QuoteOrderHistoryController>()), text("CANCEL"),
        std::vector<std::string> { text("OK") });
    alert->setTag(kRowTagBase + row);
    alert->show();
}

void QuoteOrderHistoryController::alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex)
{
    auto keep = protect<QuoteOrderHistoryController>();
    if (alert.tag() == kReloginAlertTag) {
        if (buttonIndex == alert.firstOtherButtonIndex()) {
            if (auto app = CorvelleAppDelegate::sharedAppDelegate())
                app->showLoginPage();
        }
        return;
    }
    if (alert.tag() < kRowTagBase || !m_tableOrders)
        return;
    const auto serial = m_deleteSerial;
    m_deleteSerial.reset();
    if (buttonIndex == 1 && serial) {
        // The order asked about, found again by its id: a refresh since may have moved or removed it.
        long row = -1;
        for (size_t i = 0; i < m_selectOrders.size(); ++i) {
            if (m_selectOrders[i] && m_selectOrders[i]->serial == *serial)
                row = static_cast<long>(i);
        }
        if (row >= 0) {
            if (QuoteOrderStore::sharedQuoteOrderStore()->removeQuoteOrder(*serial)) {
                const size_t before = m_selectOrders.size();
                m_selectOrders = QuoteOrderStore::sharedQuoteOrderStore()->fetchQuoteOrdersCondition(
                    m_currentShowType, m_searchBar->text());
                if (m_selectOrders.size() + 1 == before)
                    m_tableOrders->deleteRowsAtIndexPathsWithRowAnimation(
                        { NSIndexPath::indexPathForRowInSection(row, 0) }, UITableViewRowAnimationFade);
                refresh();
            } else {
                showAlert(text("FAILED"));
            }
        }
    }
    clearHighlight();
}

void QuoteOrderHistoryController::popoverControllerDidDismissPopover(UIPopoverController& popover)
{
    if (m_editPopover && &popover == m_editPopover.get()) {
        clearHighlight();
        m_popupOrder.reset();
    }
}
