#pragma once

// The table of the customer list pane: the customers of a row dictionary in
// collapsible sections, one per group: the initial of the name (Chinese names
// by the initial of their pinyin), the initial of each contact's last name,
// the state, or, among customers with a phone number, the name's first
// character. Anything that does not start with a letter is filed under "#",
// always the last section. Local customers carry a "LOCAL" badge and can be
// swiped away; hidden ones are grey. The selected customer (selectedPID)
// survives every refresh, so the table finds it again.

#include "Classes/Customer/CustomerDataModel.h"
#include "Classes/Customer/CustomerInfoList.h"
#include "Classes/Customer/CustomerListControllerDelegate.h"
#include "Classes/Customer/SectionHeaderView.h"
#include "Platform/UIKit/UITableViewController.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class CustomerListCell;

class CustomerTable : public UITableViewController, public SectionHeaderViewDelegate {
public:
    static constexpr CGFloat kHeaderHeight = 50.0;
    static constexpr CGFloat kRowHeight = 60.0;

    using GroupDictionary = std::map<std::string, std::shared_ptr<CustomerInfoList>>;
    using GroupOrder = std::vector<std::shared_ptr<CustomerInfoList>>;

    CustomerTable();

    void viewDidLoad() override;

    void setAllcustomerdic(const CustomerInfoDic& rows) { m_allcustomerdic = rows; }
    const CustomerInfoDic& allcustomerdic() const { return m_allcustomerdic; }
    void RefrashByType(int type);
    void groupPersonsBy(int type);
    void focuseCustomerName(int customerId);
    void refreshFocus() { focuseCustomerName(m_selectedPID); }
    void selectedCustomerByConatct(const std::shared_ptr<ContactMode>& contact);
    void desSelected();
    void updateCustomerInfoDicWithHidden(int customerId, int hidden);

    const GroupDictionary& customerdic() const { return m_customerdic; }
    const GroupOrder& customerlist() const { return m_customerlist; }
    const std::vector<std::shared_ptr<PersonInfo>>& arraypersons() const { return m_arraypersons; }
    std::shared_ptr<CustomerListControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<CustomerListControllerDelegate> delegate) { m_delegate = std::move(delegate); }
    int selectedPID() const { return m_selectedPID; }
    void setSelectedPID(int pid) { m_selectedPID = pid; }
    int currentSoryByType() const { return m_currentSoryByType; }
    void setCurrentSoryByType(int type) { m_currentSoryByType = type; }

    // The groups of `persons` in display order, for a grouping type (0 name,
    // 1 contact, 2 state, 3 phone); empty when that grouping yields none.
    static void buildGroups(
        const std::vector<std::shared_ptr<PersonInfo>>& persons, int type, GroupDictionary& groups, GroupOrder& order);

    // Table data source and delegate.
    long numberOfSectionsInTableView(UITableView&) override;
    long tableViewNumberOfRowsInSection(UITableView&, long section) override;
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView&, const NSIndexPath&) override;
    std::optional<CGFloat> tableViewHeightForRowAtIndexPath(UITableView&, const NSIndexPath&) override
    {
        return kRowHeight;
    }
    std::optional<CGFloat> tableViewHeightForHeaderInSection(UITableView&, long) override { return kHeaderHeight; }
    std::shared_ptr<UIView> tableViewViewForHeaderInSection(UITableView&, long section) override;
    void tableViewDidSelectRowAtIndexPath(UITableView&, const NSIndexPath&) override;
    void tableViewDidDeselectRowAtIndexPath(UITableView&, const NSIndexPath&) override;
    bool tableViewCanEditRowAtIndexPath(UITableView&, const NSIndexPath&) override;
    bool implementsCommitEditingStyle() const override { return true; }
    void tableViewCommitEditingStyleForRowAtIndexPath(
        UITableView&, UITableViewCellEditingStyle, const NSIndexPath&) override;
    void tableViewWillBeginEditingRowAtIndexPath(UITableView&, const NSIndexPath&) override;
    void tableViewDidEndEditingRowAtIndexPath(UITableView&, const NSIndexPath&) override;

    void sectionHeaderViewSectionOpened(SectionHeaderView&, int section) override;
    void sectionHeaderViewSectionClosed(SectionHeaderView&, int section) override;

private:
    std::shared_ptr<CustomerInfoList> groupAt(long section) const;
    std::shared_ptr<PersonInfo> personAt(const NSIndexPath& path) const;
    void colourRow(const NSIndexPath& path, bool selected);
    void expandGroup(long section);

    CustomerInfoDic m_allcustomerdic;
    std::vector<std::shared_ptr<PersonInfo>> m_arraypersons;
    GroupDictionary m_customerdic;
    GroupOrder m_customerlist;
    int m_section = -1;
    int m_row = -1;
    int m_selectContactRow = -1;
    int m_selectContactSection = -1;
    int m_selectedPID = 0;
    int m_currentSoryByType = 0;
    std::weak_ptr<CustomerListControllerDelegate> m_delegate;
};
