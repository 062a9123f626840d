// The customer card on its own, shown in a window and driven by taps: its
// sections in both modes, default groups, adding and deleting groups, the
// checks of Done, the return key and the hide switch.

#include "CustomerFixture.h"

#include "Classes/Customer/CustomerInfoView.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "Platform/UIKit/UITableView.h"

using namespace CustomerSeed;

namespace {

class CardRecorder : public CustomerInfoViewDelegate {
public:
    void customerInfoViewCancel(const std::shared_ptr<UIResponder>&) override { calls.push_back("cancel"); }
    bool customerInfoViewDoneWithData(const std::shared_ptr<UIResponder>&, const CustomerInfoGroupData& data) override
    {
        calls.push_back("done");
        companyGroups = data.customerCompanyData.size();
        contactGroups = data.customerContactData.size();
        return true;
    }
    void customerInfoViewHiddenChange(bool hidden) override { calls.push_back(hidden ? "hidden" : "shown"); }
    void submitCustomer(const std::shared_ptr<PersonInfo>& person) override
    {
        calls.push_back("submit " + std::to_string(person->pid.value_or(0)));
    }
    void customerInfoViewChangePrimary() override { calls.push_back("primary"); }

    std::vector<std::string> calls;
    size_t companyGroups = 0;
    size_t contactGroups = 0;
};

class CustomerInfoViewTest : public CustomerFixture {
protected:
    void show()
    {
        host = std::make_shared<UIViewController>();
        showRoot(host);
        card = CustomerInfoView::make(CGRectMake(361, 0, 663, 682));
        recorder = std::make_shared<CardRecorder>();
        card->setDelegate(recorder);
        host->view()->addSubview(card);
        driver->settle();
    }

    std::shared_ptr<PersonInfo> person(int id)
    {
        for (const auto& p : model()->allSearchPersonList()) {
            if (p->pid == id)
                return p;
        }
        return nullptr;
    }

    std::shared_ptr<UITableView> table() { return card->tableCustomerInfo(); }

    std::shared_ptr<CustomerAttributeCell> cell(long row, long section)
    {
        table()->scrollToRowAtIndexPathAtScrollPositionAnimated(
            NSIndexPath::indexPathForRowInSection(row, section), UITableViewScrollPositionMiddle, false);
        driver->settle();
        return std::dynamic_pointer_cast<CustomerAttributeCell>(
            table()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(row, section)));
    }

    void type(long row, long section, const std::string& text)
    {
        auto c = cell(row, section);
        ASSERT_TRUE(c);
        driver->tap(c->txtAttributeValue());
        driver->typeText(text);
    }

    std::shared_ptr<UIViewController> host;
    std::shared_ptr<CustomerInfoView> card;
    std::shared_ptr<CardRecorder> recorder;
};

TEST_F(CustomerInfoViewTest, SectionsOfAStoredCustomerInBothModes)
{
    customer(-1, "Local Shop");
    attribute(-1, -1, 1, "555-0101");
    attribute(-2, -1, 3, "");
    attribute(-3, -1, 4, "1 Main St");
    address(-1, -1, "2 Side St", "Town", "TX", "7000", true);
    address(-2, -1, "3 Back St", "Town", "TX", "7001");
    contact(-1, -1, "Ann", "Lee");
    model()->reloadCustomerData();
    show();
    card->setPersonInfo(person(-1));
    driver->settle();
    EXPECT_EQ(table()->numberOfSections(), 6);  // C = 4, K = 1
    EXPECT_FALSE(card->editButton()->isHidden());
    // The stored default address makes the primary address not the default.
    EXPECT_FALSE(card->customerInfoGroupData().customerCompanyData[1]->isDefault);
    EXPECT_EQ(card->customerInfoGroupData().customerContactData[0]->groupName, Language::stringOrKey("PRIMARYCONTACT"));
    // A blank "Active" reads YES.
    auto active = cell(2, 1);
    ASSERT_TRUE(active);
    EXPECT_EQ(active->lblFiledName()->text(), Language::stringOrKey("ACTIVE"));
    EXPECT_EQ(active->lblAttributeValueDefaul()->text(), "YES");
    EXPECT_TRUE(active->switchValue()->isHidden());

    ASSERT_TRUE(driver->tapButton(Language::stringOrKey("EDIT")));
    EXPECT_EQ(table()->numberOfSections(), 8);
    EXPECT_TRUE(card->editButton()->isHidden());
    active = cell(2, 1);
    ASSERT_TRUE(active);
    EXPECT_FALSE(active->switchValue()->isHidden());
    EXPECT_TRUE(active->switchValue()->isOn());
    EXPECT_FALSE(cell(0, 1)->redStarFlag()->isHidden());
    // The add sections sit after the addresses (5) and after the contacts (7).
    table()->setContentOffset(CGPointMake(0, table()->rectForSection(5).origin.y));
    driver->settle();
    EXPECT_TRUE(driver->findButton(Language::stringOrKey("ADDADDRESS")));
    table()->setContentOffset(CGPointMake(0, table()->contentSize().height - table()->bounds().size.height));
    driver->settle();
    EXPECT_TRUE(driver->findButton(Language::stringOrKey("ADDCONTACTS")));
}

TEST_F(CustomerInfoViewTest, ANewCustomerGetsGroupsAndDoneChecksTheNames)
{
    show();
    auto blank = std::make_shared<PersonInfo>();
    blank->attribute = std::make_shared<EntityList<customer_attribute_cell_Entity>>(model()->allAttributes());
    card->addNewCustomer();
    card->setNewPersonInfo(blank);
    driver->settle();
    EXPECT_EQ(table()->numberOfSections(), 5);  // header, base, primary address, add address, add contacts
    EXPECT_TRUE(card->customerInfoGroupData().customerCompanyData[1]->isDefault);
    // A customer without an id has nothing to hide: the switch is not offered.
    auto header = std::dynamic_pointer_cast<CustomerInfoViewHiddenCell>(table()->headerViewForSection(0));
    ASSERT_TRUE(header);
    EXPECT_TRUE(header->switchView()->isHidden());

    ASSERT_TRUE(driver->tapButton(Language::stringOrKey("ADDCONTACTS")));
    ASSERT_EQ(card->customerInfoGroupData().customerContactData.size(), 1u);
    EXPECT_TRUE(card->customerInfoGroupData().customerContactData[0]->isDefault);
    EXPECT_EQ(card->customerInfoGroupData().customerContactData[0]->groupName, Language::stringOrKey("PRIMARYCONTACT"));

    // A blank name wins over an incomplete contact.
    ASSERT_TRUE(driver->tapButton(Language::stringOrKey("DONE")));
    EXPECT_TRUE(logged(Language::stringOrKey("NEEDINPUTNAME")));
    type(0, 1, "Brand New");
    ASSERT_TRUE(driver->tapButton(Language::stringOrKey("DONE")));
    EXPECT_TRUE(logged(Language::stringOrKey("NEEDINPUTCONTACTNAME")));
    EXPECT_TRUE(recorder->calls.empty());
    EXPECT_EQ(card->customerType(), 1);

    const long contactSection = 4;  // header, base, primary, add-address, then the contact
    type(0, contactSection, "Ann");
    type(1, contactSection, "Lee");
    ASSERT_TRUE(driver->tapButton(Language::stringOrKey("DONE")));
    EXPECT_EQ(recorder->calls, std::vector<std::string> { "done" });
    EXPECT_EQ(recorder->contactGroups, 1u);
}

TEST_F(CustomerInfoViewTest, DeletingTheDefaultAlternateAddressMakesThePrimaryTheDefault)
{
    customer(-1, "Local Shop");
    address(-1, -1, "2 Side St", "Town", "TX", "7000", true);
    model()->reloadCustomerData();
    show();
    card->setPersonInfo(person(-1));
    ASSERT_TRUE(driver->tapButton(Language::stringOrKey("EDIT")));
    auto header = std::dynamic_pointer_cast<CustomerInfoGroupView>(table()->headerViewForSection(3));
    ASSERT_TRUE(header);
    EXPECT_FALSE(header->deleteButton()->isHidden());
    driver->tap(header->deleteButton());
    ASSERT_EQ(card->customerInfoGroupData().customerCompanyData.size(), 2u);
    EXPECT_TRUE(card->customerInfoGroupData().customerCompanyData[1]->isDefault);
    // Nothing stored changed.
    EXPECT_EQ(count("select count(*) from corvelle_customer_address"), 1);
}

TEST_F(CustomerInfoViewTest, ChoosingADefaultAddressInDisplayModeStoresItAndTellsTheTab)
{
    customer(-1, "Local Shop");
    address(-1, -1, "2 Side St", "Town", "TX", "7000");
    address(-2, -1, "3 Back St", "Town", "TX", "7001");
    model()->reloadCustomerData();
    show();
    card->setPersonInfo(person(-1));
    driver->settle();
    auto header = std::dynamic_pointer_cast<CustomerInfoGroupView>(table()->headerViewForSection(3));
    ASSERT_TRUE(header);
    const int chosen = header->indexId;
    driver->tap(header->btnSelect());
    EXPECT_EQ(recorder->calls, std::vector<std::string> { "primary" });
    EXPECT_EQ(count("select id from corvelle_customer_address where isDefault = 1"), chosen);
}

TEST_F(CustomerInfoViewTest, TheReturnKeyWalksTheRowsAndEndsInDone)
{
    show();
    auto blank = std::make_shared<PersonInfo>();
    blank->attribute = std::make_shared<EntityList<customer_attribute_cell_Entity>>(model()->allAttributes());
    card->setNewPersonInfo(blank);
    driver->settle();
    type(0, 1, "Quick Co");
    driver->pressReturn();
    driver->advance(0.3);
    auto phone = cell(1, 1);
    ASSERT_TRUE(phone);
    EXPECT_TRUE(phone->txtAttributeValue()->isFirstResponder());
    // From the last row of the last address group (no contacts) Return runs Done.
    auto zip = cell(3, 2);
    ASSERT_TRUE(zip);
    driver->tap(zip->txtAttributeValue());
    EXPECT_EQ(zip->txtAttributeValue()->returnKeyType, UIReturnKeyDone);
    driver->pressReturn();
    EXPECT_EQ(recorder->calls, std::vector<std::string> { "done" });
}

TEST_F(CustomerInfoViewTest, HidingAStoredCustomerStoresTheFlagAndTellsTheTab)
{
    customer(-1, "Local Shop");
    model()->reloadCustomerData();
    show();
    card->setPersonInfo(person(-1));
    driver->settle();
    auto header = std::dynamic_pointer_cast<CustomerInfoViewHiddenCell>(table()->headerViewForSection(0));
    ASSERT_TRUE(header);
    EXPECT_FALSE(header->submitButton()->isHidden());
    driver->tap(header->switchView());
    EXPECT_EQ(count("select hidden from corvelle_customer where customer_id = -1"), 1);
    EXPECT_TRUE(model()->customerInfoDic().at(-1).hidden);
    EXPECT_TRUE(card->personInfo()->hidden);
    driver->tap(header->submitButton());
    EXPECT_EQ(recorder->calls, (std::vector<std::string> { "hidden", "submit -1" }));
}

TEST_F(CustomerInfoViewTest, ALanguageChangeWhileEditingDropsUnsavedGroups)
{
    customer(-1, "Local Shop");
    model()->reloadCustomerData();
    show();
    card->setPersonInfo(person(-1));
    ASSERT_TRUE(driver->tapButton(Language::stringOrKey("EDIT")));
    ASSERT_TRUE(driver->tapButton(Language::stringOrKey("ADDADDRESS")));
    EXPECT_EQ(card->customerInfoGroupData().customerCompanyData.size(), 3u);
    LanguageManager::sharedInstance()->setCurrentLanguage(2);
    driver->settle();
    EXPECT_EQ(card->customerInfoGroupData().customerCompanyData.size(), 2u);
    EXPECT_EQ(card->titleLabel()->text(), Language::stringOrKey("CUSTOMERDETAIL"));
}

}  // namespace
