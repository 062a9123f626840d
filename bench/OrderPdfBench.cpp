// The order PDF for 10, 100 and 1,000 lines (time and bytes; the cost should
// grow linearly with the lines), beside the floor a viewer pays: poppler
// rendering the first page of the same document at 1024 pixels.

#include "Classes/QuoteOrder/OrderPDFCreater.h"

#include "support/TemporaryHome.h"

#include <benchmark/benchmark.h>

#include <cairo.h>
#include <poppler.h>

#include <memory>
#include <string>

namespace {

std::shared_ptr<QuoteOrderEntity> orderWithLines(int lines)
{
    auto order = std::make_shared<QuoteOrderEntity>();
    order->number = "BENCH-1";
    order->currency = "USD";
    order->discountRat = 95;
    order->customerName = "Harbour Lights Trading";
    order->customerAddress = "12 Quay Street";
    order->city = "Portsmouth";
    for (int i = 0; i < lines; ++i) {
        auto item = std::make_shared<QuoteOrderItemEntity>();
        item->name = "Brass table lamp " + std::to_string(i);
        item->sku = "LMP-" + std::to_string(i);
        item->attributes = "colour:brass,shade:linen,size:medium";
        item->quantity = 1 + i % 7;
        item->price = 120;
        item->finalPrice = 102;
        item->currency = "USD";
        order->items.push_back(item);
    }
    return order;
}

std::shared_ptr<Data> makePdf(const std::shared_ptr<QuoteOrderEntity>& order)
{
    auto creater = std::make_shared<OrderPDFCreater>(order, CGSizeMake(1024, 1448), std::weak_ptr<UIViewController>());
    creater->generatePdfInScrollView(std::make_shared<UIScrollView>(CGRectMake(0, 0, 1024, 724)));
    return creater->generatePDFToData();
}

void BM_OrderPdf(benchmark::State& state)
{
    TemporaryHome home;
    auto order = orderWithLines(static_cast<int>(state.range(0)));
    size_t bytes = 0;
    for (auto _ : state) {
        auto pdf = makePdf(order);
        bytes = pdf->size();
        benchmark::DoNotOptimize(pdf->data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["lines/s"]
        = benchmark::Counter(static_cast<double>(state.range(0)) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_OrderPdf)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

// The floor: poppler opening the document and rendering its first page at 1024 px.
void BM_PopplerFirstPage1024(benchmark::State& state)
{
    std::shared_ptr<Data> pdf;
    {
        TemporaryHome home;
        pdf = makePdf(orderWithLines(static_cast<int>(state.range(0))));
    }
    for (auto _ : state) {
        GBytes* bytes = g_bytes_new(pdf->data(), pdf->size());
        PopplerDocument* document = poppler_document_new_from_bytes(bytes, nullptr, nullptr);
        PopplerPage* page = poppler_document_get_page(document, 0);
        double width = 0, height = 0;
        poppler_page_get_size(page, &width, &height);
        double scale = 1024 / width;
        cairo_surface_t* surface
            = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1024, static_cast<int>(height * scale));
        cairo_t* cr = cairo_create(surface);
        cairo_scale(cr, scale, scale);
        poppler_page_render(page, cr);
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
        g_object_unref(page);
        g_object_unref(document);
        g_bytes_unref(bytes);
    }
    state.counters["bytes"] = static_cast<double>(pdf->size());
}
BENCHMARK(BM_PopplerFirstPage1024)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond);

}
