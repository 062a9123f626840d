#include "Classes/Catalog/ProductDetailController.h"

#include "Classes/Catalog/MasterViewController.h"
#include "Classes/Catalog/ProductAttributeView.h"
#include "Classes/Catalog/ProductDetailImageController.h"
#include "Classes/Catalog/ProductRelatedFileController.h"
#include "Classes/Catalog/RelatedProductViewcontroller.h"
#include "Classes/Catalog/ProductDescView.h"
#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/IconButton.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/NumericInputValidator.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Classes/Frame/UIToast.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Database/DataAccessManager.h"
#include "Database/corvelle_library_files_Entity.h"
#include "Database/corvelle_product_price_Entity.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSError.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/PerformRequests.h"
#include "Platform/QuartzCore/CAAnimation.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIWindow.h"

#include <algorithm>
#include <cmath>

namespace {

std::shared_ptr<UIColor> valueColor()
{
    return UIColor::colorWithRedGreenBlueAlpha(176 / 255.0, 48 / 255.0, 96 / 255.0, 1);
}

std::shared_ptr<UIImage> skin(const char* name) { return SkinManager::skinFromImageName(std::string(name)); }

bool isBlank(const std::optional<std::string>& s)
{
    return !s || NSString::stringByTrimmingCharactersInSet(*s, CharacterSet::whitespace).empty();
}

std::shared_ptr<UILabel> makeLabel(CGRect frame)
{
    auto label = std::make_shared<UILabel>(frame);
    label->setBackgroundColor(UIColor::clearColor());
    return label;
}

std::shared_ptr<UIButton> makeButton(CGRect frame)
{
    auto button = UIButton::buttonWithType(UIButtonTypeCustom);
    button->setFrame(frame);
    return button;
}

std::shared_ptr<UITabBarControllerExt> tabBar()
{
    auto app = CorvelleAppDelegate::sharedAppDelegate();
    return app ? app->tabBarController() : nullptr;
}

}  // namespace

ProductDetailController::ProductDetailController() = default;

ProductDetailController::~ProductDetailController() = default;

// The layout the screen's interface file would give: captions and values on
// the right, the main image and its strip on the left.
void ProductDetailController::loadView()
{
    setView(std::make_shared<UIView>(CGRectMake(0, 0, kViewWidth, kViewHeight)));
    auto root = view();
    root->setBackgroundColor(UIColor::whiteColor());

    m_productImageView = std::make_shared<UIImageView>(CGRectMake(50, 20, 540, 460));
    m_productImageView->setUserInteractionEnabled(true);
    root->addSubview(m_productImageView);
    m_manyImagesView = std::make_shared<UIScrollView>(CGRectMake(50, 500, 540, 92));
    m_manyImagesView->setShowsVerticalScrollIndicator(false);
    root->addSubview(m_manyImagesView);

    m_productNameTittle = makeLabel(CGRectMake(620, 20, 80, 25));
    m_productNameLabel = makeLabel(CGRectMake(700, 20, 285, 50));
    m_skuTittle = makeLabel(CGRectMake(620, 75, 80, 25));
    m_skuLabel = makeLabel(CGRectMake(700, 75, 285, 25));
    m_priceTittle = makeLabel(CGRectMake(620, 325, 80, 30));
    m_priceLabel = makeLabel(CGRectMake(700, 325, 140, 30));
    for (const auto& caption : { m_productNameTittle, m_skuTittle, m_priceTittle })
        caption->setFont(UIFont::systemFontOfSize(16));
    for (const auto& label :
        { m_productNameTittle, m_productNameLabel, m_skuTittle, m_skuLabel, m_priceTittle, m_priceLabel })
        root->addSubview(label);

    const CGFloat lines[] = { 110, 318, 578 };
    std::shared_ptr<UIImageView>* dividers[] = { &m_devideImg2, &m_devideImg3, &m_devideImg4 };
    for (size_t i = 0; i < 3; ++i) {
        *dividers[i] = std::make_shared<UIImageView>(CGRectMake(620, lines[i], 352, 2));
        (*dividers[i])->setImage(UIImage::imageNamed("productDetaildivideline.png"));
        root->addSubview(*dividers[i]);
    }

    m_relatedBtn = makeButton(CGRectMake(620, 357, 34, 35));
    m_relatedFileBtn = makeButton(CGRectMake(664, 357, 34, 35));
    m_compareBtn = makeButton(CGRectMake(890, 357, 34, 35));
    m_favBtn = makeButton(CGRectMake(935, 357, 34, 35));
    m_deleteBtn = makeButton(CGRectMake(620, 585, 34, 34));
    m_addBtn = makeButton(CGRectMake(766, 585, 34, 34));
    for (const auto& button : { m_relatedBtn, m_relatedFileBtn, m_compareBtn, m_favBtn, m_deleteBtn, m_addBtn })
        root->addSubview(button);
    m_countTextField = std::make_shared<UITextField>(CGRectMake(660, 585, 100, 34));
    m_countTextField->setBorderStyle(UITextBorderStyleRoundedRect);
    m_countTextField->setTextAlignment(UITextAlignmentCenter);
    m_countTextField->keyboardType = UIKeyboardTypeNumbersAndPunctuation;
    root->addSubview(m_countTextField);
}

void ProductDetailController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    auto weak = weakSelf<ProductDetailController>();
    auto root = view();

    m_productNameLabel->setNumberOfLines(0);
    m_productNameLabel->setTextColor(valueColor());
    m_productNameLabel->setFont(UIFont::boldSystemFontOfSize(18));
    m_priceLabel->setFont(UIFont::boldSystemFontOfSize(20));
    m_priceLabel->setTextColor(valueColor());
    m_discountprice = makeLabel(CGRectZero);
    root->addSubview(m_discountprice);
    m_skuLabel->setTextColor(valueColor());
    m_skuLabel->setFont(UIFont::boldSystemFontOfSize(18));
    setNameAndSku();
    m_countTextField->setText("1");
    m_countTextField->setDelegate(std::static_pointer_cast<UITextFieldDelegate>(weak.lock()));

    showMainImage(DataAccessManager::sharedDataModel()->getImageByKeyId(m_productID));
    makeDescriptionView(CGRectMake(620, 175, 352, 137));

    m_tagsChooseView = std::make_shared<UIScrollView>(CGRectMake(620, 120, 349, 45));
    m_tagsChooseView->setBackgroundColor(UIColor::clearColor());
    m_tagsChooseView->setHidden(true);
    m_tagsChooseView->setDelegate(std::static_pointer_cast<UIScrollViewDelegate>(weak.lock()));
    root->addSubview(m_tagsChooseView);

    m_attributeView = ProductAttributeView::initWithFrame(CGRectMake(620, 392, 365, 178));
    m_attributeView->setBackgroundColor(UIColor::clearColor());
    m_attributeView->setAttributeFont(UIFont::systemFontOfSize(17));
    m_attributeView->setAttributeColor(valueColor());
    root->addSubview(m_attributeView);
    reloadAttributes();

    auto tap = std::make_shared<UITapGestureRecognizer>([weak](UIGestureRecognizer&) {
        if (auto self = weak.lock())
            self->onClickImage();
    });
    m_productImageView->addGestureRecognizer(tap);

    m_tapToLeftProduct = makeButton(CGRectMake(13, 285, 23, 87));
    m_tapToLeftProduct->setImageForState(skin("Icon_Arrow_Left_23x87.png"), UIControlStateNormal);
    m_tapToLeftProduct->setImageForState(skin("Icon_Arrow_Left_Highlighted_23x87.png"), UIControlStateHighlighted);
    m_tapToLeftProduct->addTarget(UIControlEventTouchUpInside, [weak](UIControl& sender, UIEvent*) {
        if (auto self = weak.lock())
            self->slipToRight(true, dynamic_cast<UIButton*>(&sender));
    });
    root->addSubview(m_tapToLeftProduct);
    m_tapToRightProduct = makeButton(CGRectMake(987, 285, 23, 87));
    m_tapToRightProduct->setImageForState(skin("Icon_Arrow_Right_23x87.png"), UIControlStateNormal);
    m_tapToRightProduct->setImageForState(skin("Icon_Arrow_Right_Highlighted_23x87.png"), UIControlStateHighlighted);
    m_tapToRightProduct->addTarget(UIControlEventTouchUpInside, [weak](UIControl& sender, UIEvent*) {
        if (auto self = weak.lock())
            self->slipToLeft(true, dynamic_cast<UIButton*>(&sender));
    });
    root->addSubview(m_tapToRightProduct);

    m_addToOrderBtn = std::make_shared<IconButton>(CGRectMake(826, 585, 143, 34));
    PublicFunction::initializeToButtonHeight34(m_addToOrderBtn);
    m_addToOrderBtn->setIconType(m_isInEdit ? 2 : 1);
    m_addToOrderBtn->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->addToOrder();
    });
    root->addSubview(m_addToOrderBtn);
    m_manyImagesView->setDelegate(std::static_pointer_cast<UIScrollViewDelegate>(weak.lock()));

    auto onTap = [weak](void (ProductDetailController::*action)()) {
        return [weak, action](UIControl&, UIEvent*) {
            if (auto self = weak.lock())
                ((*self).*action)();
        };
    };
    m_compareBtn->addTarget(UIControlEventTouchUpInside, onTap(&ProductDetailController::productCompare));
    m_favBtn->addTarget(UIControlEventTouchUpInside, onTap(&ProductDetailController::addProductToFavorite));
    m_relatedBtn->addTarget(UIControlEventTouchUpInside, onTap(&ProductDetailController::RelatedBtnClicked));
    m_relatedFileBtn->addTarget(UIControlEventTouchUpInside, onTap(&ProductDetailController::RelatedFileBtnClicked));
    m_deleteBtn->addTarget(UIControlEventTouchUpInside, onTap(&ProductDetailController::deleteCount));
    m_addBtn->addTarget(UIControlEventTouchUpInside, onTap(&ProductDetailController::addCount));

    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
    addValues();
}

void ProductDetailController::viewAfterFirstDidLoad()
{
    BaseViewController::viewAfterFirstDidLoad();
    m_imgIndex = 0;
    m_currentIndex = -1;
    view()->setFrame(CGRectMake(0, 0, kViewWidth, kViewHeight));
    auto weak = weakSelf<ProductDetailController>();
    auto right = std::make_shared<UISwipeGestureRecognizer>([weak](UIGestureRecognizer&) {
        if (auto self = weak.lock())
            self->slipToRight(false, nullptr);
    });
    right->direction = UISwipeGestureRecognizerDirectionRight;
    auto left = std::make_shared<UISwipeGestureRecognizer>([weak](UIGestureRecognizer&) {
        if (auto self = weak.lock())
            self->slipToLeft(false, nullptr);
    });
    left->direction = UISwipeGestureRecognizerDirectionLeft;
    view()->addGestureRecognizer(right);
    view()->addGestureRecognizer(left);
    m_swipeGestureRecognizers = { right, left };
}

void ProductDetailController::viewWillAppear(bool animated)
{
    BaseViewController::viewWillAppear(animated);
    if (auto bar = tabBar())
        bar->itemsMove(true);
    auto title = makeLabel(CGRectMake(0, 5, 1024, 30));
    title->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 20));
    title->setTextColor(UIColor::whiteColor());
    title->setTextAlignment(UITextAlignmentCenter);
    title->setText(m_productEntity && m_productEntity->product_name ? *m_productEntity->product_name : "");
    navigationItem()->titleView = title;
    refreshItemNumberInOrder();
}

void ProductDetailController::viewDidAppear(bool animated)
{
    BaseViewController::viewDidAppear(animated);
    for (const auto& scroller :
        { m_tagsChooseView, std::static_pointer_cast<UIScrollView>(m_descriptionView), m_manyImagesView }) {
        if (scroller)
            scroller->flashScrollIndicators();
    }
}

void ProductDetailController::viewDidUnload()
{
    BaseViewController::viewDidUnload();
    m_productNameTittle.reset();
    m_skuTittle.reset();
    m_priceTittle.reset();
    m_productNameLabel.reset();
    m_skuLabel.reset();
    m_priceLabel.reset();
    m_productImageView.reset();
    m_manyImagesView.reset();
    m_devideImg2.reset();
    m_devideImg3.reset();
    m_devideImg4.reset();
    m_relatedBtn.reset();
    m_relatedFileBtn.reset();
    m_compareBtn.reset();
    m_favBtn.reset();
    m_deleteBtn.reset();
    m_addBtn.reset();
    m_countTextField.reset();
    m_discountprice.reset();
    m_descriptionView.reset();
    m_tagsChooseView.reset();
    m_attributeView.reset();
    m_tapToLeftProduct.reset();
    m_tapToRightProduct.reset();
    m_addToOrderBtn.reset();
    m_swipeGestureRecognizers.clear();
}

void ProductDetailController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    if (!isViewLoaded())
        return;
    captionTexts();
    m_addToOrderBtn->reloadText();
    m_descriptionView->updateLanguage();
    reloadAttributes();
}

// Filling.

void ProductDetailController::captionTexts()
{
    m_productNameTittle->setText(text("NAME") + ":");
    m_skuTittle->setText(text("SKU") + ":");
    m_priceTittle->setText(text("PRICE") + ":");
}

void ProductDetailController::setNameAndSku()
{
    m_productNameLabel->setText(m_productEntity && m_productEntity->product_name ? *m_productEntity->product_name : "");
    const std::optional<std::string> sku = m_productEntity ? m_productEntity->product_sku : std::nullopt;
    m_skuLabel->setText(sku.value_or(""));
    m_skuTittle->setHidden(isBlank(sku));
}

void ProductDetailController::showMainImage(const std::shared_ptr<corvelle_image_Entity>& image)
{
    auto picture = PublicFunction::getLocalImageFiletype(
        image && image->image_full_address ? *image->image_full_address : "", 1);
    picture = PublicFunction::scaleImageToFitSize(picture, CGSizeMake(1024, 748));
    PublicFunction::ImageViewFitImgImg(m_productImageView, picture);
}

void ProductDetailController::makeDescriptionView(CGRect frame)
{
    if (m_descriptionView)
        m_descriptionView->removeFromSuperview();
    m_descriptionView = std::make_shared<ProductDescView>(frame);
    m_descriptionView->setShortDesc(m_productEntity ? m_productEntity->product_s_desc : std::nullopt);
    m_descriptionView->setLongDesc(m_productEntity ? m_productEntity->product_l_desc : std::nullopt);
    view()->addSubview(m_descriptionView);
}

void ProductDetailController::reloadAttributes()
{
    m_attributeView->setAttributeAry(DataAccessManager::sharedDataModel()->getProductAttributeByProductId(m_productID));
}

void ProductDetailController::setRelatedAndToggles()
{
    auto data = DataAccessManager::sharedDataModel();
    m_relatedProducts = data->getrelatedProductIDsByProductid(m_productID);
    m_relatedBtn->setHidden(!m_relatedProducts || m_relatedProducts->empty());
    m_productRelateFiles = data->getProductRelatedFilesByProductId(m_productID);
    m_relatedFileBtn->setHidden(m_productRelateFiles.empty());
    m_compareBtn->setSelected(data->getCompareByCompareId(m_productID) != nullptr);
    m_favBtn->setSelected(data->getFavoriteByFavoriteId(m_productID) != nullptr);
}

void ProductDetailController::addValues()
{
    if (!delegate())
        initTagsScrollView();
    getManyImagesShowData();
    setProductPrice();
    m_tapToLeftProduct->setHidden(m_tag == 0);
    m_tapToRightProduct->setHidden(m_productCount == 1 || m_tag + 1 == m_productCount);
    setRelatedAndToggles();
    captionTexts();
    m_relatedBtn->setBackgroundImageForState(skin("btn-related.png"), UIControlStateNormal);
    m_relatedFileBtn->setBackgroundImageForState(skin("btn-materials.png"), UIControlStateNormal);
    m_compareBtn->setBackgroundImageForState(skin("btn-addcompare.png"), UIControlStateNormal);
    m_compareBtn->setBackgroundImageForState(skin("btn-compareAdded.png"), UIControlStateSelected);
    m_favBtn->setBackgroundImageForState(skin("btn-addfav.png"), UIControlStateNormal);
    m_favBtn->setBackgroundImageForState(skin("btn-favAdded.png"), UIControlStateSelected);
    m_addBtn->setBackgroundImageForState(skin("icon-add.png"), UIControlStateNormal);
    m_deleteBtn->setBackgroundImageForState(skin("icon-remove.png"), UIControlStateNormal);
    if (!QuoteOrderStore::sharedQuoteOrderStore()->isOrderOnShow()) {
        m_deleteBtn->setHidden(true);
        m_countTextField->setHidden(true);
        m_addBtn->setHidden(true);
        m_addToOrderBtn->setHidden(true);
    }
}

void ProductDetailController::setProductPrice()
{
    auto price = DataAccessManager::sharedDataModel()->getPriceEntityByProductId(m_productID);
    if (!price)
        return;
    m_priceTittle->setHidden(price->isHidden());
    m_priceLabel->setHidden(price->isHidden());
    m_priceLabel->setText(price->strPrice());
    PublicFunction::removeDeletionLineFromLabel(m_priceLabel);
    if (price->discount_flag) {
        const CGFloat width
            = sizeWithFontConstrainedToSize(m_priceLabel->text(), m_priceLabel->font(), CGSizeMake(1e6f, 40)).width;
        const CGRect p = m_priceLabel->frame();
        m_discountprice->setFrame(CGRectMake(p.origin.x + width + 20, p.origin.y, p.size.width, p.size.height));
        m_discountprice->setText(price->strDiscountPrice());
        m_discountprice->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 20));
        m_discountprice->setTextColor(UIColor::purpleColor());
        PublicFunction::addDeletionLineToLabel(m_priceLabel);
    } else {
        m_discountprice->setText("");
        m_discountprice->setFrame(CGRectZero);
    }
}

void ProductDetailController::getManyImagesShowData()
{
    const auto subviews = m_manyImagesView->subviews();
    for (const auto& sub : subviews) {
        if (std::dynamic_pointer_cast<ProductDetailManyImageCell>(sub))
            sub->removeFromSuperview();
    }
    m_manyImagesArray = DataAccessManager::sharedDataModel()->getManyImageByKeyId(m_productID);
    if (m_manyImagesArray.size() <= 1) {
        m_manyImagesView->setHidden(true);
        return;
    }
    m_manyImagesView->setHidden(false);
    m_cellWidth = 120;
    auto weak = weakSelf<ProductDetailController>();
    CGFloat x = 0;
    for (size_t i = 0; i < m_manyImagesArray.size(); ++i) {
        auto cell = std::make_shared<ProductDetailManyImageCell>(CGRectMake(x, 0, m_cellWidth, 92));
        cell->setIsFocus(i == 0);
        cell->setProductDetailManyImageCellDelegate(
            std::static_pointer_cast<ProductDetailManyImageCellDelegate>(weak.lock()));
        cell->setTag(100 + static_cast<long>(i));
        const auto& image = m_manyImagesArray[i];
        PublicFunction::ImageViewFitImgImg(cell->productImageView(),
            PublicFunction::getLocalImageFiletype(image->image_thumb_address.value_or(""), 1));
        m_manyImagesView->addSubview(cell);
        x += m_cellWidth + 8;
    }
    m_manyImagesView->setContentSize(CGSizeMake(x - 8, m_manyImagesView->frame().size.height));
}

void ProductDetailController::scrollViewWillEndDraggingWithVelocityTargetContentOffset(
    UIScrollView& scrollView, CGPoint, CGPoint* target)
{
    if (&scrollView != m_manyImagesView.get() || !target)
        return;
    const CGFloat step = m_cellWidth + 8;
    const CGFloat x = target->x;
    if (x <= 0) {
        target->x = 0;
        return;
    }
    const CGFloat r = x - step * std::trunc(x / step);
    target->x = r - 8 < m_cellWidth * 0.5f ? x - r : x + (step - r);
}

void ProductDetailController::didSelectedManyImage(ProductDetailManyImageCell& cell)
{
    if (cell.tag() == m_imgIndex + 100)
        return;
    const long index = cell.tag() - 100;
    if (index < 0 || index >= static_cast<long>(m_manyImagesArray.size()))
        return;
    m_imgIndex = static_cast<int>(index);
    for (const auto& sub : m_manyImagesView->subviews()) {
        if (auto thumb = std::dynamic_pointer_cast<ProductDetailManyImageCell>(sub))
            thumb->setIsFocus(false);
    }
    cell.setIsFocus(true);
    const auto& image = m_manyImagesArray[static_cast<size_t>(index)];
    auto picture = PublicFunction::getLocalImageFiletype(image->image_full_address.value_or(""), 1);
    auto imageView = m_productImageView;
    UIView::animateWithDuration(
        0.35, 0, UIViewAnimationOptionCurveEaseIn, [imageView] { imageView->setAlpha(0); }, nullptr);
    PublicFunction::ImageViewFitImgImg(
        m_productImageView, PublicFunction::scaleImageToFitSize(picture, CGSizeMake(1024, 748)));
    UIView::animateWithDuration(
        0.5, 0, UIViewAnimationOptionCurveEaseOut, [imageView] { imageView->setAlpha(1); }, nullptr);
}

void ProductDetailController::initTagsScrollView()
{
    std::vector<std::string> names;
    for (const auto& tag : DataAccessManager::sharedDataModel()->getTagsByProductID(
             m_productEntity ? m_productEntity->product_id : m_productID)) {
        const std::string name = tag->tag_name.value_or("");
        if (std::find(names.begin(), names.end(), name) == names.end())
            names.push_back(name);
    }
    const auto subviews = m_tagsChooseView->subviews();
    for (const auto& sub : subviews) {
        if (std::dynamic_pointer_cast<UIButton>(sub))
            sub->removeFromSuperview();
    }
    if (m_currentTag) {
        names.erase(std::remove(names.begin(), names.end(), *m_currentTag), names.end());
        names.insert(names.begin(), *m_currentTag);
    }
    m_dataArray = names;
    auto weak = weakSelf<ProductDetailController>();
    auto font = UIFont::boldSystemFontOfSize(14);
    CGFloat x = 0;
    CGFloat widths = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        if (name.empty())
            continue;
        auto button = makeButton(CGRectMake(x, 0, 90, 35));
        button->setTag(static_cast<long>(i));
        button->addTarget(UIControlEventTouchUpInside, [weak](UIControl& sender, UIEvent*) {
            auto self = weak.lock();
            if (auto tapped = dynamic_cast<UIButton*>(&sender); self && tapped)
                self->clickOtherTags(*tapped);
        });
        button->setSelected(m_currentTag && *m_currentTag == name);
        button->setTitleForState(name, UIControlStateNormal);
        button->titleLabel()->setFont(font);
        button->setTitleColorForState(UIColor::whiteColor(), UIControlStateNormal);
        const CGFloat width = sizeWithFontConstrainedToSize(name, font, CGSizeMake(1e6f, 30)).width;
        if (width > 50) {
            CGRect frame = button->frame();
            frame.size.width = width + 20;
            button->setFrame(frame);
        }
        if (auto normal = skin("btn_tag.png"))
            button->setBackgroundImageForState(
                normal->stretchableImageWithLeftCapWidthTopCapHeight(15, 0), UIControlStateNormal);
        if (auto selected = skin("btn_tag_selected.png"))
            button->setBackgroundImageForState(
                selected->stretchableImageWithLeftCapWidthTopCapHeight(15, 0), UIControlStateSelected);
        button->setBackgroundColor(UIColor::clearColor());
        m_tagsChooseView->addSubview(button);
        x += button->frame().size.width + 10;
        widths += button->frame().size.width;
    }
    const CGFloat barWidth = m_tagsChooseView->frame().size.width;
    m_tagsChooseView->setContentSize(CGSizeMake(widths < barWidth ? barWidth : x, 0));
    m_tagsChooseView->setHidden(false);
}

void ProductDetailController::clickOtherTags(UIButton& button)
{
    const long index = button.tag();
    if (index == m_currentIndex || !m_dataArray || index < 0 || index >= static_cast<long>(m_dataArray->size()))
        return;
    m_currentIndex = static_cast<int>(index);
    for (const auto& sub : m_tagsChooseView->subviews()) {
        if (auto other = std::dynamic_pointer_cast<UIButton>(sub))
            other->setSelected(false);
    }
    button.setSelected(true);
    const std::string name = (*m_dataArray)[static_cast<size_t>(index)];
    auto& center = NSNotificationCenter::defaultCenter();
    if (MasterViewController::getCurrentState() == 0)
        center.postNotificationName("changeMasterViewState");
    center.postNotificationName("detailOnClickTagListener", Value(name));
}

void ProductDetailController::refreshData()
{
    setRelatedAndToggles();
    m_productNameLabel->setNumberOfLines(0);
    setProductPrice();
    setNameAndSku();
    m_countTextField->setText("1");
    showMainImage(DataAccessManager::sharedDataModel()->getImageByKeyId(m_productID));
    m_imgIndex = 0;
    if (m_descriptionView)
        makeDescriptionView(CGRectMake(620, 175, 352, 117));
    reloadAttributes();
    getManyImagesShowData();
    for (const auto& scroller :
        { m_tagsChooseView, std::static_pointer_cast<UIScrollView>(m_descriptionView), m_manyImagesView })
        scroller->flashScrollIndicators();
}

// Previous and next.

void ProductDetailController::takeProductAt(int index)
{
    if (!m_productArray || index < 0 || index >= static_cast<int>(m_productArray->size()))
        return;
    m_productEntity = (*m_productArray)[static_cast<size_t>(index)];
    m_productID = m_productEntity->product_id;
    if (m_dataArray) {
        initTagsScrollView();
        m_currentIndex = -1;
    }
}

void ProductDetailController::slipToRight(bool fromButton, UIButton* button)
{
    if (fromButton && button != m_tapToLeftProduct.get())
        return;
    if (m_productCount != 1)
        m_tapToRightProduct->setHidden(false);
    if (m_tag != 0 && m_productArray && m_tag - 1 < static_cast<int>(m_productArray->size())) {
        takeProductAt(m_tag - 1);
        auto transition = CATransition::animation();
        transition->duration = 0.4;
        transition->timingFunction = CAMediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseIn);
        transition->type = kCATransitionReveal;
        transition->subtype = kCATransitionFromLeft;
        view()->layer()->addAnimation(transition, "kPagePushFromLeft");
        refreshData();
        --m_tag;
        refreshTitle();
    } else {
        animateViewBouncingToRight();
    }
    m_tapToLeftProduct->setHidden(m_tag == 0);
    refreshItemNumberInOrder();
}

void ProductDetailController::slipToLeft(bool fromButton, UIButton* button)
{
    if (fromButton && button != m_tapToRightProduct.get())
        return;
    if (m_productCount != 1)
        m_tapToLeftProduct->setHidden(false);
    if (m_tag + 1 < m_productCount && m_productArray && m_tag + 1 < static_cast<int>(m_productArray->size())) {
        takeProductAt(m_tag + 1);
        auto transition = CATransition::animation();
        transition->duration = 0.4;
        transition->timingFunction = CAMediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseOut);
        transition->type = kCATransitionMoveIn;
        transition->subtype = kCATransitionFromRight;
        view()->layer()->addAnimation(transition, "kPagePushFromRight");
        refreshData();
        ++m_tag;
        refreshTitle();
    } else {
        animateViewBouncingToLeft();
    }
    m_tapToRightProduct->setHidden(m_tag + 1 == m_productCount);
    refreshItemNumberInOrder();
}

namespace {

void bounce(UIView& view, CGFloat by, const std::string& key)
{
    auto animation = CABasicAnimation::animationWithKeyPath("position.x");
    animation->toValue = static_cast<double>(view.layer()->position().x + by);
    animation->duration = 0.2;
    animation->timingFunction = CAMediaTimingFunction::functionWithName(kCAMediaTimingFunctionEaseInEaseOut);
    animation->autoreverses = true;
    animation->fillMode = kCAFillModeForwards;
    view.layer()->addAnimation(animation, key);
}

}  // namespace

void ProductDetailController::animateViewBouncingToLeft() { bounce(*view(), -100, "BouceToLeft"); }

void ProductDetailController::animateViewBouncingToRight() { bounce(*view(), 100, "BouceToRight"); }

void ProductDetailController::refreshTitle()
{
    auto label = m_lblTitle;
    if (!label)
        return;
    const std::string title
        = stringWithFormat("%@  ( %d / %d )", m_productEntity ? m_productEntity->product_name.value_or("") : "",
            m_tag + 1, m_productArray ? static_cast<int>(m_productArray->size()) : 0);
    UIView::animateWithDuration(
        0.2, [label] { label->setAlpha(0); },
        [label, title](bool) {
            UIView::animateWithDuration(0.2, [label, title] {
                label->setText(title);
                label->setAlpha(1);
            });
        });
}

void ProductDetailController::changeProductSlideshow(int direction, bool slideShow)
{
    const int count = m_productArray ? static_cast<int>(m_productArray->size()) : 0;
    int target = -1;
    if (direction == 1) {
        if (m_productCount != 1)
            m_tapToRightProduct->setHidden(false);
        if (m_tag != 0 && m_tag - 1 < count)
            target = m_tag - 1;
    } else if (direction == 2) {
        if (m_productCount != 1)
            m_tapToLeftProduct->setHidden(false);
        if (m_tag + 1 < m_productCount && m_tag + 1 < count) {
            target = m_tag + 1;
        } else if (slideShow && count > 0) {
            // Wrapping needs a list to wrap in; without one the slide show stays on this product.
            target = 0;
            m_tapToLeftProduct->setHidden(true);
            if (m_productCount != 1)
                m_tapToRightProduct->setHidden(false);
        }
    }
    if (target >= 0) {
        takeProductAt(target);
        auto weak = weakSelf<ProductDetailController>();
        PerformRequests::performAfterDelay(
            this, "refreshData",
            [weak] {
                if (auto self = weak.lock())
                    self->refreshData();
            },
            0.3);
        m_tag = target;
        refreshTitle();
    }
    if (direction == 1)
        m_tapToLeftProduct->setHidden(m_tag == 0);
    else if (direction == 2)
        m_tapToRightProduct->setHidden(m_tag + 1 == m_productCount);
    refillImageViewer();
    refreshItemNumberInOrder();
}

void ProductDetailController::dismissPopController(bool animated)
{
    if (auto bar = tabBar()) {
        const auto& controllers = bar->viewControllers();
        if (controllers.size() > 1)
            controllers[1]->dismissModalViewControllerAnimated(animated);
    }
    if (m_imageController && m_imageController->presentingViewController().get() == this)
        dismissModalViewControllerAnimated(animated);
    if (auto root = rootNavigationController(); root && root->topViewController().get() != this)
        root->popViewControllerAnimated(true);
}

// Compare and favourites.

void ProductDetailController::productCompare()
{
    auto data = DataAccessManager::sharedDataModel();
    auto toast = std::make_shared<UIToast>();
    if (data->saveToDatabaseCompareSkuName(m_productID, m_productEntity ? m_productEntity->product_sku : std::nullopt,
            m_productEntity ? m_productEntity->product_name : std::nullopt)) {
        m_compareBtn->setSelected(true);
        toast->show(text("PRODUCTADDEDTOCOMSUCCESS"));
    } else {
        data->deleteSingleCompareByCompareId(m_productID);
        m_compareBtn->setSelected(false);
        toast->show(text("PRODUCTREMOVEDFROMCOMPARSION"));
    }
}

void ProductDetailController::addProductToFavorite()
{
    auto data = DataAccessManager::sharedDataModel();
    auto toast = std::make_shared<UIToast>();
    if (data->saveToDatabaseFavoriteSkuName(m_productID, m_productEntity ? m_productEntity->product_sku : std::nullopt,
            m_productEntity ? m_productEntity->product_name : std::nullopt)) {
        m_favBtn->setSelected(true);
        toast->show(text("PRODUCTADDEDTOFAVSUCCESS"));
    } else {
        data->deleteSingleFavoriteByFavoriteId(m_productID);
        m_favBtn->setSelected(false);
        toast->show(text("PRODUCTREMOVEDFROMFAVORITE"));
    }
}

// The order corner.

int ProductDetailController::quantity() const { return NSString::intValue(m_countTextField->text()); }

std::shared_ptr<ProductDetailController> ProductDetailController::pushForOneProduct(UINavigationController& navigation,
    const std::shared_ptr<corvelle_product_Entity>& product, std::weak_ptr<ProductDetailDelegate> delegate,
    CGRect barImageFrame, std::function<void()> back)
{
    auto detail = std::make_shared<ProductDetailController>();
    detail->setProductEntity(product);
    detail->setProductID(product ? product->product_id : 0);
    detail->setDelegate(std::move(delegate));
    navigation.pushViewControllerAnimated(detail, true);

    navigation.setNavigationBarHidden(false);
    auto backButton = UIButton::buttonWithType(UIButtonTypeCustom);
    backButton->setFrame(CGRectMake(0, 0, 78, 34));
    backButton->setTitleForState(text("BACK"), UIControlStateNormal);
    PublicFunction::initializeToBackButtonHeight34(backButton);
    backButton->titleLabel()->setTextAlignment(UITextAlignmentCenter);
    backButton->addTarget(UIControlEventTouchUpInside, [back = std::move(back)](UIControl&, UIEvent*) {
        if (back)
            back();
    });
    detail->navigationItem()->leftBarButtonItem = std::make_shared<UIBarButtonItem>(backButton);
    auto bar = navigation.navigationBar();
    auto barImage = std::make_shared<UIImageView>(barImageFrame);
    barImage->setImage(SkinManager::skinFromImageName(std::string("topbar-bg.png")));
    bar->insertSubviewAtIndex(barImage, 1);

    detail->tapToLeftProduct()->setHidden(true);
    detail->tapToRightProduct()->setHidden(true);
    for (const auto& swipe : detail->swipeGestureRecognizers())
        detail->view()->removeGestureRecognizer(swipe);
    return detail;
}

void ProductDetailController::setIsInEdit(bool edit)
{
    m_isInEdit = edit;
    if (m_addToOrderBtn)
        m_addToOrderBtn->setIconType(edit ? 2 : 1);
}

void ProductDetailController::refreshItemNumberInOrder()
{
    if (!m_productEntity || !m_addToOrderBtn)
        return;
    m_productEntity->itemNumberInOrder = 0;
    QuoteOrderStore::sharedQuoteOrderStore()->getItemNumberInOrder(*m_productEntity);
    const unsigned n = m_productEntity->itemNumberInOrder;
    m_addToOrderBtn->setBadgeValueAnimated(
        n == 0 ? std::nullopt : std::optional<std::string>(std::to_string(n)), false);
}

void ProductDetailController::showNotification(const std::string& messageKey)
{
    auto alert = std::make_shared<UIAlertView>(
        text("NOTIFICATION"), text(messageKey), std::weak_ptr<UIAlertViewDelegate>(), text("OK"));
    alert->show();
}

void ProductDetailController::addToOrder()
{
    const int value = quantity();
    if (value == 0) {
        showNotification("PLEASEINPUTAPOSITIVENUMBER");
        return;
    }
    // The edit path takes the same check as the add path, so "-3" never becomes a line's quantity.
    NumericInputValidator validator;
    std::shared_ptr<NSError> error;
    if (!validator.validateInputError(*m_countTextField, &error)) {
        auto alert = std::make_shared<UIAlertView>(text("NOTIFICATION"),
            error && error->localizedFailureReason() ? *error->localizedFailureReason() : "",
            std::weak_ptr<UIAlertViewDelegate>(), text("OK"));
        alert->show();
        return;
    }
    if (value > kMaxQuantity) {
        m_countTextField->setText("1000000");
        showNotification("ORDEROVERMAX");
        return;
    }
    if (m_isInEdit) {
        auto product = DataAccessManager::sharedDataModel()->getProductByProductId(m_productID);
        if (!product)
            return;
        product->count = value;
        product->attributes = m_attributeView->attributes();
        auto target = delegate();
        if (!target)
            return;
        target->saveOrderItemIndex(product, m_itemIndex);
        target->back();
        if (m_productEntity) {
            m_productEntity->itemNumberInOrder += static_cast<unsigned>(value);
            m_addToOrderBtn->setBadgeValueAnimated(std::to_string(m_productEntity->itemNumberInOrder), true);
        }
        return;
    }
    auto store = QuoteOrderStore::sharedQuoteOrderStore();
    if (auto fresh = DataAccessManager::sharedDataModel()->getProductByProductId(m_productID))
        m_productEntity = fresh;
    if (!m_productEntity)
        return;
    store->getItemNumberInOrder(*m_productEntity);
    if (store->diffItemCYExist(*m_productEntity)) {
        auto alert = std::make_shared<UIAlertView>("", text("NOTTHESAMEMONEYCY"),
            std::static_pointer_cast<UIAlertViewDelegate>(protect<ProductDetailController>()), text("DONTSAVE"),
            std::vector<std::string> { text("SAVE") });
        alert->setTag(kCurrencyAlertTag);
        alert->show();
        return;
    }
    addProductToOrder(m_productEntity);
}

void ProductDetailController::alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex)
{
    if (alert.tag() != kCurrencyAlertTag || !m_productEntity)
        return;
    auto store = QuoteOrderStore::sharedQuoteOrderStore();
    if (buttonIndex == 0) {
        store->removeCurrentQuoteOrder();
        addProductToOrder(m_productEntity);
    } else if (buttonIndex == 1) {
        const SaveResult saved = store->saveCurrentQuoteOrder();
        refreshItemNumberInOrder();
        if (auto bar = tabBar())
            bar->setBadgeValueTabBarItemTagAnimated(std::nullopt, 5, false);
        if (saved.failed()) {
            showNotification("FAILED");
            return;
        }
        addProductToOrder(m_productEntity);
    }
}

void ProductDetailController::addProductToOrder(const std::shared_ptr<corvelle_product_Entity>& product)
{
    const auto& attributes = m_attributeView->attributeAry();
    for (size_t i = 0; i < attributes.size(); ++i) {
        if (!attributes[i]->attributeValue) {
            std::make_shared<UIToast>()->show(text("CHOOSEATTRIBUTE"));
            highlightMissingAttribute(static_cast<long>(i));
            return;
        }
    }
    product->count = quantity();
    product->attributes = m_attributeView->attributes();
    if (QuoteOrderStore::sharedQuoteOrderStore()->addToOrder(product)) {
        m_productEntity->itemNumberInOrder += static_cast<unsigned>(product->count);
        m_addToOrderBtn->setBadgeValueAnimated(std::to_string(m_productEntity->itemNumberInOrder), true);
    } else {
        std::make_shared<UIToast>()->show(text("FAILED"));
    }
}

void ProductDetailController::highlightMissingAttribute(long index)
{
    auto box = CALayer::layer();
    box->setFrame(
        CGRectMake(605 + 198 * static_cast<CGFloat>(index % 2), 397 + 78 * static_cast<CGFloat>(index / 2), 180, 80));
    box->setBackgroundColor(UIColor::clearColor()->CGColor());
    box->setBorderWidth(2);
    box->setBorderColor(valueColor()->CGColor());
    box->setOpacity(0);
    view()->layer()->addSublayer(box);
    const double now = box->convertTimeFromLayer(CACurrentMediaTime(), nullptr);
    struct Step {
        const char* key;
        double from, to, begin;
        const std::string* timing;
    };
    const Step steps[] = { { "BoxFadeIn", 0, 1, 1.0, &kCAMediaTimingFunctionEaseIn }, { "BoxStay", 1, 1, 1.5, nullptr },
        { "BoxFadeOut", 1, 0, 2.0, &kCAMediaTimingFunctionEaseOut } };
    for (const Step& step : steps) {
        auto animation = CABasicAnimation::animationWithKeyPath("opacity");
        animation->fromValue = step.from;
        animation->toValue = step.to;
        animation->beginTime = now + step.begin;
        animation->duration = 0.5;
        animation->fillMode = kCAFillModeBackwards;
        animation->removedOnCompletion = true;
        if (step.timing)
            animation->timingFunction = CAMediaTimingFunction::functionWithName(*step.timing);
        box->addAnimation(animation, step.key);
    }
    m_attributeHighlightLayer = box;
}

void ProductDetailController::deleteCount()
{
    const int value = quantity();
    if (value >= 2)
        m_countTextField->setText(stringWithFormat("%d", value - 1));
}

void ProductDetailController::addCount() { m_countTextField->setText(stringWithFormat("%d", quantity() + 1)); }

void ProductDetailController::textFieldDidBeginEditing(UITextField&)
{
    auto root = view();
    UIView::beginAnimations("ResizeForKeyBoard");
    UIView::setAnimationDuration(0.25);
    root->setFrame(CGRectMake(0, -292, root->frame().size.width, root->frame().size.height));
    UIView::commitAnimations();
}

void ProductDetailController::textFieldDidEndEditing(UITextField&)
{
    auto root = view();
    UIView::beginAnimations("ResizeForKeyboard");
    UIView::setAnimationDuration(0.25);
    root->setFrame(CGRectMake(0, 0, root->frame().size.width, root->frame().size.height));
    UIView::commitAnimations();
}

// Screens opened from here.

void ProductDetailController::onClickImage()
{
    m_countTextField->resignFirstResponder();
    std::vector<std::string> full;
    std::vector<std::string> thumbs;
    for (const auto& image : m_manyImagesArray) {
        full.push_back(image->image_full_address.value_or(""));
        thumbs.push_back(image->image_thumb_address.value_or(""));
    }
    if (full.empty())
        return;
    auto viewer = std::make_shared<ProductDetailImageController>();
    m_imageController = viewer;
    viewer->setDelegate(std::static_pointer_cast<PopControllerDelegate>(protect<ProductDetailController>()));
    viewer->setImagesArray(full);
    viewer->setThumbImagesArray(thumbs);
    viewer->setProductEntity(m_productEntity);
    viewer->setProductPrice(m_priceLabel->text());
    viewer->setProductDiscountPrice(m_discountprice->text());
    viewer->setProductTitle(m_lblTitle ? m_lblTitle->text() : "");
    viewer->setTag(m_imgIndex);
    viewer->setCachedImageIndex(m_imgIndex);
    viewer->setCurrentImageCache(m_productImageView->image());
    viewer->setModalTransitionStyle(UIModalTransitionStyleCrossDissolve);
    std::shared_ptr<UIViewController> presenter;
    if (auto bar = tabBar(); bar && bar->viewControllers().size() > 1)
        presenter = bar->viewControllers()[1];
    // Outside the main tab bar (a screen shown on its own) the detail presents it itself.
    if (!presenter)
        presenter = protect<ProductDetailController>();
    presenter->presentModalViewControllerAnimated(viewer, true);
    viewer->btnLeft()->setHidden(m_tapToLeftProduct->isHidden());
    viewer->btnRight()->setHidden(m_tapToRightProduct->isHidden());
}

void ProductDetailController::refillImageViewer()
{
    auto viewer = std::dynamic_pointer_cast<ProductDetailImageController>(m_imageController);
    if (!viewer)
        return;
    m_manyImagesArray = DataAccessManager::sharedDataModel()->getManyImageByKeyId(m_productID);
    std::vector<std::string> full;
    std::vector<std::string> thumbs;
    for (const auto& image : m_manyImagesArray) {
        full.push_back(image->image_full_address.value_or(""));
        thumbs.push_back(image->image_thumb_address.value_or(""));
    }
    viewer->setImagesArray(full);
    viewer->setThumbImagesArray(thumbs);
    viewer->setProductEntity(m_productEntity);
    auto price = DataAccessManager::sharedDataModel()->getPriceEntityByProductId(m_productID);
    viewer->setProductPrice(price ? std::optional<std::string>(price->strPrice()) : std::nullopt);
    viewer->setProductDiscountPrice(price && price->discount_flag ? price->strDiscountPrice() : "");
    viewer->setProductTitle(
        stringWithFormat("%@  ( %d / %d )", m_productEntity ? m_productEntity->product_name.value_or("") : "",
            m_tag + 1, m_productArray ? static_cast<int>(m_productArray->size()) : 0));
    viewer->setTag(0);
    viewer->btnLeft()->setHidden(m_tapToLeftProduct->isHidden());
    viewer->btnRight()->setHidden(m_tapToRightProduct->isHidden());
}

std::shared_ptr<UINavigationController> ProductDetailController::rootNavigationController()
{
    auto app = CorvelleAppDelegate::sharedAppDelegate();
    auto window = app ? app->window() : nullptr;
    if (auto root = std::dynamic_pointer_cast<UINavigationController>(window ? window->rootViewController() : nullptr))
        return root;
    // Outside the main frame (a screen shown on its own) the detail's own stack stands in.
    return navigationController();
}

void ProductDetailController::RelatedBtnClicked()
{
    auto navigation = rootNavigationController();
    if (!navigation || !m_relatedProducts)
        return;
    auto related = std::make_shared<RelatedProductViewcontroller>();
    related->setRelatedArray(*m_relatedProducts);
    related->setDelegate(std::static_pointer_cast<PopControllerDelegate>(protect<ProductDetailController>()));
    navigation->pushViewControllerAnimated(related, true);
}

void ProductDetailController::RelatedFileBtnClicked()
{
    auto navigation = rootNavigationController();
    if (!navigation)
        return;
    auto files = std::make_shared<ProductRelatedFileController>();
    files->setLibfilesArray(m_productRelateFiles);
    files->setDelegate(std::static_pointer_cast<PopControllerDelegate>(protect<ProductDetailController>()));
    navigation->pushViewControllerAnimated(files, true);
}
