#pragma once

// A reader screen test: a PDF written for the test under Documents, its
// document record, the reader shown as the window's root with an opener
// that records the close request, and helpers that wait for the thumbnail
// workers (real threads) before the main loop delivers their images.

#include "Classes/Library/PdfContentPage.h"
#include "Classes/Library/PdfDocument.h"
#include "Classes/Library/PdfThumbCache.h"
#include "Classes/Library/PdfThumbQueue.h"
#include "Classes/Library/PdfViewController.h"
#include "Classes/Library/PdfFixture.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSOperationQueue.h"
#include "support/ScreenTest.h"

class RecordingOpener : public PdfViewControllerDelegate {
public:
    void dismissReaderViewController(PdfViewController&) override { ++closeRequests; }
    int closeRequests = 0;
};

class ReaderTest : public ScreenTest {
protected:
    void SetUp() override
    {
        ScreenTest::SetUp();
        PdfThumbCache::sharedInstance().removeAllObjects();
    }
    void TearDown() override
    {
        reader.reset();
        finishThumbnails();
        PdfThumbCache::sharedInstance().removeAllObjects();
        ScreenTest::TearDown();
    }

    std::string writePdf(const PdfFixture& pdf, const std::string& name = "Brochure.pdf")
    {
        std::string folder = home->documents() + "/acme/Pdf";
        NSFileManager::defaultManager().createDirectoryAtPathWithIntermediateDirectories(folder, true);
        std::string path = folder + "/" + name;
        EXPECT_TRUE(pdf.write(path));
        return path;
    }

    // Opens the reader on the file as the library does, and waits for the first page.
    void open(const std::string& path, long savedPage = 0)
    {
        document = PdfDocument::withDocumentFilePathPassword(path, std::nullopt);
        ASSERT_TRUE(document);
        if (savedPage) {
            document->setPageNumber(savedPage);
            document->saveReaderDocument();
        }
        reader = PdfViewController::initWithReaderDocumentDocumentName(document, "Brochure");
        reader->setDelegate(opener);
        showRoot(reader);
        driver->advance(0.05);
    }

    // Runs the thumbnail queues dry (a fetch may hand over to a render), then delivers.
    static void finishThumbnails()
    {
        auto& queue = PdfThumbQueue::sharedInstance();
        while (queue.loadQueue()->operationCount() || queue.workQueue()->operationCount()) {
            queue.loadQueue()->waitUntilAllOperationsAreFinished();
            queue.workQueue()->waitUntilAllOperationsAreFinished();
        }
        drainMainRunLoop();
    }

    // A tap that a double tap might still claim: the recogniser waits its interval first.
    void tapAndSettle(CGPoint point)
    {
        driver->tapAt(point);
        driver->advance(1.0);
    }

    std::vector<long> livePages() const
    {
        std::vector<long> pages;
        for (const auto& [page, view] : reader->contentViews())
            pages.push_back(page);
        return pages;
    }

    // Where a point of the page (PDF units, y upward) shows in the window, on an upright page.
    CGPoint onPage(long page, CGFloat x, CGFloat y) const
    {
        auto view = reader->contentViews().at(page)->contentPage();
        return view->convertPointToView(CGPointMake(x, view->bounds().size.height - y), nullptr);
    }

    std::shared_ptr<RecordingOpener> opener = std::make_shared<RecordingOpener>();
    std::shared_ptr<PdfDocument> document;
    std::shared_ptr<PdfViewController> reader;
};
