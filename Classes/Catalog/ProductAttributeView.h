#pragma once

// The attribute picker: one labelled drop-down button per attribute of a
// product, two to a row, with a list of the attribute's values that opens
// under the pressed button. Choices are written into the attribute records it
// was given (so whoever else holds them sees them) and handed back as one
// "field:value" string joined by commas, which order lines keep.
//
// While a list is open a transparent catcher covers the picker's parent; the
// next touch either picks a row or closes the list. The add-to-order pop-up
// and product detail use it; the order editor fills it with stored choices
// and can make it read-only.

#include "Database/BaseDataModel.h"
#include "Database/product_attribute_cell_Entity.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UITableView.h"

#include <memory>
#include <string>
#include <vector>

class UIButton;
class UIColor;
class UIFont;
class UIImage;

class ProductAttributeView : public UIScrollView, public UITableViewDataSource, public UITableViewDelegate {
public:
    static constexpr long kButtonTagBase = 5000;

    // Makes the picker with its list table and its catcher.
    static std::shared_ptr<ProductAttributeView> initWithFrame(CGRect frame);
    explicit ProductAttributeView(CGRect frame);

    const EntityList<product_attribute_cell_Entity>& attributeAry() const { return m_attributeAry; }
    // Keeps a copy of the list (the same records) and rebuilds the buttons;
    // single-valued attributes are chosen at once.
    void setAttributeAry(const EntityList<product_attribute_cell_Entity>& attributes);
    void reconstructAttributes();

    // The choices as "field:value" pairs joined by ","; "" when none.
    std::string attributes() const;
    // Takes over stored non-blank values by field name.
    void setAttributeValues(const EntityList<product_attribute_cell_Entity>& values);

    bool readOnly() const { return m_readOnly; }
    void setReadOnly(bool readOnly);

    const std::shared_ptr<UIColor>& attributeColor() const { return m_attributeColor; }
    void setAttributeColor(std::shared_ptr<UIColor> color) { m_attributeColor = std::move(color); }
    // The caption font; the system font of 16 when none is set.
    void setAttributeFont(std::shared_ptr<UIFont> font) { m_attributeFont = std::move(font); }

    void cellClick(const std::shared_ptr<UIButton>& button);
    void btnBGClicked();

    const std::shared_ptr<UITableView>& attributeListView() const { return m_attributeListView; }
    const std::shared_ptr<UIButton>& btnBG() const { return m_btnBG; }
    bool showList() const { return m_showList; }
    const std::vector<std::string>& currentArry() const { return m_currentArry; }

    CGFloat btnWidth = 150;
    CGFloat btnHeight = 28;
    CGFloat btnHorizontalIntervalWidth = 50;
    CGFloat btnVerticalIntervalWidth = 53;
    CGFloat arrowWidth = 24;
    CGFloat arrowHeight = 28;
    CGFloat arrowOffsetY = 0;
    std::shared_ptr<UIImage> bgImage;
    std::shared_ptr<UIImage> normalImage;
    std::shared_ptr<UIImage> selectedImage;

    long tableViewNumberOfRowsInSection(UITableView&, long section) override;
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView&, const NSIndexPath&) override;
    std::optional<CGFloat> tableViewHeightForRowAtIndexPath(UITableView&, const NSIndexPath&) override { return 34; }
    void tableViewDidSelectRowAtIndexPath(UITableView&, const NSIndexPath&) override;

private:
    void setUp();
    void attachCatcher();
    std::shared_ptr<UIButton> buttonWithTag(long tag) const;
    void closeList();
    void setListHeight(CGFloat height, bool animated);

    EntityList<product_attribute_cell_Entity> m_attributeAry;
    std::shared_ptr<UIColor> m_attributeColor;
    std::shared_ptr<UIFont> m_attributeFont;
    std::shared_ptr<UITableView> m_attributeListView;
    std::shared_ptr<UIButton> m_btnBG;
    std::vector<std::string> m_currentArry;
    bool m_showList = false;
    bool m_readOnly = false;
    long m_currentTag = 0;
    CGFloat m_tabheight = 112;
};
