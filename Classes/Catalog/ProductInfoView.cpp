#include "Classes/Catalog/ProductInfoView.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Database/corvelle_product_Entity.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/PerformRequests.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UITextView.h"

#include <limits>

namespace {

std::shared_ptr<UILabel> makeLabel(CGRect frame, const char* font, CGFloat size, UITextAlignment alignment)
{
    auto label = std::make_shared<UILabel>(frame);
    label->setTextAlignment(alignment);
    label->setFont(UIFont::fontWithNameSize(font, size));
    label->setBackgroundColor(UIColor::clearColor());
    return label;
}

}  // namespace

std::shared_ptr<ProductInfoView> ProductInfoView::initWithFrame(CGRect frame)
{
    auto view = std::make_shared<ProductInfoView>(frame);
    view->setUp();
    return view;
}

ProductInfoView::ProductInfoView(CGRect frame)
    : UIControl(frame)
{
}

void ProductInfoView::setUp()
{
    setBackgroundColor(UIColor::clearColor());
    setAlpha(0.8f);
    m_imgViewBackground = std::make_shared<UIImageView>(CGRectMake(653, 533, 372, 160));
    m_imgViewBackground->setImage(SkinManager::skinFromImageName(std::string("product-info-bg.png")));
    m_imgViewBackground->setUserInteractionEnabled(true);
    addSubview(m_imgViewBackground);
    m_productNameLabel = makeLabel(CGRectMake(670, 545, 372, 20), "Helvetica-Bold", 15, UITextAlignmentLeft);
    addSubview(m_productNameLabel);
    m_skuLabel = makeLabel(CGRectMake(670, 568, 240, 20), "Arial", 12, UITextAlignmentLeft);
    addSubview(m_skuLabel);
    m_priceLabel = makeLabel(CGRectMake(883, 568, 130, 20), "Helvetica-Bold", 16, UITextAlignmentRight);
    addSubview(m_priceLabel);
    m_discountPriceLabel = makeLabel(CGRectMake(753, 568, 130, 20), "Helvetica-Bold", 16, UITextAlignmentRight);
    m_discountPriceLabel->setTextColor(UIColor::purpleColor());
    addSubview(m_discountPriceLabel);
    m_imgProductInfoLine = std::make_shared<UIImageView>(CGRectMake(660, 592, 358, 2));
    m_imgProductInfoLine->setImage(SkinManager::skinFromImageName(std::string("product-info-line.png")));
    addSubview(m_imgProductInfoLine);
    m_descriptionView = std::make_shared<UITextView>(CGRectMake(666, 600, 345, 70));
    m_descriptionView->setFont(UIFont::fontWithNameSize("Helvetica", 16));
    m_descriptionView->setBackgroundColor(UIColor::clearColor());
    m_descriptionView->setEditable(false);
    addSubview(m_descriptionView);
    auto weak = weakSelf<ProductInfoView>();
    addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->productInfoViewClose();
    });
}

void ProductInfoView::showDescription()
{
    const std::optional<std::string> text = m_productEntity ? m_productEntity->product_s_desc : std::nullopt;
    const bool blank
        = !text || NSString::stringByTrimmingCharactersInSet(*text, CharacterSet::whitespaceAndNewline).empty();
    m_descriptionView->setText(blank ? Language::stringOrKey("NODESCRIPTION") : *text);
    m_descriptionView->setContentOffset(CGPointMake(0, 0));
}

void ProductInfoView::setProductEntity(std::shared_ptr<corvelle_product_Entity> product)
{
    m_productEntity = std::move(product);
    m_productNameLabel->setText(m_productEntity ? m_productEntity->product_name.value_or("") : "");
    m_skuLabel->setText(m_productEntity ? m_productEntity->product_sku.value_or("") : "");
    showDescription();
}

void ProductInfoView::setLabelPriceDiscountPrice(
    const std::optional<std::string>& price, const std::string& discountPrice)
{
    m_priceLabel->setText(price.value_or(""));
    m_discountPriceLabel->setText(discountPrice);
    PublicFunction::removeDeletionLineFromLabel(m_priceLabel);
    const CGFloat width = price
        ? sizeWithFontConstrainedToSize(*price, m_priceLabel->font(), CGSizeMake(std::numeric_limits<float>::max(), 20))
              .width
        : 0;
    m_priceLabel->setFrame(CGRectMake(1024 - width - 15, 568, width, 20));
    if (discountPrice.empty())
        return;
    m_discountPriceLabel->setFrame(CGRectMake(1024 - width - 150, 568, 130, 20));
    PublicFunction::addDeletionLineToLabel(m_priceLabel);
}

void ProductInfoView::productInfoViewClose()
{
    auto self = protect<ProductInfoView>();
    UIView::animateWithDuration(
        0.35, 0, UIViewAnimationOptionCurveEaseIn, [self] { self->setAlpha(0); }, nullptr);
    std::weak_ptr<ProductInfoView> weak = self;
    PerformRequests::performAfterDelay(
        this, "removeSelf",
        [weak] {
            if (auto view = weak.lock())
                view->removeSelf();
        },
        0.5);
    if (auto d = delegate())
        d->productInfoViewClose();
}

void ProductInfoView::removeSelf() { removeFromSuperview(); }

void ProductInfoView::updateLanguage() { showDescription(); }
