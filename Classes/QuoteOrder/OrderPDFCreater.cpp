#include "Classes/QuoteOrder/OrderPDFCreater.h"

#include "Classes/QuoteOrder/CVPDFCreaterImageCell.h"
#include "Classes/QuoteOrder/CVPDFCreaterStringCell.h"
#include "Classes/QuoteOrder/PainterViewController.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Database/DataAccessManager.h"

#include "Platform/Foundation/Format.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"

#include <algorithm>
#include <array>

namespace {

constexpr float kContentWidth = 904;

// The table's columns, their widths fractions of the content width in single
// precision and each x the sum of the widths before it.
struct Column {
    const char* header;
    float x;
    float width;
};

std::array<Column, 10> columns()
{
    const std::array<float, 10> divisors { 22.5f, 7.2f, 9, 18, 6, 18, 12, 12, 9, 7.2f };
    const std::array<const char*, 10> headers { "NUMBER", "IMAGE", "NAME", "SKU", "DETAILS", "QTY", "PRICE", "DISCOUNT",
        "DISCOUNTEDPRICE", "ITEMIZEDTOTAL" };
    std::array<Column, 10> result {};
    float x = 0;
    for (size_t i = 0; i < result.size(); ++i) {
        float width = kContentWidth / divisors[i];
        result[i] = { headers[i], x, width };
        x += width;
    }
    return result;
}

bool isBlank(const std::optional<std::string>& value)
{
    return !value || value->find_first_not_of(" \t") == std::string::npos;
}

// A text cell of `width` whose height is not known yet: the cell measures its
// text with the layout it will draw with, and the row takes the height after.
std::shared_ptr<CVPDFCreaterStringCell> growingCell(
    float x, float width, const std::optional<std::string>& value, const std::shared_ptr<UIFont>& font, int alignment)
{
    return std::make_shared<CVPDFCreaterStringCell>(
        CGRectMake(x, 10, width, 0), value, font, UIColor::blackColor(), alignment);
}

float heightOf(const std::shared_ptr<CVPDFCreaterStringCell>& cell)
{
    return static_cast<float>(cell->textHeightForWidth(cell->frameInLine.size.width));
}

std::shared_ptr<UIFont> titleFont() { return UIFont::boldSystemFontOfSize(19); }
std::shared_ptr<UIFont> labelFont() { return UIFont::boldSystemFontOfSize(16); }
std::shared_ptr<UIFont> valueFont() { return UIFont::systemFontOfSize(15); }
std::shared_ptr<UIFont> boldFont() { return UIFont::boldSystemFontOfSize(15); }

}

OrderPDFCreater::OrderPDFCreater(
    std::shared_ptr<QuoteOrderEntity> quoteOrder, CGSize pageSize, std::weak_ptr<UIViewController> root)
    : CVPDFCreater(pageSize)
    , order(std::move(quoteOrder))
    , rootViewController(std::move(root))
{
}

std::shared_ptr<UIImage> OrderPDFCreater::lineImage()
{
    if (!m_lineImage)
        m_lineImage = UIImage::imageNamed("Line_Pixel_1x1.png");
    return m_lineImage;
}

void OrderPDFCreater::addLineFromPointToPointWidth(CGPoint from, CGPoint to, int width)
{
    // One point longer, so that bars overlap at the corners.
    if (from.x != to.x)
        to.x += 1;
    else
        to.y += 1;
    CGRect frame;
    if (from.y == to.y && from.x != to.x)
        frame = CGRectMake(from.x, from.y, to.x - from.x, width);
    else if (from.x == to.x && from.y != to.y)
        frame = CGRectMake(from.x, from.y, width, to.y - from.y);
    else
        return;
    addCell(std::make_shared<CVPDFCreaterImageCell>(frame, lineImage()));
}

void OrderPDFCreater::addFullWidthRule(int width)
{
    addLineFromPointToPointWidth(CGPointMake(0, 0), CGPointMake(kContentWidth, 0), width);
}

void OrderPDFCreater::addVerticals(const std::vector<float>& xs, float height)
{
    for (float x : xs) {
        int width = (x == 0 || x == kContentWidth) ? 2 : 1;
        addLineFromPointToPointWidth(CGPointMake(x, 0), CGPointMake(x, height), width);
    }
}

void OrderPDFCreater::addTextCell(
    CGRect frame, const std::string& value, const std::shared_ptr<UIFont>& font, int alignment)
{
    addCell(std::make_shared<CVPDFCreaterStringCell>(frame, value, font, UIColor::blackColor(), alignment));
}

void OrderPDFCreater::buildDocument()
{
    clearAllCell();
    beginNewPage();
    addLogoImageView();
    addCustomerInfoLabels();
    addOrderLabels();
    addSignatureLabels();
}

void OrderPDFCreater::generatePdfInScrollView(const std::shared_ptr<UIScrollView>& view)
{
    if (view && view == pdfScrollView.lock()) {
        auto subviews = view->subviews();
        for (const auto& subview : subviews)
            subview->removeFromSuperview();
    } else {
        pdfScrollView = view;
    }
    if (!order)
        return;
    buildDocument();
    auto pdfView = generatePDFToView();
    if (view) {
        view->addSubview(pdfView);
        view->setContentSize(pdfView->frame().size);
    }
    addSignatureImageView();
}

void OrderPDFCreater::updateLanguage()
{
    auto view = pdfScrollView.lock();
    if (view) {
        auto subviews = view->subviews();
        for (const auto& subview : subviews)
            subview->removeFromSuperview();
    }
    if (!order)
        return;
    buildDocument();
    auto pdfView = generatePDFToView();
    if (view) {
        view->addSubview(pdfView);
        view->setContentSize(pdfView->frame().size);
        if (signatureValue)
            view->addSubview(signatureValue);
    }
}

void OrderPDFCreater::addLogoImageView()
{
    beginNewLine();
    if (SkinManager::hasCustomerImage(std::string("homelogo.png")))
        addCell(std::make_shared<CVPDFCreaterImageCell>(
            CGRectMake(0, 0, 222, 51), SkinManager::skinFromImageName(std::string("homelogo.png"))));
    else
        addSpacing(120);
}

void OrderPDFCreater::addCustomerInfoLabels()
{
    beginNewLine();
    addSpacing(10);
    beginNewLine();
    addTextCell(CGRectMake(0, 10, kContentWidth, 40), text("CUSTOMERINFO"), titleFont(), 1);
    beginNewLine();
    addFullWidthRule(2);
    beginNewLine();

    const float wide = kContentWidth * 2.0f / 3.0f;
    const float half = kContentWidth * 7.0f / 30.0f;
    const float narrow = kContentWidth * 23.0f / 180.0f;
    struct Field {
        const char* label;
        float labelX;
        const std::optional<std::string>* value;
        float valueX;
        float valueWidth;
    };
    struct Row {
        std::vector<Field> fields;
        std::vector<float> verticals;
    };
    const QuoteOrderEntity& o = *order;
    const std::vector<Row> rows {
        { { { "NAME", 0, &o.customerName, 266, wide } }, { 0, 256, kContentWidth } },
        { { { "STREETADDRESS", 0, &o.customerAddress, 266, wide } }, { 0, 256, kContentWidth } },
        { { { "CITY", 0, &o.city, 266, half }, { "STATE", 502, &o.state, 778, narrow } },
            { 0, 256, 502, 768, kContentWidth } },
        { { { "ZIPCODE", 0, &o.zip_code, 266, half }, { "PHONE", 502, &o.phoneNumber, 778, narrow } },
            { 0, 256, 502, 768, kContentWidth } },
        { { { "BANKACCOUNT", 0, &o.bankAccount, 266, wide } }, { 0, 256, kContentWidth } },
    };
    for (size_t r = 0; r < rows.size(); ++r) {
        const Row& row = rows[r];
        float h = 40;
        std::vector<std::shared_ptr<CVPDFCreaterStringCell>> values;
        for (const Field& field : row.fields) {
            values.push_back(growingCell(field.valueX, field.valueWidth, *field.value, valueFont(), 0));
            h = std::max(h, heightOf(values.back()));
        }
        for (size_t f = 0; f < row.fields.size(); ++f) {
            addTextCell(CGRectMake(row.fields[f].labelX, 10, 246, h), text(row.fields[f].label), labelFont(), 2);
            values[f]->frameInLine.size.height = h;
            addCell(values[f]);
        }
        addVerticals(row.verticals, h + 10);
        beginNewLine();
        if (r + 1 < rows.size()) {
            addFullWidthRule(1);
            beginNewLine();
        } else {
            // Left pending: the order block's first spacing places it.
            addFullWidthRule(2);
        }
    }
}

void OrderPDFCreater::addOrderLabels()
{
    addSpacing(20);
    beginNewLine();
    addTextCell(CGRectMake(0, 10, kContentWidth, 40), text("ORDERFORM"), titleFont(), 1);
    beginNewLine();

    addFullWidthRule(2);
    addTextCell(CGRectMake(100.4444f, 10, 426.8889f, 40),
        stringWithFormat("%@: %@", text("ORDERNUMBER"), order->number.value_or("")), boldFont(), 0);
    addVerticals({ 0, kContentWidth }, 50);
    beginNewLine();
    addFullWidthRule(1);
    beginNewLine();

    auto note = growingCell(
        567.5111f, 326.4444f, stringWithFormat("%@: %@", text("NOTE"), order->customerNote()), boldFont(), 0);
    float h = std::max(40.0f, heightOf(note));
    addTextCell(CGRectMake(100.4444f, 10, 426.8889f, h),
        stringWithFormat("%@: %@", text("ORDERTIME"), order->mdate.value_or("")), boldFont(), 0);
    note->frameInLine.size.height = h;
    addCell(note);
    addVerticals({ 0, 467.0667f, kContentWidth }, h + 10);
    beginNewLine();

    addFullWidthRule(1);
    const auto table = columns();
    for (const Column& column : table)
        addTextCell(CGRectMake(column.x, 10, column.width, 40), text(column.header), boldFont(), 1);
    for (const Column& column : table)
        addLineFromPointToPointWidth(CGPointMake(column.x, 0), CGPointMake(column.x, 50), column.x == 0 ? 2 : 1);
    addLineFromPointToPointWidth(CGPointMake(kContentWidth, 0), CGPointMake(kContentWidth, 50), 2);

    int index = 1;
    for (const auto& item : order->items)
        if (item)
            addOneOrderItemIndex(item, index++);

    addOneDiscountLineWithLeftStringRightString(text("ORIGINALTOTAL"), order->strOriginalTotal());
    addOneDiscountLineWithLeftStringRightString(text("TOTAL"), order->strTotal());
    addOneDiscountLineWithLeftStringRightString(text("DISCOUNT"), stringWithFormat("%.2f%%", order->discountRat));
    addOneDiscountLineWithLeftStringRightString(text("DISCOUNTEDTOTAL"), order->strDiscount());
    beginNewLine();
    addFullWidthRule(2);
}

void OrderPDFCreater::addOneOrderItemIndex(const std::shared_ptr<QuoteOrderItemEntity>& item, int index)
{
    beginNewLine();
    addFullWidthRule(1);
    const auto table = columns();
    auto details = growingCell(table[4].x, table[4].width, item->attributes, valueFont(), 1);
    float h = std::max(80.0f, heightOf(details));

    std::shared_ptr<UIImage> thumbnail;
    if (item->product) {
        auto dataAccess = DataAccessManager::sharedDataModel();
        auto record = dataAccess ? dataAccess->getImageByKeyId(item->product->product_id) : nullptr;
        if (record && record->image_thumb_address)
            thumbnail = PublicFunction::getLocalImageFiletype(*record->image_thumb_address, 1);
    }
    std::string discount = item->price < 0 ? "-   " : stringWithFormat("%.2f%%", item->discontRat());
    const std::array<std::optional<std::string>, 10> values { stringWithFormat("%d", index), std::nullopt, item->name,
        item->sku, item->attributes, stringWithFormat("%d", item->quantity), item->strPrice(), discount,
        item->strFinalPrice(), item->strSubtotal() };
    for (size_t i = 0; i < table.size(); ++i) {
        if (i == 1) {
            addCell(std::make_shared<CVPDFCreaterImageCell>(CGRectMake(table[i].x, 7, table[i].width, h), thumbnail));
            continue;
        }
        if (i == 4) {
            details->frameInLine.size.height = h;
            addCell(details);
            continue;
        }
        // The itemized total sits in a cell narrower than its header.
        float width = i == 9 ? table[8].width : table[i].width;
        addCell(std::make_shared<CVPDFCreaterStringCell>(
            CGRectMake(table[i].x, 10, width, h), values[i], valueFont(), UIColor::blackColor(), 1));
    }
    for (const Column& column : table)
        addLineFromPointToPointWidth(CGPointMake(column.x, 0), CGPointMake(column.x, h + 10), column.x == 0 ? 2 : 1);
    addLineFromPointToPointWidth(CGPointMake(kContentWidth, 0), CGPointMake(kContentWidth, h + 10), 2);
}

void OrderPDFCreater::addOneDiscountLineWithLeftStringRightString(const std::string& left, const std::string& right)
{
    beginNewLine();
    addFullWidthRule(1);
    addTextCell(CGRectMake(0, 10, 452, 40), left, boldFont(), 2);
    addTextCell(CGRectMake(482.1333f, 10, 552.4444f, 40), right, boldFont(), 0);
    addVerticals({ 0, 467.0667f, kContentWidth }, 50);
}

void OrderPDFCreater::addSignatureLabels()
{
    beginNewLine();
    addTextCell(CGRectMake(0, 80, 722.9333f, 80), stringWithFormat("%@: ", text("SIGNATUREOFCUSTOMER")), boldFont(), 2);
    addLineFromPointToPointWidth(CGPointMake(722.9333f, 135), CGPointMake(854.9333f, 135), 2);
}

void OrderPDFCreater::addSignatureImageView()
{
    signatureValue = std::make_shared<UIImageView>(CGRectMake(722.9333f, currentContentHeight() - 157, 192, 132));
    signatureValue->setBackgroundColor(UIColor::clearColor());
    if (!isBlank(order->signature)) {
        if (auto image = SkinManager::string2Image(order->signature))
            signatureValue->setImage(image);
    }
    if (auto view = pdfScrollView.lock())
        view->addSubview(signatureValue);
    // A signed or uploaded order is final: only an empty area of an open order can be signed.
    if (!signatureValue->image() && !order->isUploaded()) {
        std::weak_ptr<OrderPDFCreater> weak = weak_from_this();
        signatureValue->addGestureRecognizer(std::make_shared<UITapGestureRecognizer>([weak](UIGestureRecognizer& r) {
            if (auto self = weak.lock())
                self->signatureTapped(r);
        }));
        signatureValue->setUserInteractionEnabled(true);
    }
}

void OrderPDFCreater::signatureTapped(UIGestureRecognizer&)
{
    auto root = rootViewController.lock();
    if (!root || !order)
        return;
    if (isBlank(order->customerName)) {
        auto alert = std::make_shared<UIAlertView>(
            text("NOTIFICATION"), text("SELECTCUSTOMERALERT"), std::weak_ptr<UIAlertViewDelegate>(), text("OK"));
        alert->show();
        return;
    }
    auto painter = std::make_shared<PainterViewController>();
    std::weak_ptr<OrderPDFCreater> weak = weak_from_this();
    painter->block = [weak](const std::shared_ptr<UIImage>& image) {
        if (auto self = weak.lock())
            self->signatureBlock(image);
    };
    root->presentViewControllerAnimatedCompletion(painter, true, nullptr);
}

void OrderPDFCreater::signatureBlock(const std::shared_ptr<UIImage>& image)
{
    if (!image || !signatureValue || !order)
        return;
    signatureValue->setImage(PublicFunction::scaleImageToFitSize(image, CGSizeMake(192, 132)));
    order->signature = SkinManager::image2String(signatureValue->image());
    hasEditsignature = true;
}

std::shared_ptr<Data> OrderPDFCreater::generatePDFToData()
{
    auto image = signatureValue ? signatureValue->image() : nullptr;
    auto existing = std::dynamic_pointer_cast<CVPDFCreaterImageCell>(cellWithTag(kSignatureCellTag));
    if (existing) {
        existing->image = image;
    } else {
        // 157 above the line's top and no height to it: exactly where the preview's image view sits.
        auto cell = std::make_shared<CVPDFCreaterImageCell>(CGRectMake(662.9333f, -157, 192, 132), image);
        cell->tagOfCell = kSignatureCellTag;
        addCell(cell);
    }
    return CVPDFCreater::generatePDFToData();
}

std::shared_ptr<CVPDFCellArray> OrderPDFCreater::additionalFooterInPage(int)
{
    auto rule = std::make_shared<CVPDFCreaterImageCell>(CGRectMake(0, 0, kContentWidth, 1), lineImage());
    rule->frameInContainer = CGRectMake(leftMargin, currentContentHeight(), kContentWidth, 1);
    return std::make_shared<CVPDFCellArray>(CVPDFCellArray { rule });
}
