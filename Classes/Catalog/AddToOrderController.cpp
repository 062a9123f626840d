#include "Classes/Catalog/AddToOrderController.h"

#include "Classes/Catalog/CatalogText.h"
#include "Classes/Catalog/ProductAttributeView.h"
#include "Classes/Frame/IconButton.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/NumericInputValidator.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Classes/Frame/UIToast.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Database/DataAccessManager.h"
#include "Platform/Foundation/NSError.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/QuartzCore/CAAnimation.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UITextField.h"

namespace {

std::shared_ptr<UIColor> attributeRed()
{
    return UIColor::colorWithRedGreenBlueAlpha(176 / 255.0, 48 / 255.0, 96 / 255.0, 1);
}

void showQuantityAlert(const std::string& message)
{
    auto alert = std::make_shared<UIAlertView>(
        text("NOTIFICATION"), message, std::weak_ptr<UIAlertViewDelegate>(), text("OK"));
    alert->show();
}

std::shared_ptr<CABasicAnimation> opacityStep(double from, double to, double begin, const std::string& curve)
{
    auto animation = CABasicAnimation::animationWithKeyPath("opacity");
    animation->fromValue = from;
    animation->toValue = to;
    animation->beginTime = begin;
    animation->duration = 0.5;
    animation->removedOnCompletion = true;
    if (!curve.empty())
        animation->timingFunction = CAMediaTimingFunction::functionWithName(curve);
    return animation;
}

}  // namespace

void AddToOrderController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    auto weak = weakSelf<AddToOrderController>();
    view()->setBackgroundColor(UIColor::whiteColor());

    m_attributeView = ProductAttributeView::initWithFrame(CGRectMake(24, 2, 354, 160));
    m_attributeView->setScrollEnabled(false);
    m_attributeView->setBackgroundColor(UIColor::clearColor());
    m_attributeView->setAttributeColor(attributeRed());
    m_attributeView->setOpaque(true);
    view()->addSubview(m_attributeView);

    m_line = std::make_shared<UIImageView>(CGRectMake(3, 177, 395, 1));
    m_line->setImage(UIImage::imageNamed("productDetaildivideline.png"));
    view()->addSubview(m_line);

    m_deleteBtn = UIButton::buttonWithType(UIButtonTypeCustom);
    m_deleteBtn->setFrame(CGRectMake(24, 198, 28, 28));
    m_deleteBtn->setBackgroundImageForState(
        SkinManager::skinFromImageName(std::string("icon-remove.png")), UIControlStateNormal);
    m_deleteBtn->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->deleteCount();
    });
    view()->addSubview(m_deleteBtn);

    m_countTextField = std::make_shared<UITextField>(CGRectMake(73, 198, 54, 30));
    m_countTextField->setTextAlignment(UITextAlignmentCenter);
    m_countTextField->setBorderStyle(UITextBorderStyleRoundedRect);
    m_countTextField->setContentVerticalAlignment(UIControlContentVerticalAlignmentCenter);
    m_countTextField->setBackground(SkinManager::skinFromImageName(std::string("input.png")));
    m_countTextField->setText("1");
    view()->addSubview(m_countTextField);

    m_addBtn = UIButton::buttonWithType(UIButtonTypeCustom);
    m_addBtn->setFrame(CGRectMake(146, 198, 28, 28));
    m_addBtn->setBackgroundImageForState(
        SkinManager::skinFromImageName(std::string("icon-add.png")), UIControlStateNormal);
    m_addBtn->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->addCount();
    });
    view()->addSubview(m_addBtn);

    m_addToOrderBtn = std::make_shared<IconButton>(CGRectMake(230, 198, 143, 34));
    m_addToOrderBtn->setIconType(1);
    PublicFunction::initializeToButtonHeight34(m_addToOrderBtn);
    m_addToOrderBtn->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->addToOrderOKButtonClicked();
    });
    view()->addSubview(m_addToOrderBtn);

    loadAttributes();
    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
}

void AddToOrderController::loadAttributes()
{
    if (!m_product_Entity)
        return;
    auto attributes
        = DataAccessManager::sharedDataModel()->getProductAttributeByProductId(m_product_Entity->product_id);
    if (!attributes.empty())
        m_attributeView->setAttributeAry(attributes);
}

void AddToOrderController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    if (!isViewLoaded())
        return;
    m_addToOrderBtn->reloadText();
    loadAttributes();
}

void AddToOrderController::deleteCount()
{
    const int count = NSString::intValue(m_countTextField->text());
    if (count >= 2)
        m_countTextField->setText(std::to_string(count - 1));
}

void AddToOrderController::addCount()
{
    const int count = NSString::intValue(m_countTextField->text());
    // The reading saturates, so the field never wraps to a negative count.
    m_countTextField->setText(std::to_string(static_cast<long>(count) + 1));
}

std::optional<int> AddToOrderController::checkedQuantity(UITextField& field)
{
    const int count = NSString::intValue(field.text());
    if (count == 0) {
        showQuantityAlert(text("PLEASEINPUTAPOSITIVENUMBER"));
        return std::nullopt;
    }
    std::shared_ptr<NSError> error;
    if (!NumericInputValidator().validateInputError(field, &error)) {
        showQuantityAlert(
            error ? error->localizedFailureReason().value_or(error->localizedDescription()) : std::string());
        return std::nullopt;
    }
    if (count > kMaxCount) {
        field.setText(std::to_string(kMaxCount));
        showQuantityAlert(text("ORDEROVERMAX"));
        return std::nullopt;
    }
    return count;
}

void AddToOrderController::addToOrderOKButtonClicked()
{
    if (!m_product_Entity)
        return;
    const auto& records = m_attributeView->attributeAry();
    for (size_t i = 0; i < records.size(); ++i) {
        // A field whose value list is missing offers nothing to pick; asking
        // for it would keep the product out of the order for good.
        if (!records[i]->attributeList)
            continue;
        if (!records[i]->attributeValue) {
            std::make_shared<UIToast>()->show(text("CHOOSEATTRIBUTE"));
            flashAttributeBox(i);
            return;
        }
    }
    const auto count = checkedQuantity(*m_countTextField);
    if (!count)
        return;
    m_product_Entity->attributes = m_attributeView->attributes();
    m_product_Entity->count = *count;
    if (auto d = delegate())
        d->addProductToOrderWithProductCellIndex(m_product_Entity, m_cellIndex);
}

void AddToOrderController::flashAttributeBox(size_t index)
{
    const CGFloat column = static_cast<CGFloat>(index % 2);
    const CGFloat row = static_cast<CGFloat>(index / 2);
    auto box = std::make_shared<CALayer>();
    box->setFrame(CGRectMake(10 + 198 * column, 10 + 78 * row, 180, 80));
    box->setBorderWidth(2);
    box->setBorderColor(attributeRed()->CGColor());
    box->setOpacity(0);
    view()->layer()->addSublayer(box);
    const double now = box->convertTimeFromLayer(CACurrentMediaTime(), nullptr);
    box->addAnimation(opacityStep(0, 1, now + 1.0, kCAMediaTimingFunctionEaseIn), "BoxFadeIn");
    box->addAnimation(opacityStep(1, 1, now + 1.5, std::string()), "BoxStay");
    box->addAnimation(opacityStep(1, 0, now + 2.0, kCAMediaTimingFunctionEaseOut), "BoxFadeOut");
    m_lastFlashBox = box;
}

void AddToOrderController::showCurrencyAlert(std::weak_ptr<UIAlertViewDelegate> delegate)
{
    auto alert = std::make_shared<UIAlertView>(std::string(), text("NOTTHESAMEMONEYCY"), std::move(delegate),
        text("DONTSAVE"), std::vector<std::string> { text("SAVE") });
    alert->setTag(kCurrencyAlertTag);
    alert->show();
}

bool AddToOrderController::settleOtherCurrencyOrder(long buttonIndex)
{
    auto store = QuoteOrderStore::sharedQuoteOrderStore();
    if (buttonIndex == 0) {
        store->removeCurrentQuoteOrder();
    } else if (buttonIndex == 1 && store->saveCurrentQuoteOrder().failed()) {
        auto alert = std::make_shared<UIAlertView>(
            text("NOTIFICATION"), text("FAILED"), std::weak_ptr<UIAlertViewDelegate>(), text("OK"));
        alert->show();
        return false;
    }
    return true;
}

void AddToOrderController::clearOrderTabBadge()
{
    auto app = CorvelleAppDelegate::sharedAppDelegate();
    if (auto tabs = app ? app->tabBarController() : nullptr)
        tabs->setBadgeValueTabBarItemTagAnimated(std::nullopt, UITabBarControllerExt::TabQuoteOrder, false);
}

bool AddToOrderController::prepareAttributes(corvelle_product_Entity& product)
{
    product.count = 1;
    auto records = DataAccessManager::sharedDataModel()->getProductAttributeByProductId(product.product_id);
    bool needsChoice = false;
    for (const auto& record : records) {
        if (CatalogText::isBlank(record->attributeList))
            continue;
        const auto values = CatalogText::splitList(record->attributeList);
        if (values.size() == 1)
            record->attributeValue = values.front();
        else
            needsChoice = true;
    }
    if (!needsChoice)
        product.attributes = choiceString(records);
    return needsChoice;
}

std::string AddToOrderController::choiceString(const EntityList<product_attribute_cell_Entity>& records)
{
    std::string choices;
    for (const auto& record : records) {
        if (CatalogText::isBlank(record->attributeValue))
            continue;
        choices += record->fieldName.value_or(std::string()) + ":" + *record->attributeValue + ",";
    }
    if (!choices.empty() && choices.back() == ',')
        choices.pop_back();
    return choices;
}
