#include "App/OrderRoadTour.h"

#include "App/DemoTour.h"
#include "App/SessionTour.h"
#include "App/TourSignatureCheck.h"
#include "Classes/Catalog/CatalogViewController.h"
#include "Classes/Catalog/DetailCell.h"
#include "Classes/Catalog/DetailViewController.h"
#include "Classes/Catalog/ProductAttributeView.h"
#include "Classes/Catalog/ProductDetailController.h"
#include "Classes/Frame/BadgeButton.h"
#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/IconButton.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "Classes/Frame/MessageBox.h"
#include "Classes/Frame/RKTextField.h"
#include "Classes/Frame/SearchResultTableView.h"
#include "Classes/Frame/TabBarItemButton.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Classes/QuoteOrder/OrderPDFCreater.h"
#include "Classes/QuoteOrder/PainterViewController.h"
#include "Classes/QuoteOrder/QuoteOrderItemsTableViewCell.h"
#include "Classes/QuoteOrder/QuoteOrderPDFViewController.h"
#include "Classes/Frame/QuoteOrderStore.h"
#include "Classes/QuoteOrder/QuoteOrderViewController.h"
#include "Database/DataAccessManager.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Dispatch.h"
#include "Platform/UIKit/MFMailComposeViewController.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UIPrintInteractionController.h"
#include "Platform/UIKit/UIPrintPanel.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UITableView.h"
#include "Platform/UIKit/UIWindow.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace {

void say(const std::string& line)
{
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

std::shared_ptr<UIWindow> keyWindow() { return UIApplication::sharedApplication()->keyWindow(); }

CGPoint centreOf(const UIView& view)
{
    const CGRect b = view.bounds();
    return view.convertPointToView(CGPointMake(CGRectGetMidX(b), CGRectGetMidY(b)), nullptr);
}

// A finger down and up at a point of the window, as a person taps.
void tapAt(CGPoint point)
{
    static int finger = 950;
    auto window = keyWindow();
    if (!window)
        return;
    ++finger;
    window->handleTouch(finger, UITouchPhaseBegan, point);
    window->handleTouch(finger, UITouchPhaseEnded, point);
}

bool tap(const std::shared_ptr<UIView>& view)
{
    if (!view || view->isHidden() || !view->window())
        return false;
    tapAt(centreOf(*view));
    return true;
}

// Whether a tap at the middle of `view` reaches it, rather than something lying over it.
bool reachable(const std::shared_ptr<UIView>& view)
{
    auto window = keyWindow();
    if (!view || view->isHidden() || !window || view->window() != window)
        return false;
    auto hit = window->hitTestWithEvent(centreOf(*view), nullptr);
    return hit && (hit == view || hit->isDescendantOfView(view.get()));
}

// Taps the field, types the text and ends with the return key.
bool typeInto(const std::shared_ptr<UITextField>& field, const std::string& text)
{
    auto window = keyWindow();
    if (!window || !tap(field) || !field->isFirstResponder())
        return false;
    while (!field->text().empty()) {
        const size_t before = field->text().size();
        window->handleBackspace();
        if (field->text().size() >= before)
            break;
    }
    window->handleText(text);
    window->handleReturnKey();
    return true;
}

std::shared_ptr<UIAlertView> visibleAlert(UIView& root)
{
    auto subs = root.subviews();
    for (auto it = subs.rbegin(); it != subs.rend(); ++it) {
        if (auto alert = std::dynamic_pointer_cast<UIAlertView>(*it); alert && alert->isVisible())
            return alert;
        if (auto found = visibleAlert(**it))
            return found;
    }
    return nullptr;
}

std::shared_ptr<UIAlertView> visibleAlert()
{
    auto window = keyWindow();
    return window ? visibleAlert(*window) : nullptr;
}

// Taps the button of the alert on screen that has the title; false when none has.
bool answerAlert(const std::string& title)
{
    auto alert = visibleAlert();
    if (!alert)
        return false;
    for (long i = 0; i < alert->numberOfButtons(); ++i)
        if (alert->buttonTitleAtIndex(i) == title)
            return tap(alert->buttonAtIndex(i));
    return false;
}

std::shared_ptr<UITabBarControllerExt> tabBar()
{
    auto app = CorvelleAppDelegate::sharedAppDelegate();
    return app ? app->tabBarController() : nullptr;
}

std::shared_ptr<UINavigationController> selectedStack()
{
    auto bar = tabBar();
    return bar ? std::dynamic_pointer_cast<UINavigationController>(bar->selectedViewController()) : nullptr;
}

template <class T> std::shared_ptr<T> topOfSelectedStack()
{
    auto navigation = selectedStack();
    return navigation ? std::dynamic_pointer_cast<T>(navigation->topViewController()) : nullptr;
}

std::shared_ptr<CatalogViewController> catalogue()
{
    auto bar = tabBar();
    if (!bar || bar->viewControllers().size() <= static_cast<size_t>(UITabBarControllerExt::TabCatalog))
        return nullptr;
    auto navigation
        = std::dynamic_pointer_cast<UINavigationController>(bar->viewControllers()[UITabBarControllerExt::TabCatalog]);
    return navigation ? std::dynamic_pointer_cast<CatalogViewController>(navigation->viewControllers().front())
                      : nullptr;
}

std::shared_ptr<DetailCell> tile(long index)
{
    auto screen = catalogue();
    auto grid = screen && screen->grid() ? screen->grid()->productShowView() : nullptr;
    return grid ? std::dynamic_pointer_cast<DetailCell>(grid->cellForItemAtIndex(static_cast<NSUInteger>(index)))
                : nullptr;
}

std::optional<std::string> currencyOf(int productId)
{
    auto data = DataAccessManager::sharedDataModel();
    auto price = data ? data->getPriceEntityByProductId(productId) : nullptr;
    return price ? price->currency : std::nullopt;
}

// A tile on screen whose add button a finger can reach (none under the
// category pane), other than `besides` and, when one is given, of a product
// priced in the same currency (an order holds one currency).
std::shared_ptr<DetailCell> reachableTile(int besides = 0)
{
    const auto wanted = besides ? currencyOf(besides) : std::nullopt;
    for (long index = 0; index < 40; ++index) {
        auto cell = tile(index);
        if (!cell || !reachable(cell->addOrderBtn()) || cell->productId() == besides)
            continue;
        if (besides && currencyOf(cell->productId()) != wanted)
            continue;
        return cell;
    }
    return nullptr;
}

struct RoadState {
    int firstProduct = 0;
    bool submitted = false;
    std::string outcome;
    bool mailed = false;
    std::string printed;  // the print job's end as the PDF screen logged it
};

std::shared_ptr<ProductDetailController> productDetail()
{
    auto screen = catalogue();
    auto stack = screen ? screen->detailController() : nullptr;
    return stack ? std::dynamic_pointer_cast<ProductDetailController>(stack->topViewController()) : nullptr;
}

std::shared_ptr<QuoteOrderViewController> editor() { return topOfSelectedStack<QuoteOrderViewController>(); }

std::shared_ptr<QuoteOrderPDFViewController> pdfScreen() { return topOfSelectedStack<QuoteOrderPDFViewController>(); }

std::shared_ptr<MFMailComposeViewController> composer()
{
    auto pdf = pdfScreen();
    return pdf ? std::dynamic_pointer_cast<MFMailComposeViewController>(pdf->presentedViewController()) : nullptr;
}

std::shared_ptr<UIPrintPanelViewController> printPanel()
{
    auto printer = UIPrintInteractionController::isPrintingAvailable()
        ? UIPrintInteractionController::sharedPrintInteractionController()
        : nullptr;
    return printer ? printer->printPanel() : nullptr;
}

std::shared_ptr<PainterViewController> painter()
{
    auto bar = tabBar();
    auto presented = bar ? bar->presentedViewController() : nullptr;
    return std::dynamic_pointer_cast<PainterViewController>(presented);
}

std::shared_ptr<QuoteOrderItemsTableViewCell> orderLine(long row)
{
    auto screen = editor();
    if (!screen)
        return nullptr;
    return std::dynamic_pointer_cast<QuoteOrderItemsTableViewCell>(
        screen->tableItems()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(row, 0)));
}

std::string describeOrder(const QuoteOrderEntity& order)
{
    std::string lines;
    for (const auto& item : order.items) {
        if (!item)
            continue;
        lines += stringWithFormat("\n  %d x %@ (%@) at %@%@", item->quantity, item->name.value_or(""),
            item->attributes.value_or("no attributes"), item->strFinalPrice(),
            item->discontRat() < 100 ? stringWithFormat(", %.2f%% of list", item->discontRat()) : std::string());
    }
    return stringWithFormat("order %@ for %@, %d lines, total %@, discounted total %@%@",
        order.number.value_or("(no number yet)"), order.customerName.value_or("(no customer)"),
        static_cast<int>(order.items.size()), order.strTotal(), order.strDiscount(), lines);
}

}  // namespace

void OrderRoadTour::addSteps(DemoTour& tour)
{
    auto state = std::make_shared<RoadState>();

    // In English, as the salesperson of the sample company works; then the catalogue.
    tour.addStep(
        "",
        []() {
            LanguageManager::sharedInstance()->setCurrentLanguage(1);
            auto bar = tabBar();
            tap(bar ? bar->catalogBtn() : nullptr);
        },
        1.0);
    // From a tile of the grid: a product whose attributes each have one value goes straight in.
    tour.addStep(
        "order_1_added_from_tile",
        [state]() {
            auto first = reachableTile();
            if (!first || !tap(first->addOrderBtn())) {
                say("Order road: no product tile to add from");
                return;
            }
            state->firstProduct = first->productId();
            auto order = QuoteOrderStore::sharedQuoteOrderStore()->curQuoteOrder;
            say("Order road: added from a tile: "
                + (order && !order->items.empty() ? order->items.back()->name.value_or("") : std::string("nothing")));
        },
        1.0);

    // From a product's own screen, with its attributes shown and taken.
    tour.addStep(
        "",
        [state]() {
            auto second = reachableTile(state->firstProduct);
            tap(second ? second->bgImageView() : nullptr);
        },
        1.5);
    // Each attribute chosen on the product's screen: its button, then the first value offered.
    tour.addStep(
        "order_2_product_detail",
        []() {
            auto detail = productDetail();
            auto attributes = detail ? detail->attributeView() : nullptr;
            if (!attributes)
                return;
            for (size_t i = 0; i < attributes->attributeAry().size(); ++i) {
                if (!tap(attributes->viewWithTag(ProductAttributeView::kButtonTagBase + static_cast<long>(i))))
                    continue;
                auto list = attributes->attributeListView();
                if (!attributes->showList() || !list)
                    continue;
                list->layoutIfNeeded();
                tap(list->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 0)));
            }
        },
        1.0);
    tour.addStep(
        "order_3_added_from_detail",
        []() {
            auto detail = productDetail();
            if (!detail || !tap(detail->addToOrderBtn())) {
                say("Order road: no product detail to add from");
                return;
            }
            auto order = QuoteOrderStore::sharedQuoteOrderStore()->curQuoteOrder;
            if (order && !order->items.empty())
                say("Order road: added from the product's screen: " + order->items.back()->name.value_or("") + " with "
                    + order->items.back()->attributes.value_or("no attributes"));
        },
        1.0);
    tour.addStep(
        "",
        []() {
            auto screen = catalogue();
            tap(screen ? screen->btnBack() : nullptr);
        },
        0.8);

    // The quote-order tab opens the new order in the editor.
    tour.addStepUntil(
        "order_4_editor",
        []() {
            auto bar = tabBar();
            tap(bar ? bar->quoteOrderBtn() : nullptr);
        },
        []() { return editor() != nullptr; }, 5);

    // A customer picked from the list the name field offers.
    tour.addStepUntil(
        "order_5_customer",
        []() {
            auto screen = editor();
            if (!screen || !tap(screen->txtCustomerName()))
                return;
            auto list = screen->tableResult() ? screen->tableResult()->tableView() : nullptr;
            if (!screen->popResult() || !screen->popResult()->isPopoverVisible() || !list
                || list->numberOfRowsInSection(0) == 0) {
                say("Order road: the customer list did not open");
                return;
            }
            list->layoutIfNeeded();
            auto row = list->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 0));
            tap(row);
            say("Order road: customer " + screen->txtCustomerName()->text());
        },
        []() {
            auto screen = editor();
            return screen && screen->popResult() && !screen->popResult()->isPopoverVisible();
        },
        3);

    // 10% off the first line, by its rate, then the order's total brought down by its own field.
    tour.addStep(
        "order_6_line_discount",
        []() {
            auto line = orderLine(0);
            if (!line || !typeInto(line->txtDiscountRat(), "90"))
                say("Order road: the line's discount could not be typed");
        },
        1.0);
    tour.addStep(
        "order_7_order_discount",
        []() {
            auto screen = editor();
            if (!screen || !screen->quoteOrder())
                return;
            // A round figure a little under the total.
            const double total = screen->quoteOrder()->total();
            const long offered = static_cast<long>(total * 0.95);
            if (!typeInto(screen->txtDiscountedTotal(), std::to_string(offered)))
                say("Order road: the order's discounted total could not be typed");
            else
                say("Order road: discounts given, " + describeOrder(*screen->quoteOrder()));
        },
        1.0);

    // The order as its PDF, signed on the preview's signature place.
    tour.addStepUntil(
        "order_8_pdf",
        []() {
            auto screen = editor();
            tap(screen ? screen->btnViewPdf() : nullptr);
        },
        []() { return pdfScreen() != nullptr; }, 5);
    tour.addStepUntil(
        "order_9_signing",
        []() {
            auto pdf = pdfScreen();
            auto signature = pdf && pdf->pdfCreater ? pdf->pdfCreater->signatureValue : nullptr;
            auto scroll = pdf ? pdf->containerView : nullptr;
            if (!signature || !scroll) {
                say("Order road: the PDF has no place to sign");
                return;
            }
            // Scrolled down to the signature place, as a person would.
            const CGRect place = signature->frame();
            const CGFloat bottom = scroll->contentSize().height - scroll->bounds().size.height;
            scroll->setContentOffsetAnimated(
                CGPointMake(0, std::max<CGFloat>(0, std::min(bottom, place.origin.y - 200))), false);
            tap(signature);
        },
        []() { return painter() != nullptr; }, 5);
    tour.addStep(
        "order_10_signature",
        []() {
            auto pad = painter();
            auto window = keyWindow();
            if (!pad || !window || !pad->canvasView)
                return;
            // A quick scrawl across the signing area.
            const CGRect area = pad->canvasView->convertRectToView(pad->canvasView->bounds(), nullptr);
            const CGFloat left = area.origin.x + area.size.width * 0.2, width = area.size.width * 0.6;
            const CGFloat middle = area.origin.y + area.size.height * 0.5, height = area.size.height * 0.25;
            const int finger = 990;
            window->handleTouch(finger, UITouchPhaseBegan, CGPointMake(left, middle));
            for (int i = 1; i <= 24; ++i) {
                const CGFloat x = left + width * static_cast<CGFloat>(i) / 24;
                const CGFloat y = middle + ((i % 4) < 2 ? -height : height) * static_cast<CGFloat>(i % 2 ? 0.5 : 1);
                window->handleTouch(finger, UITouchPhaseMoved, CGPointMake(x, y));
            }
            window->handleTouch(finger, UITouchPhaseEnded, CGPointMake(left + width, middle));
        },
        0.8);
    // Done: the signature comes back onto the preview once the pad has gone.
    tour.addStep(
        "order_11_signed",
        []() {
            auto pad = painter();
            if (!pad || !pad->naviBar)
                return;
            const CGRect done = pad->naviBar->rightItemFrame();
            tapAt(pad->naviBar->convertPointToView(CGPointMake(CGRectGetMidX(done), CGRectGetMidY(done)), nullptr));
        },
        2.0);
    // The PDF that is printed and mailed carries the strokes just drawn.
    tour.addStep(
        "",
        []() {
            auto pdf = pdfScreen();
            auto data = pdf && pdf->pdfCreater ? pdf->pdfCreater->generatePDFToData() : nullptr;
            std::string report = "there is no PDF";
            const bool shown = data && TourPdfShowsSignature(*data, report);
            say(std::string("Order road: the signed PDF ") + (shown ? "shows the signature: " : "lacks the signature: ")
                + report);
        },
        0.1);

    // Back to the editor, keeping the signature.
    tour.addStepUntil(
        "",
        []() {
            auto pdf = pdfScreen();
            if (!pdf)
                return;
            tap(pdf->btnBack_);
            answerAlert(Language::stringOrKey("SAVE"));
        },
        []() { return editor() != nullptr; }, 5);

    tour.addStep(
        "order_12_saved",
        []() {
            auto screen = editor();
            if (!screen || !tap(screen->btnSave()))
                return;
            if (visibleAlert())
                say("Order road: saving asked: " + visibleAlert()->message());
            else if (screen->quoteOrder())
                say("Order road: saved, " + describeOrder(*screen->quoteOrder()));
        },
        1.0);

    // Submitted to the company server; the editor says how it went.
    tour.addStepUntil(
        "order_13_submitted",
        [state]() {
            auto screen = editor();
            if (!screen || !tap(screen->btnSubmit())) {
                say("Order road: nothing to submit");
                state->submitted = true;
                return;
            }
            say("Order road: submitting");
        },
        [state]() {
            if (state->submitted)
                return true;
            auto alert = visibleAlert();
            if (!alert || MessageBox::sharedInstance()->waitMsgBoxtag() != 0)
                return false;
            state->submitted = true;
            state->outcome = alert->message();
            return true;
        },
        30);
    tour.addStep(
        "",
        [state]() {
            auto screen = editor();
            if (!state->outcome.empty())
                say("Order road: the server answered the submission: " + state->outcome);
            if (screen && screen->quoteOrder())
                say(std::string("Order road: the order now ")
                    + (screen->quoteOrder()->isUploaded() ? "submitted" : "not submitted") + ": "
                    + describeOrder(*screen->quoteOrder()));
            if (auto alert = visibleAlert(); alert && alert->numberOfButtons() > 0)
                tap(alert->buttonAtIndex(0));
        },
        0.5);
    // The signed order mailed to the buyer through the mail composer, and printed through the print panel.
    // The PDF screen tells how a print job ended only in its log; the tour reads it there.
    SessionTour::watchLogLines([state](const std::string& line) {
        if (line.find("printInteractionControllerDidFinishJob") != std::string::npos
            || line.find("FAILED!") != std::string::npos)
            dispatch_async(dispatch_get_main_queue(), [state, line] { state->printed = line; });
    });
    tour.addStepUntil(
        "",
        []() {
            auto screen = editor();
            tap(screen ? screen->btnViewPdf() : nullptr);
        },
        []() { return pdfScreen() != nullptr; }, 5);
    tour.addStepUntil(
        "",
        []() {
            auto pdf = pdfScreen();
            tap(pdf ? pdf->btnEmail_ : nullptr);
        },
        []() { return composer() != nullptr || visibleAlert() != nullptr; }, 5);
    tour.addStep(
        "order_13_mail_composer",
        []() {
            auto mail = composer();
            if (!mail) {
                auto alert = visibleAlert();
                say("Order road: no mail composer: " + (alert ? alert->message() : std::string("nothing shown")));
                if (alert)
                    answerAlert(Language::stringOrKey("OK"));
                return;
            }
            if (!typeInto(mail->toField(), "buyer@harbour.example"))
                say("Order road: the buyer's address could not be typed");
        },
        0.8);
    tour.addStepUntil(
        "order_13_mail_sent",
        [state]() {
            auto mail = composer();
            if (!mail || !tap(mail->sendButton())) {
                state->mailed = true;
                return;
            }
            say("Order road: mailing the signed order to buyer@harbour.example");
        },
        [state]() {
            if (state->mailed)
                return true;
            if (composer() || !visibleAlert())
                return false;
            state->mailed = true;
            say("Order road: the mail composer answered: " + visibleAlert()->title());
            return true;
        },
        60);
    tour.addStepUntil(
        "order_13_print_panel",
        []() {
            answerAlert(Language::stringOrKey("OK"));
            auto pdf = pdfScreen();
            tap(pdf ? pdf->btnPrintPdf_ : nullptr);
        },
        []() { return printPanel() != nullptr; }, 10);
    tour.addStepUntil(
        "order_13_printed",
        [state]() {
            auto panel = printPanel();
            if (!panel) {
                say("Order road: no print panel: printing is not available");
                state->printed = "not available";
                return;
            }
            say("Order road: printing the signed order on \"" + panel->chosenPrinter().title() + "\"");
            tap(panel->printButton());
        },
        [state]() { return !state->printed.empty(); }, 120);
    tour.addStep(
        "",
        [state]() {
            if (state->printed.find("success") != std::string::npos)
                say("Order road: the print job completed");
            else
                say("Order road: the print job did not complete: "
                    + (state->printed.empty() ? std::string("no answer") : state->printed));
        },
        0.1);
    tour.addStepUntil(
        "",
        []() {
            auto pdf = pdfScreen();
            tap(pdf ? pdf->btnBack_ : nullptr);
        },
        []() { return editor() != nullptr; }, 5);
    tour.addStep(
        "order_14_orders",
        []() {
            auto screen = editor();
            tap(screen ? screen->btnOrderList() : nullptr);
        },
        1.0);
}
