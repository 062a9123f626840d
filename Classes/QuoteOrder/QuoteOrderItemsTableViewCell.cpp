#include "Classes/QuoteOrder/QuoteOrderItemsTableViewCell.h"

#include "Classes/Frame/NumericInputValidator.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/RKTextField.h"
#include "Classes/QuoteOrder/QuoteOrderThumbnailCache.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UILabel.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <unordered_map>

namespace {

constexpr CGFloat kFieldHeight = 30;
constexpr CGFloat kEditableY = 38;
constexpr CGFloat kReadOnlyY = 40;
constexpr CGFloat kPriceFitWidth = 100;
constexpr CGFloat kBorderAllowance = 15;

std::string withoutGrouping(const std::string& text)
{
    return PublicFunction::stringRemoveTagStrTag(text, std::string(",")).value_or(std::string());
}

std::shared_ptr<UILabel> clearLabel(CGRect frame)
{
    auto label = std::make_shared<UILabel>(frame);
    label->setBackgroundColor(UIColor::clearColor());
    return label;
}

std::shared_ptr<RKTextField> numericField(CGRect frame, UITextAlignment alignment)
{
    auto field = std::make_shared<RKTextField>(frame);
    field->setBorderStyle(UITextBorderStyleRoundedRect);
    field->setTextAlignment(alignment);
    field->keyboardType = UIKeyboardTypeNumberPad;
    field->setInputValidator(std::make_shared<NumericInputValidator>());
    return field;
}

// Editable fields have a rounded border at y 38; the others none, at y 40.
void setFieldEditable(const std::shared_ptr<RKTextField>& field, bool editable, CGFloat x, CGFloat width)
{
    field->setEnabled(editable);
    field->setBorderStyle(editable ? UITextBorderStyleRoundedRect : UITextBorderStyleNone);
    field->setFrame(CGRectMake(x, editable ? kEditableY : kReadOnlyY, width, kFieldHeight));
}

}  // namespace

QuoteOrderItemsTableViewCell::QuoteOrderItemsTableViewCell(
    UITableViewCellStyle style, const std::optional<std::string>& reuseIdentifier)
    : UITableViewCell(style, reuseIdentifier)
{
    m_imageImageView = std::make_shared<UIButton>(CGRectMake(5, 10, 156, 80));

    m_nameLabel = clearLabel(CGRectMake(161, 8, 140, 40));
    m_nameLabel->setFont(UIFont::systemFontOfSize(15));
    m_nameLabel->setNumberOfLines(2);

    m_skuLabel = clearLabel(CGRectMake(161, 52, 140, 40));
    m_skuLabel->setFont(UIFont::systemFontOfSize(14));
    m_skuLabel->setTextColor(UIColor::grayColor());
    m_skuLabel->setNumberOfLines(2);

    m_attributesLabel = clearLabel(CGRectMake(315, 0, 150, 100));
    m_attributesLabel->setFont(UIFont::systemFontOfSize(15));
    m_attributesLabel->setNumberOfLines(0);

    m_quantityTextField = numericField(CGRectMake(480, 37, 60, kFieldHeight), UITextAlignmentCenter);

    m_priceLabel = clearLabel(CGRectMake(548, 35, 110, 30));
    m_priceLabel->setTextAlignment(UITextAlignmentRight);
    m_priceLabel->setTextColor(UIColor::colorWithRedGreenBlueAlpha(176 / 255.0, 48 / 255.0, 96 / 255.0, 1));

    m_txtDiscountRat = numericField(CGRectMake(667, 37, 68, kFieldHeight), UITextAlignmentRight);
    // Small enough for one sign in the narrow frames.
    m_lblPercentFlag = clearLabel(CGRectMake(735, 35, 15, 30));
    m_lblPercentFlag->setFont(UIFont::systemFontOfSize(13));
    m_lblPercentFlag->setText("%");
    m_lblDiscountCurrency = clearLabel(CGRectMake(762, 35, 10, 30));
    m_lblDiscountCurrency->setFont(UIFont::systemFontOfSize(13));
    m_txtDiscountPrice = numericField(CGRectMake(775, 37, 120, kFieldHeight), UITextAlignmentRight);

    m_subTotalLabel = clearLabel(CGRectMake(900, 35, 110, 30));
    m_subTotalLabel->setTextAlignment(UITextAlignmentRight);

    for (const std::shared_ptr<UIView>& view : std::initializer_list<std::shared_ptr<UIView>> { m_imageImageView,
             m_nameLabel, m_skuLabel, m_attributesLabel, m_quantityTextField, m_priceLabel, m_txtDiscountRat,
             m_lblPercentFlag, m_lblDiscountCurrency, m_txtDiscountPrice, m_subTotalLabel })
        contentView()->addSubview(view);
}

std::shared_ptr<QuoteOrderItemsTableViewCell> QuoteOrderItemsTableViewCell::make(
    const std::optional<std::string>& reuseIdentifier)
{
    auto cell = std::make_shared<QuoteOrderItemsTableViewCell>(UITableViewCellStyleDefault, reuseIdentifier);
    // The fields and the thumbnail report to the cell, which may go before them.
    std::weak_ptr<QuoteOrderItemsTableViewCell> weak = cell;
    for (const auto& field : { cell->m_quantityTextField, cell->m_txtDiscountRat, cell->m_txtDiscountPrice })
        field->setDelegate(std::weak_ptr<UITextFieldDelegate>(cell));
    cell->m_imageImageView->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        auto self = weak.lock();
        if (!self)
            return;
        if (auto d = self->delegate())
            d->tapImage(self->tag());
    });
    return cell;
}

void QuoteOrderItemsTableViewCell::setQuoteOrderItem(std::shared_ptr<QuoteOrderItemEntity> item)
{
    m_quoteOrderItem = std::move(item);
    if (!m_quoteOrderItem)
        return;
    const QuoteOrderItemEntity& line = *m_quoteOrderItem;
    const std::string sign = PublicFunction::flagWithCurrency(line.currency);

    m_txtDiscountRat->setText(stringWithFormat("%.2f", line.discontRat()));

    showThumbnail();

    m_nameLabel->setText(line.product ? line.product->product_name.value_or(std::string()) : std::string());
    m_skuLabel->setText(line.sku.value_or(std::string()));
    m_attributesLabel->setText(line.attributesShow());

    m_lblDiscountCurrency->setText(sign);
    m_priceLabel->setText(sign + PublicFunction::doubleFormate(line.price));
    m_txtDiscountPrice->setText(PublicFunction::doubleFormate(line.finalPrice));
    m_subTotalLabel->setText(sign + PublicFunction::doubleFormate(line.subtotal()));
    m_quantityTextField->setText(PublicFunction::intFormate(line.quantity));
}

void QuoteOrderItemsTableViewCell::showThumbnail()
{
    auto& cache = QuoteOrderThumbnailCache::sharedInstance();
    const auto& line = m_quoteOrderItem;
    const std::string path = line->product ? cache.imagePathForProduct(line->product->product_id)
                                           : PublicFunction::filePathWithNameFiletype("", 1);
    std::weak_ptr<QuoteOrderItemsTableViewCell> weak = self();
    std::weak_ptr<QuoteOrderItemEntity> shown = line;
    auto thumbnail = cache.thumbnailForPathSizeCompletion(
        path, m_imageImageView->frame().size, [weak, shown](const std::shared_ptr<UIImage>& image) {
            // A reused cell may show another line by the time the picture is read.
            auto cell = weak.lock();
            auto item = shown.lock();
            if (cell && item && cell->m_quoteOrderItem == item)
                cell->setThumbnail(image);
        });
    // Until the picture is read the box stays empty rather than keep another line's.
    setThumbnail(thumbnail);
}

void QuoteOrderItemsTableViewCell::setThumbnail(const std::shared_ptr<UIImage>& image)
{
    if (image && image == m_shownThumbnail)
        return;
    m_shownThumbnail = image;
    PublicFunction::ImageViewSetImgImg(m_imageImageView, image);
}

void QuoteOrderItemsTableViewCell::applyFieldStates()
{
    const bool quantityEditable = !m_readOnly;
    const bool priceEditable = !m_readOnly && m_couldModifyPrice && !m_isNullPrice;
    setFieldEditable(m_quantityTextField, quantityEditable, 480, 60);
    setFieldEditable(m_txtDiscountRat, priceEditable, 667, 68);
    setFieldEditable(m_txtDiscountPrice, priceEditable, 775, 120);
}

void QuoteOrderItemsTableViewCell::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    applyFieldStates();
}

void QuoteOrderItemsTableViewCell::setCouldModifyPrice(bool could)
{
    m_couldModifyPrice = could;
    if (!m_readOnly)
        applyFieldStates();
}

void QuoteOrderItemsTableViewCell::setIsNullPrice(bool isNull)
{
    m_isNullPrice = isNull;
    const UITextAlignment alignment = isNull ? UITextAlignmentCenter : UITextAlignmentRight;
    m_priceLabel->setTextAlignment(alignment);
    m_txtDiscountRat->setTextAlignment(alignment);
    m_txtDiscountPrice->setTextAlignment(alignment);
    if (!isNull)
        return;
    m_priceLabel->setText("-");
    m_txtDiscountRat->setText("-");
    m_txtDiscountPrice->setText("-");
    m_lblPercentFlag->setText("");
    m_lblDiscountCurrency->setText("");
    setFieldEditable(m_txtDiscountRat, false, 667, 68);
    setFieldEditable(m_txtDiscountPrice, false, 775, 120);
}

// Laying text out costs more than all the rest of a cell's fill, and
// scrolling a long order measures the same prices again and again.
CGFloat QuoteOrderItemsTableViewCell::measuredTextWidth(const std::string& text, const UIFontRef& font, CGSize box)
{
    static std::unordered_map<std::string, CGFloat> widths;
    std::string key = font ? font->fontName() : std::string();
    for (const double number : { static_cast<double>(font ? font->pointSize() : 0), static_cast<double>(box.width),
             static_cast<double>(box.height) }) {
        char digits[32];
        key += '|';
        key.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
    }
    key += '|';
    key += text;
    if (auto it = widths.find(key); it != widths.end())
        return it->second;
    if (widths.size() >= 4096)
        widths.clear();
    const CGFloat width = sizeWithFontConstrainedToSize(text, font, box).width;
    widths.emplace(std::move(key), width);
    return width;
}

void QuoteOrderItemsTableViewCell::fitDiscountPrice()
{
    const CGRect field = m_txtDiscountPrice->frame();
    const CGFloat textWidth = measuredTextWidth(
        m_txtDiscountPrice->text(), m_txtDiscountPrice->font(), CGSizeMake(kPriceFitWidth, field.size.height));
    const bool bordered = !m_readOnly && m_couldModifyPrice;
    const CGFloat width = bordered ? textWidth + kBorderAllowance : textWidth;
    const CGFloat x = m_subTotalLabel->frame().origin.x - 10 - width;
    m_txtDiscountPrice->setFrame(CGRectMake(x, field.origin.y, width, field.size.height));
    CGRect currency = m_lblDiscountCurrency->frame();
    currency.origin.x = x - currency.size.width;
    m_lblDiscountCurrency->setFrame(currency);
}

void QuoteOrderItemsTableViewCell::textFieldDidBeginEditing(UITextField& field)
{
    m_editingFieldOldValue = field.text();
    if (!field.text().empty())
        field.setText(withoutGrouping(field.text()));
    if (auto d = delegate())
        d->QuoteOrderItemCellBeginEdit(self());
}

bool QuoteOrderItemsTableViewCell::textFieldShouldReturn(UITextField& field)
{
    field.resignFirstResponder();
    return true;
}

void QuoteOrderItemsTableViewCell::textFieldDidEndEditing(UITextField& field)
{
    auto* edited = dynamic_cast<RKTextField*>(&field);
    if (!edited)
        return;
    auto keep = self();
    edited->setTraget(std::weak_ptr<UIAlertViewDelegate>(keep));
    if (!edited->validate()) {
        // The alert has told the user; the line keeps what it held.
        edited->setText(m_editingFieldOldValue);
    } else {
        const double listPrice = m_quoteOrderItem ? m_quoteOrderItem->price : 0;
        if (edited == m_quantityTextField.get()) {
            edited->setText(PublicFunction::intFormate(NSString::intValue(edited->text())));
        } else if (edited == m_txtDiscountRat.get()) {
            // The rate is kept in single precision, as the stored rates are.
            float rate = static_cast<float>(NSString::doubleValue(edited->text()));
            if (rate > 100)
                rate = 100;
            const float absolute = static_cast<float>(PublicFunction::absoluteDiscountRatFromShown(rate));
            m_txtDiscountPrice->setText(stringWithFormat("%.2lf", static_cast<double>(absolute) * listPrice / 100));
            edited->setText(PublicFunction::doubleFormate(rate));
        } else if (edited == m_txtDiscountPrice.get()) {
            double price = NSString::doubleValue(edited->text());
            if (price >= listPrice)
                price = listPrice;
            float rate = 100;
            if (price != 0 && listPrice != 0)
                rate = static_cast<float>(price * 100 / listPrice);
            m_txtDiscountRat->setText(
                stringWithFormat("%.2lf", std::round(PublicFunction::shownDiscountRatFromAbsolute(rate))));
            edited->setText(PublicFunction::doubleFormate(price));
        }
        fitDiscountPrice();
        writeLineFromFields();
    }
    if (auto d = delegate())
        d->QuoteOrderItemCellChanged(keep);
}

void QuoteOrderItemsTableViewCell::writeLineFromFields()
{
    if (!m_quoteOrderItem)
        return;
    QuoteOrderItemEntity& line = *m_quoteOrderItem;
    line.quantity = NSString::intValue(withoutGrouping(m_quantityTextField->text()));
    line.setDiscontRat(NSString::doubleValue(withoutGrouping(m_txtDiscountRat->text())));
    line.finalPrice = NSString::doubleValue(withoutGrouping(m_txtDiscountPrice->text()));
    line.setSubtotal(line.subtotal());
    m_subTotalLabel->setText(stringWithFormat(
        "%@%@", PublicFunction::flagWithCurrency(line.currency), PublicFunction::doubleFormate(line.subtotal())));
}
