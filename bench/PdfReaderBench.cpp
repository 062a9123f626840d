// The PDF reader's bulk paths, each beside its floor or peer in the same run:
//
// - A page shown at 1024 x 768 through the reader's page view (the visible
//   tiles of its tiled layer, drawn through the platform's context, on its
//   white card with a shadow), the same tiles without the card, and beside
//   them the same page drawn at the same size with poppler into cairo directly.
// - The thumbnails of a 300-page PDF at the reader's sizes (overview and page
//   placeholder 240 x 240, page-bar thumbnail 32 x 42, page-bar mark 22 x 28):
//   the first time (rendered and written as files), and again from the files
//   with the memory cache emptied, beside `pdftoppm -scale-to` over the same
//   pages in one process.
// - Turning 100 pages in a row with the reader's three-page window; the
//   resident memory after 10 and after 100 pages shows it does not grow with
//   the pages turned.
//
// The machine is shared, so the page and its peer are best compared over
// interleaved rounds: --benchmark_filter=Page --benchmark_repetitions=10
// --benchmark_enable_random_interleaving=true.

#include "Classes/Library/PdfContentPage.h"
#include "Classes/Library/PdfContentView.h"
#include "Classes/Library/PdfDocument.h"
#include "Classes/Library/PdfThumbCache.h"
#include "Classes/Library/PdfThumbQueue.h"
#include "Classes/Library/PdfThumbRequest.h"
#include "Classes/Library/PdfThumbView.h"
#include "Classes/Library/PdfViewController.h"
#include "Classes/Library/PdfFixture.h"
#include "Platform/Foundation/NSOperationQueue.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIViewRendering.h"
#include "Platform/UIKit/UIWindow.h"
#include "support/RunLoopPump.h"
#include "support/TemporaryHome.h"

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <poppler.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

struct Fixture {
    TemporaryHome home;
    std::string small;
    std::string large;
    Fixture()
    {
        small = home.documents() + "/Brochure.pdf";
        large = home.documents() + "/Catalogue.pdf";
        PdfFixture::withPages(3, 595, 842).write(small);
        PdfFixture::withPages(300, 595, 842).write(large);
    }
};

Fixture& fixture()
{
    static Fixture* f = new Fixture();
    return *f;
}

void finishThumbnails()
{
    auto& queue = PdfThumbQueue::sharedInstance();
    while (queue.loadQueue()->operationCount() || queue.workQueue()->operationCount()) {
        queue.loadQueue()->waitUntilAllOperationsAreFinished();
        queue.workQueue()->waitUntilAllOperationsAreFinished();
    }
    drainMainRunLoop();
}

double residentMegabytes()
{
    long pages = 0, resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return static_cast<double>(resident) * 4096.0 / (1024.0 * 1024.0);
}

// The page as the reader shows it: on its card, over the placeholder the
// reader asks for, drawn once before the timing so the document is warm, as
// the peer's is.
void BM_PageViaVisibleTiles(benchmark::State& state)
{
    auto view = PdfContentView::initWithFrameFileURLPagePassword(CGRectMake(0, 0, 1024, 768), fixture().small, 2, std::nullopt);
    view->showPageThumbPagePasswordGuid(fixture().small, 2, std::nullopt, PdfDocument::GUID());
    finishThumbnails();
    benchmark::DoNotOptimize(UIViewRenderToImage(*view));
    for (auto _ : state) {
        auto image = UIViewRenderToImage(*view);
        benchmark::DoNotOptimize(image);
    }
}
BENCHMARK(BM_PageViaVisibleTiles)->Unit(benchmark::kMillisecond);

// The same page's tiles alone, without the white card and its blurred shadow around them.
void BM_PageTilesWithoutTheCard(benchmark::State& state)
{
    auto view = PdfContentView::initWithFrameFileURLPagePassword(CGRectMake(0, 0, 1024, 768), fixture().small, 2, std::nullopt);
    auto page = view->contentPage();
    benchmark::DoNotOptimize(UIViewRenderToImage(*page));
    for (auto _ : state) {
        auto image = UIViewRenderToImage(*page);
        benchmark::DoNotOptimize(image);
    }
}
BENCHMARK(BM_PageTilesWithoutTheCard)->Unit(benchmark::kMillisecond);

// The peer: a new 1024 x 768 picture, clear as the reader's starts, with the
// page fitted in it as the reader fits it, on white.
void BM_PageWithPopplerAndCairoDirectly(benchmark::State& state)
{
    std::string uri = "file://" + fixture().small;
    PopplerDocument* document = poppler_document_new_from_file(uri.c_str(), nullptr, nullptr);
    PopplerPage* page = poppler_document_get_page(document, 1);
    double width = 0, height = 0;
    poppler_page_get_size(page, &width, &height);
    double scale = std::min(1016.0 / width, 760.0 / height);
    auto draw = [&] {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1024, 768);
        cairo_t* cr = cairo_create(surface);
        cairo_translate(cr, (1024 - width * scale) / 2, (768 - height * scale) / 2);
        cairo_scale(cr, scale, scale);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_rectangle(cr, 0, 0, width, height);
        cairo_fill(cr);
        poppler_page_render(page, cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
        cairo_surface_destroy(surface);
    };
    draw();
    for (auto _ : state)
        draw();
    g_object_unref(page);
    g_object_unref(document);
}
BENCHMARK(BM_PageWithPopplerAndCairoDirectly)->Unit(benchmark::kMillisecond);

// One request per page and size, as the overview, placeholders and page bar ask.
void requestAllThumbnails(const std::string& guid, std::vector<std::shared_ptr<PdfThumbView>>& views)
{
    const CGSize sizes[] = { CGSizeMake(240, 240), CGSizeMake(32, 42), CGSizeMake(22, 28) };
    size_t i = 0;
    for (long page = 1; page <= 300; ++page)
        for (CGSize size : sizes) {
            auto& view = views[i++];
            auto request = PdfThumbRequest::newForViewFileURLPasswordGuidPageSize(view, fixture().large, std::nullopt, guid,
                                                                                  page, size);
            PdfThumbCache::sharedInstance().thumbRequestPriority(request, size.width > 30);
        }
    finishThumbnails();
}

std::vector<std::shared_ptr<PdfThumbView>> thumbViews()
{
    std::vector<std::shared_ptr<PdfThumbView>> views;
    for (int i = 0; i < 900; ++i)
        views.push_back(std::make_shared<PdfThumbView>(CGRectMake(0, 0, 240, 240)));
    return views;
}

void BM_Thumbnails300PagesFirstTime(benchmark::State& state)
{
    auto views = thumbViews();
    for (auto _ : state) {
        PdfThumbCache::sharedInstance().removeAllObjects();
        requestAllThumbnails(PdfDocument::GUID(), views);
    }
    state.counters["pages"] = 300;
}
BENCHMARK(BM_Thumbnails300PagesFirstTime)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_Thumbnails300PagesFromTheirFiles(benchmark::State& state)
{
    auto views = thumbViews();
    std::string guid = PdfDocument::GUID();
    requestAllThumbnails(guid, views);
    for (auto _ : state) {
        PdfThumbCache::sharedInstance().removeAllObjects();
        requestAllThumbnails(guid, views);
    }
    state.counters["pages"] = 300;
}
BENCHMARK(BM_Thumbnails300PagesFromTheirFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_Thumbnails300PagesInMemory(benchmark::State& state)
{
    auto views = thumbViews();
    std::string guid = PdfDocument::GUID();
    requestAllThumbnails(guid, views);
    for (auto _ : state)
        requestAllThumbnails(guid, views);
    state.counters["cache_kb"] = static_cast<double>(PdfThumbCache::sharedInstance().totalCost()) / 1024;
}
BENCHMARK(BM_Thumbnails300PagesInMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The peer: one pdftoppm process writing the 300 pages scaled to the largest box.
void BM_Pdftoppm300PagesScaledTo240(benchmark::State& state)
{
    std::string out = fixture().home.scratch() + "/ppm";
    std::string command = "pdftoppm -png -scale-to 240 -f 1 -l 300 '" + fixture().large + "' '" + out + "' >/dev/null 2>&1";
    for (auto _ : state) {
        int status = std::system(command.c_str());
        benchmark::DoNotOptimize(status);
        if (status != 0)
            state.SkipWithError("pdftoppm did not run");
    }
    state.counters["pages"] = 300;
}
BENCHMARK(BM_Pdftoppm300PagesScaledTo240)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_Turn100PagesWithTheThreePageWindow(benchmark::State& state)
{
    auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 1024, 768));
    double after10 = 0, after100 = 0;
    size_t live = 0;
    for (auto _ : state) {
        auto document = PdfDocument::withDocumentFilePathPassword(fixture().large, std::nullopt);
        document->setPageNumber(1);
        auto reader = PdfViewController::initWithReaderDocumentDocumentName(document, "Catalogue");
        window->setRootViewController(reader);
        reader->showDocument();
        for (long page = 2; page <= 101; ++page) {
            reader->showDocumentPage(page);
            if (page == 11)
                after10 = residentMegabytes();
        }
        after100 = residentMegabytes();
        live = reader->contentViews().size();
        PdfThumbQueue::sharedInstance().cancelAllOperations();
        finishThumbnails();
        window->setRootViewController(nullptr);
    }
    state.counters["rss_mb_after_10"] = after10;
    state.counters["rss_mb_after_100"] = after100;
    state.counters["live_page_views"] = static_cast<double>(live);
}
BENCHMARK(BM_Turn100PagesWithTheThreePageWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace
