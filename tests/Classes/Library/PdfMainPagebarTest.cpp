#include "Classes/Library/PdfDocument.h"
#include "Classes/Library/PdfMainPagebar.h"
#include "Classes/Library/PdfPagebarThumb.h"
#include "Classes/Library/PdfThumbCache.h"
#include "Classes/Library/PdfThumbQueue.h"
#include "Classes/Library/PdfTrackControl.h"
#include "PdfFixture.h"

#include "Platform/Foundation/NSException.h"
#include "Platform/Foundation/NSOperationQueue.h"
#include "Platform/UIKit/UILabel.h"
#include "RunLoopPump.h"
#include "TemporaryHome.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

class PdfMainPagebarTest : public TemporaryHomeTest {
protected:
    void TearDown() override
    {
        PdfThumbQueue::sharedInstance().cancelAllOperations();
        PdfThumbQueue::sharedInstance().loadQueue()->waitUntilAllOperationsAreFinished();
        PdfThumbQueue::sharedInstance().workQueue()->waitUntilAllOperationsAreFinished();
        drainMainRunLoop();
        PdfThumbCache::sharedInstance().removeAllObjects();
    }
    std::shared_ptr<PdfMainPagebar> bar(size_t pages, CGFloat width)
    {
        std::string path = home.documents() + "/doc" + std::to_string(pages) + ".pdf";
        EXPECT_TRUE(PdfFixture::withPages(pages, 100, 140).write(path));
        auto document = PdfDocument::withDocumentFilePathPassword(path, std::nullopt);
        auto pagebar = PdfMainPagebar::initWithFrameDocument(CGRectMake(0, 700, width, 48), document);
        pagebar->layoutSubviews();
        return pagebar;
    }
    // The left edges of the marks a person sees on the bar, read from its views.
    static std::vector<CGFloat> shownMarkEdges(const PdfMainPagebar& pagebar)
    {
        std::vector<CGFloat> edges;
        for (const auto& view : pagebar.trackControl()->subviews())
            if (std::dynamic_pointer_cast<PdfPagebarThumb>(view) && view != pagebar.pageThumbView()
                && !view->isHidden())
                edges.push_back(view->frame().origin.x);
        std::sort(edges.begin(), edges.end());
        return edges;
    }
    static std::vector<long> markPages(const PdfMainPagebar& pagebar)
    {
        std::vector<long> pages;
        for (const auto& [page, mark] : pagebar.visibleMarks())
            pages.push_back(page);
        return pages;
    }
};

TEST_F(PdfMainPagebarTest, ALongDocumentSpreadsTheMarksThatFitOverAllItsPages)
{
    auto pagebar = bar(100, 968);
    auto pages = markPages(*pagebar);
    ASSERT_EQ(pages.size(), 40u);
    EXPECT_EQ(std::vector<long>(pages.begin(), pages.begin() + 5), (std::vector<long> { 1, 3, 6, 8, 11 }));
    EXPECT_EQ(std::vector<long>(pages.end() - 3, pages.end()), (std::vector<long> { 95, 98, 100 }));
    EXPECT_EQ(pagebar->trackControl()->frame().size.width, 40 * 24 - 2);
    auto edges = shownMarkEdges(*pagebar);
    ASSERT_EQ(edges.size(), 40u);
    for (size_t i = 0; i < edges.size(); ++i)
        EXPECT_EQ(edges[i], 24 * static_cast<CGFloat>(i)) << i;

    // A narrower bar hides the marks that no longer fit and keeps them.
    pagebar->setFrame(CGRectMake(0, 700, 488, 48));
    pagebar->layoutSubviews();
    EXPECT_EQ(markPages(*pagebar).size(), 20u);
    EXPECT_EQ(shownMarkEdges(*pagebar).size(), 20u);
    pagebar->setFrame(CGRectMake(0, 700, 968, 48));
    pagebar->layoutSubviews();
    EXPECT_EQ(markPages(*pagebar), pages);
}

TEST_F(PdfMainPagebarTest, AShortDocumentGetsOneMarkAPageOnACentredControl)
{
    auto pagebar = bar(5, 1024);
    EXPECT_EQ(markPages(*pagebar), (std::vector<long> { 1, 2, 3, 4, 5 }));
    CGRect control = pagebar->trackControl()->frame();
    EXPECT_EQ(control.size.width, 5 * 24 - 2);
    EXPECT_EQ(control.origin.x, std::floor((1024 - control.size.width) / 2));
    EXPECT_EQ(pagebar->pageNumberLabel()->text(), "1 of 5");
    // The same page again does not rebuild the text.
    int writes = pagebar->pageTextUpdates();
    pagebar->updatePageNumberText(1);
    EXPECT_EQ(pagebar->pageTextUpdates(), writes);
    pagebar->updatePageThumbView(5);
    EXPECT_EQ(pagebar->pageThumbView()->frame().origin.x, control.size.width - 32);
}

TEST_F(PdfMainPagebarTest, AOnePageDocumentKeepsItsThumbnailAtTheLeft)
{
    auto pagebar = bar(1, 1024);
    EXPECT_EQ(markPages(*pagebar), (std::vector<long> { 1 }));
    EXPECT_EQ(pagebar->pageThumbView()->frame().origin.x, 0);
    pagebar->updatePageThumbView(1);
    EXPECT_EQ(pagebar->pageThumbView()->frame().origin.x, 0);
}

TEST_F(PdfMainPagebarTest, BarsNeedTheirDocument)
{
    EXPECT_THROW(PdfMainPagebar::initWithFrameDocument(CGRectMake(0, 0, 100, 48), nullptr), NSException);
}

}  // namespace
