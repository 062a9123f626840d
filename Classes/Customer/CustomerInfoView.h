#pragma once

// The customer card, the right-hand pane of the customers tab: one customer as
// a grouped table (the hide switch and SUBMIT, base information, primary and
// alternate addresses, contacts). Edit mode (a new customer, or a local one
// after Edit) turns values into fields and switches, adds and deletes address
// and contact groups, and Done checks the required names before handing the
// groups to the tab, which stores them. It also chooses default addresses and
// contacts, hides the customer and asks to submit a local one.
//
// It observes the upload result ("UPLOADCUSTOMERRESPOND"), the keyboard and
// the language, and keeps its own copy of the customer shown.

#include "Classes/Customer/CustomerAttributeCell.h"
#include "Classes/Customer/CustomerInfoGroupData.h"
#include "Classes/Customer/CustomerInfoGroupView.h"
#include "Classes/Customer/CustomerInfoViewDelegate.h"
#include "Classes/Customer/CustomerInfoViewHiddenCell.h"
#include "Classes/Frame/LanguageManagerDelegate.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UITableView.h"

#include <memory>
#include <vector>

class CustomerInfoView : public UIView,
                         public UITableViewDataSource,
                         public UITableViewDelegate,
                         public CustomerInfoGroupViewDelegate,
                         public CustomerAttributeCellDelegate,
                         public LanguageManagerDelegate,
                         public CustomerInfoViewHiddenCellDelegate {
public:
    static std::shared_ptr<CustomerInfoView> make(CGRect frame);
    explicit CustomerInfoView(CGRect frame);
    ~CustomerInfoView() override;

    void setPersonInfo(const std::shared_ptr<PersonInfo>& person);
    void setNewPersonInfo(const std::shared_ptr<PersonInfo>& person);
    void setPersonInfoFromByContactFirstNameLastName(
        const std::shared_ptr<PersonInfo>& person, const std::string& fristName, const std::string& lastName);
    void addNewCustomer();
    void customerHiddenNewCustomerViews();
    void deleteLocalCustomer(int customerId);
    const std::shared_ptr<PersonInfo>& personInfo() const { return m_personInfo; }
    const std::shared_ptr<UITableView>& tableCustomerInfo() const { return m_tableCustomerInfo; }
    std::shared_ptr<CustomerInfoViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<CustomerInfoViewDelegate> delegate) { m_delegate = std::move(delegate); }

    const std::shared_ptr<UILabel>& titleLabel() const { return m_titleLabel; }
    const std::shared_ptr<UIButton>& cancelButton() const { return m_cancelButton; }
    const std::shared_ptr<UIButton>& doneButton() const { return m_doneButton; }
    const std::shared_ptr<UIButton>& editButton() const { return m_editButton; }
    const CustomerInfoGroupData& customerInfoGroupData() const { return m_customerInfoGroupData; }
    // 0 display mode, 1 edit mode.
    int customerType() const { return m_customerType; }

    // Title-bar actions.
    void customerInfoViewCancel(const std::shared_ptr<UIResponder>& sender);
    void customerInfoViewDone(const std::shared_ptr<UIResponder>& sender);
    void customerInfoViewEdit(const std::shared_ptr<UIResponder>& sender);
    void addAddress();
    void addConctact();

    // Table.
    long numberOfSectionsInTableView(UITableView&) override;
    long tableViewNumberOfRowsInSection(UITableView&, long section) override;
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView&, const NSIndexPath&) override;
    std::optional<CGFloat> tableViewHeightForRowAtIndexPath(UITableView&, const NSIndexPath&) override;
    std::optional<CGFloat> tableViewHeightForHeaderInSection(UITableView&, long section) override;
    std::shared_ptr<UIView> tableViewViewForHeaderInSection(UITableView&, long section) override;

    // Companions.
    void groupViewClickWithType(int indexId, int type) override;
    void deleteSectionWithType(int indexId, int type) override;
    void customerAttributeCellTextFieldBegin(UITextField&) override;
    void customerAttributeCellTextFieldcEndWithSectionWithLbName(
        const std::string& text, int section, const std::string& label) override;
    void customerAttributeCellSwitchViewAction(bool on) override;
    void customerAttributeCellShouldReturnWithSectionWithRow(int section, int row) override;
    void switchViewAction(bool on) override;
    void submitAction(const std::shared_ptr<UIResponder>& sender) override;
    void notifiChangelanguage() override;

private:
    void setUp();
    void updateTexts();
    void reload();
    // The group a table section shows, or nothing for the header-only sections.
    CustomerGroup groupForSection(long section, bool* isContact = nullptr) const;
    void endEditingOfFields();
    void keyboardWasShown();
    void keyboardWasHidden();
    void uploadCustomerFinish(bool success);

    std::shared_ptr<UIImageView> m_titleBar;
    std::shared_ptr<UILabel> m_titleLabel;
    std::shared_ptr<UITableView> m_tableCustomerInfo;
    CustomerInfoGroupData m_customerInfoGroupData;
    std::shared_ptr<PersonInfo> m_personInfo;
    std::shared_ptr<UIButton> m_cancelButton;
    std::shared_ptr<UIButton> m_doneButton;
    std::shared_ptr<UIButton> m_editButton;
    int m_customerType = 0;
    std::vector<std::shared_ptr<UITextField>> m_textFieldArray;
    bool m_tableInputViewFocus = false;
    std::weak_ptr<CustomerInfoViewDelegate> m_delegate;
    std::weak_ptr<CustomerAttributeCell> m_curCell;
};
