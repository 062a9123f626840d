#include "Classes/Customer/CustomerListView.h"

#include "Classes/Customer/CustomerNote.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"

namespace {

const CGRect kTableFrame = CGRectMake(0, 133, 360, 549);
const CGRect kTableFrameWithNewBar = CGRectMake(0, 193, 360, 489);

bool isBlank(const std::string& s)
{
    return NSString::stringByTrimmingCharactersInSet(s, CharacterSet::whitespace).empty();
}

}  // namespace

std::shared_ptr<CustomerListView> CustomerListView::make(CGRect frame)
{
    auto view = std::make_shared<CustomerListView>(frame);
    view->setUp();
    return view;
}

CustomerListView::CustomerListView(CGRect frame)
    : UIView(frame)
{
}

CustomerListView::~CustomerListView()
{
    if (auto manager = LanguageManager::existingInstance())
        manager->unRegisterLanugageNotification(this);
}

void CustomerListView::setUp()
{
    auto weak = weakSelf<CustomerListView>();
    setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(225 / 255.0, 228 / 255.0, 233 / 255.0, 1));

    m_titleBar = std::make_shared<UIImageView>(CGRectMake(0, 0, 360, 44));
    m_titleBar->setImage(SkinManager::skinFromImageName(std::string("topbar-left-bg.png")));
    addSubview(m_titleBar);
    m_lblCustomer = std::make_shared<UILabel>(CGRectMake(100, 7, 160, 30));
    m_lblCustomer->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 20));
    m_lblCustomer->setTextColor(UIColor::whiteColor());
    m_lblCustomer->setTextAlignment(UITextAlignmentCenter);
    m_lblCustomer->setBackgroundColor(UIColor::clearColor());
    addSubview(m_lblCustomer);

    m_addNewCustomerButton = UIButton::buttonWithType(UIButtonTypeCustom);
    m_addNewCustomerButton->setFrame(CGRectMake(290, 5, 60, 34));
    PublicFunction::initializeToButtonHeight34(m_addNewCustomerButton);
    m_addNewCustomerButton->addTarget(UIControlEventTouchDown, [weak](UIControl& sender, UIEvent*) {
        if (auto self = weak.lock())
            self->addNewCustomer(sender.sharedView());
    });
    addSubview(m_addNewCustomerButton);

    m_sortSegmentedCtrl = std::make_shared<UISegmentedControl>(
        std::vector<std::string> { text("BYNAME"), text("BYCONTACT"), text("BYSTATE") });
    m_sortSegmentedCtrl->setFrame(CGRectMake(10, 50, 340, 40));
    m_sortSegmentedCtrl->setSelectedSegmentIndex(0);
    m_sortSegmentedCtrl->setMultipleTouchEnabled(false);
    m_sortSegmentedCtrl->addTarget(UIControlEventValueChanged, [weak](UIControl& sender, UIEvent*) {
        if (auto self = weak.lock())
            self->Selectbutton(static_cast<UISegmentedControl&>(sender));
    });
    addSubview(m_sortSegmentedCtrl);

    m_searchBar = std::make_shared<UISearchBar>(CGRectMake(10, 94, 270, 34));
    m_searchBar->setBackgroundColor(UIColor::clearColor());
    m_searchBar->setBackgroundImage(SkinManager::skinFromImageName(std::string("bg_searchbar")));
    m_searchBar->setDelegate(std::static_pointer_cast<UISearchBarDelegate>(weak.lock()));
    addSubview(m_searchBar);

    m_newCustomerCell = UIButton::buttonWithType(UIButtonTypeCustom);
    m_newCustomerCell->setFrame(CGRectMake(0, 133, 360, 60));
    m_newCustomerCell->titleLabel()->setFont(UIFont::italicSystemFontOfSize(20));
    m_newCustomerCell->setContentHorizontalAlignment(UIControlContentHorizontalAlignmentLeft);
    m_newCustomerCell->titleEdgeInsets = UIEdgeInsetsMake(0, 15, 0, 0);
    m_newCustomerCell->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(53 / 255.0, 107 / 255.0, 168 / 255.0, 1));
    m_newCustomerCell->setHidden(true);
    addSubview(m_newCustomerCell);

    m_tableCustomer = std::make_shared<CustomerTable>();
    m_tableCustomer->setDelegate(std::static_pointer_cast<CustomerListControllerDelegate>(weak.lock()));
    m_tableCustomer->view()->setFrame(kTableFrame);
    addSubview(m_tableCustomer->view());

    updateTexts();
    LanguageManager::sharedInstance()->registerLanugageNotification(weak.lock());
}

void CustomerListView::updateTexts()
{
    m_addNewCustomerButton->setTitleForState(text("NEW"), UIControlStateNormal);
    m_lblCustomer->setText(text("CUSTOMER"));
    m_sortSegmentedCtrl->setTitleForSegmentAtIndex(text("BYNAME"), 0);
    m_sortSegmentedCtrl->setTitleForSegmentAtIndex(text("BYCONTACT"), 1);
    m_sortSegmentedCtrl->setTitleForSegmentAtIndex(text("BYSTATE"), 2);
    m_searchBar->setPlaceholder(text("CUSTOMERSEARCHHOLD"));
}

void CustomerListView::notifiChangelanguage()
{
    updateTexts();
    m_newCustomerCell->setTitleForState(text("NEWCUSTOMER"), UIControlStateNormal);
    m_tableCustomer->tableView()->reloadData();
    m_tableCustomer->refreshFocus();
}

void CustomerListView::setAllCustomerdic(const CustomerInfoDic& rows)
{
    m_allCustomerdic = rows;
    m_tableCustomer->setAllcustomerdic(m_allCustomerdic);
    m_tableCustomer->RefrashByType(m_selectedRow);
}

void CustomerListView::Selectbutton(UISegmentedControl& control)
{
    m_searchBar->resignFirstResponder();
    m_tableCustomer->groupPersonsBy(static_cast<int>(control.selectedSegmentIndex()));
    m_selectedRow = static_cast<int>(control.selectedSegmentIndex());
}

void CustomerListView::searchBarTextDidChange(UISearchBar&, const std::string& searchText)
{
    auto listener = m_delegate.lock();
    if (!isBlank(searchText)) {
        if (!listener)
            return;
        if (m_selectedRow == 1)
            listener->searchTextDidChangeByContact(searchText);
        else
            listener->searchTextDidChange(searchText);
        return;
    }
    m_tableCustomer->setAllcustomerdic(m_allCustomerdic);
    m_tableCustomer->groupPersonsBy(m_selectedRow);
    m_tableCustomer->tableView()->reloadData();
    m_tableCustomer->refreshFocus();
    if (listener)
        listener->searchTextDidChange(searchText);
}

void CustomerListView::searchBarSearchButtonClicked(UISearchBar& bar)
{
    bar.resignFirstResponder();
    if (auto listener = m_delegate.lock())
        listener->dismissPopoverController();
}

void CustomerListView::selectedCustomer(int customerId)
{
    m_searchBar->resignFirstResponder();
    m_tableCustomer->focuseCustomerName(customerId);
}

void CustomerListView::selectedCustomerByConatct(const std::shared_ptr<ContactMode>& contact)
{
    m_tableCustomer->selectedCustomerByConatct(contact);
}

void CustomerListView::addNewCustomer(const std::shared_ptr<UIResponder>& sender)
{
    auto listener = m_delegate.lock();
    if (!listener || !listener->implementsAddNewCustomer())
        return;
    auto protector = protect<CustomerListView>();
    m_searchBar->resignFirstResponder();
    if (CustomerDataModel::sharedInstance()->allAttributes().empty()) {
        showCustomerNote(text("NOTEUPDATECUSTOMER"));
        return;
    }
    UIView::animateWithDuration(
        0.3, 0, UIViewAnimationOptionCurveEaseOut,
        [this] {
            m_addNewCustomerButton->setHidden(true);
            m_newCustomerCell->setTitleForState(text("NEWCUSTOMER"), UIControlStateNormal);
            m_newCustomerCell->setHidden(false);
            m_tableCustomer->view()->setFrame(kTableFrameWithNewBar);
        },
        nullptr);
    m_isEditType = true;
    m_tableCustomer->desSelected();
    listener->addNewCustomer(sender);
}

void CustomerListView::leaveNewCustomerLayout()
{
    UIView::animateWithDuration(
        0.3, 0, UIViewAnimationOptionCurveEaseOut,
        [this] {
            m_addNewCustomerButton->setHidden(false);
            m_newCustomerCell->setHidden(true);
            m_tableCustomer->view()->setFrame(kTableFrame);
        },
        nullptr);
    m_isEditType = false;
}

void CustomerListView::customerListViewCancle(const std::shared_ptr<UIResponder>&)
{
    leaveNewCustomerLayout();
    m_tableCustomer->refreshFocus();
}

void CustomerListView::customerListViewDone(const std::shared_ptr<UIResponder>&) { leaveNewCustomerLayout(); }

void CustomerListView::updateCustomerInfoDicWithHidden(int customerId, bool hidden)
{
    m_tableCustomer->updateCustomerInfoDicWithHidden(customerId, hidden ? 1 : 0);
    if (auto it = m_allCustomerdic.find(customerId); it != m_allCustomerdic.end())
        it->second.hidden = hidden;
}

void CustomerListView::changedCustomerFirstNameLastName(const std::shared_ptr<PersonInfo>& person,
    const std::optional<std::string>& fristName, const std::optional<std::string>& lastName)
{
    if (auto listener = m_delegate.lock())
        listener->changedCustomerFirstNameLastName(person, fristName, lastName);
}

void CustomerListView::deleteLocalCustomer(int customerId)
{
    if (auto listener = m_delegate.lock())
        listener->deleteLocalCustomer(customerId);
}

void CustomerListView::resignSearchBar() { m_searchBar->resignFirstResponder(); }
