#pragma once

// The quote-order editor: one order's time and note, its customer (picked
// from the stored customers as the name is typed, or a new name with an
// address typed in a pop-up), its lines in order line cells, the order
// discount by rate or by total, the totals, and Save, Submit and View in PDF.
// The order list opens it for a new or a stored order. While the order is in
// edit mode it is the store's current order, so products added in the
// catalogue land in it; the screen is the store's delegate while on screen
// and hears the outcome of a submission. It observes the keyboard to keep the
// discounted-total field above it, and the customer upload result.

#include "Classes/Frame/BaseViewController.h"
#include "Classes/Catalog/ProductDetailDelegate.h"
#include "Classes/Frame/SearchResultTableDelegate.h"
#include "Classes/QuoteOrder/DiscountPopControllerDelegate.h"
#include "Classes/QuoteOrder/QuoteOrderItemDelegate.h"
#include "Classes/Frame/QuoteOrderStoreDelegate.h"
#include "Database/QuoteOrderEntity.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UITableView.h"
#include "Platform/UIKit/UITextField.h"

#include <memory>
#include <optional>
#include <string>

class AddressTableViewController;
class DiscountPopController;
class NSTimer;
class RKTextField;
class SearchResultTableView;
class UIButton;
class UIImageView;
class UILabel;

class QuoteOrderViewController : public BaseViewController,
                                 public QuoteOrderStoreDelegate,
                                 public QuoteOrderItemDelegate,
                                 public ProductDetailDelegate,
                                 public DiscountPopControllerDelegate,
                                 public SearchResultTableDelegate,
                                 public UITextFieldDelegate,
                                 public UIAlertViewDelegate,
                                 public UITableViewDataSource,
                                 public UITableViewDelegate,
                                 public UIPopoverControllerDelegate {
public:
    enum State { StateNew = 0, StateUploaded = 1, StateStored = 2 };

    static constexpr long kDiscountedTotalTag = 1002;
    static constexpr long kCustomerNameTag = 1003;
    static constexpr long kNoteTag = 1004;
    static constexpr long kAddressTag = 1020;
    static constexpr long kEditTag = 1007;
    static constexpr long kSaveTag = 1008;
    static constexpr long kLeaveAlertTag = 1009;
    static constexpr long kLogoutAlertTag = 1013;
    static constexpr long kSaveFlow = 1014;
    static constexpr long kSubmitFlow = 1015;
    static constexpr long kSaveAndLeaveFlow = 1016;
    static constexpr long kCellTagBase = 6500;

    QuoteOrderViewController();
    ~QuoteOrderViewController() override;

    int state() const { return m_state; }
    void setState(int state) { m_state = state; }
    const std::shared_ptr<QuoteOrderEntity>& quoteOrder() const { return m_quoteOrder; }
    void setQuoteOrder(std::shared_ptr<QuoteOrderEntity> order) { m_quoteOrder = std::move(order); }
    bool isOrderChanged() const { return m_isOrderChanged; }
    void setIsOrderChanged(bool changed) { m_isOrderChanged = changed; }
    const std::string& editingFieldOldValue() const { return m_editingFieldOldValue; }
    const std::shared_ptr<UIPopoverController>& popResult() const { return m_popResult; }
    const std::shared_ptr<SearchResultTableView>& tableResult() const { return m_tableResult; }

    // Views a person sees, for the tests' eyes.
    const std::shared_ptr<UITableView>& tableItems() const { return m_tableItems; }
    const std::shared_ptr<UITextField>& txtCustomerName() const { return m_txtCustomerName; }
    const std::shared_ptr<UITextField>& txtNote() const { return m_txtNote; }
    const std::shared_ptr<UITextField>& txtAddress() const { return m_txtAddress; }
    const std::shared_ptr<RKTextField>& txtDiscountedTotal() const { return m_txtDiscountedTotal; }
    const std::shared_ptr<UILabel>& lblOriginalTotalValue() const { return m_lblOriginalTotalValue; }
    const std::shared_ptr<UILabel>& lblCurrency() const { return m_lblCurrency; }
    const std::shared_ptr<UILabel>& lblOrderTimeValue() const { return m_lblOrderTimeValue; }
    const std::shared_ptr<UIButton>& btnDiscount() const { return m_btnDiscount; }
    const std::shared_ptr<UIButton>& btnSave() const { return m_btnSave; }
    const std::shared_ptr<UIButton>& btnSubmit() const { return m_btnSubmit; }
    const std::shared_ptr<UIButton>& btnViewPdf() const { return m_btnViewPdf; }
    const std::shared_ptr<UIButton>& btnOrderList() const { return m_btnOrderList; }
    const std::shared_ptr<UIView>& footerBar() const { return m_footerBar; }
    const std::shared_ptr<UIView>& newProductView() const { return m_newProductView; }
    const std::shared_ptr<UIButton>& newProductButton() const { return m_newProductButton; }
    const std::shared_ptr<UIImageView>& signedView() const { return m_signedView; }
    const std::shared_ptr<DiscountPopController>& discountController() const { return m_discountController; }
    const std::shared_ptr<UIPopoverController>& popDiscountRat() const { return m_popDiscountRat; }
    const std::shared_ptr<UIPopoverController>& popAddressEditor() const { return m_popAddressEditor; }

    void viewDidLoad() override;
    void viewAfterFirstDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewDidDisappear(bool animated) override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;
    void hightVersionViewDidUnload() override;

    void setButtonsEnable(bool enable);
    void setButtonsHidden(bool hidden);
    void updateTotal();
    std::string getNewAddressValues() const;
    void updateCustomer();
    bool currentOrderCheck();
    void checkCustomerAndSaveOrder(long flow);
    void saveNewCustomer();
    // The stored order's id, or 0 when it could not be stored (the user is told).
    [[nodiscard]] int saveCurrentOrder();
    void submitOrder();
    void popSelf();
    // Applies what product detail chose for line `index`.
    void saveOrderItemIndex(const std::shared_ptr<corvelle_product_Entity>& product, int index) override;
    void back() override { btnBackClick(); }
    // Leaves a product detail opened on a line, when it is the top screen.
    void btnBackClick();

    // QuoteOrderStoreDelegate
    void finishedUploadQuoteOrdersMessage(
        const std::optional<std::string>& status, const std::optional<std::string>& message) override;
    void popSelfView() override { popSelf(); }
    void updateCustomerIdNewId(int oldId, int newId) override;

    // QuoteOrderItemDelegate
    void tapImage(long tag) override;
    void QuoteOrderItemCellBeginEdit(const std::shared_ptr<QuoteOrderItemsTableViewCell>& cell) override;
    void QuoteOrderItemCellChanged(const std::shared_ptr<QuoteOrderItemsTableViewCell>& cell) override;

    // DiscountPopControllerDelegate
    void discountWillEndInput() override;
    void discountRatChanged(double rate) override;

    // SearchResultTableDelegate
    void didSelectCell(const std::shared_ptr<PersonInfo>& person) override;

    // UITextFieldDelegate
    bool textFieldShouldBeginEditing(UITextField& field) override;
    void textFieldDidBeginEditing(UITextField& field) override;
    bool textFieldShouldChangeCharactersInRangeReplacementString(
        UITextField& field, NSRange range, const std::string& text) override;
    bool textFieldShouldClear(UITextField& field) override;
    bool textFieldShouldReturn(UITextField& field) override;
    void textFieldDidEndEditing(UITextField& field) override;

    void alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex) override;
    void popoverControllerDidDismissPopover(UIPopoverController& popover) override;

    // UITableViewDataSource and UITableViewDelegate
    long tableViewNumberOfRowsInSection(UITableView&, long) override;
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(
        UITableView& table, const NSIndexPath& path) override;
    bool tableViewCanEditRowAtIndexPath(UITableView&, const NSIndexPath&) override;
    bool implementsCommitEditingStyle() const override { return true; }
    void tableViewCommitEditingStyleForRowAtIndexPath(
        UITableView&, UITableViewCellEditingStyle, const NSIndexPath& path) override;
    std::optional<std::string> tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(
        UITableView&, const NSIndexPath&) override;

    // The keyboard-language poll and the keyboard's moves.
    void checkKeyboardLanguage();
    void changekeyBoardFrame();

private:
    void buildHeader();
    void buildLineHeader();
    void buildFooter();
    void setTexts();
    void btnOrderListClick();
    void btnSaveClick();
    void btnSubmitClick();
    void btnDiscountClick();
    void btnViewPdfClick();
    void btnNewProductClick();
    void runFlow(long flow);
    void editOrder();
    void leaveWithoutSaving();
    void showAllCustomers();
    void presentSearchResults();
    void openAddressEditor();
    void askToDeleteLine(long row);
    void deleteLine(long row);
    void restoreLineQuantity(long row);
    void resetOrderDiscount();
    void setBadge(const std::optional<std::string>& value);
    void setEditableLook(const std::shared_ptr<UITextField>& field, bool editable);
    void setFooterPlace(CGFloat barY, CGFloat tableHeight);
    void stopKeyboardPoll();
    void endFieldEditing();
    void showAlert(const std::string& message);
    bool isSigned() const;

    int m_state = StateNew;
    std::shared_ptr<QuoteOrderEntity> m_quoteOrder;
    bool m_isOrderChanged = false;
    std::string m_editingFieldOldValue;
    std::shared_ptr<UIPopoverController> m_popResult;
    std::shared_ptr<SearchResultTableView> m_tableResult;

    bool m_isCustomerOnShow = true;
    bool m_couldModifyPrice = false;
    std::weak_ptr<UITextField> m_currentEditingField;
    unsigned m_orderItemsNumber = 0;
    std::shared_ptr<NSTimer> m_timer;
    std::shared_ptr<DiscountPopController> m_discountController;
    std::shared_ptr<UIPopoverController> m_popDiscountRat;
    std::shared_ptr<UIPopoverController> m_popAddressEditor;
    std::shared_ptr<AddressTableViewController> m_addressEditor;

    std::shared_ptr<UIImageView> m_imgTitleBar;
    std::shared_ptr<UIImageView> m_imgHeader;
    std::shared_ptr<UILabel> m_lblTitle;
    std::shared_ptr<UIButton> m_btnOrderList;
    std::shared_ptr<UILabel> m_lblOrderTime;
    std::shared_ptr<UILabel> m_lblOrderTimeValue;
    std::shared_ptr<UILabel> m_lblNote;
    std::shared_ptr<UITextField> m_txtNote;
    std::shared_ptr<UILabel> m_lblCustomer;
    std::shared_ptr<UITextField> m_txtCustomerName;
    std::shared_ptr<UILabel> m_lblAddress;
    std::shared_ptr<UITextField> m_txtAddress;
    std::shared_ptr<UIImageView> m_imgLineHeader;
    std::vector<std::shared_ptr<UILabel>> m_columnTitles;
    std::shared_ptr<UITableView> m_tableItems;
    std::shared_ptr<UIView> m_footerBar;
    std::shared_ptr<UILabel> m_lblOriginalTotal;
    std::shared_ptr<UILabel> m_lblOriginalTotalValue;
    std::shared_ptr<UIButton> m_btnDiscount;
    std::shared_ptr<UILabel> m_lblDiscountedTotal;
    std::shared_ptr<UILabel> m_lblCurrency;
    std::shared_ptr<RKTextField> m_txtDiscountedTotal;
    std::shared_ptr<UIButton> m_btnSave;
    std::shared_ptr<UIButton> m_btnSubmit;
    std::shared_ptr<UIButton> m_btnViewPdf;
    std::shared_ptr<UIView> m_newProductView;
    std::shared_ptr<UIButton> m_newProductButton;
    std::shared_ptr<UIImageView> m_signedView;
};
