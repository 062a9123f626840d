#include "Classes/QuoteOrder/CVPDFCreater.h"
#include "Classes/QuoteOrder/CVPDFCreaterImageCell.h"
#include "Classes/QuoteOrder/CVPDFCreaterStringCell.h"

#include "PdfReadBack.h"

#include "Platform/UIKit/UIFont.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Cell = std::shared_ptr<CVPDFCreaterBaseCell>;

Cell box(double y, double height, int tag = 0)
{
    auto cell = std::make_shared<CVPDFCreaterBaseCell>(CGRectMake(10, y, 100, height));
    cell->tagOfCell = tag;
    return cell;
}

Cell text(const std::string& value, double y, double height)
{
    return std::make_shared<CVPDFCreaterStringCell>(
        CGRectMake(0, y, 904, height), value, UIFont::systemFontOfSize(15), UIColor::blackColor(), 0);
}

// Records when the hooks run and marks their cells with tags 900 + page
// (header) and 800 + page (footer).
class HookedCreater : public CVPDFCreater {
public:
    std::vector<std::string> calls;

    std::shared_ptr<CVPDFCellArray> additionalHeaderInPage(int page) override
    {
        calls.push_back("header " + std::to_string(page) + " at " + std::to_string(int(currentContentHeight())));
        auto cell = box(0, 1, 900 + page);
        cell->frameInContainer = CGRectMake(60, (page - 1) * 1448.0, 904, 1);
        return std::make_shared<CVPDFCellArray>(CVPDFCellArray { cell });
    }
    std::shared_ptr<CVPDFCellArray> additionalFooterInPage(int page) override
    {
        calls.push_back("footer " + std::to_string(page));
        auto cell = box(0, 1, 800 + page);
        cell->frameInContainer = CGRectMake(60, currentContentHeight(), 904, 1);
        return std::make_shared<CVPDFCellArray>(CVPDFCellArray { cell });
    }
};

std::vector<int> tagsOfPage(const CVPDFCreater& creater, size_t page)
{
    std::vector<int> tags;
    for (const auto& cell : *(*creater.cellsPageArray)[page - 1])
        tags.push_back(cell->tagOfCell);
    return tags;
}

}

TEST(CVPDFCreater, NewEngineHasDefaultsAndNoPages)
{
    CVPDFCreater creater;
    EXPECT_EQ(creater.pageSize().width, 1024);
    EXPECT_EQ(creater.pageSize().height, 1448);
    EXPECT_EQ(creater.currentPage(), 0);
    EXPECT_EQ(creater.currentContentHeight(), 60);
    EXPECT_TRUE(creater.cellsPageArray->empty());
    EXPECT_EQ(creater.pageNumberFormat, "- Page %d -");
}

TEST(CVPDFCreater, LineBreaksPageOnlyWhenItLeavesLessThanTheBottomMargin)
{
    // Page 1 has 1448 - 60 - 60 = 1328 points for content.
    struct Case {
        double height;
        int page;
        float nextLineAt;
    };
    for (Case c : { Case { 1328, 1, 1388 }, Case { 1329, 2, 1448 + 60 + 1329 } }) {
        SCOPED_TRACE(c.height);
        CVPDFCreater creater;
        creater.addCell(box(0, c.height));
        creater.beginNewLine();
        EXPECT_EQ(creater.currentPage(), c.page);
        EXPECT_EQ(creater.currentContentHeight(), c.nextLineAt);
        EXPECT_EQ(creater.cellsPageArray->size(), size_t(c.page));
    }
}

TEST(CVPDFCreater, PageHoldsHeaderNumberContentThenFooter)
{
    HookedCreater creater;
    creater.lineSpacing = 5;
    creater.addCell(box(0, 1000, 1));
    creater.beginNewLine();
    creater.addCell(box(0, 400, 2));
    creater.beginNewLine();

    // The header runs while the content height still holds the old page's value.
    EXPECT_EQ(creater.calls, (std::vector<std::string> { "header 1 at 60", "footer 1", "header 2 at 1065" }));
    EXPECT_EQ(tagsOfPage(creater, 1), (std::vector<int> { 901, 0, 1, 801 }));
    EXPECT_EQ(tagsOfPage(creater, 2), (std::vector<int> { 902, 0, 2 }));
    auto second = creater.cellWithTag(2);
    EXPECT_EQ(second->frameInContainer.origin.y, 1448 + 60);
    EXPECT_EQ(second->frameInContainer.origin.x, 70);
    EXPECT_EQ(creater.currentContentHeight(), 1448 + 60 + 400 + 5);
    // The footer sits right under the last line of the page it closes.
    EXPECT_EQ(creater.cellWithTag(801)->frameInContainer.origin.y, 60 + 1000 + 5);
}

TEST(CVPDFCreater, TwoCellsTallerThanAPageBreakTwiceAndLandTogether)
{
    HookedCreater creater;
    creater.addCell(box(0, 1400, 1));
    creater.addCell(box(0, 1400, 2));
    creater.beginNewLine();

    EXPECT_EQ(creater.currentPage(), 3);
    EXPECT_EQ(tagsOfPage(creater, 2), (std::vector<int> { 902, 0, 802 }));
    EXPECT_EQ(tagsOfPage(creater, 3), (std::vector<int> { 903, 0, 1, 2 }));
    EXPECT_EQ(creater.cellWithTag(1)->frameInContainer.origin.y, 2 * 1448 + 60);
    EXPECT_EQ(creater.cellWithTag(2)->frameInContainer.origin.y, 2 * 1448 + 60);
    EXPECT_EQ(creater.currentContentHeight(), 2 * 1448 + 60 + 1400);
}

TEST(CVPDFCreater, CellsAboveTheLineAddNoHeight)
{
    CVPDFCreater creater;
    creater.lineSpacing = 3;
    creater.addCell(box(-50, 20, 1));
    creater.beginNewLine();
    EXPECT_EQ(creater.cellWithTag(1)->frameInContainer.origin.y, 10);
    EXPECT_EQ(creater.currentContentHeight(), 63);

    creater.addCell(box(-50, 20, 2));
    creater.addCell(box(-10, 30, 3));
    creater.beginNewLine();
    EXPECT_EQ(creater.currentContentHeight(), 63 + 20 + 3);

    // An empty line only adds the spacing.
    creater.beginNewLine();
    EXPECT_EQ(creater.currentContentHeight(), 63 + 20 + 3 + 3);
}

TEST(CVPDFCreater, SpacingThatDoesNotFitBreaksAndIsDropped)
{
    HookedCreater creater;
    creater.addCell(box(0, 1320));
    creater.addSpacing(20);  // places the line first, then 1380 + 20 + 60 > 1448
    EXPECT_EQ(creater.currentPage(), 2);
    EXPECT_EQ(creater.currentContentHeight(), 1448 + 60);

    creater.addSpacing(20);
    EXPECT_EQ(creater.currentContentHeight(), 1448 + 80);
}

TEST(CVPDFCreater, SpacingBeforeAnyPageOpensPageOneAskingFooterOfPageZero)
{
    HookedCreater creater;
    creater.addSpacing(10);
    EXPECT_EQ(creater.calls, (std::vector<std::string> { "footer 0", "header 1 at 60" }));
    EXPECT_EQ(creater.currentPage(), 1);
    EXPECT_EQ(creater.currentContentHeight(), 60);
    EXPECT_EQ(tagsOfPage(creater, 1), (std::vector<int> { 800, 901, 0 }));
}

TEST(CVPDFCreater, PageNumberIsCentredInTheBottomBandOfItsPage)
{
    CVPDFCreater creater;
    for (int i = 0; i < 3; ++i)
        creater.beginNewPage();
    auto number = std::dynamic_pointer_cast<CVPDFCreaterStringCell>((*creater.cellsPageArray)[2]->front());
    ASSERT_TRUE(number);
    EXPECT_EQ(number->text, "- Page 3 -");
    EXPECT_EQ(number->textAlignment, 1);
    EXPECT_TRUE(number->centerInVertical);
    EXPECT_EQ(number->frameInContainer.origin.y, 4284);
    EXPECT_EQ(number->frameInContainer.size.height, 60);
    EXPECT_EQ(number->frameInContainer.size.width, 904);

    // In the PDF the number is on page 3, in y 1388 to 1448, centred on x 512.
    auto pdf = creater.generatePDFToData();
    EXPECT_EQ(PdfReadBack::qpdfProblems(*pdf), "");
    ASSERT_EQ(PdfReadBack::popplerPageCount(*pdf), 3);
    auto boxes = PdfReadBack::findText(*pdf, 3, "Page 3");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_GT(boxes[0].y1, 1388);
    EXPECT_LT(boxes[0].y2, 1448);
    EXPECT_NEAR((boxes[0].x1 + boxes[0].x2) / 2, 512, 12);
    auto size = PdfReadBack::pageSize(*pdf, 3);
    ASSERT_TRUE(size);
    EXPECT_EQ(size->first, 1024);
    EXPECT_EQ(size->second, 1448);
}

TEST(CVPDFCreater, EmptyEngineGivesZeroLengthData)
{
    CVPDFCreater creater;
    EXPECT_TRUE(creater.generatePDFToData()->empty());
    creater.addCell(text("first", 0, 40));
    creater.clearAllCell();
    EXPECT_TRUE(creater.generatePDFToData()->empty());
    EXPECT_EQ(creater.currentPage(), 0);
    EXPECT_EQ(creater.currentContentHeight(), 60);
}

TEST(CVPDFCreater, PendingLineIsPlacedBeforeOutputAndOutputRepeats)
{
    CVPDFCreater creater;
    creater.addCell(text("Pending words", 0, 40));
    auto first = creater.generatePDFToData();
    EXPECT_EQ(PdfReadBack::qpdfProblems(*first), "");
    EXPECT_EQ(PdfReadBack::popplerPageCount(*first), 1);
    EXPECT_NE(PdfReadBack::pageText(*first, 1).find("Pending words"), std::string::npos);
    EXPECT_EQ(creater.currentContentHeight(), 100);

    creater.addCell(text("Second line", 0, 40));
    auto second = creater.generatePDFToData();
    std::string page = PdfReadBack::pageText(*second, 1);
    EXPECT_NE(page.find("Pending words"), std::string::npos);
    EXPECT_NE(page.find("Second line"), std::string::npos);
}

TEST(CVPDFCreater, ContentOfLaterPagesIsShiftedToItsOwnPage)
{
    CVPDFCreater creater;
    creater.addCell(text("front", 0, 40));
    creater.beginNewPage();
    creater.addCell(text("Back page words", 100, 40));
    auto pdf = creater.generatePDFToData();
    ASSERT_EQ(PdfReadBack::popplerPageCount(*pdf), 2);
    auto boxes = PdfReadBack::findText(*pdf, 2, "Back page words");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_GT(boxes[0].y1, 160);
    EXPECT_LT(boxes[0].y2, 200);
}

TEST(CVPDFCreater, ViewSharesThePageListButKeepsItsHeight)
{
    auto view = std::shared_ptr<CVPDFView>();
    {
        CVPDFCreater creater;
        creater.addCell(box(0, 40, 1));
        view = creater.generatePDFToView();
        EXPECT_EQ(view->frame().size.height, 1448);
        EXPECT_EQ(view->cellsArray.get(), creater.cellsPageArray.get());
        creater.beginNewPage();
        creater.addCell(box(0, 40, 2));
        creater.beginNewLine();
        EXPECT_EQ(view->frame().size.height, 1448);
        EXPECT_EQ(view->cellsArray->size(), 2u);
    }
    // The view keeps the pages after the engine has gone.
    EXPECT_EQ(view->cellsArray->size(), 2u);
}

TEST(CVPDFCreater, ViewDrawsOnlyCellsWithAnArea)
{
    struct Counting : CVPDFCreaterBaseCell {
        int draws = 0;
        void drawInRect(CGRect) override { ++draws; }
    };
    CVPDFCreater creater;
    creater.showPageNumber = false;
    auto drawn = std::make_shared<Counting>();
    drawn->frameInLine = CGRectMake(0, 0, 10, 10);
    auto flat = std::make_shared<Counting>();
    flat->frameInLine = CGRectMake(0, 0, 10, 0);
    creater.addCell(drawn);
    creater.addCell(flat);
    creater.generatePDFToView()->drawRect(CGRectZero);
    EXPECT_EQ(drawn->draws, 1);
    EXPECT_EQ(flat->draws, 0);
}

TEST(CVPDFCreater, TagsFindAndRemovePlacedCells)
{
    CVPDFCreater creater;
    creater.addCell(box(0, 40, 7));
    creater.addCell(box(0, 40, 8));
    EXPECT_FALSE(creater.cellWithTag(7));  // still pending
    creater.beginNewLine();
    ASSERT_TRUE(creater.cellWithTag(7));

    creater.removeCellByTag(42);
    EXPECT_EQ(creater.cellsPageArray->front()->size(), 3u);
    creater.removeCellByTag(7);
    EXPECT_FALSE(creater.cellWithTag(7));
    // The other cells keep their places rather than being lost.
    ASSERT_TRUE(creater.cellWithTag(8));
    EXPECT_EQ(creater.cellWithTag(8)->frameInContainer.origin.y, 60);
    EXPECT_EQ(creater.currentPage(), 1);
}

TEST(CVPDFCreater, ManualPagingIgnoresTheBottomMargin)
{
    CVPDFCreater creater;
    creater.autoPage = false;
    creater.addCell(box(0, 3000));
    creater.beginNewLine();
    EXPECT_EQ(creater.currentPage(), 1);
    EXPECT_EQ(creater.currentContentHeight(), 3060);
}
