// The PDF reader's bulk paths, each beside its floor or peer in the same run:
//
// - The pages of a six-page brochure (text in several sizes and faces, vector
//   art, a JPEG photograph and a PNG logo with its alpha) shown at 1024 x 768
//   through the reader's page view (the visible tiles of its tiled layer,
//   drawn through the platform's context, on its white card with a shadow),
//   the same tiles without the card, and beside them the same pages drawn at
//   the same size with poppler into cairo directly. The card's own cost shows
//   over the plainest page (a band and a number), on its card and alone.
// - The thumbnails of a 300-page PDF at the reader's sizes (overview and page
//   placeholder 240 x 240, page-bar thumbnail 32 x 42, page-bar mark 22 x 28):
//   the first time (rendered and written as files), and again from the files
//   with the memory cache emptied, beside `pdftoppm -scale-to` over the same
//   pages in one process.
// - Turning 100 pages in a row with the reader's three-page window; the
//   resident memory after 10 and after 100 pages shows it does not grow with
//   the pages turned, and a reading of 200 pages shows where it levels off.
//
// The machine is shared, so BM_PageBesideTheFloorInInterleavedRounds draws
// every brochure page, its tiles and the peer in turn and prints each one's
// minimum and median over the rounds and the reader's over the peer's.

#include "Classes/Library/PdfContentPage.h"
#include "Classes/Library/PdfContentView.h"
#include "Classes/Library/PdfDocument.h"
#include "Classes/Library/PdfThumbCache.h"
#include "Classes/Library/PdfThumbQueue.h"
#include "Classes/Library/PdfThumbRequest.h"
#include "Classes/Library/PdfThumbView.h"
#include "Classes/Library/PdfViewController.h"
#include "Classes/Library/BrochureFixture.h"
#include "Classes/Library/PdfFixture.h"
#include "Platform/Foundation/NSOperationQueue.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIViewRendering.h"
#include "Platform/UIKit/UIWindow.h"
#include "support/RunLoopPump.h"
#include "support/TemporaryHome.h"
#include "bench/support/Rounds.h"

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <poppler.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using BenchRounds::median;
using BenchRounds::secondsSince;

constexpr int kBrochurePages = 6;

struct Fixture {
    TemporaryHome home;
    std::string small;
    std::string large;
    std::string plain;
    Fixture()
    {
        small = home.documents() + "/Brochure.pdf";
        large = home.documents() + "/Catalogue.pdf";
        plain = home.documents() + "/Plain.pdf";
        PdfFixture::withPages(1, 595, 842).write(plain);
        if (!BrochureFixture::write(small, kBrochurePages))
            std::abort();
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
    auto view = PdfContentView::initWithFrameFileURLPagePassword(
        CGRectMake(0, 0, 1024, 768), fixture().small, 2, std::nullopt);
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
    auto view = PdfContentView::initWithFrameFileURLPagePassword(
        CGRectMake(0, 0, 1024, 768), fixture().small, 2, std::nullopt);
    auto page = view->contentPage();
    benchmark::DoNotOptimize(UIViewRenderToImage(*page));
    for (auto _ : state) {
        auto image = UIViewRenderToImage(*page);
        benchmark::DoNotOptimize(image);
    }
}
BENCHMARK(BM_PageTilesWithoutTheCard)->Unit(benchmark::kMillisecond);

// The card's own cost: the simplest page (a band and a number) on its card
// and as its tiles alone, in alternate draws; on so light a page what the
// card adds (its white ground, its shadow) shows above the noise.
void BM_CardOverThePlainestPage(benchmark::State& state)
{
    constexpr int kRounds = 201;
    auto view = PdfContentView::initWithFrameFileURLPagePassword(
        CGRectMake(0, 0, 1024, 768), fixture().plain, 1, std::nullopt);
    view->showPageThumbPagePasswordGuid(fixture().plain, 1, std::nullopt, PdfDocument::GUID());
    finishThumbnails();
    auto tiles = view->contentPage();
    benchmark::DoNotOptimize(UIViewRenderToImage(*view));
    std::vector<double> card, alone;
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            auto began = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(UIViewRenderToImage(*view));
            card.push_back(secondsSince(began));
            began = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(UIViewRenderToImage(*tiles));
            alone.push_back(secondsSince(began));
        }
        state.SetIterationTime(median(card));
    }
    state.counters["card_median_us"] = median(card) * 1e6;
    state.counters["card_min_us"] = *std::min_element(card.begin(), card.end()) * 1e6;
    state.counters["tiles_median_us"] = median(alone) * 1e6;
    state.counters["tiles_min_us"] = *std::min_element(alone.begin(), alone.end()) * 1e6;
}
BENCHMARK(BM_CardOverThePlainestPage)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(1);

// The peer: a new 1024 x 768 picture, clear as the reader's starts, with the
// page fitted in it as the reader fits it, on white.
class PopplerAndCairoPage {
public:
    explicit PopplerAndCairoPage(int page)
    {
        std::string uri = "file://" + fixture().small;
        m_document = poppler_document_new_from_file(uri.c_str(), nullptr, nullptr);
        m_page = poppler_document_get_page(m_document, page - 1);
        poppler_page_get_size(m_page, &m_width, &m_height);
        m_scale = std::min(1016.0 / m_width, 760.0 / m_height);
    }
    ~PopplerAndCairoPage()
    {
        g_object_unref(m_page);
        g_object_unref(m_document);
    }
    PopplerAndCairoPage(const PopplerAndCairoPage&) = delete;
    PopplerAndCairoPage& operator=(const PopplerAndCairoPage&) = delete;

    void draw()
    {
        cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1024, 768);
        cairo_t* cr = cairo_create(surface);
        cairo_translate(cr, (1024 - m_width * m_scale) / 2, (768 - m_height * m_scale) / 2);
        cairo_scale(cr, m_scale, m_scale);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_rectangle(cr, 0, 0, m_width, m_height);
        cairo_fill(cr);
        poppler_page_render(m_page, cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
        cairo_surface_destroy(surface);
    }

private:
    PopplerDocument* m_document = nullptr;
    PopplerPage* m_page = nullptr;
    double m_width = 0, m_height = 0, m_scale = 1;
};

void BM_PageWithPopplerAndCairoDirectly(benchmark::State& state)
{
    PopplerAndCairoPage peer(2);
    peer.draw();
    for (auto _ : state)
        peer.draw();
}
BENCHMARK(BM_PageWithPopplerAndCairoDirectly)->Unit(benchmark::kMillisecond);

double minimum(std::vector<double> v) { return *std::min_element(v.begin(), v.end()); }

// Every brochure page on its card, its tiles alone and the peer: in each
// round each page is drawn by all three in a different order each time, so
// the shared machine's load falls on all three alike; a round's time is the
// sum over the pages. The counters give each one's minimum and median round
// and the reader's over the peer's (1 is as fast).
void BM_PageBesideTheFloorInInterleavedRounds(benchmark::State& state)
{
    constexpr int kRounds = 21;
    std::vector<std::shared_ptr<PdfContentView>> views;
    std::vector<std::unique_ptr<PopplerAndCairoPage>> peers;
    for (int page = 1; page <= kBrochurePages; ++page) {
        auto view = PdfContentView::initWithFrameFileURLPagePassword(
            CGRectMake(0, 0, 1024, 768), fixture().small, page, std::nullopt);
        view->showPageThumbPagePasswordGuid(fixture().small, page, std::nullopt, PdfDocument::GUID());
        views.push_back(view);
        peers.push_back(std::make_unique<PopplerAndCairoPage>(page));
    }
    finishThumbnails();
    const std::function<void(size_t)> draws[] = {
        [&](size_t k) { benchmark::DoNotOptimize(UIViewRenderToImage(*views[k])); },
        [&](size_t k) { benchmark::DoNotOptimize(UIViewRenderToImage(*views[k]->contentPage())); },
        [&](size_t k) { peers[k]->draw(); },
    };
    for (size_t k = 0; k < views.size(); ++k)
        for (auto& draw : draws)
            draw(k);
    std::vector<double> times[3];
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            double sums[3] = { 0, 0, 0 };
            for (size_t k = 0; k < views.size(); ++k)
                for (int d = 0; d < 3; ++d) {
                    const int which = (round + static_cast<int>(k) + d) % 3;
                    auto began = std::chrono::steady_clock::now();
                    draws[which](k);
                    sums[which] += secondsSince(began);
                }
            for (int d = 0; d < 3; ++d)
                times[d].push_back(sums[d]);
        }
        state.SetIterationTime(median(times[0]));
    }
    const char* names[] = { "card", "tiles", "floor" };
    for (int k = 0; k < 3; ++k) {
        state.counters[std::string(names[k]) + "_min_ms"] = minimum(times[k]) * 1e3;
        state.counters[std::string(names[k]) + "_median_ms"] = median(times[k]) * 1e3;
    }
    for (int k = 0; k < 2; ++k) {
        state.counters[std::string(names[k]) + "_to_floor_min"] = minimum(times[k]) / minimum(times[2]);
        state.counters[std::string(names[k]) + "_to_floor_median"] = median(times[k]) / median(times[2]);
    }
    state.counters["pages"] = kBrochurePages;
}
BENCHMARK(BM_PageBesideTheFloorInInterleavedRounds)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);

// One request per page and size, as the overview, placeholders and page bar ask.
void requestAllThumbnails(const std::string& guid, std::vector<std::shared_ptr<PdfThumbView>>& views)
{
    const CGSize sizes[] = { CGSizeMake(240, 240), CGSizeMake(32, 42), CGSizeMake(22, 28) };
    size_t i = 0;
    for (long page = 1; page <= 300; ++page)
        for (CGSize size : sizes) {
            auto& view = views[i++];
            auto request = PdfThumbRequest::newForViewFileURLPasswordGuidPageSize(
                view, fixture().large, std::nullopt, guid, page, size);
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
    std::string command
        = "pdftoppm -png -scale-to 240 -f 1 -l 300 '" + fixture().large + "' '" + out + "' >/dev/null 2>&1";
    for (auto _ : state) {
        int status = std::system(command.c_str());
        benchmark::DoNotOptimize(status);
        if (status != 0)
            state.SkipWithError("pdftoppm did not run");
    }
    state.counters["pages"] = 300;
}
BENCHMARK(BM_Pdftoppm300PagesScaledTo240)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// Opens the 300-page catalogue at its first page and turns `turns` pages one
// by one, noting the resident memory after each turn in `checkpoints`; gives
// the page views alive at the end.
size_t turnPages(UIWindow& window, long turns, const std::vector<long>& checkpoints, std::vector<double>& rss)
{
    rss.assign(checkpoints.size(), 0);
    auto document = PdfDocument::withDocumentFilePathPassword(fixture().large, std::nullopt);
    document->setPageNumber(1);
    auto reader = PdfViewController::initWithReaderDocumentDocumentName(document, "Catalogue");
    window.setRootViewController(reader);
    reader->showDocument();
    for (long turn = 1; turn <= turns; ++turn) {
        reader->showDocumentPage(1 + turn);
        // Each turn is a gesture the main loop handles; the placeholders made
        // meanwhile come back through it, as they do between a reader's turns.
        drainMainRunLoop();
        for (size_t k = 0; k < checkpoints.size(); ++k)
            if (checkpoints[k] == turn)
                rss[k] = residentMegabytes();
    }
    size_t live = reader->contentViews().size();
    PdfThumbQueue::sharedInstance().cancelAllOperations();
    finishThumbnails();
    window.setRootViewController(nullptr);
    return live;
}

void BM_Turn100PagesWithTheThreePageWindow(benchmark::State& state)
{
    auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 1024, 768));
    std::vector<double> rss;
    size_t live = 0;
    for (auto _ : state)
        live = turnPages(*window, 100, { 10, 100 }, rss);
    state.counters["rss_mb_after_10"] = rss[0];
    state.counters["rss_mb_after_100"] = rss[1];
    state.counters["live_page_views"] = static_cast<double>(live);
}
BENCHMARK(BM_Turn100PagesWithTheThreePageWindow)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// Resident memory along a longer reading, once: whether it keeps growing
// with the pages turned or levels off.
void BM_ResidentMemoryOver200PageTurns(benchmark::State& state)
{
    auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 1024, 768));
    const std::vector<long> checkpoints = { 10, 50, 100, 200 };
    std::vector<double> rss;
    for (auto _ : state)
        turnPages(*window, 200, checkpoints, rss);
    for (size_t k = 0; k < checkpoints.size(); ++k)
        state.counters["rss_mb_after_" + std::to_string(checkpoints[k])] = rss[k];
}
BENCHMARK(BM_ResidentMemoryOver200PageTurns)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
