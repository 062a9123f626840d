#include "Classes/Catalog/ProductAttributeView.h"

#include "Classes/Catalog/CatalogText.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/SkinManager.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"

#include <cmath>

namespace {

// The catcher's size: it must cover the whole screen under the parent.
constexpr CGRect kCatcherFrame { { 0, 0 }, { 1024, 786 } };
constexpr CGRect kParkedCatcherFrame { { 1024, 0 }, { 1024, 786 } };

}  // namespace

std::shared_ptr<ProductAttributeView> ProductAttributeView::initWithFrame(CGRect frame)
{
    auto view = std::make_shared<ProductAttributeView>(frame);
    view->setUp();
    return view;
}

ProductAttributeView::ProductAttributeView(CGRect frame)
    : UIScrollView(frame)
{
    bgImage = UIImage::imageNamed("select-bar.png");
    normalImage = UIImage::imageNamed("select-off.png");
    selectedImage = UIImage::imageNamed("select-on.png");
}

void ProductAttributeView::setUp()
{
    auto weak = weakSelf<ProductAttributeView>();
    m_attributeListView = std::make_shared<UITableView>(CGRectMake(frame().origin.x, frame().origin.y, 150, 0));
    m_attributeListView->setBackgroundColor(UIColor::clearColor());
    m_attributeListView->setSeparatorColor(UIColor::lightGrayColor());
    m_attributeListView->setSeparatorStyle(UITableViewCellSeparatorStyleNone);
    auto listBackground = std::make_shared<UIImageView>(CGRectMake(-5, 0, 150, 0));
    listBackground->setImage(SkinManager::skinFromImageName(std::string("dropdownviewbg.png")));
    m_attributeListView->setBackgroundView(listBackground);
    m_attributeListView->setDataSource(std::static_pointer_cast<UITableViewDataSource>(weak.lock()));
    m_attributeListView->setDelegate(std::static_pointer_cast<UITableViewDelegate>(weak.lock()));

    m_btnBG = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnBG->setFrame(kParkedCatcherFrame);
    m_btnBG->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->btnBGClicked();
    });
}

void ProductAttributeView::attachCatcher()
{
    if (m_btnBG->superview())
        return;
    auto parent = superview();
    if (!parent)
        return;  // attached at the first list opened once the picker has a parent
    parent->addSubview(m_btnBG);
    m_btnBG->addSubview(m_attributeListView);
    m_btnBG->setFrame(kParkedCatcherFrame);
}

void ProductAttributeView::setAttributeAry(const EntityList<product_attribute_cell_Entity>& attributes)
{
    attachCatcher();
    m_attributeAry = attributes;
    reconstructAttributes();
}

void ProductAttributeView::reconstructAttributes()
{
    for (auto subviews = this->subviews(); const auto& view : subviews) {
        if (std::dynamic_pointer_cast<UIButton>(view) || std::dynamic_pointer_cast<UILabel>(view))
            view->removeFromSuperview();
    }
    auto weak = weakSelf<ProductAttributeView>();
    const auto font = m_attributeFont ? m_attributeFont : UIFont::systemFontOfSize(16);
    for (size_t i = 0; i < m_attributeAry.size(); ++i) {
        auto& record = *m_attributeAry[i];
        const CGFloat x = static_cast<CGFloat>(i % 2) * (btnHorizontalIntervalWidth + btnWidth);
        const CGFloat rowY = static_cast<CGFloat>(i / 2) * (btnVerticalIntervalWidth + btnHeight);

        auto label = std::make_shared<UILabel>(CGRectMake(x, rowY + 10, 150, 28));
        label->setText(record.fieldName.value_or(std::string()));
        label->setFont(UIFont::boldSystemFontOfSize(16));
        label->setTextColor(UIColor::colorWithRedGreenBlueAlpha(70 / 255.0, 70 / 255.0, 70 / 255.0, 1));
        label->setBackgroundColor(UIColor::clearColor());
        addSubview(label);

        auto button = UIButton::buttonWithType(UIButtonTypeCustom);
        button->setFrame(CGRectMake(x, rowY + 45, btnWidth, btnHeight));
        button->setTag(kButtonTagBase + static_cast<long>(i));
        button->setEnabled(!m_readOnly);
        button->setBackgroundImageForState(bgImage, UIControlStateNormal);
        button->setBackgroundImageForState(bgImage, UIControlStateHighlighted);
        button->setImageForState(normalImage, UIControlStateNormal);
        button->setImageForState(normalImage, UIControlStateHighlighted);
        button->setImageForState(selectedImage, UIControlStateSelected);
        button->imageEdgeInsets = UIEdgeInsetsMake(arrowOffsetY, btnWidth - arrowWidth, 0, 0);
        button->titleLabel()->setFont(font);
        button->titleEdgeInsets = UIEdgeInsetsMake(0, -arrowWidth, 0, 20);
        button->addTarget(UIControlEventTouchUpInside, [weak](UIControl& sender, UIEvent*) {
            if (auto self = weak.lock())
                self->cellClick(std::static_pointer_cast<UIButton>(sender.sharedView()));
        });

        const auto values = CatalogText::splitList(record.attributeList);
        if (values.size() == 1) {
            record.attributeValue = values.front();
            button->setTitleForState(values.front(), UIControlStateNormal);
            button->setTitleColorForState(m_attributeColor, UIControlStateNormal);
        } else {
            button->setTitleForState(text("PLEASESELECT"), UIControlStateNormal);
            // A grey dark enough to read on the white drop-down.
            button->setTitleColorForState(UIColor::darkGrayColor(), UIControlStateNormal);
        }
        addSubview(button);
    }
    const size_t rows = (m_attributeAry.size() + 1) / 2;
    setContentSize(CGSizeMake(frame().size.width, static_cast<CGFloat>(rows) * (btnVerticalIntervalWidth + btnHeight)));
}

std::shared_ptr<UIButton> ProductAttributeView::buttonWithTag(long tag) const
{
    for (const auto& view : subviews()) {
        if (view->tag() == tag)
            if (auto button = std::dynamic_pointer_cast<UIButton>(view))
                return button;
    }
    return nullptr;
}

void ProductAttributeView::setListHeight(CGFloat height, bool animated)
{
    auto apply = [list = m_attributeListView, height] {
        CGRect frame = list->frame();
        frame.size.height = height;
        list->setFrame(frame);
        if (auto background = list->backgroundView()) {
            CGRect bg = background->frame();
            bg.size.height = height;
            background->setFrame(bg);
        }
    };
    if (!animated) {
        apply();
        return;
    }
    UIView::beginAnimations("move");
    UIView::setAnimationCurve(UIViewAnimationCurveLinear);
    apply();
    UIView::commitAnimations();
}

void ProductAttributeView::cellClick(const std::shared_ptr<UIButton>& button)
{
    attachCatcher();
    m_btnBG->setFrame(kCatcherFrame);
    m_currentTag = button->tag();
    const long index = m_currentTag - kButtonTagBase;
    std::vector<std::string> values;
    if (index >= 0 && static_cast<size_t>(index) < m_attributeAry.size())
        values = CatalogText::splitList(m_attributeAry[static_cast<size_t>(index)]->attributeList);

    if (values.empty()) {
        m_showList = false;
        button->setSelected(false);
        setListHeight(0, false);
        return;
    }
    if (m_showList) {
        m_showList = false;
        button->setSelected(false);
        setListHeight(0, true);
        return;
    }
    m_currentArry = std::move(values);
    button->setSelected(true);
    m_attributeListView->reloadData();
    if (auto parent = m_btnBG->superview())
        parent->bringSubviewToFront(m_btnBG);
    m_btnBG->bringSubviewToFront(m_attributeListView);
    m_showList = true;
    const CGRect b = button->frame();
    m_attributeListView->setFrame(CGRectMake(
        b.origin.x + frame().origin.x, b.origin.y + btnHeight + frame().origin.y - contentOffset().y, btnWidth, 0));
    setListHeight(m_tabheight, true);
}

void ProductAttributeView::closeList()
{
    m_showList = false;
    if (auto button = buttonWithTag(m_currentTag))
        button->setSelected(false);
    setListHeight(0, false);
    m_btnBG->setFrame(kParkedCatcherFrame);
}

void ProductAttributeView::btnBGClicked() { closeList(); }

long ProductAttributeView::tableViewNumberOfRowsInSection(UITableView&, long)
{
    return static_cast<long>(m_currentArry.size());
}

std::shared_ptr<UITableViewCell> ProductAttributeView::tableViewCellForRowAtIndexPath(
    UITableView& table, const NSIndexPath& path)
{
    auto cell = table.dequeueReusableCellWithIdentifier("Cell");
    if (!cell) {
        cell = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, std::string("Cell"));
        cell->textLabel()->setFont(UIFont::systemFontOfSize(14));
        cell->textLabel()->setBackgroundColor(UIColor::clearColor());
        auto separator = std::make_shared<UIImageView>(CGRectMake(0, 34.5, btnWidth, 1));
        separator->setImage(SkinManager::skinFromImageName(std::string("viewseparateline.png")));
        cell->contentView()->addSubview(separator);
    }
    const auto row = static_cast<size_t>(path.row());
    cell->textLabel()->setText(row < m_currentArry.size() ? m_currentArry[row] : std::string());
    return cell;
}

void ProductAttributeView::tableViewDidSelectRowAtIndexPath(UITableView&, const NSIndexPath& path)
{
    const auto row = static_cast<size_t>(path.row());
    const long index = m_currentTag - kButtonTagBase;
    if (auto button = buttonWithTag(m_currentTag);
        button && row < m_currentArry.size() && index >= 0 && static_cast<size_t>(index) < m_attributeAry.size()) {
        m_attributeAry[static_cast<size_t>(index)]->attributeValue = m_currentArry[row];
        button->setTitleForState(m_currentArry[row], UIControlStateNormal);
        button->setTitleColorForState(m_attributeColor, UIControlStateNormal);
    }
    closeList();
}

std::string ProductAttributeView::attributes() const
{
    std::string text;
    for (const auto& record : m_attributeAry) {
        if (CatalogText::isBlank(record->attributeValue))
            continue;
        text += record->fieldName.value_or(std::string()) + ":" + *record->attributeValue + ",";
    }
    if (!text.empty() && text.back() == ',')
        text.pop_back();
    return text;
}

void ProductAttributeView::setAttributeValues(const EntityList<product_attribute_cell_Entity>& values)
{
    for (const auto& given : values) {
        if (!given || CatalogText::isBlank(given->attributeValue))
            continue;
        for (size_t i = 0; i < m_attributeAry.size(); ++i) {
            if (m_attributeAry[i]->fieldName != given->fieldName)
                continue;
            m_attributeAry[i]->attributeValue = given->attributeValue;
            if (auto button = buttonWithTag(kButtonTagBase + static_cast<long>(i))) {
                button->setTitleForState(*given->attributeValue, UIControlStateNormal);
                button->setTitleColorForState(m_attributeColor, UIControlStateNormal);
            }
        }
    }
}

void ProductAttributeView::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    for (const auto& view : subviews())
        if (auto button = std::dynamic_pointer_cast<UIButton>(view))
            button->setEnabled(!readOnly);
}
