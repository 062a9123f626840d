#pragma once

// The left pane of the customers tab: a title bar with the NEW button, the
// sort switch (by name, by contact, by state), the search bar and the grouped
// customer table. While a new customer is being entered it shows the
// "NEWCUSTOMER" bar above the table. It hands search text, the search button,
// the chosen customer, NEW and swipe-deletes to its delegate, the tab screen.

#include "Classes/Customer/CustomerDataModel.h"
#include "Classes/Customer/CustomerListControllerDelegate.h"
#include "Classes/Customer/CustomerListViewDelegate.h"
#include "Classes/Customer/CustomerTable.h"
#include "Classes/Frame/LanguageManagerDelegate.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UISearchBar.h"
#include "Platform/UIKit/UISegmentedControl.h"

#include <memory>

class CustomerListView : public UIView,
                         public UISearchBarDelegate,
                         public CustomerListControllerDelegate,
                         public LanguageManagerDelegate {
public:
    static std::shared_ptr<CustomerListView> make(CGRect frame);
    explicit CustomerListView(CGRect frame);
    ~CustomerListView() override;

    void setAllCustomerdic(const CustomerInfoDic& rows);
    const CustomerInfoDic& allCustomerdic() const { return m_allCustomerdic; }
    void selectedCustomer(int customerId);
    void selectedCustomerByConatct(const std::shared_ptr<ContactMode>& contact);
    void customerListViewDone(const std::shared_ptr<UIResponder>& sender);
    void customerListViewCancle(const std::shared_ptr<UIResponder>& sender);
    bool isEditType() const { return m_isEditType; }
    void updateCustomerInfoDicWithHidden(int customerId, bool hidden);
    std::shared_ptr<CustomerListViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<CustomerListViewDelegate> delegate) { m_delegate = std::move(delegate); }

    const std::shared_ptr<UIImageView>& titleBar() const { return m_titleBar; }
    const std::shared_ptr<UILabel>& lblCustomer() const { return m_lblCustomer; }
    const std::shared_ptr<UIButton>& addNewCustomerButton() const { return m_addNewCustomerButton; }
    const std::shared_ptr<UISegmentedControl>& sortSegmentedCtrl() const { return m_sortSegmentedCtrl; }
    const std::shared_ptr<UISearchBar>& searchBar() const { return m_searchBar; }
    const std::shared_ptr<UIButton>& newCustomerCell() const { return m_newCustomerCell; }
    const std::shared_ptr<CustomerTable>& tableCustomer() const { return m_tableCustomer; }
    int selectedRow() const { return m_selectedRow; }

    // From the grouped table.
    void changedCustomerFirstNameLastName(const std::shared_ptr<PersonInfo>& person,
        const std::optional<std::string>& fristName, const std::optional<std::string>& lastName) override;
    void deleteLocalCustomer(int customerId) override;
    void resignSearchBar() override;

    void searchBarTextDidChange(UISearchBar&, const std::string& searchText) override;
    void searchBarSearchButtonClicked(UISearchBar&) override;
    void notifiChangelanguage() override;

    void addNewCustomer(const std::shared_ptr<UIResponder>& sender);
    void Selectbutton(UISegmentedControl& control);

private:
    void setUp();
    void leaveNewCustomerLayout();
    void updateTexts();

    CustomerInfoDic m_allCustomerdic;
    std::shared_ptr<UIImageView> m_titleBar;
    std::shared_ptr<UILabel> m_lblCustomer;
    std::shared_ptr<UIButton> m_addNewCustomerButton;
    std::shared_ptr<UISegmentedControl> m_sortSegmentedCtrl;
    std::shared_ptr<UISearchBar> m_searchBar;
    std::shared_ptr<UIButton> m_newCustomerCell;
    std::shared_ptr<CustomerTable> m_tableCustomer;
    int m_selectedRow = 0;
    std::weak_ptr<CustomerListViewDelegate> m_delegate;
    bool m_isEditType = false;
};
