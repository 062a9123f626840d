#include "Classes/Frame/LanguageManager.h"
#include "Classes/QuoteOrder/AddressTableViewController.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UITableView.h"
#include "Platform/UIKit/UITableViewCell.h"
#include "Platform/UIKit/UITextField.h"
#include "support/ScreenTest.h"

#include <gtest/gtest.h>

namespace {

class AddressTableViewControllerTest : public ScreenTest {
protected:
    std::shared_ptr<UIView> part(const std::shared_ptr<AddressTableViewController>& form, long row, long tag)
    {
        auto cell = form->tableView()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(row, 0));
        return cell ? cell->contentView()->viewWithTag(tag) : nullptr;
    }
};

TEST_F(AddressTableViewControllerTest, AFormMadeEmptyTakesTypingOnTheStreetFirst)
{
    auto form = std::make_shared<AddressTableViewController>();
    showRoot(form);
    ASSERT_EQ(form->tableView()->numberOfRowsInSection(0), 4);
    auto street = std::dynamic_pointer_cast<UITextField>(part(form, 0, AddressTableViewController::kFieldTag));
    ASSERT_TRUE(street);
    EXPECT_TRUE(street->isFirstResponder());
    EXPECT_EQ(form->getStreetAddress(), "");
    driver->typeText("12 Harbour Road");
    auto zip = part(form, 3, AddressTableViewController::kFieldTag);
    ASSERT_TRUE(zip);
    driver->tap(zip);
    driver->typeText("200001");
    EXPECT_EQ(form->getStreetAddress(), "12 Harbour Road");
    EXPECT_EQ(form->getCity(), "");
    EXPECT_EQ(form->getZipCode(), "200001");
    EXPECT_EQ(std::dynamic_pointer_cast<UILabel>(part(form, 0, AddressTableViewController::kLabelTag))->frame(),
        CGRectMake(5, 5, 170, 30));
    EXPECT_EQ(zip->frame(), CGRectMake(185, 10, 360, 30));
}

TEST_F(AddressTableViewControllerTest, TheOrdersAddressFillsTheFieldsAndChineseNarrowsTheLabels)
{
    LanguageManager::sharedInstance()->setCurrentLanguage(2);
    auto form = std::make_shared<AddressTableViewController>("1 Nanjing Road", "Shanghai", "SH", "200001");
    showRoot(form);
    EXPECT_EQ(form->getStreetAddress(), "1 Nanjing Road");
    EXPECT_EQ(form->getCity(), "Shanghai");
    EXPECT_EQ(form->getState(), "SH");
    EXPECT_EQ(form->getZipCode(), "200001");
    EXPECT_EQ(part(form, 1, AddressTableViewController::kLabelTag)->frame(), CGRectMake(5, 5, 70, 30));
    EXPECT_EQ(part(form, 1, AddressTableViewController::kFieldTag)->frame(), CGRectMake(85, 10, 460, 30));
    auto label = std::dynamic_pointer_cast<UILabel>(part(form, 2, AddressTableViewController::kLabelTag));
    EXPECT_FALSE(label->text().empty());
    EXPECT_NE(label->text(), "STATE") << "the row title comes from the language table";
}

}  // namespace
