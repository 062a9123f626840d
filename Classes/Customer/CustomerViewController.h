#pragma once

// The customers tab: the customer list pane on the left and the customer card
// on the right, with a popover of search hits over the list. It turns what
// the user does in either pane into work on the customer cache and the
// database: searching, showing, creating and editing local customers,
// deleting and hiding them, and submitting one after a confirmation. It
// observes the upload result and the show-all setting, and on appearing takes
// up the customer data another part of the system marked as changed.

#include "Classes/Customer/CustomerInfoView.h"
#include "Classes/Customer/CustomerListView.h"
#include "Classes/Frame/BaseViewController.h"
#include "Classes/Frame/SearchResultTableDelegate.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Database/SaveResult.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIPopoverController.h"

#include <memory>

class SearchResultTableView;

class CustomerViewController : public BaseViewController,
                               public CustomerListViewDelegate,
                               public CustomerInfoViewDelegate,
                               public UIAlertViewDelegate,
                               public UIPopoverControllerDelegate,
                               public SearchResultTableDelegate,
                               public LoadByConfigScreen {
public:
    CustomerViewController();
    ~CustomerViewController() override;

    // The tab bar's call on each appearance: whether the order screens may pick customers.
    void loadByConfig() override;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewAfterFirstDidLoad() override { BaseViewController::viewAfterFirstDidLoad(); }

    const std::shared_ptr<PersonInfo>& curPersonInfo() const { return m_curPersonInfo; }
    const std::shared_ptr<CustomerListView>& customerList() const { return m_customerList; }
    const std::shared_ptr<CustomerInfoView>& customerInfo() const { return m_customerInfo; }
    const std::shared_ptr<UIPopoverController>& popResult() const { return m_popResult; }
    const std::shared_ptr<SearchResultTableView>& tableResult() const { return m_tableResult; }
    const std::shared_ptr<PersonInfo>& submitPerson() const { return m_submitPerson; }

    // The search hits.
    void didSelectCell(const std::shared_ptr<PersonInfo>& person) override;
    void didSelectCellByConatct(const std::shared_ptr<ContactMode>& contact) override;

    // CustomerListViewDelegate
    void searchTextDidChange(const std::string& text) override;
    void searchTextDidChangeByContact(const std::string& text) override;
    void dismissPopoverController() override;
    void changedCustomerFirstNameLastName(const std::shared_ptr<PersonInfo>& person,
        const std::optional<std::string>& fristName, const std::optional<std::string>& lastName) override;
    bool implementsAddNewCustomer() const override { return true; }
    void addNewCustomer(const std::shared_ptr<UIResponder>& sender) override;
    void deleteLocalCustomer(int customerId) override;

    // CustomerInfoViewDelegate
    void customerInfoViewCancel(const std::shared_ptr<UIResponder>& sender) override;
    bool customerInfoViewDoneWithData(
        const std::shared_ptr<UIResponder>& sender, const CustomerInfoGroupData& data) override;
    void customerInfoViewHiddenChange(bool hidden) override;
    void submitCustomer(const std::shared_ptr<PersonInfo>& person) override;
    void customerInfoViewChangePrimary() override;

    void alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex) override;

private:
    void reloadCustomers();
    void search(const std::string& text, bool byContact);
    // Stores the card's groups as the customer `customerId`, whole or not at all.
    SaveResult storeCustomer(int customerId, const CustomerInfoGroupData& data);
    void uploadCustomerFinish(const Value& object);
    void settingsSwitchChange();

    std::shared_ptr<PersonInfo> m_curPersonInfo;
    std::shared_ptr<CustomerListView> m_customerList;
    std::shared_ptr<CustomerInfoView> m_customerInfo;
    std::shared_ptr<UIPopoverController> m_popResult;
    std::shared_ptr<SearchResultTableView> m_tableResult;
    std::shared_ptr<PersonInfo> m_submitPerson;
};
