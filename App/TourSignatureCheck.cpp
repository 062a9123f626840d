#include "App/TourSignatureCheck.h"

#include <cairo.h>
#include <poppler.h>

#include <cmath>
#include <cstdio>

namespace {

// The signature's place on the page is 192 x 132 points; the picture in it
// is scaled to fit, so one side or the other fills it.
bool signatureSized(const PopplerRectangle& area)
{
    const double width = area.x2 - area.x1, height = area.y2 - area.y1;
    const bool fitsWide = std::fabs(width - 192) < 2 && height <= 133;
    const bool fitsHigh = std::fabs(height - 132) < 2 && width <= 193;
    return fitsWide || fitsHigh;
}

// The share of the picture's pixels that are dark and not transparent.
double inkIn(cairo_surface_t* surface)
{
    cairo_surface_flush(surface);
    const cairo_format_t format = cairo_image_surface_get_format(surface);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24)
        return 0;
    const int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    if (!data || width <= 0 || height <= 0)
        return 0;
    long dark = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto pixel = *reinterpret_cast<const uint32_t*>(data + y * stride + x * 4);
            const unsigned alpha = format == CAIRO_FORMAT_ARGB32 ? pixel >> 24 : 255;
            const unsigned r = (pixel >> 16) & 0xff, g = (pixel >> 8) & 0xff, b = pixel & 0xff;
            // Premultiplied: a dark opaque pixel has small colour and a large alpha.
            if (alpha > 128 && r + g + b < 3 * alpha / 2)
                ++dark;
        }
    return double(dark) / (double(width) * height);
}

}  // namespace

bool TourPdfShowsSignature(const Data& pdf, std::string& report)
{
    GError* error = nullptr;
    GBytes* bytes = g_bytes_new(pdf.data(), pdf.size());
    PopplerDocument* document = poppler_document_new_from_bytes(bytes, nullptr, &error);
    g_bytes_unref(bytes);
    if (!document) {
        report = std::string("the PDF cannot be read: ") + (error ? error->message : "no reason given");
        if (error)
            g_error_free(error);
        return false;
    }
    bool found = false;
    double ink = 0;
    int pageFound = 0;
    const int pages = poppler_document_get_n_pages(document);
    for (int index = 0; index < pages && !found; ++index) {
        PopplerPage* page = poppler_document_get_page(document, index);
        if (!page)
            continue;
        GList* mapping = poppler_page_get_image_mapping(page);
        for (GList* item = mapping; item && !found; item = item->next) {
            const auto* image = static_cast<PopplerImageMapping*>(item->data);
            if (!signatureSized(image->area))
                continue;
            if (cairo_surface_t* surface = poppler_page_get_image(page, image->image_id)) {
                ink = inkIn(surface);
                cairo_surface_destroy(surface);
                // A few strokes across the pad darken well over one pixel in a hundred.
                if (ink > 0.01) {
                    found = true;
                    pageFound = index + 1;
                }
            }
        }
        poppler_page_free_image_mapping(mapping);
        g_object_unref(page);
    }
    g_object_unref(document);
    char text[160];
    if (found)
        std::snprintf(text, sizeof text, "page %d of %d shows the signature, %.1f%% of its picture inked", pageFound,
            pages, ink * 100);
    else
        std::snprintf(text, sizeof text, "none of its %d pages shows an inked picture of the signature's size", pages);
    report = text;
    return found;
}
