#include "Classes/QuoteOrder/PainterViewController.h"
#include "Classes/QuoteOrder/QuoteOrderPDFViewController.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/SkinManager.h"
#include "Database/DataAccessManager.h"
#include "Database/SQLiteLayer/SQLDatabase.h"
#include "Network/Protocol/LoginMode.h"

#include "PdfReadBack.h"
#include "ScreenTest.h"
#include "PrintServer.h"
#include "SmtpSink.h"

#include "Platform/UIKit/MFMailComposeViewController.h"
#include "Platform/UIKit/UITextField.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIPrintInteractionController.h"
#include "Platform/UIKit/UIPrintPanel.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

using namespace PdfReadBack;

// A signed-in client with one stored, open order; the PDF screen pushed on a
// navigation stack over a plain first screen, as the editor pushes it.
class QuoteOrderPDFViewControllerTest : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        auto session = LoginMode::sharedInstance();
        session->setClientID(std::string("Acme"));
        session->setAcountID(std::string("sales01"));
        data = DataAccessManager::sharedDataModel();
        order = std::make_shared<QuoteOrderEntity>();
        order->number = "A-1001";
        order->mdate = "2026-12-10 09:30:00";
        order->currency = "USD";
        order->customerName = "Harbour Lights Trading";
        auto item = std::make_shared<QuoteOrderItemEntity>();
        item->name = "Lamp";
        item->sku = "SKU-LAMP";
        item->quantity = 2;
        item->price = 120;
        item->finalPrice = 102;
        item->currency = "USD";
        order->items.push_back(item);
        ASSERT_NE(data->saveQuoteOrder(order), 0);
    }

    void push()
    {
        first = std::make_shared<UIViewController>();
        navigation = UINavigationController::withRootViewController(first);
        showRoot(navigation);
        screen = std::make_shared<QuoteOrderPDFViewController>();
        screen->order = order;
        navigation->pushViewControllerAnimated(screen, true);
        driver->advance(1);
    }

    std::optional<std::string> storedSignature()
    {
        auto rs = SQLDatabase::sharedDataBase()->executeQuery(
            "select signature from corvelle_quote_order where order_id = ?", order->serial);
        if (!rs || !rs->next() || rs->columnIndexIsNull(0))
            return std::nullopt;
        auto value = rs->stringForColumnIndex(0);
        // A new order's row holds an empty text for "no signature".
        return value && !value->empty() ? value : std::nullopt;
    }

    // Taps the empty signature area of the preview, signs across the signing
    // area and taps Done.
    void sign(CGPoint from = CGPointMake(300, 300), CGPoint to = CGPointMake(700, 420))
    {
        auto area = screen->pdfCreater->signatureValue;
        screen->containerView->setContentOffset(CGPointMake(0, area->frame().origin.y - 300));
        driver->advance(1);
        driver->tap(area);
        driver->advance(1);
        auto painter = std::dynamic_pointer_cast<PainterViewController>(screen->presentedViewController());
        ASSERT_TRUE(painter);
        driver->dragFrom(from, to);
        ASSERT_TRUE(driver->tapBarButton(text("DONE")));
        driver->advance(1);
        ASSERT_FALSE(screen->presentedViewController());
    }

    bool onTop() const { return navigation->topViewController() == screen; }

    std::shared_ptr<DataAccessManager> data;
    std::shared_ptr<QuoteOrderEntity> order;
    std::shared_ptr<UIViewController> first;
    std::shared_ptr<UINavigationController> navigation;
    std::shared_ptr<QuoteOrderPDFViewController> screen;
};

TEST_F(QuoteOrderPDFViewControllerTest, BarAndPreviewStandWhereTheLayoutPutsThem)
{
    push();
    EXPECT_TRUE(navigation->isNavigationBarHidden());
    EXPECT_TRUE(CGRectEqualToRect(driver->findButton(text("BACK"))->frame(), CGRectMake(15, 5, 60, 34)));
    EXPECT_TRUE(CGRectEqualToRect(driver->findButton(text("PRINT"))->frame(), CGRectMake(850, 5, 70, 34)));
    EXPECT_TRUE(CGRectEqualToRect(driver->findButton(text("EMAIL"))->frame(), CGRectMake(939, 5, 70, 34)));
    ASSERT_TRUE(screen->pdfCreater);
    EXPECT_EQ(screen->pdfCreater->order, order);
    EXPECT_FALSE(screen->containerView->subviews().empty());
    driver->renderToPNG(UIDriver::snapshotPath("QuoteOrderPDFViewController.png"));

    // Without an order the preview stays empty.
    auto empty = std::make_shared<QuoteOrderPDFViewController>();
    navigation->pushViewControllerAnimated(empty, true);
    driver->advance(1);
    EXPECT_FALSE(empty->pdfCreater);
    EXPECT_TRUE(empty->containerView->subviews().empty());
}

TEST_F(QuoteOrderPDFViewControllerTest, BackWithoutSigningLeavesAtOnce)
{
    push();
    ASSERT_TRUE(driver->tapButton(text("BACK")));
    driver->advance(1);
    EXPECT_FALSE(driver->visibleAlert());
    EXPECT_EQ(navigation->topViewController(), first);
}

TEST_F(QuoteOrderPDFViewControllerTest, SignatureIsKeptOnSaveAndShownInTheNextPdf)
{
    push();
    sign();
    ASSERT_TRUE(order->signature);
    auto shown = screen->pdfCreater->signatureValue->image();
    ASSERT_TRUE(shown);
    // The signing area is 800 x 400: fitted into 192 x 132.
    EXPECT_EQ(shown->size().width, 192);
    EXPECT_EQ(shown->size().height, 96);
    EXPECT_EQ(storedSignature(), std::nullopt);

    // Back asks; a touch outside the alert closes it with no answer and the screen stays.
    ASSERT_TRUE(driver->tapButton(text("BACK")));
    driver->advance(1);
    ASSERT_TRUE(driver->visibleAlert());
    EXPECT_EQ(driver->visibleAlert()->title(), text("SAVESINGATURE"));
    EXPECT_EQ(driver->visibleAlert()->message(), text("SIGNATURESAVEALERT"));
    driver->tapAt(CGPointMake(20, 740));
    driver->advance(1);
    EXPECT_FALSE(driver->visibleAlert());
    EXPECT_TRUE(onTop());
    EXPECT_EQ(storedSignature(), std::nullopt);

    auto placed = order->signature;
    ASSERT_TRUE(driver->tapButton(text("BACK")));
    driver->advance(1);
    ASSERT_TRUE(driver->tapAlertButton(text("SAVE")));
    driver->advance(1);
    EXPECT_EQ(navigation->topViewController(), first);
    EXPECT_EQ(storedSignature(), placed);

    // The stored signature is in the next preview, and it can no longer be signed.
    auto again = std::make_shared<QuoteOrderPDFViewController>();
    auto reloaded = std::make_shared<QuoteOrderEntity>(*order);
    again->order = reloaded;
    navigation->pushViewControllerAnimated(again, true);
    driver->advance(1);
    ASSERT_TRUE(again->pdfCreater->signatureValue->image());
    EXPECT_TRUE(again->pdfCreater->signatureValue->gestureRecognizers().empty());
}

TEST_F(QuoteOrderPDFViewControllerTest, DontSaveDropsTheDrawnSignature)
{
    push();
    sign();
    ASSERT_TRUE(driver->tapButton(text("BACK")));
    driver->advance(1);
    ASSERT_TRUE(driver->tapAlertButton(text("DONTSAVE")));
    driver->advance(1);
    EXPECT_EQ(order->signature, std::nullopt);
    EXPECT_EQ(storedSignature(), std::nullopt);
    EXPECT_EQ(navigation->topViewController(), first);
}

TEST_F(QuoteOrderPDFViewControllerTest, FailedSignatureWriteIsReportedAndTheScreenStays)
{
    push();
    sign();
    ASSERT_TRUE(SQLDatabase::sharedDataBase()->executeUpdate("drop table corvelle_quote_order"));
    ASSERT_TRUE(driver->tapButton(text("BACK")));
    driver->advance(1);
    ASSERT_TRUE(driver->tapAlertButton(text("SAVE")));
    driver->advance(1);
    ASSERT_TRUE(driver->visibleAlert());
    EXPECT_EQ(driver->visibleAlert()->title(), text("FAILED"));
    ASSERT_TRUE(driver->tapAlertButton(text("OK")));
    driver->advance(1);
    EXPECT_TRUE(onTop());
    // Still unsaved: Back asks again.
    ASSERT_TRUE(driver->tapButton(text("BACK")));
    driver->advance(1);
    ASSERT_TRUE(driver->visibleAlert());
    EXPECT_EQ(driver->visibleAlert()->title(), text("SAVESINGATURE"));
}

TEST_F(QuoteOrderPDFViewControllerTest, SigningWithoutACustomerAsksForOne)
{
    order->customerName = " \t ";
    push();
    auto area = screen->pdfCreater->signatureValue;
    screen->containerView->setContentOffset(CGPointMake(0, area->frame().origin.y - 300));
    driver->tap(area);
    driver->advance(1);
    EXPECT_FALSE(screen->presentedViewController());
    ASSERT_TRUE(driver->visibleAlert());
    EXPECT_EQ(driver->visibleAlert()->title(), text("NOTIFICATION"));
    EXPECT_EQ(driver->visibleAlert()->message(), text("SELECTCUSTOMERALERT"));
}

TEST_F(QuoteOrderPDFViewControllerTest, PrintSendsTheSignedOrderPdfToTheChosenPrinter)
{
    PrintServer server;
    ASSERT_TRUE(server.running()) << server.error();
    ASSERT_TRUE(server.addPrinter("Office", "Office Printer", PrintServer::Device::File, true)) << server.error();
    ASSERT_TRUE(server.addPrinter("Jammed", "Jammed Printer", PrintServer::Device::Unwritable)) << server.error();
    ScopedPrintServer scoped(server.address());
    push();
    sign();
    auto count = [&](const std::string& text) {
        return std::count_if(logLines.begin(), logLines.end(),
            [&](const std::string& line) { return line.find(text) != std::string::npos; });
    };
    struct Case {
        std::string printer;
        bool completes;
    };
    for (const auto& c : { Case { "Office", true }, Case { "Jammed", false } }) {
        SCOPED_TRACE(c.printer);
        const auto successes = count("printInteractionControllerDidFinishJob success");
        const auto failures = count("FAILED! due to error in domain UIPrintErrorDomain with error code 4");
        ASSERT_TRUE(driver->tapButton(text("PRINT")));
        driver->advance(1);
        auto printer = UIPrintInteractionController::sharedPrintInteractionController();
        ASSERT_TRUE(printer);
        auto panel = printer->printPanel();
        ASSERT_TRUE(panel);
        for (size_t i = 0; i < panel->printers().size(); ++i)
            if (panel->printers()[i].name == c.printer)
                driver->tap(panel->printerButton(i));
        ASSERT_EQ(panel->chosenPrinter().name, c.printer);
        // The order's PDF is one page: no page range is asked for.
        EXPECT_FALSE(panel->pageRangeField());
        driver->tap(panel->printButton());
        ASSERT_TRUE(pumpMainRunLoopUntil(
            [&] {
                return count("printInteractionControllerDidFinishJob success") + count("FAILED! due to error")
                    > successes + failures;
            },
            60));
        EXPECT_EQ(count("printInteractionControllerDidFinishJob success"), successes + (c.completes ? 1 : 0));
        EXPECT_EQ(count("FAILED! due to error in domain UIPrintErrorDomain with error code 4"),
            failures + (c.completes ? 0 : 1));
        EXPECT_FALSE(driver->visibleAlert());
        Data pdf = server.output(c.printer);
        if (c.completes) {
            // What came out of the printer is the signed order.
            EXPECT_EQ(PrintServer::pageCount(pdf), 1);
            EXPECT_NE(PrintServer::text(pdf).find("Harbour Lights Trading"), std::string::npos);
        } else {
            EXPECT_TRUE(pdf.empty());
        }
    }

    // Without a print server, or with one that has no printer, the button does nothing.
    PrintServer empty;
    ASSERT_TRUE(empty.running()) << empty.error();
    for (const std::string& address : { ScopedPrintServer::nowhere(), empty.address() }) {
        ScopedPrintServer elsewhere(address);
        ASSERT_TRUE(driver->tapButton(text("PRINT")));
        driver->advance(1);
        EXPECT_FALSE(driver->visibleAlert());
        EXPECT_FALSE(driver->findButton("Cancel"));
    }
}

// This composer sends or cancels; a composer that keeps a draft answers "saved",
// which, like "cancelled", closes it without an alert. Each answer comes from
// the composer on screen.
TEST_F(QuoteOrderPDFViewControllerTest, AMailKeptForLaterOrCancelledClosesTheComposerWithoutAnAlert)
{
    SmtpSink sink;
    ASSERT_TRUE(sink.running()) << sink.error();
    ScopedMailAccount account(sink.url());
    push();
    for (auto result : { MFMailComposeResultSaved, MFMailComposeResultCancelled }) {
        SCOPED_TRACE(result);
        ASSERT_TRUE(driver->tapButton(text("EMAIL")));
        driver->advance(1);
        auto composer = std::dynamic_pointer_cast<MFMailComposeViewController>(screen->presentedViewController());
        ASSERT_TRUE(composer);
        ASSERT_EQ(composer->mailComposeDelegate(), screen);
        composer->mailComposeDelegate()->mailComposeControllerDidFinishWithResultError(*composer, result, nullptr);
        driver->advance(1);
        EXPECT_FALSE(screen->presentedViewController());
        EXPECT_FALSE(driver->visibleAlert());
    }
    EXPECT_TRUE(sink.received().empty());
}

TEST_F(QuoteOrderPDFViewControllerTest, MailCarriesOneOrderPdfAndReportsTheResult)
{
    SmtpSink accepting;
    SmtpSink refusing(SmtpSink::Mode::Refuse);
    ASSERT_TRUE(accepting.running()) << accepting.error();
    ASSERT_TRUE(refusing.running()) << refusing.error();
    struct Case {
        std::optional<std::string> customer;
        std::string subject;
        bool send;  // tap Send, else Cancel
        const SmtpSink* server;  // the account's mail server
        std::optional<std::string> alert;
    };
    const std::string orderText = text("ORDER");
    const std::vector<Case> cases {
        { "Harbour Lights Trading", "[" + orderText + "-Harbour Lights Trading]", true, &accepting,
            text("FILEHAVSBEENEMAILED") },
        { std::nullopt, "[" + orderText + "]", true, &refusing, text("MAILFAILED") },
        { "  ", "[" + orderText + "]", false, &accepting, std::nullopt },
    };
    push();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.subject);
        ScopedMailAccount account(c.server->url());
        const size_t before = c.server->received().size();
        order->customerName = c.customer;
        ASSERT_TRUE(driver->tapButton(text("EMAIL")));
        driver->advance(1);
        auto composer = std::dynamic_pointer_cast<MFMailComposeViewController>(screen->presentedViewController());
        ASSERT_TRUE(composer);
        EXPECT_EQ(composer->message().subject, c.subject);
        EXPECT_TRUE(composer->message().toRecipients.empty());
        ASSERT_EQ(composer->message().attachments.size(), 1u);
        const auto attachment = composer->message().attachments[0];
        EXPECT_EQ(attachment.fileName, "Order.pdf");
        EXPECT_EQ(attachment.mimeType, "pdf");
        EXPECT_EQ(popplerPageCount(attachment.data), 1);
        driver->tap(composer->toField());
        driver->typeText("buyer@harbour.test");
        driver->tap(c.send ? composer->sendButton() : composer->cancelButton());
        ASSERT_TRUE(pumpMainRunLoopUntil([&] { return !screen->presentedViewController(); }, 30));
        driver->advance(1);
        auto alert = driver->visibleAlert();
        EXPECT_EQ(alert ? std::optional<std::string>(alert->title()) : std::nullopt, c.alert);
        if (alert) {
            ASSERT_TRUE(driver->tapAlertButton(text("OK")));
        }
        driver->advance(1);
        auto received = c.server->received();
        if (c.alert == text("FILEHAVSBEENEMAILED")) {
            // The customer gets the very order PDF the screen made.
            ASSERT_EQ(received.size(), before + 1);
            EXPECT_EQ(received.back().recipients, (std::vector<std::string> { "buyer@harbour.test" }));
            EXPECT_EQ(received.back().subject, c.subject);
            ASSERT_EQ(received.back().attachments.size(), 1u);
            EXPECT_EQ(received.back().attachments[0].fileName, "Order.pdf");
            EXPECT_EQ(received.back().attachments[0].contentType, "application/pdf");
            EXPECT_EQ(received.back().attachments[0].data, attachment.data);
        } else {
            EXPECT_EQ(received.size(), before);
        }
    }
    // No mail account: told so, and no composer.
    ScopedMailAccount none;
    ASSERT_TRUE(driver->tapButton(text("EMAIL")));
    driver->advance(1);
    EXPECT_FALSE(screen->presentedViewController());
    ASSERT_TRUE(driver->visibleAlert());
    EXPECT_EQ(driver->visibleAlert()->title(), text("NOTIFICATION"));
    EXPECT_EQ(driver->visibleAlert()->message(), text("NOEMAILCONFIG"));
}

}  // namespace
