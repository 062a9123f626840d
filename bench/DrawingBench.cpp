// Page rendering against poppler's own command-line renderer, and text
// measurement rates for short labels and wrapped paragraphs.

#include "Platform/CoreGraphics/CGBitmapContext.h"
#include "Platform/CoreGraphics/CGPDFContext.h"
#include "Platform/CoreGraphics/CGPDFDocument.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "support/TemporaryHome.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int pageCount = 100;
constexpr size_t renderWidth = 1024;

// A generated document of text pages with a coloured block, made once.
const std::string& documentPath()
{
    static const std::string path = [] {
        static TemporaryHome home;
        std::string file = home.scratch() + "/pages.pdf";
        CGRect box = CGRectMake(0, 0, 612, 792);
        auto c = CGPDFContextCreateWithURL(file, &box);
        for (int i = 1; i <= pageCount; ++i) {
            CGPDFContextBeginPage(c, nullptr);
            CGContextSetRGBFillColor(c, 0.9f, 0.2f, 0.1f, 1);
            CGContextFillRect(c, CGRectMake(50, 600, 100, 100));
            CGContextSetRGBFillColor(c, 0, 0, 0, 1);
            CGContextTranslateCTM(c, 0, 792);
            CGContextScaleCTM(c, 1, -1);
            TextLayout("Page " + std::to_string(i), TextFont::boldSystemFont(24), {}).draw(c, { 300, 100 });
            for (int line = 0; line < 40; ++line)
                TextLayout("Line " + std::to_string(line) + " of a generated page, with enough words to fill it out",
                    TextFont::systemFont(11), {})
                    .draw(c, { 50, CGFloat(200 + line * 14) });
            CGPDFContextEndPage(c);
        }
        CGPDFContextClose(c);
        return file;
    }();
    return path;
}

double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void renderAllPages(const CGPDFDocumentRef& doc)
{
    for (size_t n = 1; n <= CGPDFDocumentGetNumberOfPages(doc); ++n) {
        auto page = CGPDFDocumentGetPage(doc, n);
        CGRect box = CGPDFPageGetBoxRect(page, kCGPDFCropBox);
        auto height = size_t(double(renderWidth) * box.size.height / box.size.width);
        auto c = CGBitmapContextCreate(nullptr, renderWidth, height, 8, 0, CGColorSpaceCreateDeviceRGB(),
            kCGImageAlphaNoneSkipFirst | kCGBitmapByteOrder32Little);
        CGContextSetRGBFillColor(c, 1, 1, 1, 1);
        CGContextFillRect(c, CGRectMake(0, 0, CGFloat(renderWidth), CGFloat(height)));
        CGContextConcatCTM(c,
            CGPDFPageGetDrawingTransform(
                page, kCGPDFCropBox, CGRectMake(0, 0, CGFloat(renderWidth), CGFloat(height)), 0, true));
        CGContextDrawPDFPage(c, page);
        benchmark::DoNotOptimize(CGBitmapContextGetData(c));
    }
}

void BM_RenderPagesAgainstPdftoppm(benchmark::State& state)
{
    const std::string& path = documentPath();
    std::string out = std::filesystem::path(path).parent_path() / "ppm";
    double ours = 0, theirs = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        auto doc = CGPDFDocumentCreateWithURL(path);
        renderAllPages(doc);
        ours += seconds(start);
        start = std::chrono::steady_clock::now();
        std::string command
            = "pdftoppm -scale-to-x " + std::to_string(renderWidth) + " -scale-to-y -1 '" + path + "' '" + out + "'";
        if (std::system(command.c_str()) != 0)
            state.SkipWithError("pdftoppm failed");
        theirs += seconds(start);
        // The images pdftoppm writes are large; keep only the document.
        for (auto& entry : std::filesystem::directory_iterator(std::filesystem::path(path).parent_path()))
            if (entry.path() != path)
                std::filesystem::remove(entry.path());
    }
    double runs = double(state.iterations());
    state.counters["ours_ms_per_page"] = ours / runs / pageCount * 1000;
    state.counters["pdftoppm_ms_per_page"] = theirs / runs / pageCount * 1000;
    state.counters["ratio_ours_to_pdftoppm"] = ours / theirs;
}
BENCHMARK(BM_RenderPagesAgainstPdftoppm)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_MeasureShortLabel(benchmark::State& state)
{
    auto font = UIFont::boldSystemFontOfSize(14);
    for (auto _ : state)
        benchmark::DoNotOptimize(sizeWithFontConstrainedToSize("Summer Sale", font, { 1000, 30 }));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MeasureShortLabel);

void BM_MeasureWrappedParagraph(benchmark::State& state)
{
    auto font = UIFont::systemFontOfSize(15);
    const char* text = "A stainless steel kitchen mixer with a five litre bowl, eight speeds, a pulse setting, a dough "
                       "hook, a whisk and a flat beater; the motor is quiet, the housing easy to clean, and the bowl "
                       "locks in place with a quarter turn. Delivered with a splash guard and a recipe booklet.";
    for (auto _ : state)
        benchmark::DoNotOptimize(sizeWithFontConstrainedToSize(text, font, { 602.6666f, 1e9f }));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MeasureWrappedParagraph);

}

BENCHMARK_MAIN();
