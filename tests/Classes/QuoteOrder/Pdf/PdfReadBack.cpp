#include "PdfReadBack.h"

#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <cairo.h>
#include <poppler.h>

#include <memory>

namespace {

struct DocumentDeleter {
    void operator()(PopplerDocument* d) const { g_object_unref(d); }
};
using Document = std::unique_ptr<PopplerDocument, DocumentDeleter>;

Document open(const Data& pdf)
{
    if (pdf.empty())
        return nullptr;
    GBytes* bytes = g_bytes_new(pdf.data(), pdf.size());
    GError* error = nullptr;
    PopplerDocument* document = poppler_document_new_from_bytes(bytes, nullptr, &error);
    g_bytes_unref(bytes);
    if (error)
        g_error_free(error);
    return Document(document);
}

struct PageDeleter {
    void operator()(PopplerPage* p) const { g_object_unref(p); }
};
using Page = std::unique_ptr<PopplerPage, PageDeleter>;

Page pageOf(const Document& document, int page)
{
    if (!document || page < 1 || page > poppler_document_get_n_pages(document.get()))
        return nullptr;
    return Page(poppler_document_get_page(document.get(), page - 1));
}

class IgnoreTokens final : public QPDFObjectHandle::ParserCallbacks {
public:
    void handleObject(QPDFObjectHandle) override { }
    void handleEOF() override { }
};

}

namespace PdfReadBack {

std::string qpdfProblems(const Data& pdf)
{
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        document.processMemoryFile("order.pdf", reinterpret_cast<const char*>(pdf.data()), pdf.size());
        IgnoreTokens ignore;
        for (auto& page : QPDFPageDocumentHelper(document).getAllPages())
            page.parseContents(&ignore);
        QPDFWriter writer(document);
        writer.setOutputMemory();
        writer.write();
        std::string problems;
        for (const auto& warning : document.getWarnings())
            problems += warning.what() + std::string("\n");
        return problems;
    } catch (const std::exception& error) {
        return error.what();
    }
}

int popplerPageCount(const Data& pdf)
{
    auto document = open(pdf);
    return document ? poppler_document_get_n_pages(document.get()) : -1;
}

std::string pageText(const Data& pdf, int page)
{
    auto document = open(pdf);
    auto p = pageOf(document, page);
    if (!p)
        return {};
    char* text = poppler_page_get_text(p.get());
    std::string result = text ? text : "";
    g_free(text);
    return result;
}

std::vector<PdfTextBox> findText(const Data& pdf, int page, const std::string& text)
{
    auto document = open(pdf);
    auto p = pageOf(document, page);
    std::vector<PdfTextBox> boxes;
    if (!p)
        return boxes;
    double width = 0, height = 0;
    poppler_page_get_size(p.get(), &width, &height);
    GList* matches = poppler_page_find_text(p.get(), text.c_str());
    for (GList* m = matches; m; m = m->next) {
        auto* r = static_cast<PopplerRectangle*>(m->data);
        // poppler answers with the origin at the bottom left.
        boxes.push_back({ r->x1, height - r->y2, r->x2, height - r->y1 });
        poppler_rectangle_free(r);
    }
    g_list_free(matches);
    return boxes;
}

std::optional<std::pair<double, double>> pageSize(const Data& pdf, int page)
{
    auto document = open(pdf);
    auto p = pageOf(document, page);
    if (!p)
        return std::nullopt;
    double width = 0, height = 0;
    poppler_page_get_size(p.get(), &width, &height);
    return std::make_pair(width, height);
}

static cairo_surface_t* render(const Data& pdf, int page, double scaleWidth)
{
    auto document = open(pdf);
    auto p = pageOf(document, page);
    if (!p)
        return nullptr;
    double width = 0, height = 0;
    poppler_page_get_size(p.get(), &width, &height);
    double scale = scaleWidth / width;
    cairo_surface_t* surface = cairo_image_surface_create(
        CAIRO_FORMAT_RGB24, static_cast<int>(scaleWidth), static_cast<int>(height * scale + 0.5));
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_scale(cr, scale, scale);
    poppler_page_render(p.get(), cr);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    return surface;
}

bool renderPageToPNG(const Data& pdf, int page, double width, const std::string& path)
{
    cairo_surface_t* surface = render(pdf, page, width);
    if (!surface)
        return false;
    bool written = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return written;
}

std::optional<unsigned> pixelAt(const Data& pdf, int page, double x, double y)
{
    auto size = pageSize(pdf, page);
    if (!size)
        return std::nullopt;
    cairo_surface_t* surface = render(pdf, page, size->first);
    if (!surface)
        return std::nullopt;
    int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* pixels = cairo_image_surface_get_data(surface);
    unsigned value
        = *reinterpret_cast<const uint32_t*>(pixels + static_cast<int>(y) * stride + static_cast<int>(x) * 4);
    cairo_surface_destroy(surface);
    return value & 0xFFFFFFu;
}

}
