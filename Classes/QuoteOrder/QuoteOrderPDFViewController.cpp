#include "Classes/QuoteOrder/QuoteOrderPDFViewController.h"

#include "Classes/Frame/FreeDismissAlertView.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Database/DataAccessManager.h"

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSError.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/UIKit/UIControl.h"
#include "Platform/UIKit/UINavigationController.h"

namespace {

bool isBlank(const std::optional<std::string>& value)
{
    return !value || value->find_first_not_of(" \t") == std::string::npos;
}

std::shared_ptr<UIButton> makeButton(CGRect frame, bool back, std::function<void()> action)
{
    auto button = UIButton::buttonWithType(UIButtonTypeCustom);
    button->setFrame(frame);
    if (back)
        PublicFunction::initializeToBackButtonHeight34(button);
    else
        PublicFunction::initializeToButtonHeight34(button);
    button->addTarget(UIControlEventTouchUpInside, [action = std::move(action)](UIControl&, UIEvent*) { action(); });
    return button;
}

void showAlert(const std::string& title, const std::string& message)
{
    auto alert = std::make_shared<UIAlertView>(title, message, std::weak_ptr<UIAlertViewDelegate>(), text("OK"));
    alert->show();
}

}  // namespace

void QuoteOrderPDFViewController::loadView()
{
    // The screen's layout: its own 44-point bar, the preview below it.
    setView(std::make_shared<UIView>(CGRectMake(0, 0, 1024, 768)));
    containerView = std::make_shared<UIScrollView>(CGRectMake(0, 44, 1024, 724));
    view()->addSubview(containerView);
}

void QuoteOrderPDFViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    auto weak = weakSelf<QuoteOrderPDFViewController>();

    imgViewTitleBar_ = std::make_shared<UIImageView>(CGRectMake(0, 0, 1024, 44));
    imgViewTitleBar_->setImage(SkinManager::skinFromImageName(std::string("topbar-bg.png")));
    view()->addSubview(imgViewTitleBar_);

    btnBack_ = makeButton(CGRectMake(15, 5, 60, 34), true, [weak] {
        if (auto self = weak.lock())
            self->btnBackClick();
    });
    btnPrintPdf_ = makeButton(CGRectMake(850, 5, 70, 34), false, [weak] {
        if (auto self = weak.lock())
            self->btnPrintPdfClick();
    });
    btnEmail_ = makeButton(CGRectMake(939, 5, 70, 34), false, [weak] {
        if (auto self = weak.lock())
            self->btnEmailClick();
    });
    view()->addSubview(btnBack_);
    view()->addSubview(btnPrintPdf_);
    view()->addSubview(btnEmail_);
    setTexts();

    if (order) {
        pdfCreater = std::make_shared<OrderPDFCreater>(
            order, CGSizeMake(1024, 1448), std::static_pointer_cast<UIViewController>(weak.lock()));
        pdfCreater->generatePdfInScrollView(containerView);
    }

    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
}

void QuoteOrderPDFViewController::viewAfterFirstDidLoad()
{
    BaseViewController::viewAfterFirstDidLoad();
    if (auto navigation = navigationController())
        navigation->setNavigationBarHidden(true);
}

void QuoteOrderPDFViewController::setTexts()
{
    btnBack_->setTitleForState(text("BACK"), UIControlStateNormal);
    btnPrintPdf_->setTitleForState(text("PRINT"), UIControlStateNormal);
    btnEmail_->setTitleForState(text("EMAIL"), UIControlStateNormal);
}

void QuoteOrderPDFViewController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    if (!btnBack_)
        return;
    setTexts();
    if (pdfCreater)
        pdfCreater->updateLanguage();
}

void QuoteOrderPDFViewController::hightVersionViewDidUnload()
{
    imgViewTitleBar_.reset();
    btnBack_.reset();
    btnPrintPdf_.reset();
    btnEmail_.reset();
    containerView.reset();
    pdfCreater.reset();
}

std::shared_ptr<Data> QuoteOrderPDFViewController::createPDFData()
{
    if (!pdfCreater)
        return std::make_shared<Data>();
    return pdfCreater->generatePDFToData();
}

// ---- Back and the signature ----

void QuoteOrderPDFViewController::btnBackClick()
{
    if (!pdfCreater || !pdfCreater->hasEditsignature) {
        if (auto navigation = navigationController())
            navigation->popViewControllerAnimated(true);
        return;
    }
    auto alert = std::make_shared<FreeDismissAlertView>(text("SAVESINGATURE"), text("SIGNATURESAVEALERT"),
        weakSelf<QuoteOrderPDFViewController>(), text("DONTSAVE"), std::vector<std::string> { text("SAVE") });
    alert->setTag(kSaveSignatureAlertTag);
    alert->show();
}

void QuoteOrderPDFViewController::alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex)
{
    if (alert.tag() != kSaveSignatureAlertTag || !order)
        return;
    if (buttonIndex == 0) {
        order->signature = std::nullopt;
    } else {
        auto data = DataAccessManager::sharedDataModel();
        // A write that fails keeps the screen and the unsaved signature, so Back asks again.
        if (!data || !data->updateOrderSignatureWithOrderId(order->signature, order->serial)) {
            showAlert(text("FAILED"), std::string());
            return;
        }
    }
    if (auto navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}

// ---- Print ----

void QuoteOrderPDFViewController::btnPrintPdfClick()
{
    auto pdf = createPDFData();
    auto controller = UIPrintInteractionController::sharedPrintInteractionController();
    if (!controller || !pdf || !UIPrintInteractionController::canPrintData(*pdf))
        return;
    auto info = UIPrintInfo::printInfo();
    info->outputType = UIPrintInfoOutputGeneral;
    controller->printInfo = info;
    controller->setDelegate(weakSelf<QuoteOrderPDFViewController>());
    controller->printingItemData = *pdf;
    controller->presentFromRectInViewAnimatedCompletionHandler(btnPrintPdf_->frame(), view(), true,
        [](UIPrintInteractionController&, bool completed, const std::shared_ptr<NSError>& error) {
            if (!completed && error)
                NSLog("FAILED! due to error in domain %@ with error code %u", error->domain(), error->code());
        });
}

void QuoteOrderPDFViewController::printInteractionControllerDidFinishJob(UIPrintInteractionController&)
{
    NSLog("printInteractionControllerDidFinishJob success");
}

// ---- Mail ----

void QuoteOrderPDFViewController::btnEmailClick()
{
    if (!MFMailComposeViewController::canSendMail()) {
        showAlert(text("NOTIFICATION"), text("NOEMAILCONFIG"));
        return;
    }
    displayComposerSheet();
}

void QuoteOrderPDFViewController::displayComposerSheet()
{
    auto composer = std::make_shared<MFMailComposeViewController>();
    composer->setMailComposeDelegate(weakSelf<QuoteOrderPDFViewController>());
    composer->setToRecipients({});
    auto pdf = createPDFData();
    composer->addAttachmentDataMimeTypeFileName(pdf ? *pdf : Data(), "pdf", "Order.pdf");
    if (order && !isBlank(order->customerName))
        composer->setSubject(stringWithFormat("[%@-%@]", text("ORDER"), *order->customerName));
    else
        composer->setSubject(stringWithFormat("[%@]", text("ORDER")));
    presentViewControllerAnimatedCompletion(composer, true, nullptr);
}

void QuoteOrderPDFViewController::mailComposeControllerDidFinishWithResultError(
    MFMailComposeViewController&, MFMailComposeResult result, const std::shared_ptr<NSError>&)
{
    if (result == MFMailComposeResultSent)
        showAlert(text("FILEHAVSBEENEMAILED"), std::string());
    else if (result == MFMailComposeResultFailed)
        showAlert(text("MAILFAILED"), std::string());
    dismissViewControllerAnimatedCompletion(true, nullptr);
}
