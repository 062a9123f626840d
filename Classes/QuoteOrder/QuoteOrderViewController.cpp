#include "Classes/QuoteOrder/QuoteOrderViewController.h"

#include "Classes/Catalog/ProductAttributeView.h"
#include "Classes/Catalog/ProductDetailController.h"
#include "Classes/Customer/CustomerDataModel.h"
#include "Database/PersonInfo.h"
#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/IconButton.h"
#include "Classes/Frame/FreeDismissAlertView.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "Classes/Frame/MessageBox.h"
#include "Classes/Frame/NumericInputValidator.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/RKTextField.h"
#include "Classes/Frame/SearchResultTableView.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Classes/QuoteOrder/AddressTableViewController.h"
#include "Classes/QuoteOrder/DiscountPopController.h"
#include "Classes/QuoteOrder/QuoteOrderItemsTableViewCell.h"
#include "Classes/QuoteOrder/QuoteOrderPDFViewController.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Classes/QuoteOrder/QuoteOrderThumbnailCache.h"
#include "Database/ConfigManager.h"
#include "Database/DataAccessManager.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/QuartzCore/CAAnimation.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UIKeyboard.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"

namespace {

constexpr CGRect kTableFrame { { 0, 190 }, { 1024, 442 } };
constexpr CGRect kFooterFrame { { 0, 632 }, { 1024, 50 } };
constexpr CGFloat kChineseBarY = 292;
constexpr CGFloat kOtherBarY = 346;

std::string labelText(const std::string& key) { return stringWithFormat("%@:", text(key)); }

bool isBlank(const std::optional<std::string>& s)
{
    return !s || NSString::stringByTrimmingCharactersInSet(*s, CharacterSet::whitespaceAndNewline).empty();
}

std::string withoutGrouping(const std::string& s)
{
    return PublicFunction::stringRemoveTagStrTag(s, std::string(",")).value_or(std::string());
}

bool isChinese() { return LanguageManager::sharedInstance()->currentLanguage() == 2; }

// Lines read from the store may share one product record; a line gets a copy
// of its own before anything changes it, so its change stays with it.
std::shared_ptr<corvelle_product_Entity> ownProduct(const corvelle_product_Entity& product)
{
    return std::make_shared<corvelle_product_Entity>(product);
}

bool systemFromFive() { return PublicFunction::getDeviceVersion() >= 5.0f; }

std::shared_ptr<UILabel> makeLabel(CGRect frame, const std::shared_ptr<UIFont>& font)
{
    auto label = std::make_shared<UILabel>(frame);
    label->setBackgroundColor(UIColor::clearColor());
    label->setFont(font);
    return label;
}

// A value field sits on its caption's line in the value labels' font: a field
// without a border would otherwise keep its small default text at its top,
// above the caption beside it, whenever the order is read only.
void valueLook(UITextField& field)
{
    field.setFont(UIFont::systemFontOfSize(16));
    field.setContentVerticalAlignment(UIControlContentVerticalAlignmentCenter);
}

std::shared_ptr<UIImageView> skinImage(CGRect frame, const char* name)
{
    auto view = std::make_shared<UIImageView>(frame);
    view->setImage(SkinManager::skinFromImageName(std::string(name)));
    return view;
}

std::shared_ptr<corvelle_customer_Entity> storedCustomerNamed(const std::optional<std::string>& name)
{
    auto data = DataAccessManager::sharedDataModel();
    if (!data || !data->customerModel() || isBlank(name))
        return nullptr;
    return data->customerModel()->getCustomerByCustomerName(name);
}

std::string valueOf(const std::map<std::string, std::string>& address, const char* key)
{
    auto it = address.find(key);
    return it == address.end() ? std::string() : it->second;
}

void takeAddress(QuoteOrderEntity& order, const std::map<std::string, std::string>& address)
{
    order.customerAddress = valueOf(address, "Address");
    order.city = valueOf(address, "City");
    order.state = valueOf(address, "State/Province/Region");
    order.zip_code = valueOf(address, "Zip Code");
    order.phoneNumber = valueOf(address, "Phone");
    order.bankAccount = valueOf(address, "Bank Account");
}

std::vector<SearchResultTableView::Row> rowsOf(const std::vector<std::shared_ptr<PersonInfo>>& people)
{
    return std::vector<SearchResultTableView::Row>(people.begin(), people.end());
}

}  // namespace

QuoteOrderViewController::QuoteOrderViewController() = default;

QuoteOrderViewController::~QuoteOrderViewController()
{
    NSNotificationCenter::defaultCenter().removeObserver(this);
    if (m_timer)
        m_timer->invalidate();
}

// ---- Views ----

void QuoteOrderViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    auto weak = weakSelf<QuoteOrderViewController>();
    view()->setBackgroundColor(UIColor::whiteColor());

    m_imgTitleBar = skinImage(CGRectMake(0, 0, 1024, 44), "topbar-bg.png");
    view()->addSubview(m_imgTitleBar);
    m_imgHeader = skinImage(CGRectMake(0, 44, 1024, 100), "quote-topbar.png");
    view()->addSubview(m_imgHeader);
    m_lblTitle = makeLabel(CGRectMake(446, 7, 132, 30), UIFont::fontWithNameSize("Helvetica-Bold", 20));
    m_lblTitle->setTextColor(UIColor::whiteColor());
    m_lblTitle->setTextAlignment(UITextAlignmentCenter);
    view()->addSubview(m_lblTitle);

    m_btnOrderList = std::make_shared<UIButton>(CGRectMake(8, 5, 100, 34));
    PublicFunction::initializeToBackButtonHeight34(m_btnOrderList);
    m_btnOrderList->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->btnOrderListClick();
    });
    view()->addSubview(m_btnOrderList);

    buildHeader();
    buildLineHeader();

    m_tableItems = std::make_shared<UITableView>(kTableFrame, UITableViewStylePlain);
    m_tableItems->setRowHeight(100);
    m_tableItems->setSeparatorStyle(UITableViewCellSeparatorStyleNone);
    m_tableItems->setAllowsSelection(false);
    m_tableItems->setDataSource(std::static_pointer_cast<UITableViewDataSource>(weak.lock()));
    m_tableItems->setDelegate(std::static_pointer_cast<UITableViewDelegate>(weak.lock()));
    auto background = std::make_shared<UIView>(CGRectMake(0, 0, 1024, 442));
    background->setBackgroundColor(UIColor::whiteColor());
    m_signedView = std::make_shared<UIImageView>(CGRectMake(820, 342, 164, 87));
    m_signedView->setContentMode(UIViewContentModeBottomRight);
    m_signedView->setHidden(true);
    background->addSubview(m_signedView);
    m_tableItems->setBackgroundView(background);

    m_newProductView = std::make_shared<UIView>(CGRectMake(0, 0, 1024, 80));
    m_newProductButton = std::make_shared<UIButton>(CGRectMake(30, 15, 200, 50));
    m_newProductButton->titleLabel()->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 16));
    m_newProductButton->setTitleColorForState(UIColor::grayColor(), UIControlStateNormal);
    m_newProductButton->setImageForState(
        SkinManager::skinFromImageName(std::string("icon-add.png")), UIControlStateNormal);
    m_newProductButton->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->btnNewProductClick();
    });
    m_newProductView->addSubview(m_newProductButton);
    m_tableItems->setTableFooterView(m_newProductView);
    view()->addSubview(m_tableItems);

    buildFooter();

    m_tableResult = std::make_shared<SearchResultTableView>();
    m_tableResult->setDelegate(std::static_pointer_cast<SearchResultTableDelegate>(weak.lock()));
    m_popResult = std::make_shared<UIPopoverController>(m_tableResult);
    m_popResult->setDelegate(std::static_pointer_cast<UIPopoverControllerDelegate>(weak.lock()));
    m_popResult->setPopoverContentSize(CGSizeMake(263, 200));

    m_discountController = std::make_shared<DiscountPopController>();
    m_discountController->setDelegate(std::static_pointer_cast<DiscountPopControllerDelegate>(weak.lock()));
    m_discountController->view()->setBackgroundColor(UIColor::whiteColor());
    m_popDiscountRat = std::make_shared<UIPopoverController>(m_discountController);
    m_popDiscountRat->setPopoverContentSize(CGSizeMake(125, 50));

    setTexts();
    if (m_state == StateUploaded) {
        setButtonsEnable(false);
        m_newProductView->setHidden(true);
        setButtonsHidden(true);
    }
    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
}

void QuoteOrderViewController::viewAfterFirstDidLoad()
{
    BaseViewController::viewAfterFirstDidLoad();
    auto weak = weakSelf<QuoteOrderViewController>();
    auto& center = NSNotificationCenter::defaultCenter();
    if (systemFromFive()) {
        center.addObserver(this, UIKeyboardWillChangeFrameNotification, [weak](const NSNotification&) {
            if (auto self = weak.lock())
                self->changekeyBoardFrame();
        });
    }
    center.addObserver(this, UIKeyboardWillHideNotification, [weak](const NSNotification&) {
        auto self = weak.lock();
        if (!self || !self->m_tableItems)
            return;
        auto table = self->m_tableItems;
        UIView::animateWithDuration(0.3, [table] { table->setFrame(kTableFrame); });
    });
}

void QuoteOrderViewController::buildHeader()
{
    auto weak = weakSelf<QuoteOrderViewController>();
    const auto bold = UIFont::boldSystemFontOfSize(16);
    m_lblOrderTime = makeLabel(CGRectMake(20, 59, 100, 30), bold);
    m_lblOrderTimeValue = makeLabel(CGRectMake(120, 59, 160, 30), UIFont::systemFontOfSize(16));
    m_lblNote = makeLabel(CGRectMake(380, 59, 60, 30), bold);
    m_lblCustomer = makeLabel(CGRectMake(20, 99, 90, 30), bold);
    m_lblAddress = makeLabel(CGRectMake(380, 99, 130, 30), bold);

    const auto field = [&](CGRect frame, long tag) {
        auto f = std::make_shared<UITextField>(frame);
        f->setTag(tag);
        valueLook(*f);
        f->setDelegate(std::static_pointer_cast<UITextFieldDelegate>(weak.lock()));
        f->autocorrectionType = UITextAutocorrectionTypeNo;
        return f;
    };
    m_txtNote = field(CGRectMake(455, 59, 550, 30), kNoteTag);
    m_txtNote->setClearButtonMode(UITextFieldViewModeWhileEditing);
    m_txtCustomerName = field(CGRectMake(110, 99, 220, 30), kCustomerNameTag);
    m_txtCustomerName->setClearButtonMode(UITextFieldViewModeWhileEditing);
    m_txtAddress = field(CGRectMake(455, 99, 550, 30), kAddressTag);

    for (const auto& v : std::initializer_list<std::shared_ptr<UIView>> { m_lblOrderTime, m_lblOrderTimeValue,
             m_lblNote, m_txtNote, m_lblCustomer, m_txtCustomerName, m_lblAddress, m_txtAddress })
        view()->addSubview(v);
}

void QuoteOrderViewController::buildLineHeader()
{
    m_imgLineHeader = skinImage(CGRectMake(0, 144, 1024, 46), "titlebar.png");
    const std::pair<CGFloat, CGFloat> places[]
        = { { 125, 80 }, { 340, 100 }, { 470, 80 }, { 570, 80 }, { 665, 80 }, { 755, 140 }, { 900, 120 } };
    for (const auto& [x, width] : places) {
        auto title = makeLabel(CGRectMake(x, 0, width, 46), UIFont::boldSystemFontOfSize(16));
        m_imgLineHeader->addSubview(title);
        m_columnTitles.push_back(title);
    }
    view()->addSubview(m_imgLineHeader);
}

void QuoteOrderViewController::buildFooter()
{
    auto weak = weakSelf<QuoteOrderViewController>();
    auto bar = skinImage(kFooterFrame, "quote-btmbar.png");
    bar->setUserInteractionEnabled(true);
    m_footerBar = bar;

    m_lblOriginalTotal = makeLabel(CGRectMake(20, 5, 110, 40), UIFont::boldSystemFontOfSize(16));
    m_lblOriginalTotalValue = makeLabel(CGRectMake(135, 5, 140, 40), UIFont::systemFontOfSize(16));
    m_btnDiscount = std::make_shared<UIButton>(CGRectMake(280, 5, 40, 40));
    m_btnDiscount->setImageForState(
        SkinManager::skinFromImageName(std::string("Icon_Discount_30x30.png")), UIControlStateNormal);
    m_btnDiscount->imageEdgeInsets = UIEdgeInsetsMake(5, 5, 5, 5);
    m_btnDiscount->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->btnDiscountClick();
    });
    m_lblDiscountedTotal = makeLabel(CGRectMake(330, 5, 140, 40), UIFont::boldSystemFontOfSize(16));
    m_lblCurrency = makeLabel(CGRectMake(480, 5, 10, 40), UIFont::systemFontOfSize(13));
    m_txtDiscountedTotal = std::make_shared<RKTextField>(CGRectMake(490, 11, 140, 30));
    m_txtDiscountedTotal->setTag(kDiscountedTotalTag);
    valueLook(*m_txtDiscountedTotal);
    m_txtDiscountedTotal->setInputValidator(std::make_shared<NumericInputValidator>());
    m_txtDiscountedTotal->setClearButtonMode(UITextFieldViewModeWhileEditing);
    m_txtDiscountedTotal->keyboardType = UIKeyboardTypeNumberPad;
    m_txtDiscountedTotal->setDelegate(std::static_pointer_cast<UITextFieldDelegate>(weak.lock()));

    const auto button = [&](CGRect frame, void (QuoteOrderViewController::*action)()) {
        auto b = std::make_shared<UIButton>(frame);
        PublicFunction::initializeToButtonHeight34(b);
        b->addTarget(UIControlEventTouchUpInside, [weak, action](UIControl&, UIEvent*) {
            if (auto self = weak.lock())
                ((*self).*action)();
        });
        return b;
    };
    m_btnSave = button(CGRectMake(660, 7, 80, 34), &QuoteOrderViewController::btnSaveClick);
    m_btnSave->setTag(kSaveTag);
    m_btnSubmit = button(CGRectMake(770, 7, 80, 34), &QuoteOrderViewController::btnSubmitClick);
    m_btnViewPdf = button(CGRectMake(880, 7, 120, 34), &QuoteOrderViewController::btnViewPdfClick);

    for (const auto& v :
        std::initializer_list<std::shared_ptr<UIView>> { m_lblOriginalTotal, m_lblOriginalTotalValue, m_btnDiscount,
            m_lblDiscountedTotal, m_lblCurrency, m_txtDiscountedTotal, m_btnSave, m_btnSubmit, m_btnViewPdf })
        m_footerBar->addSubview(v);
    view()->addSubview(m_footerBar);
}

void QuoteOrderViewController::setTexts()
{
    m_lblTitle->setText(text("QUOTEORDER"));
    m_btnOrderList->setTitleForState(text("ORDERLIST"), UIControlStateNormal);
    m_lblOrderTime->setText(labelText("ORDERTIME"));
    m_lblNote->setText(labelText("NOTE"));
    m_lblCustomer->setText(labelText("CUSTOMER"));
    m_lblAddress->setText(labelText("ADDRESS"));
    const char* columns[]
        = { "PRODUCT", "DETAILS", "QUANTITY", "ITEMPRICE", "DISCOUNT", "DISCOUNTEDPRICE", "ITEMIZEDTOTAL" };
    for (size_t i = 0; i < m_columnTitles.size(); ++i)
        m_columnTitles[i]->setText(text(columns[i]));
    m_lblOriginalTotal->setText(labelText("ORIGINALTOTAL"));
    m_lblDiscountedTotal->setText(labelText("DISCOUNTEDTOTAL"));
    m_btnSave->setTitleForState(text(m_btnSave->tag() == kEditTag ? "EDIT" : "SAVE"), UIControlStateNormal);
    m_btnSubmit->setTitleForState(text("SUBMIT"), UIControlStateNormal);
    m_btnViewPdf->setTitleForState(text("VIEWINPDF"), UIControlStateNormal);
    m_newProductButton->setTitleForState(text("ADDPRODUCTS"), UIControlStateNormal);
    m_txtNote->setPlaceholder(m_txtNote->isEnabled() ? text("NOTEPLACEHOLDER") : std::string());
    m_signedView->setImage(UIImage::imageNamed(isChinese() ? "icon_signed_cn.png" : "icon_signed_en.png"));
}

void QuoteOrderViewController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    if (!isViewLoaded())
        return;
    setTexts();
    if (!isBlank(m_txtAddress->text()))
        m_txtAddress->setText(getNewAddressValues());
}

void QuoteOrderViewController::hightVersionViewDidUnload()
{
    // The pop-ups go; the controls stay with the view, which the store's
    // replies may still reach while another screen covers this one.
    stopKeyboardPoll();
    if (m_popResult)
        m_popResult->dismissPopoverAnimated(false);
    if (m_popDiscountRat)
        m_popDiscountRat->dismissPopoverAnimated(false);
    if (m_popAddressEditor)
        m_popAddressEditor->dismissPopoverAnimated(false);
    m_popAddressEditor.reset();
    m_addressEditor.reset();
}

// ---- Appearing ----

void QuoteOrderViewController::viewWillAppear(bool animated)
{
    BaseViewController::viewWillAppear(animated);
    auto config = ConfigManager::sharedInstance();
    m_isCustomerOnShow = config->isOnShow(2);
    m_couldModifyPrice = config->couldModifyPrice();
    // A synchronisation since the screen last showed may have given products other pictures.
    QuoteOrderThumbnailCache::sharedInstance().forgetImagePaths();
    auto store = QuoteOrderStore::sharedQuoteOrderStore();
    store->setDelegate(std::static_pointer_cast<QuoteOrderStoreDelegate>(protect<QuoteOrderViewController>()));
    if (auto navigation = navigationController())
        navigation->setNavigationBarHidden(true);

    if (m_quoteOrder) {
        QuoteOrderEntity& order = *m_quoteOrder;
        if (m_state == StateNew) {
            auto address = CustomerDataModel::sharedInstance()->getDefaultAddressByCustomer(order.customerId);
            if (!address.empty())
                takeAddress(order, address);
        }
        m_txtCustomerName->setText(order.customerName.value_or(std::string()));
        m_txtNote->setText(order.customerNote());
        m_lblOrderTimeValue->setText(order.mdateShow());
        m_lblCurrency->setText(PublicFunction::flagWithCurrency(order.currency));
        m_txtAddress->setText(getNewAddressValues());
        m_signedView->setHidden(!isSigned());
    }

    const std::string sign = m_quoteOrder ? PublicFunction::flagWithCurrency(m_quoteOrder->currency) : std::string();
    if (m_state == StateStored) {
        m_lblCurrency->setText(sign);
        if (m_quoteOrder && m_quoteOrder->isInEdit) {
            setButtonsEnable(true);
            m_newProductView->setHidden(false);
            if (m_quoteOrder->items.size() != m_orderItemsNumber)
                m_isOrderChanged = true;
        } else {
            setButtonsEnable(false);
            m_newProductView->setHidden(true);
        }
    } else if (m_state == StateUploaded) {
        m_lblCurrency->setText(sign);
        setButtonsEnable(false);
        m_newProductView->setHidden(true);
    } else {
        if (m_quoteOrder)
            setButtonsEnable(true);
        m_newProductView->setHidden(false);
        // Signed on the PDF screen: the signature is kept at once.
        if (isSigned())
            (void)saveCurrentOrder();  // a failure is shown by the save itself
    }
    if (m_quoteOrder && !m_quoteOrder->hasItems())
        m_lblCurrency->setText("");
}

void QuoteOrderViewController::viewDidAppear(bool animated)
{
    BaseViewController::viewDidAppear(animated);
    m_tableItems->reloadData();
    updateTotal();
    auto store = QuoteOrderStore::sharedQuoteOrderStore();
    // This order is made current before a new editor opens on top, so that
    // the new one's order is the current one when it shows.
    if (m_quoteOrder && m_quoteOrder->isInEdit)
        store->curQuoteOrder = m_quoteOrder;
    if (m_state != StateNew && store->addQuoteOrder) {
        auto editor = std::make_shared<QuoteOrderViewController>();
        editor->setState(StateNew);
        editor->setQuoteOrder(store->createNewQuoteOrder());
        editor->setIsOrderChanged(true);
        store->addQuoteOrder.reset();
        if (auto navigation = navigationController())
            navigation->pushViewControllerAnimated(editor, false);
    }
}

void QuoteOrderViewController::viewDidDisappear(bool animated)
{
    BaseViewController::viewDidDisappear(animated);
    if (m_quoteOrder && m_quoteOrder->isInEdit)
        m_orderItemsNumber = static_cast<unsigned>(m_quoteOrder->items.size());
}

// ---- Controls ----

bool QuoteOrderViewController::isSigned() const { return m_quoteOrder && !isBlank(m_quoteOrder->signature); }

void QuoteOrderViewController::setEditableLook(const std::shared_ptr<UITextField>& field, bool editable)
{
    if (editable) {
        if (systemFromFive()) {
            field->setBorderStyle(UITextBorderStyleRoundedRect);
            field->setBackgroundColor(UIColor::whiteColor());
        } else {
            field->setBackground(
                UIImage::imageNamed("bg_textfield.png")->stretchableImageWithLeftCapWidthTopCapHeight(7, 0));
            field->setLeftView(std::make_shared<UIView>(CGRectMake(0, 0, 7, 30)));
            field->setLeftViewMode(UITextFieldViewModeAlways);
        }
    } else {
        field->setBorderStyle(UITextBorderStyleNone);
        field->setBackgroundColor(UIColor::clearColor());
        field->setBackground(nullptr);
    }
}

void QuoteOrderViewController::setButtonsEnable(bool enable)
{
    m_btnDiscount->setEnabled(enable);
    m_btnSave->setEnabled(enable);
    for (const auto& field : { m_txtCustomerName, m_txtNote, m_txtAddress }) {
        field->setEnabled(enable);
        setEditableLook(field, enable);
    }
    m_txtNote->setPlaceholder(enable ? text("NOTEPLACEHOLDER") : std::string());

    const bool hasItems = m_quoteOrder && m_quoteOrder->hasItems();
    m_btnViewPdf->setEnabled(hasItems);
    if (!hasItems)
        m_txtDiscountedTotal->setEnabled(false);
    m_btnSubmit->setEnabled(hasItems && (!m_isCustomerOnShow || !isBlank(m_txtCustomerName->text())));

    const bool priceEditable = enable && m_couldModifyPrice && hasItems;
    m_btnDiscount->setHidden(!priceEditable);
    m_txtDiscountedTotal->setEnabled(priceEditable);
    setEditableLook(m_txtDiscountedTotal, priceEditable);

    if (!enable && m_quoteOrder && !m_quoteOrder->isInEdit && m_state == StateStored) {
        m_btnSave->setTitleForState(text("EDIT"), UIControlStateNormal);
        m_btnSave->setTag(kEditTag);
        // A signed order cannot be edited.
        m_btnSave->setEnabled(m_signedView->isHidden());
    }
}

void QuoteOrderViewController::setButtonsHidden(bool hidden)
{
    m_btnDiscount->setHidden(hidden);
    m_btnSave->setHidden(hidden);
    m_btnSubmit->setHidden(hidden);
}

void QuoteOrderViewController::updateTotal()
{
    if (m_quoteOrder && m_quoteOrder->hasItems()) {
        m_lblOriginalTotalValue->setText(PublicFunction::flagWithCurrency(m_quoteOrder->currency)
            + PublicFunction::doubleFormate(m_quoteOrder->originalTotal()));
        m_txtDiscountedTotal->setText(PublicFunction::doubleFormate(m_quoteOrder->discount()));
        return;
    }
    m_lblOriginalTotalValue->setText("");
    m_txtDiscountedTotal->setText("");
    if (m_quoteOrder)
        m_quoteOrder->currency.reset();
    m_lblCurrency->setText("");
}

std::string QuoteOrderViewController::getNewAddressValues() const
{
    if (!m_quoteOrder)
        return std::string();
    const QuoteOrderEntity& order = *m_quoteOrder;
    std::string address;
    if (isChinese()) {
        for (const auto* part : { &order.state, &order.city, &order.customerAddress }) {
            if (!isBlank(*part))
                address += stringWithFormat("%@ ", **part);
        }
        if (!isBlank(order.zip_code))
            address += stringWithFormat("邮编 %@", *order.zip_code);
    } else {
        for (const auto* part : { &order.customerAddress, &order.city, &order.state }) {
            if (!isBlank(*part))
                address += stringWithFormat("%@, ", **part);
        }
        if (!isBlank(order.zip_code))
            address += stringWithFormat("Zip Code %@", *order.zip_code);
    }
    return address;
}

void QuoteOrderViewController::updateCustomer()
{
    if (!m_quoteOrder)
        return;
    QuoteOrderEntity& order = *m_quoteOrder;
    if (order.customerId != 0) {
        auto address = CustomerDataModel::sharedInstance()->getDefaultAddressByCustomer(order.customerId);
        if (!address.empty())
            takeAddress(order, address);
        m_txtAddress->setText(getNewAddressValues());
    } else {
        for (auto* part : { &order.customerAddress, &order.city, &order.state, &order.zip_code, &order.phoneNumber,
                 &order.bankAccount })
            *part = std::string();
    }
    m_btnSubmit->setEnabled(!isBlank(order.customerName) && order.hasItems());
}

void QuoteOrderViewController::setBadge(const std::optional<std::string>& value)
{
    auto app = CorvelleAppDelegate::sharedAppDelegate();
    if (auto tabs = app ? app->tabBarController() : nullptr)
        tabs->setBadgeValueTabBarItemTagAnimated(value, UITabBarControllerExt::TabQuoteOrder, true);
}

void QuoteOrderViewController::showAlert(const std::string& message)
{
    auto alert = std::make_shared<UIAlertView>(
        text("NOTIFICATION"), message, std::weak_ptr<UIAlertViewDelegate>(), text("OK"));
    alert->show();
}

// ---- Customer ----

void QuoteOrderViewController::presentSearchResults()
{
    m_tableResult->tableView()->reloadData();
    m_popResult->presentPopoverFromRectInViewPermittedArrowDirectionsAnimated(
        m_txtCustomerName->frame(), view(), UIPopoverArrowDirectionAny, true);
}

void QuoteOrderViewController::showAllCustomers()
{
    const auto& everyone = CustomerDataModel::sharedInstance()->allSearchPersonList();
    m_tableResult->setArrResult(rowsOf(everyone));
    if (!everyone.empty())
        presentSearchResults();
}

void QuoteOrderViewController::didSelectCell(const std::shared_ptr<PersonInfo>& person)
{
    if (!person || !m_quoteOrder)
        return;
    m_isOrderChanged = true;
    m_popResult->dismissPopoverAnimated(false);
    m_txtCustomerName->setText(person->name.value_or(std::string()));
    m_quoteOrder->customerId = person->pid.value_or(0);
    m_quoteOrder->customerName = person->name;
    updateCustomer();
}

void QuoteOrderViewController::updateCustomerIdNewId(int oldId, int newId)
{
    if (m_quoteOrder && m_quoteOrder->customerId == oldId) {
        m_quoteOrder->customerId = newId;
        updateCustomer();
    }
}

void QuoteOrderViewController::openAddressEditor()
{
    const QuoteOrderEntity& order = *m_quoteOrder;
    if (!isBlank(m_txtAddress->text()))
        m_addressEditor = std::make_shared<AddressTableViewController>(order.customerAddress.value_or(std::string()),
            order.city.value_or(std::string()), order.state.value_or(std::string()),
            order.zip_code.value_or(std::string()));
    else
        m_addressEditor = std::make_shared<AddressTableViewController>();
    auto table = m_addressEditor->tableView();
    const long rows = m_addressEditor->tableViewNumberOfRowsInSection(*table, 0);
    m_popAddressEditor = std::make_shared<UIPopoverController>(m_addressEditor);
    m_popAddressEditor->setDelegate(
        std::static_pointer_cast<UIPopoverControllerDelegate>(protect<QuoteOrderViewController>()));
    m_popAddressEditor->setPopoverContentSize(CGSizeMake(550, table->rowHeight() * static_cast<CGFloat>(rows)));
    m_popAddressEditor->presentPopoverFromRectInViewPermittedArrowDirectionsAnimated(
        m_txtAddress->frame(), view(), UIPopoverArrowDirectionUp, true);
}

void QuoteOrderViewController::popoverControllerDidDismissPopover(UIPopoverController& popover)
{
    if (!m_popAddressEditor || &popover != m_popAddressEditor.get() || !m_addressEditor || !m_quoteOrder)
        return;
    m_quoteOrder->customerAddress = m_addressEditor->getStreetAddress();
    m_quoteOrder->city = m_addressEditor->getCity();
    m_quoteOrder->state = m_addressEditor->getState();
    m_quoteOrder->zip_code = m_addressEditor->getZipCode();
    m_txtAddress->setText(getNewAddressValues());
    m_popAddressEditor.reset();
    m_addressEditor.reset();
}

// ---- Text fields ----

bool QuoteOrderViewController::textFieldShouldBeginEditing(UITextField& field)
{
    if (field.tag() != kAddressTag)
        return true;
    // The address is never typed in place: a new customer's opens in the editor pop-up.
    const std::string name = m_txtCustomerName->text();
    if (!m_quoteOrder || isBlank(name) || storedCustomerNamed(name))
        return false;
    openAddressEditor();
    return false;
}

void QuoteOrderViewController::textFieldDidBeginEditing(UITextField& field)
{
    m_currentEditingField = field.protect<UITextField>();
    m_isOrderChanged = true;
    if (field.tag() == kCustomerNameTag && m_isCustomerOnShow) {
        if (isBlank(field.text()))
            showAllCustomers();
    } else if (field.tag() == kDiscountedTotalTag) {
        field.setText(withoutGrouping(field.text()));
        if (!m_timer) {
            auto weak = weakSelf<QuoteOrderViewController>();
            m_timer = NSTimer::scheduledTimerWithTimeInterval(0, true, [weak](NSTimer&) {
                if (auto self = weak.lock())
                    self->checkKeyboardLanguage();
            });
        }
    }
}

bool QuoteOrderViewController::textFieldShouldChangeCharactersInRangeReplacementString(
    UITextField& field, NSRange range, const std::string& replacement)
{
    if (field.tag() != kCustomerNameTag || !m_isCustomerOnShow || !m_quoteOrder)
        return true;
    std::string typed = field.text();
    const NSRange bytes = NSString::byteRangeOfCharacterRange(typed, range);
    typed.replace(bytes.location, bytes.length, replacement);

    if (isBlank(typed)) {
        showAllCustomers();
    } else {
        auto hits = CustomerDataModel::sharedInstance()->customerSearch(typed);
        if (!hits.empty()) {
            m_tableResult->setArrResult(rowsOf(hits));
            presentSearchResults();
            if (auto customer = storedCustomerNamed(typed)) {
                m_quoteOrder->customerId = customer->customer_id;
                m_quoteOrder->customerName = customer->customer_name;
                updateCustomer();
                return true;
            }
        } else {
            m_popResult->dismissPopoverAnimated(true);
        }
    }
    m_txtAddress->setText("");
    return true;
}

bool QuoteOrderViewController::textFieldShouldClear(UITextField& field)
{
    if (field.tag() == kCustomerNameTag && m_isCustomerOnShow) {
        showAllCustomers();
        m_txtAddress->setText("");
    }
    return true;
}

bool QuoteOrderViewController::textFieldShouldReturn(UITextField& field)
{
    field.resignFirstResponder();
    return true;
}

void QuoteOrderViewController::textFieldDidEndEditing(UITextField& field)
{
    if (!m_quoteOrder)
        return;
    QuoteOrderEntity& order = *m_quoteOrder;
    switch (field.tag()) {
    case kCustomerNameTag:
        order.customerName = field.text();
        if (m_isCustomerOnShow) {
            auto customer = storedCustomerNamed(field.text());
            order.customerId = customer ? customer->customer_id : 0;
            updateCustomer();
        }
        break;
    case kNoteTag:
        order.setCustomerNote(field.text());
        break;
    case kDiscountedTotalTag: {
        m_txtDiscountedTotal->setTraget(
            std::static_pointer_cast<UIAlertViewDelegate>(protect<QuoteOrderViewController>()));
        if (m_txtDiscountedTotal->validate()) {
            const double discount = NSString::doubleValue(field.text());
            order.setDiscount(discount);
            field.setText(PublicFunction::doubleFormate(discount));
            if (order.total() != 0)
                order.discountRat = discount * 100 / order.total();
        } else {
            field.setText(PublicFunction::doubleFormate(order.discount()));
        }
        stopKeyboardPoll();
        setFooterPlace(kFooterFrame.origin.y, kTableFrame.size.height);
        break;
    }
    default:
        break;
    }
}

// ---- Keyboard ----

void QuoteOrderViewController::setFooterPlace(CGFloat barY, CGFloat tableHeight)
{
    auto bar = m_footerBar;
    auto table = m_tableItems;
    UIView::animateWithDuration(0.3, [bar, table, barY, tableHeight] {
        bar->setFrame(CGRectMake(0, barY, 1024, 50));
        table->setFrame(CGRectMake(0, kTableFrame.origin.y, 1024, tableHeight));
    });
}

void QuoteOrderViewController::stopKeyboardPoll()
{
    if (m_timer)
        m_timer->invalidate();
    m_timer.reset();
}

void QuoteOrderViewController::checkKeyboardLanguage()
{
    if (UITextInputMode::currentInputMode().primaryLanguage() == "zh-Hans")
        setFooterPlace(kChineseBarY, 145);
    else
        setFooterPlace(kOtherBarY, 199);
    view()->bringSubviewToFront(m_footerBar);
    if (systemFromFive())
        stopKeyboardPoll();
}

void QuoteOrderViewController::changekeyBoardFrame()
{
    if (!m_footerBar)
        return;
    const bool chinese = UITextInputMode::currentInputMode().primaryLanguage() == "zh-Hans";
    const CGFloat y = m_footerBar->frame().origin.y;
    if (chinese && y == kOtherBarY)
        setFooterPlace(kChineseBarY, 145);
    else if (!chinese && y == kChineseBarY)
        setFooterPlace(kOtherBarY, 199);
}

// ---- Order discount ----

void QuoteOrderViewController::btnDiscountClick()
{
    if (!m_quoteOrder)
        return;
    m_discountController->txtDiscountRat()->setText(stringWithFormat("%.2lf", m_quoteOrder->discountRat));
    m_popDiscountRat->presentPopoverFromRectInViewPermittedArrowDirectionsAnimated(
        CGRectMake(280, 637, 40, 40), view(), UIPopoverArrowDirectionAny, true);
}

void QuoteOrderViewController::discountRatChanged(double rate)
{
    if (!m_quoteOrder)
        return;
    m_isOrderChanged = true;
    if (rate > 100)
        rate = 100;
    m_quoteOrder->setDiscount(m_quoteOrder->total() * rate / 100);
    m_quoteOrder->discountRat = rate;
    m_txtDiscountedTotal->setText(PublicFunction::doubleFormate(m_quoteOrder->discount()));
}

void QuoteOrderViewController::discountWillEndInput()
{
    if (m_popDiscountRat && m_popDiscountRat->isPopoverVisible())
        m_popDiscountRat->dismissPopoverAnimated(true);
}

void QuoteOrderViewController::resetOrderDiscount()
{
    m_quoteOrder->setDiscount(-1);
    if (m_quoteOrder->discount() == 0)
        m_quoteOrder->discountRat = 100;
}

// ---- Lines ----

long QuoteOrderViewController::tableViewNumberOfRowsInSection(UITableView&, long)
{
    return m_quoteOrder ? static_cast<long>(m_quoteOrder->items.size()) : 0;
}

std::shared_ptr<UITableViewCell> QuoteOrderViewController::tableViewCellForRowAtIndexPath(
    UITableView& table, const NSIndexPath& path)
{
    auto cell = std::dynamic_pointer_cast<QuoteOrderItemsTableViewCell>(
        table.dequeueReusableCellWithIdentifier(QuoteOrderItemsTableViewCell::kReuseIdentifier));
    if (!cell)
        cell = QuoteOrderItemsTableViewCell::make();
    const long row = path.row();
    if (!m_quoteOrder || row < 0 || row >= static_cast<long>(m_quoteOrder->items.size()))
        return cell;
    const auto& line = m_quoteOrder->items[static_cast<size_t>(row)];
    cell->setDelegate(std::static_pointer_cast<QuoteOrderItemDelegate>(protect<QuoteOrderViewController>()));
    cell->setTag(kCellTagBase + row);
    cell->setQuoteOrderItem(line);
    cell->setReadOnly(m_state == StateUploaded || !m_quoteOrder->isInEdit);
    cell->setCouldModifyPrice(m_couldModifyPrice);
    cell->setIsNullPrice(line && line->price < 0);

    // The discounted price as wide as its text, keeping its right edge, the currency sign before it.
    auto price = cell->txtDiscountPrice();
    const CGRect frame = price->frame();
    CGFloat width = QuoteOrderItemsTableViewCell::measuredTextWidth(
        price->text(), price->font(), CGSizeMake(100, frame.size.height));
    if (price->isEnabled())
        width += 15;
    const CGFloat right = frame.origin.x + frame.size.width;
    price->setFrame(CGRectMake(right - width, frame.origin.y, width, frame.size.height));
    CGRect currency = cell->lblDiscountCurrency()->frame();
    currency.origin.x = right - width - currency.size.width;
    cell->lblDiscountCurrency()->setFrame(currency);
    return cell;
}

bool QuoteOrderViewController::tableViewCanEditRowAtIndexPath(UITableView&, const NSIndexPath&)
{
    return m_state != StateUploaded && !isSigned();
}

std::optional<std::string> QuoteOrderViewController::tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(
    UITableView&, const NSIndexPath&)
{
    return text("DELETE");
}

void QuoteOrderViewController::tableViewCommitEditingStyleForRowAtIndexPath(
    UITableView&, UITableViewCellEditingStyle, const NSIndexPath& path)
{
    askToDeleteLine(path.row());
}

void QuoteOrderViewController::askToDeleteLine(long row)
{
    auto alert = std::make_shared<UIAlertView>(text("NOTIFICATION"), text("DELETE_PRODUCT_FROM_ORDER"),
        std::static_pointer_cast<UIAlertViewDelegate>(protect<QuoteOrderViewController>()), text("CANCEL"),
        std::vector<std::string> { text("OK") });
    alert->setTag(kCellTagBase + row);
    alert->show();
}

void QuoteOrderViewController::deleteLine(long row)
{
    if (!m_quoteOrder || row < 0 || row >= static_cast<long>(m_quoteOrder->items.size()))
        return;
    m_quoteOrder->items.erase(m_quoteOrder->items.begin() + row);
    m_isOrderChanged = true;
    m_quoteOrder->isInEdit = true;
    m_btnSave->setTitleForState(text("SAVE"), UIControlStateNormal);
    m_btnSave->setTag(kSaveTag);
    setButtonsEnable(true);
    auto store = QuoteOrderStore::sharedQuoteOrderStore();
    store->curQuoteOrder = m_quoteOrder;
    setBadge(stringWithFormat("%d", static_cast<int>(store->getCurrentQuoteOrderItemsCount())));
    m_newProductView->setHidden(false);
    m_tableItems->deleteRowsAtIndexPathsWithRowAnimation(
        { NSIndexPath::indexPathForRowInSection(row, 0) }, UITableViewRowAnimationFade);
    m_tableItems->reloadData();
    resetOrderDiscount();
    updateTotal();
}

void QuoteOrderViewController::restoreLineQuantity(long row)
{
    auto cell = std::dynamic_pointer_cast<QuoteOrderItemsTableViewCell>(
        m_tableItems->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(row, 0)));
    if (!cell)
        return;
    auto field = cell->quantityTextField();
    if (NSString::intValue(withoutGrouping(field->text())) != 0)
        return;
    // Editing the old quantity once more makes the cell apply it again. Once
    // editing has begun the field holds plain digits, so the old text goes
    // back without its grouping commas: "1,234" would fail the number check
    // and leave the line at 0.
    const std::string old = cell->editingFieldOldValue();
    field->setText(old);
    field->becomeFirstResponder();
    field->setText(withoutGrouping(old));
    field->resignFirstResponder();
}

void QuoteOrderViewController::QuoteOrderItemCellBeginEdit(const std::shared_ptr<QuoteOrderItemsTableViewCell>& cell)
{
    if (!cell || cell->tag() < kCellTagBase)
        return;
    auto table = m_tableItems;
    UIView::animateWithDuration(0.3, [table] { table->setFrame(CGRectMake(0, kTableFrame.origin.y, 1024, 240)); });
    table->scrollToRowAtIndexPathAtScrollPositionAnimated(
        NSIndexPath::indexPathForRowInSection(cell->tag() - kCellTagBase, 0), UITableViewScrollPositionTop, false);
}

void QuoteOrderViewController::QuoteOrderItemCellChanged(const std::shared_ptr<QuoteOrderItemsTableViewCell>& cell)
{
    m_isOrderChanged = true;
    if (cell && cell->tag() >= kCellTagBase && m_quoteOrder) {
        const long row = cell->tag() - kCellTagBase;
        const auto& changed = cell->quoteOrderItem();
        if (changed && changed->quantity != 0) {
            m_tableItems->setFrame(kTableFrame);
            if (row < static_cast<long>(m_quoteOrder->items.size())) {
                auto& line = m_quoteOrder->items[static_cast<size_t>(row)];
                line->quantity = changed->quantity;
                line->finalPrice = changed->finalPrice;
                line->setSubtotal(changed->subtotal());
            }
            resetOrderDiscount();
            updateTotal();
        } else if (changed) {
            askToDeleteLine(row);
        }
    }
    m_tableItems->setFrame(kTableFrame);
}

void QuoteOrderViewController::tapImage(long tag)
{
    const long row = tag - kCellTagBase;
    auto navigation = navigationController();
    if (!navigation || !m_quoteOrder || row < 0 || row >= static_cast<long>(m_quoteOrder->items.size()))
        return;
    const auto& line = m_quoteOrder->items[static_cast<size_t>(row)];
    if (!line || !line->product)
        return;
    // Product detail changes the record it is given.
    line->product = ownProduct(*line->product);
    auto weak = weakSelf<QuoteOrderViewController>();
    auto detail = ProductDetailController::pushForOneProduct(*navigation, line->product,
        std::static_pointer_cast<ProductDetailDelegate>(protect<QuoteOrderViewController>()),
        CGRectMake(0, 0, 1024, 44), [weak]() {
            if (auto self = weak.lock())
                self->btnBackClick();
        });
    detail->attributeView()->setAttributeValues(line->attributesArray());
    detail->countTextField()->setText(stringWithFormat("%d", line->quantity));
    if (m_quoteOrder->isInEdit) {
        detail->setIsInEdit(true);
        detail->setItemIndex(static_cast<int>(row));
        detail->attributeView()->setReadOnly(false);
    } else {
        detail->countTextField()->setHidden(true);
        detail->deleteBtn()->setHidden(true);
        detail->addBtn()->setHidden(true);
        detail->addToOrderBtn()->setHidden(true);
        detail->attributeView()->setReadOnly(true);
    }
}

void QuoteOrderViewController::btnBackClick()
{
    auto navigation = navigationController();
    if (!navigation || navigation->viewControllers().size() < 2
        || !std::dynamic_pointer_cast<ProductDetailController>(navigation->topViewController()))
        return;
    navigation->popViewControllerAnimated(true);
}

void QuoteOrderViewController::saveOrderItemIndex(const std::shared_ptr<corvelle_product_Entity>& product, int index)
{
    if (!product || !m_quoteOrder || index < 0 || index >= static_cast<long>(m_quoteOrder->items.size()))
        return;
    m_isOrderChanged = true;
    auto& items = m_quoteOrder->items;
    for (size_t j = 0; j < items.size(); ++j) {
        const auto& other = items[j];
        if (static_cast<long>(j) == index || !other || other->attributes != product->attributes
            || other->sku != product->product_sku)
            continue;
        other->quantity += product->count;
        if (other->product) {
            other->product = ownProduct(*other->product);
            other->product->count = other->quantity;
        }
        items.erase(items.begin() + index);
        return;
    }
    auto& line = items[static_cast<size_t>(index)];
    line->attributes = product->attributes;
    if (line->product) {
        line->product = ownProduct(*line->product);
        line->product->count = product->count;
    }
    line->quantity = product->count;
}

void QuoteOrderViewController::btnNewProductClick()
{
    auto app = CorvelleAppDelegate::sharedAppDelegate();
    if (auto tabs = app ? app->tabBarController() : nullptr)
        tabs->selectTab(UITabBarControllerExt::TabCatalog);
}

// ---- Save, submit, leave ----

void QuoteOrderViewController::editOrder()
{
    m_btnSave->setTitleForState(text("SAVE"), UIControlStateNormal);
    m_btnSave->setTag(kSaveTag);
    setButtonsEnable(true);
    m_newProductView->setHidden(false);
    m_quoteOrder->isInEdit = true;
    auto store = QuoteOrderStore::sharedQuoteOrderStore();
    store->curQuoteOrder = m_quoteOrder;
    m_tableItems->reloadData();
    setBadge(stringWithFormat("%d", static_cast<int>(store->getCurrentQuoteOrderItemsCount())));
}

void QuoteOrderViewController::btnSaveClick()
{
    if (!m_quoteOrder)
        return;
    if (m_btnSave->tag() == kEditTag) {
        editOrder();
        return;
    }
    if (currentOrderCheck())
        checkCustomerAndSaveOrder(kSaveFlow);
}

void QuoteOrderViewController::btnSubmitClick()
{
    if (m_quoteOrder && currentOrderCheck())
        checkCustomerAndSaveOrder(kSubmitFlow);
}

void QuoteOrderViewController::btnViewPdfClick()
{
    auto pdf = std::make_shared<QuoteOrderPDFViewController>();
    pdf->order = m_quoteOrder;
    if (auto navigation = navigationController())
        navigation->pushViewControllerAnimated(pdf, true);
}

void QuoteOrderViewController::endFieldEditing()
{
    if (auto field = m_currentEditingField.lock(); field && field->isEditing())
        field->resignFirstResponder();
    if (m_txtNote->isEditing())
        m_txtNote->resignFirstResponder();
}

bool QuoteOrderViewController::currentOrderCheck()
{
    if (auto field = m_currentEditingField.lock(); field && field->isEditing()) {
        if (field == m_txtDiscountedTotal) {
            m_txtDiscountedTotal->setTraget(
                std::static_pointer_cast<UIAlertViewDelegate>(protect<QuoteOrderViewController>()));
            if (!m_txtDiscountedTotal->validate())
                return false;
        }
        field->resignFirstResponder();
    }
    if (m_txtNote->isEditing())
        m_txtNote->resignFirstResponder();
    return true;
}

void QuoteOrderViewController::checkCustomerAndSaveOrder(long flow)
{
    if (m_isCustomerOnShow && !isBlank(m_txtCustomerName->text()) && !storedCustomerNamed(m_txtCustomerName->text())) {
        auto alert = std::make_shared<FreeDismissAlertView>(text("NEWCUSTOMER"),
            text(flow == kSubmitFlow ? "SAVENEWCUSTOMERWHENSUBMIT" : "SAVENEWCUSTOMER"),
            std::static_pointer_cast<UIAlertViewDelegate>(protect<QuoteOrderViewController>()), text("NOTADD"),
            std::vector<std::string> { text("ADD") });
        alert->setTag(flow);
        alert->show();
        return;
    }
    runFlow(flow);
}

void QuoteOrderViewController::runFlow(long flow)
{
    auto keep = protect<QuoteOrderViewController>();
    if (flow == kSaveFlow) {
        (void)saveCurrentOrder();  // a failure is shown by the save itself
    } else if (flow == kSubmitFlow) {
        submitOrder();
    } else if (flow == kSaveAndLeaveFlow) {
        // An order that could not be stored is not left behind.
        if (saveCurrentOrder() != 0)
            popSelf();
    }
}

void QuoteOrderViewController::saveNewCustomer()
{
    const QuoteOrderEntity& order = *m_quoteOrder;
    const int id = CustomerDataModel::sharedInstance()->saveCustomerWithNameStreetCityStateZipCode(
        order.customerName, order.customerAddress, order.city, order.state, order.zip_code);
    m_quoteOrder->customerId = id;
    if (id != 0)
        ConfigManager::sharedInstance()->flagDic()["Needreloadcustomer"] = "YES";
}

int QuoteOrderViewController::saveCurrentOrder()
{
    if (!m_quoteOrder)
        return 0;
    // The old lines go and the order with its lines is stored in one
    // transaction, so a failed save leaves the stored order as it was.
    auto store = QuoteOrderStore::sharedQuoteOrderStore();
    if (!store->replaceStoredQuoteOrder(m_quoteOrder)) {
        showAlert(text("FAILED"));
        return 0;
    }
    store->curQuoteOrder.reset();
    m_state = StateStored;
    m_quoteOrder->isInEdit = false;
    m_isOrderChanged = false;
    m_tableItems->reloadData();
    setButtonsEnable(false);
    m_newProductView->setHidden(true);
    setBadge(std::nullopt);
    return m_quoteOrder->serial;
}

void QuoteOrderViewController::submitOrder()
{
    const int id = saveCurrentOrder();
    if (id == 0)
        return;
    MessageBox::sharedInstance()->BeginBlockWait(text("SUBMITINGORDER"), 20);
    QuoteOrderStore::sharedQuoteOrderStore()->startUploadQuoteOrder(id);
}

void QuoteOrderViewController::finishedUploadQuoteOrdersMessage(
    const std::optional<std::string>& status, const std::optional<std::string>& message)
{
    MessageBox::sharedInstance()->EndBlockWait();
    if (status == std::optional<std::string>("200")) {
        m_tableItems->reloadData();
        setButtonsHidden(true);
        if (m_quoteOrder)
            m_quoteOrder->uploaded = true;
        showAlert(text("SUCCESSFULLYSUBMIT"));
        return;
    }
    setButtonsEnable(true);
    const std::string said = message.value_or(std::string());
    if (said == text("101")) {
        auto alert = std::make_shared<UIAlertView>(text("NOTIFICATION"), said,
            std::static_pointer_cast<UIAlertViewDelegate>(protect<QuoteOrderViewController>()), text("CANCEL"),
            std::vector<std::string> { text("LOGOUTSETTINGS") });
        alert->setTag(kLogoutAlertTag);
        alert->show();
        return;
    }
    showAlert(said);
}

void QuoteOrderViewController::btnOrderListClick()
{
    endFieldEditing();
    const bool hasItems = m_quoteOrder && m_quoteOrder->hasItems();
    if ((m_state != StateNew || !hasItems) && !m_isOrderChanged) {
        setBadge(std::nullopt);
        popSelf();
        return;
    }
    auto alert = std::make_shared<FreeDismissAlertView>(text("ORDERCHANGED"), text("SAVECHANGES"),
        std::static_pointer_cast<UIAlertViewDelegate>(protect<QuoteOrderViewController>()), text("NOTSAVE"),
        std::vector<std::string> { text("SAVE") });
    alert->setTag(kLeaveAlertTag);
    alert->show();
}

void QuoteOrderViewController::leaveWithoutSaving()
{
    if (m_quoteOrder)
        m_quoteOrder->isInEdit = false;
    QuoteOrderStore::sharedQuoteOrderStore()->curQuoteOrder.reset();
    setBadge(std::nullopt);
    popSelf();
}

void QuoteOrderViewController::alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex)
{
    auto keep = protect<QuoteOrderViewController>();
    const long tag = alert.tag();
    if (tag == kLeaveAlertTag) {
        if (buttonIndex == 1) {
            if (currentOrderCheck())
                checkCustomerAndSaveOrder(kSaveAndLeaveFlow);
        } else {
            leaveWithoutSaving();
        }
    } else if (tag == kSaveFlow || tag == kSubmitFlow || tag == kSaveAndLeaveFlow) {
        if (buttonIndex == 1)
            saveNewCustomer();
        runFlow(tag);
    } else if (tag == kLogoutAlertTag) {
        if (buttonIndex == 1) {
            if (auto app = CorvelleAppDelegate::sharedAppDelegate())
                app->showLoginPage();
        }
    } else if (tag >= kCellTagBase) {
        if (buttonIndex == 1)
            deleteLine(tag - kCellTagBase);
        else
            restoreLineQuantity(tag - kCellTagBase);
    }
}

void QuoteOrderViewController::popSelf()
{
    auto keep = protect<QuoteOrderViewController>();
    if (m_state == StateNew || (m_quoteOrder && m_quoteOrder->isInEdit))
        QuoteOrderStore::sharedQuoteOrderStore()->curQuoteOrder.reset();
    auto navigation = navigationController();
    if (!navigation)
        return;
    auto transition = CATransition::animation();
    transition->duration = 0.4;
    transition->timingFunction = CAMediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseInEaseOut);
    transition->type = kCATransitionReveal;
    navigation->view()->layer()->addAnimation(transition, "popSelf");
    navigation->popViewControllerAnimated(false);
}
