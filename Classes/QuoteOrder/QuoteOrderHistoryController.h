#pragma once

// The quote-orders tab: the orders kept on the device, all, submitted or
// unsubmitted, narrowed by a search on customer name or order number. From
// here the salesperson starts a new order or opens one in the editor,
// submits one order or every unsubmitted one, copies or deletes an order
// from a pop-up on a long press, and pulls past the end of the list for ten
// older orders from the server. It is the store's delegate while on screen
// and opens the editor for a new order the catalogue started.

#include "Classes/Frame/BaseViewController.h"
#include "Classes/QuoteOrder/HistoryEditPopControllerDelegate.h"
#include "Classes/QuoteOrder/PullTableViewDelegate.h"
#include "Classes/Frame/QuoteOrderStoreDelegate.h"
#include "Database/QuoteOrderEntity.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UISearchBar.h"
#include "Platform/UIKit/UITableView.h"

#include <memory>
#include <optional>
#include <vector>

class HistoryEditPopController;
class QuoteOrderHistoryTableView;
class UIButton;
class UIGestureRecognizer;
class UIImageView;
class UILabel;
class UISegmentedControl;

class QuoteOrderHistoryController : public BaseViewController,
                                    public UISearchBarDelegate,
                                    public UITableViewDataSource,
                                    public UITableViewDelegate,
                                    public QuoteOrderStoreDelegate,
                                    public UIAlertViewDelegate,
                                    public PullTableViewDelegate,
                                    public UIPopoverControllerDelegate,
                                    public HistoryEditPopControllerDelegate {
public:
    static constexpr long kRowTagBase = 4500;
    static constexpr long kReloginAlertTag = 1003;
    static constexpr double kLoadMoreDelay = 1.0;

    QuoteOrderHistoryController();
    ~QuoteOrderHistoryController() override;

    void viewDidLoad() override;
    void viewAfterFirstDidLoad() override;
    void viewWillAppear(bool animated) override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;
    void hightVersionViewDidUnload() override;

    const std::vector<std::shared_ptr<QuoteOrderEntity>>& selectOrders() const { return m_selectOrders; }
    int currentShowType() const { return m_currentShowType; }
    int selectedRow() const { return m_selectedRow; }
    const std::shared_ptr<QuoteOrderHistoryTableView>& tableOrders() const { return m_tableOrders; }
    const std::shared_ptr<UISegmentedControl>& segment() const { return m_segment; }
    const std::shared_ptr<UISearchBar>& searchBar() const { return m_searchBar; }
    const std::shared_ptr<UIButton>& btnNewOrder() const { return m_btnNewOrder; }
    const std::shared_ptr<UIButton>& btnSubmitAll() const { return m_btnSubmitAll; }
    const std::shared_ptr<UIPopoverController>& editPopover() const { return m_editPopover; }

    void refresh();
    void btnNewOrderClick();
    void Selectbutton();
    void btnSubmitClick(long tag);
    void btnSubmitAllClick();
    void columnLongPressed(UIGestureRecognizer& gesture);

    // UISearchBarDelegate
    void searchBarTextDidChange(UISearchBar&, const std::string& searchText) override;
    void searchBarSearchButtonClicked(UISearchBar& searchBar) override;

    // UITableViewDataSource and UITableViewDelegate
    long tableViewNumberOfRowsInSection(UITableView&, long) override;
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(
        UITableView& table, const NSIndexPath& path) override;
    void tableViewDidSelectRowAtIndexPath(UITableView& table, const NSIndexPath& path) override;
    bool implementsCommitEditingStyle() const override { return true; }
    void tableViewCommitEditingStyleForRowAtIndexPath(
        UITableView&, UITableViewCellEditingStyle, const NSIndexPath& path) override;
    std::optional<std::string> tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(
        UITableView&, const NSIndexPath&) override;

    // QuoteOrderStoreDelegate
    void finishedUploadQuoteOrdersMessage(
        const std::optional<std::string>& status, const std::optional<std::string>& message) override;
    void finishedSyncHistoryQuoteOrdersMessage(
        const std::optional<std::string>& status, const std::optional<std::string>& message) override;

    // PullTableViewDelegate
    void pullTableViewDidTriggerRefresh(PullTableView&) override { }
    void pullTableViewDidTriggerLoadMore(PullTableView& table) override;

    // HistoryEditPopControllerDelegate
    void historyOrderCopy(int row) override;
    void historyOrderDelete(int row) override;

    void alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex) override;
    void popoverControllerDidDismissPopover(UIPopoverController& popover) override;

private:
    void setTexts();
    void openPendingOrder();
    void pushEditor(int state, std::shared_ptr<QuoteOrderEntity> order, bool changed);
    void clearHighlight();
    void askToDelete(const std::shared_ptr<QuoteOrderEntity>& order);
    void showAlert(const std::string& message);
    void showReloginAlert(const std::string& message);
    bool canSubmit(const QuoteOrderEntity& order) const;
    std::shared_ptr<QuoteOrderEntity> orderAt(long row) const;
    void dismissEditPopover();

    std::vector<std::shared_ptr<QuoteOrderEntity>> m_selectOrders;
    int m_currentShowType = 0;
    int m_selectedRow = -1;
    // The order a COPY / DELETE pop-up or a delete confirmation was opened
    // for; acted on by its id, so a refresh meanwhile cannot move it.
    std::shared_ptr<QuoteOrderEntity> m_popupOrder;
    std::optional<int> m_deleteSerial;
    std::shared_ptr<UIPopoverController> m_editPopover;

    std::shared_ptr<UIImageView> m_imgTitleBar;
    std::shared_ptr<UIImageView> m_imgTitleBackground;
    std::shared_ptr<UILabel> m_lblTitle;
    std::shared_ptr<UIButton> m_btnNewOrder;
    std::shared_ptr<UISegmentedControl> m_segment;
    std::shared_ptr<UISearchBar> m_searchBar;
    std::shared_ptr<UIImageView> m_imgColumnHeader;
    std::vector<std::shared_ptr<UILabel>> m_columnTitles;
    std::shared_ptr<UIButton> m_btnSubmitAll;
    std::shared_ptr<QuoteOrderHistoryTableView> m_tableOrders;
};
