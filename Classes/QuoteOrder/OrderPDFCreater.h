#pragma once

// Lays out one quote order on the page-layout engine: the company logo, the
// customer block, the order block (one ruled table row per order line, then
// the totals) and the signature line. It fills a scroll view with the preview
// (the engine's view plus a live image view for the signature) and makes the
// PDF that is printed and mailed, always carrying the signature on screen.
// Rules are bars of a one-pixel bundle image; every caption comes from the
// language tables, so the document follows the interface language.

#include "Classes/QuoteOrder/CVPDFCreater.h"

#include "Database/QuoteOrderEntity.h"

#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UIViewController.h"

#include <functional>
#include <memory>
#include <vector>

class OrderPDFCreater : public CVPDFCreater, public std::enable_shared_from_this<OrderPDFCreater> {
public:
    // init: no order, a zero page size and no presenting screen.
    OrderPDFCreater()
        : OrderPDFCreater(nullptr, CGSizeMake(0, 0), {})
    {
    }
    // initWithOrder:pageSize:rootViewController:
    OrderPDFCreater(
        std::shared_ptr<QuoteOrderEntity> order, CGSize pageSize, std::weak_ptr<UIViewController> rootViewController);

    std::shared_ptr<QuoteOrderEntity> order;
    std::weak_ptr<UIScrollView> pdfScrollView;
    std::weak_ptr<UIViewController> rootViewController;
    std::shared_ptr<UIImageView> signatureValue;
    bool hasEditsignature = false;

    void generatePdfInScrollView(const std::shared_ptr<UIScrollView>& view);
    void updateLanguage();
    std::shared_ptr<Data> generatePDFToData() override;
    std::shared_ptr<CVPDFCellArray> additionalFooterInPage(int page) override;

    // What the signature screen hands back on Done (nil when nothing was drawn).
    void signatureBlock(const std::shared_ptr<UIImage>& image);
    // A tap on the empty signature area of an order not yet uploaded: opens
    // the signature screen from the presenting screen, or asks for a customer.
    void signatureTapped(UIGestureRecognizer& recognizer);

    // Building steps, run in this order by generatePdfInScrollView.
    void addLogoImageView();
    void addCustomerInfoLabels();
    void addOrderLabels();
    void addOneOrderItemIndex(const std::shared_ptr<QuoteOrderItemEntity>& item, int index);
    void addOneDiscountLineWithLeftStringRightString(const std::string& left, const std::string& right);
    void addSignatureLabels();
    void addSignatureImageView();
    void addLineFromPointToPointWidth(CGPoint from, CGPoint to, int width);

    // The signature's cell in the PDF.
    static constexpr int kSignatureCellTag = 5001;

private:
    void buildDocument();
    void addFullWidthRule(int width);
    void addVerticals(const std::vector<float>& xs, float height);
    void addTextCell(CGRect frame, const std::string& text, const std::shared_ptr<UIFont>& font, int alignment);
    std::shared_ptr<UIImage> lineImage();

    std::shared_ptr<UIImage> m_lineImage;
};
