#include "Classes/Catalog/CompareCell.h"

#include "Classes/Catalog/CatalogText.h"
#include "Classes/Frame/IconButton.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Database/DataAccessManager.h"
#include "Database/corvelle_product_price_Entity.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UITextView.h"

namespace {

std::shared_ptr<UIColor> darkGrey() { return UIColor::colorWithWhiteAlpha(0.2, 1); }

std::shared_ptr<UIColor> priceRed() { return UIColor::colorWithRedGreenBlueAlpha(0.4, 0, 0.2, 1); }

std::shared_ptr<UILabel> columnLabel(CGRect frame, const std::shared_ptr<UIColor>& color)
{
    auto label = std::make_shared<UILabel>(frame);
    label->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 14));
    label->setTextColor(color);
    label->setBackgroundColor(UIColor::clearColor());
    return label;
}

std::string viewDescription(const UIView& view)
{
    const CGRect f = view.frame();
    return stringWithFormat("<UIView: %p; frame = (%g %g; %g %g)>", static_cast<const void*>(&view), f.origin.x,
        f.origin.y, f.size.width, f.size.height);
}

}  // namespace

std::shared_ptr<CompareCell> CompareCell::initWithStyleReuseIdentifier(
    UITableViewCellStyle style, std::optional<std::string> reuseIdentifier)
{
    auto cell = std::make_shared<CompareCell>(style, std::move(reuseIdentifier));
    cell->setUpViews();
    return cell;
}

CompareCell::CompareCell(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier)
    : UITableViewCell(style, std::move(reuseIdentifier))
{
}

std::shared_ptr<CompareCell> CompareCell::self() { return std::static_pointer_cast<CompareCell>(sharedView()); }

void CompareCell::setUpViews()
{
    std::weak_ptr<CompareCell> weak = self();
    auto content = contentView();
    auto send = [weak](void (CompareCellDelegate::*call)(const std::shared_ptr<CompareCell>&)) {
        auto cell = weak.lock();
        auto delegate = cell ? cell->compareDelegate() : nullptr;
        if (delegate)
            ((*delegate).*call)(cell);
    };

    m_contentBackgroundView = std::make_shared<UIView>(CGRectMake(0, 0, 180, 600));
    m_contentBackgroundView->setBackgroundColor(UIColor::clearColor());
    m_contentBackgroundView->addGestureRecognizer(
        std::make_shared<UITapGestureRecognizer>([send](UIGestureRecognizer& g) {
            if (g.state() == UIGestureRecognizerStateRecognized)
                send(&CompareCellDelegate::didClickCellBackground);
        }));
    content->addSubview(m_contentBackgroundView);

    m_productImageView = std::make_shared<UIImageView>(CGRectMake(0, 20, 150, 130));
    m_productImageView->setUserInteractionEnabled(true);
    auto longPress = std::make_shared<UILongPressGestureRecognizer>([send](UIGestureRecognizer& g) {
        if (g.state() == UIGestureRecognizerStateBegan)
            send(&CompareCellDelegate::didLongPressImage);
    });
    longPress->minimumPressDuration = 0.7;
    m_productImageView->addGestureRecognizer(longPress);
    m_productImageView->addGestureRecognizer(std::make_shared<UITapGestureRecognizer>([send](UIGestureRecognizer& g) {
        if (g.state() == UIGestureRecognizerStateRecognized)
            send(&CompareCellDelegate::didTapImage);
    }));
    content->addSubview(m_productImageView);

    m_devideImageView = std::make_shared<UIImageView>(CGRectMake(175, 30, 1, 137));
    m_devideImageView->setImage(UIImage::imageNamed("divideline.png"));
    content->addSubview(m_devideImageView);

    m_addOrderBtn = std::make_shared<IconButton>(CGRectMake(5, 170, 127, 30));
    m_addOrderBtn->setIconType(1);
    PublicFunction::initializeToButtonHeight30(m_addOrderBtn);
    m_addOrderBtn->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        auto cell = weak.lock();
        if (auto delegate = cell ? cell->compareDelegate() : nullptr)
            delegate->addToOrder(cell);
    });
    m_addOrderBtn->setHidden(!QuoteOrderStore::sharedQuoteOrderStore()->isOrderOnShow());
    content->addSubview(m_addOrderBtn);

    m_productNameLabel = columnLabel(CGRectMake(1, 201, 170, 60), darkGrey());
    m_productNameLabel->setNumberOfLines(0);
    content->addSubview(m_productNameLabel);
    m_priceLabel = columnLabel(CGRectMake(0, 265, 180, 40), priceRed());
    content->addSubview(m_priceLabel);
    m_disCountpriceLabel = columnLabel(CGRectMake(85, 265, 180, 40), priceRed());
    content->addSubview(m_disCountpriceLabel);
    m_SKULabel = columnLabel(CGRectMake(1, 328, 180, 40), darkGrey());
    content->addSubview(m_SKULabel);

    m_shortDesTextView = std::make_shared<UITextView>(CGRectMake(-8, 385, 170, 170));
    m_shortDesTextView->setEditable(false);
    m_shortDesTextView->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 14));
    m_shortDesTextView->setTextColor(darkGrey());
    content->addSubview(m_shortDesTextView);

    m_smallCloseBtn = UIButton::buttonWithType(UIButtonTypeCustom);
    m_smallCloseBtn->setFrame(CGRectMake(130, 10, 50, 50));
    m_smallCloseBtn->setImageForState(UIImage::imageNamed("file-del.png"), UIControlStateNormal);
    m_smallCloseBtn->imageEdgeInsets = UIEdgeInsetsMake(10, 10, 10, 10);
    content->addSubview(m_smallCloseBtn);

    NSLog("view:%@, content view:%@", viewDescription(*m_contentBackgroundView), viewDescription(*content));
}

void CompareCell::setProductId(int productId)
{
    m_productId = productId;
    // A product without a price row shows no price at all.
    auto price = DataAccessManager::sharedDataModel()->getPriceEntityByProductId(productId);
    m_priceLabel->setHidden(price && price->isHidden());
    m_priceLabel->setText(price ? price->strPrice() : std::string());
    setDiscountprice(
        price && price->discount_flag ? std::optional<std::string>(price->strDiscountPrice()) : std::nullopt);
}

void CompareCell::setDiscountprice(const std::optional<std::string>& text)
{
    m_discountprice = text;
    PublicFunction::removeDeletionLineFromLabel(m_priceLabel);
    if (CatalogText::isBlank(text)) {
        m_disCountpriceLabel->setFrame(CGRectZero);
        return;
    }
    m_disCountpriceLabel->setTextColor(UIColor::purpleColor());
    const CGRect price = m_priceLabel->frame();
    const std::string& shown = m_priceLabel->text();
    const CGFloat width
        = shown.empty() ? 0 : sizeWithFontConstrainedToSize(shown, m_priceLabel->font(), CGSizeMake(100000, 40)).width;
    const CGFloat x = width <= price.size.width ? price.origin.x + width + 20 : price.origin.x + price.size.width + 20;
    m_disCountpriceLabel->setFrame(CGRectMake(x, price.origin.y, price.size.width, price.size.height));
    m_disCountpriceLabel->setText(*text);
    PublicFunction::addDeletionLineToLabel(m_priceLabel);
}

void CompareCell::setBadgeValueAnimated(const std::optional<std::string>& value, bool animated)
{
    m_addOrderBtn->setBadgeValueAnimated(value, animated);
}
