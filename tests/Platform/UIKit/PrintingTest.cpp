#include "WindowFixture.h"

#include "support/PrintServer.h"

#include "Platform/Foundation/NSError.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/PrintService.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIPrintInteractionController.h"
#include "Platform/UIKit/UIPrintPanel.h"
#include "Platform/UIKit/UISwitch.h"
#include "Platform/UIKit/UITextField.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

// A document whose pages say which they are.
Data pagesSaying(int count)
{
    auto pdf = std::make_shared<Data>();
    UIGraphicsBeginPDFContextToData(pdf, CGRectMake(0, 0, 612, 792));
    for (int n = 1; n <= count; ++n) {
        UIGraphicsBeginPDFPage();
        drawAtPointWithFont("Sheet number " + std::to_string(n), CGPointMake(72, 72), UIFont::systemFontOfSize(24));
    }
    UIGraphicsEndPDFContext();
    return *pdf;
}

class FinishLog : public UIPrintInteractionControllerDelegate {
public:
    int finished = 0;
    void printInteractionControllerDidFinishJob(UIPrintInteractionController&) override { ++finished; }
};

struct Outcome {
    bool heard = false;
    bool completed = false;
    std::shared_ptr<NSError> error;
};

class PrintingTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        root = std::make_shared<UIViewController>();
        window->setRootViewController(root);
        finishes = std::make_shared<FinishLog>();
    }

    // A fresh controller set up the way the screens set up the shared one.
    std::shared_ptr<UIPrintInteractionController> controllerFor(const Data& pdf, bool showsPageRange = false)
    {
        auto c = std::make_shared<UIPrintInteractionController>();
        c->printInfo = UIPrintInfo::printInfo();
        c->printInfo->jobName = "Quote A-1001";
        c->printInfo->duplex = UIPrintInfoDuplexLongEdge;
        c->printingItemData = pdf;
        c->showsPageRange = showsPageRange;
        c->setDelegate(finishes);
        return c;
    }

    bool present(const std::shared_ptr<UIPrintInteractionController>& c)
    {
        outcome = {};
        return c->presentFromRectInViewAnimatedCompletionHandler(CGRectMake(850, 5, 70, 34), root->view(), true,
            [this](UIPrintInteractionController&, bool completed, const std::shared_ptr<NSError>& error) {
                outcome.heard = true;
                outcome.completed = completed;
                outcome.error = error;
            });
    }

    void choose(UIPrintPanelViewController& panel, const std::string& printer)
    {
        for (size_t i = 0; i < panel.printers().size(); ++i)
            if (panel.printers()[i].name == printer)
                driver->tap(panel.printerButton(i));
        ASSERT_EQ(panel.chosenPrinter().name, printer);
    }

    // Empties the field as a person does, a character at a time, then types.
    void retype(const std::shared_ptr<UITextField>& field, const std::string& text)
    {
        driver->tap(field);
        for (size_t n = field->text().size(); n > 0; --n)
            driver->pressBackspace();
        driver->typeText(text);
    }

    bool waitForOutcome()
    {
        return pumpMainRunLoopUntil([&] { return outcome.heard; }, 60);
    }

    std::shared_ptr<UIViewController> root;
    std::shared_ptr<FinishLog> finishes;
    Outcome outcome;
};

TEST_F(PrintingTest, ThePanelListsThePrintersAndTheJobComesOutAsChosen)
{
    PrintServer server;
    ASSERT_TRUE(server.running()) << server.error();
    ASSERT_TRUE(server.addPrinter("Front", "Front Desk")) << server.error();
    ASSERT_TRUE(server.addPrinter("Back", "Back Office", PrintServer::Device::File, true)) << server.error();
    ScopedPrintServer scoped(server.address());
    EXPECT_TRUE(UIPrintInteractionController::isPrintingAvailable());
    EXPECT_TRUE(UIPrintInteractionController::sharedPrintInteractionController());

    struct Case {
        std::string printer;  // the default is chosen first
        int moreCopies;
        bool twoSided;
        std::string pages;
        int pagesOut;
        std::vector<std::string> shows, hides;
        std::string sides, ranges;
    };
    const std::vector<Case> cases {
        { "Back", 0, true, "", 4, { "Sheet number 1", "Sheet number 4" }, {}, "two-sided-long-edge", "" },
        { "Front", 1, false, "2-3", 4, { "Sheet number 2", "Sheet number 3" }, { "Sheet number 1", "Sheet number 4" },
            "one-sided", "2-3" },
        { "Front", 0, true, " 1, 4 ", 2, { "Sheet number 1", "Sheet number 4" }, { "Sheet number 2" },
            "two-sided-long-edge", "1-1,4-4" },
    };
    const Data document = pagesSaying(4);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pages + " on " + c.printer);
        auto controller = controllerFor(document, true);
        ASSERT_TRUE(present(controller));
        auto panel = controller->printPanel();
        ASSERT_TRUE(panel);
        std::vector<std::string> titles;
        for (auto& p : panel->printers())
            titles.push_back(p.title());
        EXPECT_EQ(titles, (std::vector<std::string> { "Back Office", "Front Desk" }));
        EXPECT_EQ(panel->chosenPrinter().name, "Back");
        EXPECT_EQ(panel->copiesLabel()->text(), "1 Copy");
        choose(*panel, c.printer);
        for (int i = 0; i < c.moreCopies; ++i)
            driver->tap(panel->moreCopiesButton());
        auto twoSided = panel->twoSidedSwitch();
        ASSERT_TRUE(twoSided);
        EXPECT_TRUE(twoSided->isOn());
        if (twoSided->isOn() != c.twoSided)
            driver->tap(twoSided);
        ASSERT_TRUE(panel->pageRangeField());
        if (!c.pages.empty()) {
            driver->tap(panel->pageRangeField());
            driver->typeText(c.pages);
        }
        driver->tap(panel->printButton());
        EXPECT_FALSE(controller->printPanel());
        ASSERT_TRUE(waitForOutcome());
        EXPECT_TRUE(outcome.completed);
        EXPECT_FALSE(outcome.error) << (outcome.error ? outcome.error->localizedDescription() : "");

        Data out = server.output(c.printer);
        EXPECT_EQ(PrintServer::pageCount(out), c.pagesOut);
        std::string text = PrintServer::text(out);
        for (auto& s : c.shows)
            EXPECT_NE(text.find(s), std::string::npos) << s;
        for (auto& s : c.hides)
            EXPECT_EQ(text.find(s), std::string::npos) << s;
        auto jobs = server.jobs();
        ASSERT_FALSE(jobs.empty());
        EXPECT_EQ(jobs.back().state, "completed");
        EXPECT_EQ(jobs.back().name, "Quote A-1001");
        EXPECT_EQ(jobs.back().copies, 1 + c.moreCopies);
        EXPECT_EQ(jobs.back().sides, c.sides);
        EXPECT_EQ(jobs.back().pageRanges, c.ranges);
    }
    EXPECT_EQ(finishes->finished, static_cast<int>(cases.size()));
}

TEST_F(PrintingTest, PagesOutsideTheDocumentKeepPrintDisabledAndCancelSendsNothing)
{
    PrintServer server;
    ASSERT_TRUE(server.running()) << server.error();
    ASSERT_TRUE(server.addPrinter("Front", "Front Desk")) << server.error();
    ScopedPrintServer scoped(server.address());
    auto controller = controllerFor(pagesSaying(3), true);
    ASSERT_TRUE(present(controller));
    auto panel = controller->printPanel();
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->pageRangeField()->placeholder(), "All 3 pages");
    const std::vector<std::pair<std::string, bool>> typed {
        { "0", false },
        { "4", false },
        { "3-2", false },
        { "2,1", false },
        { "1-2,2-3", false },
        { "x", false },
        { "1-", false },
        { "-2", false },
        { "1 2", false },
        { "", true },
        { "3", true },
        { "1-2, 3", true },
    };
    for (const auto& [text, printable] : typed) {
        SCOPED_TRACE("\"" + text + "\"");
        retype(panel->pageRangeField(), text);
        EXPECT_EQ(panel->pageRangeField()->text(), text);
        EXPECT_EQ(panel->printButton()->isEnabled(), printable);
        EXPECT_EQ(panel->problemLabel()->text().empty(), printable);
    }
    // A disabled Print does nothing; Cancel ends it, sending nothing.
    retype(panel->pageRangeField(), "9");
    driver->tap(panel->printButton());
    EXPECT_TRUE(controller->printPanel());
    driver->tap(panel->cancelButton());
    ASSERT_TRUE(waitForOutcome());
    EXPECT_FALSE(outcome.completed);
    EXPECT_FALSE(outcome.error);

    // A touch outside the panel and a dismissal by code end it the same way.
    ASSERT_TRUE(present(controller));
    driver->tapAt(CGPointMake(20, 700));
    ASSERT_TRUE(waitForOutcome());
    EXPECT_FALSE(outcome.completed);
    EXPECT_FALSE(controller->printPanel());
    ASSERT_TRUE(present(controller));
    controller->dismissAnimated(false);
    ASSERT_TRUE(waitForOutcome());
    EXPECT_FALSE(outcome.completed);
    EXPECT_FALSE(outcome.error);

    EXPECT_TRUE(server.jobs().empty());
    EXPECT_EQ(finishes->finished, 0);
}

TEST_F(PrintingTest, WithoutAPrintServerOrAPrinterPrintingIsNotAvailable)
{
    PrintServer empty;
    ASSERT_TRUE(empty.running()) << empty.error();
    for (const std::string& address : { ScopedPrintServer::nowhere(), empty.address() }) {
        SCOPED_TRACE(address);
        ScopedPrintServer scoped(address);
        EXPECT_FALSE(UIPrintInteractionController::isPrintingAvailable());
        EXPECT_FALSE(UIPrintInteractionController::sharedPrintInteractionController());
        // A controller kept from before cannot show a panel either, and says why.
        auto controller = controllerFor(pagesSaying(1));
        EXPECT_FALSE(present(controller));
        EXPECT_FALSE(controller->printPanel());
        ASSERT_TRUE(waitForOutcome());
        EXPECT_FALSE(outcome.completed);
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->domain(), "UIPrintErrorDomain");
        EXPECT_EQ(outcome.error->code(), UIPrintingNotAvailableError);
    }
    EXPECT_EQ(finishes->finished, 0);
}

TEST_F(PrintingTest, AJobThePrinterDoesNotFinishIsReportedAsFailedAndLeftNowhere)
{
    PrintServer server;
    ASSERT_TRUE(server.running()) << server.error();
    ASSERT_TRUE(server.addPrinter("Jammed", "Jammed", PrintServer::Device::Unwritable)) << server.error();
    ASSERT_TRUE(server.addPrinter("Paused", "Paused")) << server.error();
    ASSERT_TRUE(server.stopQueue("Paused")) << server.error();
    ASSERT_TRUE(server.addPrinter("Closed", "Closed")) << server.error();
    ScopedPrintServer scoped(server.address());
    struct Case {
        std::string printer;
        std::string reason;
    };
    const std::vector<Case> cases {
        { "Jammed", "stopped the job" },
        { "Paused", "is stopped" },
        { "Closed", "did not take the job" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.printer);
        auto controller = controllerFor(pagesSaying(2));
        ASSERT_TRUE(present(controller));
        auto panel = controller->printPanel();
        ASSERT_TRUE(panel);
        choose(*panel, c.printer);
        // This queue starts refusing jobs while the panel is up.
        if (c.printer == "Closed") {
            ASSERT_TRUE(server.refuseJobs("Closed")) << server.error();
        }
        driver->tap(panel->printButton());
        ASSERT_TRUE(waitForOutcome());
        EXPECT_FALSE(outcome.completed);
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->domain(), "UIPrintErrorDomain");
        EXPECT_EQ(outcome.error->code(), UIPrintJobFailedError);
        EXPECT_NE(outcome.error->localizedDescription().find(c.reason), std::string::npos)
            << outcome.error->localizedDescription();
        EXPECT_TRUE(server.output(c.printer).empty());
        const std::string line = "print job failed: " + outcome.error->localizedDescription();
        EXPECT_NE(std::find(logLines.begin(), logLines.end(), line), logLines.end());
    }
    // A queue known to refuse jobs cannot be chosen to print on.
    auto controller = controllerFor(pagesSaying(2));
    ASSERT_TRUE(present(controller));
    auto panel = controller->printPanel();
    ASSERT_TRUE(panel);
    choose(*panel, "Closed");
    EXPECT_FALSE(panel->printButton()->isEnabled());
    EXPECT_EQ(panel->problemLabel()->text(), "\"Closed\" is not taking jobs");
    driver->tap(panel->cancelButton());
    ASSERT_TRUE(waitForOutcome());

    // Nothing the person was told had failed waits in a queue to come out later.
    for (auto& job : server.jobs())
        EXPECT_TRUE(job.state == "canceled" || job.state == "aborted") << job.id << " " << job.state;
    EXPECT_EQ(finishes->finished, 0);
}

TEST_F(PrintingTest, PicturesAndFilesPrintAsPagesOfAPdf)
{
    PrintServer server;
    ASSERT_TRUE(server.running()) << server.error();
    ASSERT_TRUE(server.addPrinter("Front", "Front Desk")) << server.error();
    ScopedPrintServer scoped(server.address());
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(300, 200), true, 1);
    UIColor::whiteColor()->setFill();
    UIRectFill(CGRectMake(0, 0, 300, 200));
    auto picture = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    ASSERT_TRUE(picture);
    auto controller = controllerFor({});
    controller->printingItemData.reset();
    controller->printingItems = { picture, picture, picture };
    ASSERT_TRUE(present(controller));
    ASSERT_TRUE(controller->printPanel());
    EXPECT_FALSE(controller->printPanel()->pageRangeField());
    choose(*controller->printPanel(), "Front");
    driver->tap(controller->printPanel()->printButton());
    ASSERT_TRUE(waitForOutcome());
    EXPECT_TRUE(outcome.completed);
    EXPECT_EQ(PrintServer::pageCount(server.output("Front")), 3);

    EXPECT_TRUE(UIPrintInteractionController::canPrintData(Data { '%', 'P', 'D', 'F', '-' }));
    EXPECT_TRUE(UIPrintInteractionController::canPrintData(*UIImagePNGRepresentation(picture)));
    EXPECT_FALSE(UIPrintInteractionController::canPrintData(Data { 'x' }));

    // Nothing to print: said so, and no panel.
    controller->printingItems.clear();
    EXPECT_FALSE(present(controller));
    ASSERT_TRUE(waitForOutcome());
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code(), UIPrintNoContentError);
}

TEST(PrintServiceTest, PageRangesAreReadAsAPersonWritesThem)
{
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases {
        { "", "" },
        { "  ", "" },
        { "2", "2-2" },
        { "1-3", "1-3" },
        { " 1 - 2 ,4", "1-2,4-4" },
        { "0", std::nullopt },
        { "6", std::nullopt },
        { "3-1", std::nullopt },
        { "2,2", std::nullopt },
        { "1,,2", std::nullopt },
        { "1-2-3", std::nullopt },
        { "99999999999", std::nullopt },
        { "a", std::nullopt },
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(PrintService::parsePageRanges(text, 5), expected) << "\"" << text << "\"";
}

}  // namespace
