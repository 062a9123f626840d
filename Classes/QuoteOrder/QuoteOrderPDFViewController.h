#pragma once

// The order as a document: a scrolling preview of the order PDF under the
// screen's own bar with Back, Print and Email. The quote-order editor pushes
// it with the order being edited; the customer signs on the preview (the
// creator presents the signature screen), and Back asks whether to keep a new
// signature, writing it to the order's row on SAVE. It owns the creator.

#include "Classes/Frame/BaseViewController.h"
#include "Classes/QuoteOrder/OrderPDFCreater.h"

#include "Database/QuoteOrderEntity.h"

#include "Platform/UIKit/MFMailComposeViewController.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UIPrintInteractionController.h"
#include "Platform/UIKit/UIScrollView.h"

#include <memory>

class QuoteOrderPDFViewController : public BaseViewController,
                                    public UIPrintInteractionControllerDelegate,
                                    public UIAlertViewDelegate,
                                    public MFMailComposeViewControllerDelegate {
public:
    static constexpr long kSaveSignatureAlertTag = 1000;

    void loadView() override;
    void viewDidLoad() override;
    void viewAfterFirstDidLoad() override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;
    void hightVersionViewDidUnload() override;

    void btnBackClick();
    void btnPrintPdfClick();
    void btnEmailClick();
    void displayComposerSheet();
    std::shared_ptr<Data> createPDFData();

    void printInteractionControllerDidFinishJob(UIPrintInteractionController&) override;
    void mailComposeControllerDidFinishWithResultError(MFMailComposeViewController& controller,
        MFMailComposeResult result, const std::shared_ptr<NSError>& error) override;
    void alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex) override;

    std::shared_ptr<UIImageView> imgViewTitleBar_;
    std::shared_ptr<UIButton> btnBack_;
    std::shared_ptr<UIButton> btnPrintPdf_;
    std::shared_ptr<UIButton> btnEmail_;
    std::shared_ptr<UIScrollView> containerView;
    std::shared_ptr<QuoteOrderEntity> order;
    std::shared_ptr<OrderPDFCreater> pdfCreater;

private:
    void setTexts();
};
