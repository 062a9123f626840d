#include "Classes/Catalog/DetailCell.h"

#include "Classes/Catalog/CatalogText.h"
#include "Classes/Frame/BadgeButton.h"
#include "Classes/Frame/ImageLoadOperation.h"
#include "Classes/Frame/ImageLoadQueueManager.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Database/DataAccessManager.h"
#include "Database/corvelle_product_price_Entity.h"
#include "Platform/Foundation/BackgroundWork.h"
#include "Platform/Foundation/PerformRequests.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"

namespace {

// Past this sum of price and discount widths the discount goes to a second line.
constexpr CGFloat kOneLinePriceWidth = 130;

CGFloat textWidth(const std::string& text, const UIFontRef& font)
{
    return text.empty() ? 0 : sizeWithFontConstrainedToSize(text, font, CGSizeMake(100000, 20)).width;
}

}  // namespace

std::shared_ptr<DetailCell> DetailCell::init() { return initWithFrameReuseIdentifier(CGRectZero, std::string()); }

std::shared_ptr<DetailCell> DetailCell::initWithFrameReuseIdentifier(CGRect frame, const std::string& reuseIdentifier)
{
    auto cell = std::make_shared<DetailCell>(frame, reuseIdentifier);
    cell->setUpViews();
    return cell;
}

DetailCell::DetailCell(CGRect frame, const std::string& reuseIdentifier)
    : GridViewCell(frame, reuseIdentifier)
{
}

DetailCell::~DetailCell()
{
    if (m_productImageView)
        PerformRequests::cancelPreviousPerformRequests(m_productImageView.get());
}

void DetailCell::setUpViews()
{
    auto content = contentView();
    std::weak_ptr<DetailCell> weak = std::static_pointer_cast<DetailCell>(sharedCell());

    m_bgImageView = std::make_shared<UIImageView>(CGRectMake(17, 10, 160, 110));
    m_bgImageView->setBackgroundColor(UIColor::whiteColor());
    m_bgImageView->setContentMode(UIViewContentModeCenter);
    m_bgImageView->setUserInteractionEnabled(true);
    m_bgImageView->addGestureRecognizer(std::make_shared<UITapGestureRecognizer>([weak](UIGestureRecognizer& tap) {
        if (tap.state() != UIGestureRecognizerStateRecognized)
            return;
        if (auto self = weak.lock())
            self->onClickImage();
    }));
    content->addSubview(m_bgImageView);

    m_productImageView = std::make_shared<UIImageView>(CGRectMake(17, 10, 160, 110));
    m_productImageView->setBackgroundColor(UIColor::whiteColor());
    m_productImageView->setContentMode(UIViewContentModeScaleAspectFit);
    content->addSubview(m_productImageView);

    m_catalogNameLabel = std::make_shared<UILabel>(CGRectMake(10, 125, 173, 30));
    m_catalogNameLabel->setFont(UIFont::fontWithNameSize("Arial-BoldMT", 14));
    m_catalogNameLabel->setTextColor(UIColor::blackColor());
    m_catalogNameLabel->setBackgroundColor(UIColor::clearColor());
    m_catalogNameLabel->setNumberOfLines(0);
    content->addSubview(m_catalogNameLabel);

    m_skuContentLabel = std::make_shared<UILabel>(CGRectMake(10, 156, 130, 20));
    m_skuContentLabel->setFont(UIFont::fontWithNameSize("Arial", 13));
    m_skuContentLabel->setTextColor(UIColor::grayColor());
    m_skuContentLabel->setBackgroundColor(UIColor::clearColor());
    content->addSubview(m_skuContentLabel);

    m_priceContentLabel = std::make_shared<UILabel>(CGRectMake(10, 175, 120, 20));
    m_priceContentLabel->setFont(UIFont::fontWithNameSize("Arial", 14));
    m_priceContentLabel->setBackgroundColor(UIColor::clearColor());
    content->addSubview(m_priceContentLabel);

    m_devideImageView = std::make_shared<UIImageView>(CGRectMake(194, 10, 1, 192));
    m_devideImageView->setImage(UIImage::imageNamed("divideline.png"));
    content->addSubview(m_devideImageView);

    m_addOrderBtn = std::make_shared<BadgeButton>(CGRectMake(149, 158, 34, 34));
    m_addOrderBtn->setBackgroundImageForState(
        SkinManager::skinFromImageName(std::string("btn-cart.png")), UIControlStateNormal);
    m_addOrderBtn->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->addOrderBtnTapped();
    });
    m_addOrderBtn->setHidden(!QuoteOrderStore::sharedQuoteOrderStore()->isOrderOnShow());
    content->addSubview(m_addOrderBtn);

    m_smallCloseBtn = UIButton::buttonWithType(UIButtonTypeCustom);
    m_smallCloseBtn->setFrame(CGRectMake(frame().size.width - 50, 0, 50, 50));
    m_smallCloseBtn->setImageForState(UIImage::imageNamed("file-del.png"), UIControlStateNormal);
    m_smallCloseBtn->imageEdgeInsets = UIEdgeInsetsMake(10, 10, 10, 10);
    m_smallCloseBtn->setHidden(true);
    content->addSubview(m_smallCloseBtn);

    m_discountpriceLabel = std::make_shared<UILabel>(CGRectZero);
    m_discountpriceLabel->setFont(UIFont::fontWithNameSize("Arial", 14));
    m_discountpriceLabel->setTextColor(UIColor::purpleColor());
    m_discountpriceLabel->setBackgroundColor(UIColor::clearColor());
    content->addSubview(m_discountpriceLabel);
}

void DetailCell::showPrice(const corvelle_product_price_Entity* price)
{
    // A product without a price row shows no price at all.
    m_priceContentLabel->setHidden(price && price->isHidden());
    m_priceContentLabel->setText(price ? price->strPrice() : std::string());
    setDiscountprice(
        price && price->discount_flag ? std::optional<std::string>(price->strDiscountPrice()) : std::nullopt);
}

void DetailCell::setPriceEntity(std::shared_ptr<corvelle_product_price_Entity> price)
{
    m_priceEntity = std::move(price);
    showPrice(m_priceEntity.get());
}

void DetailCell::reloadCellProdectPrice()
{
    auto price = DataAccessManager::sharedDataModel()->getPriceEntityByProductId(m_productId);
    showPrice(price.get());
}

void DetailCell::setDiscountprice(const std::optional<std::string>& text)
{
    m_discountprice = text;
    PublicFunction::removeDeletionLineFromLabel(m_priceContentLabel);
    if (CatalogText::isBlank(text)) {
        m_discountpriceLabel->setFrame(CGRectZero);
        return;
    }
    const auto font = m_priceContentLabel->font();
    const CGFloat priceWidth = textWidth(m_priceContentLabel->text(), font);
    const CGFloat discountWidth = textWidth(*text, font);
    if (priceWidth + discountWidth > kOneLinePriceWidth)
        m_discountpriceLabel->setFrame(CGRectMake(10, 190, 120, 20));
    else
        m_discountpriceLabel->setFrame(CGRectMake(priceWidth + 20, 175, 120, 20));
    m_discountpriceLabel->setText(*text);
    PublicFunction::addDeletionLineToLabel(m_priceContentLabel);
}

void DetailCell::loadImageAsyncWihtAnimation(bool fade)
{
    m_productImageView->setAlpha(0);
    const std::optional<std::string> name = m_imagename;
    const std::string path = PublicFunction::localImagePathFiletype(name.value_or(std::string()), 1);
    // A cell reused for another product while the file was read shows that product's picture instead.
    BackgroundWork::run(
        std::static_pointer_cast<DetailCell>(sharedCell()),
        [path] { return PublicFunction::localImageAtPathFiletype(path, 1); },
        [name](const DetailCell& cell) { return cell.imagename() == name; },
        [fade](const std::shared_ptr<DetailCell>& cell, const std::shared_ptr<UIImage>& image) {
            cell->queueImage(image, fade);
        });
}

void DetailCell::queueImage(const std::shared_ptr<UIImage>& image, bool fade)
{
    auto operation = std::make_shared<ImageLoadOperation>(image, m_productImageView, fade);
    if (m_imageLoadOperation && (m_imageLoadOperation->isReady() || m_imageLoadOperation->isExecuting()))
        m_imageLoadOperation->cancel();
    m_imageLoadOperation = operation;
    ImageLoadQueueManager::sharedInstance()->loadImageWithOperationUnique(operation, false);
}

void DetailCell::setBadgeValueAnimated(const std::optional<std::string>& value, bool animated)
{
    m_addOrderBtn->setBadgeValueAnimated(value, animated);
}

void DetailCell::onClickImage()
{
    if (auto delegate = detailDelegate())
        delegate->didSelectedImage(std::static_pointer_cast<DetailCell>(sharedCell()));
}

void DetailCell::addOrderBtnTapped()
{
    if (auto delegate = detailDelegate())
        delegate->addToOrder(std::static_pointer_cast<DetailCell>(sharedCell()));
}
