#include "CatalogFixture.h"

#include "Classes/Frame/Language.h"
#include "Platform/UIKit/UIImageView.h"
#include "Classes/Catalog/ProductAttributeView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIViewContrastCheck.h"
#include "Platform/UIKit/UIViewController.h"
#include "Platform/UIKit/UIViewRendering.h"
#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/UIKit/UIImage.h"

class ProductAttributeViewTest : public CatalogTest {
protected:
    void SetUp() override
    {
        CatalogTest::SetUp();
        screen = std::make_shared<UIViewController>();
        showRoot(screen);
        picker = ProductAttributeView::initWithFrame(CGRectMake(24, 100, 354, 160));
        picker->setAttributeColor(UIColor::redColor());
        screen->view()->addSubview(picker);
    }

    static std::shared_ptr<product_attribute_cell_Entity> field(std::string name, std::optional<std::string> list)
    {
        auto record = std::make_shared<product_attribute_cell_Entity>();
        record->fieldName = std::move(name);
        record->attributeList = std::move(list);
        return record;
    }

    std::shared_ptr<UIButton> button(long index)
    {
        return std::dynamic_pointer_cast<UIButton>(picker->viewWithTag(ProductAttributeView::kButtonTagBase + index));
    }

    std::shared_ptr<UIViewController> screen;
    std::shared_ptr<ProductAttributeView> picker;
};

TEST_F(ProductAttributeViewTest, SingleValuesAreChosenAtOnceAndTheRestAsk)
{
    EntityList<product_attribute_cell_Entity> records { field("Colour", "Red,Blue"), field("Size", "L"),
        field("Fit", "Slim,Wide"), field("Trim", ""), field("Cut", std::nullopt) };
    picker->setAttributeAry(records);
    EXPECT_EQ(picker->contentSize().height, 243);  // five fields, three rows of 81
    EXPECT_EQ(button(0)->currentTitle(), text("PLEASESELECT"));
    EXPECT_EQ(button(1)->currentTitle(), "L");
    EXPECT_EQ(records[1]->attributeValue, "L");
    EXPECT_EQ(records[3]->attributeValue, "");
    EXPECT_FALSE(records[0]->attributeValue);
    EXPECT_EQ(button(2)->frame(), CGRectMake(0, 81 + 45, 150, 28));
    EXPECT_EQ(button(3)->frame(), CGRectMake(200, 81 + 45, 150, 28));
    EXPECT_EQ(picker->attributes(), "Size:L");

    driver->tap(button(0));
    driver->advance(0.5);
    EXPECT_TRUE(button(0)->isSelected());
    EXPECT_EQ(picker->attributeListView()->frame(), CGRectMake(24, 100 + 45 + 28, 150, 112));
    ASSERT_TRUE(driver->tapRow(picker->attributeListView(), 0));
    EXPECT_EQ(button(0)->currentTitle(), "Red");
    EXPECT_EQ(records[0]->attributeValue, "Red");  // written into the caller's record
    EXPECT_EQ(picker->attributes(), "Colour:Red,Size:L");

    // A touch outside an open list closes it without a choice.
    driver->tap(button(2));
    driver->advance(0.5);
    ASSERT_TRUE(picker->showList());
    driver->tapAt(CGPointMake(900, 700));
    EXPECT_FALSE(picker->showList());
    EXPECT_FALSE(records[2]->attributeValue);
    // A field with no list opens nothing.
    driver->tap(button(4));
    EXPECT_FALSE(picker->showList());
}

TEST_F(ProductAttributeViewTest, AScrolledPickerOpensItsListUnderTheButton)
{
    EntityList<product_attribute_cell_Entity> records;
    for (int i = 0; i < 6; ++i)
        records.push_back(field("F" + std::to_string(i), "a,b"));
    picker->setAttributeAry(records);
    picker->setContentOffset(CGPointMake(0, 81));
    driver->tap(button(2));
    driver->advance(0.5);
    EXPECT_EQ(picker->attributeListView()->frame().origin.y, 100 + 81 + 45 + 28 - 81);
}

TEST_F(ProductAttributeViewTest, StoredValuesReadOnlyAndTheEmptyChoice)
{
    EntityList<product_attribute_cell_Entity> records { field("Colour", "Red,Blue"), field("Size", "S,M") };
    picker->setAttributeAry(records);
    EXPECT_EQ(picker->attributes(), "");

    auto stored = field("Colour", std::nullopt);
    stored->attributeValue = "Blue";
    auto blank = field("Size", std::nullopt);
    blank->attributeValue = " ";
    auto stray = field("Weight", std::nullopt);
    stray->attributeValue = "9";
    picker->setAttributeValues({ stored, blank, stray });
    EXPECT_EQ(button(0)->currentTitle(), "Blue");
    EXPECT_EQ(picker->attributes(), "Colour:Blue");

    picker->setReadOnly(true);
    driver->tap(button(1));
    EXPECT_FALSE(picker->showList());
    EXPECT_EQ(button(0)->currentTitle(), "Blue");
}

// A drop-down's title, the chosen value in the screens' dark red or the grey
// prompt, stays readable on the drop-down's own bar.
TEST_F(ProductAttributeViewTest, TitlesAreReadableOnTheDropDownBar)
{
    picker->setAttributeColor(UIColor::colorWithRedGreenBlueAlpha(176 / 255.0, 48 / 255.0, 96 / 255.0, 1));
    EntityList<product_attribute_cell_Entity> records { field("Material", "Oak"), field("Width", "41 cm,45 cm") };
    picker->setAttributeAry(records);
    ASSERT_EQ(button(0)->currentTitle(), "Oak");
    ASSERT_EQ(button(1)->currentTitle(), text("PLEASESELECT"));
    for (long index : { 0L, 1L }) {
        // What lies behind the title: the bar drawn without its texts.
        auto shown = button(index);
        const std::string title = shown->currentTitle();
        shown->setTitleForState("", UIControlStateNormal);
        auto bar = UIViewRenderToImage(*shown);
        shown->setTitleForState(title, UIControlStateNormal);
        ASSERT_TRUE(bar);
        const CGPixel behind = bar->CGImage()->pixelAt(60, 14);
        CGFloat r = 0, g = 0, b = 0, a = 0;
        shown->titleColorForState(shown->state())->getRedGreenBlueAlpha(&r, &g, &b, &a);
        EXPECT_GE(UIColorContrastRatio(r, g, b, behind.red / 255.0, behind.green / 255.0, behind.blue / 255.0), 4.5)
            << title;
    }
}
