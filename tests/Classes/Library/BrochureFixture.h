#pragma once

// Writes a sales brochure as a designer's tool would: A4 pages with a title,
// headings and body text in several sizes and faces (embedded font subsets),
// vector art (curves, dashed strokes, gradients, see-through shapes, a clip),
// a photograph stored as a JPEG stream and a logo with an alpha channel stored
// as a compressed image with its mask. Each page differs from the last, so a
// drawing that only does well on one kind of content shows it.

#include "Platform/CoreGraphics/CGImage.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

class BrochureFixture {
public:
    static constexpr double kWidth = 595;
    static constexpr double kHeight = 842;

    // Writes `pages` pages to `path`; false when cairo could not write it.
    static bool write(const std::string& path, int pages)
    {
        auto photo = jpegPhoto(480, 320);
        auto logo = pngLogo(160, 160);
        if (!photo.image || !logo)
            return false;
        cairo_surface_t* pdf = cairo_pdf_surface_create(path.c_str(), kWidth, kHeight);
        cairo_t* cr = cairo_create(pdf);
        for (int page = 1; page <= pages; ++page) {
            drawPage(cr, page, photo, logo);
            cairo_show_page(cr);
        }
        cairo_destroy(cr);
        cairo_surface_finish(pdf);
        const bool ok = cairo_surface_status(pdf) == CAIRO_STATUS_SUCCESS;
        cairo_surface_destroy(pdf);
        return ok;
    }

private:
    struct Photo {
        CGImageRef image;
        std::shared_ptr<Data> jpeg;
    };

    // Pixels drawn by `paint` into a new image of the engine's layout.
    template <typename Paint> static CGImageRef drawn(int width, int height, bool alpha, Paint paint)
    {
        const cairo_format_t format = alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24;
        cairo_surface_t* surface = cairo_image_surface_create(format, width, height);
        cairo_t* cr = cairo_create(surface);
        paint(cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        const auto* bytes = cairo_image_surface_get_data(surface);
        Data pixels(bytes, bytes + static_cast<size_t>(stride) * static_cast<size_t>(height));
        cairo_surface_destroy(surface);
        return std::make_shared<const CGImage>(static_cast<size_t>(width), static_cast<size_t>(height), alpha,
            std::move(pixels), static_cast<size_t>(stride));
    }

    // A photograph-like picture (soft light, a horizon, round shapes), kept
    // as the JPEG it encodes to and the pixels that JPEG decodes to.
    static Photo jpegPhoto(int width, int height)
    {
        auto source = drawn(width, height, false, [&](cairo_t* cr) {
            cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, height);
            cairo_pattern_add_color_stop_rgb(sky, 0, 0.25, 0.45, 0.80);
            cairo_pattern_add_color_stop_rgb(sky, 0.6, 0.95, 0.80, 0.55);
            cairo_pattern_add_color_stop_rgb(sky, 1, 0.30, 0.25, 0.20);
            cairo_set_source(cr, sky);
            cairo_paint(cr);
            cairo_pattern_destroy(sky);
            for (int k = 0; k < 24; ++k) {
                const double x = std::fmod(k * 97.0, width), y = height * 0.55 + std::fmod(k * 53.0, height * 0.4);
                cairo_pattern_t* glow = cairo_pattern_create_radial(x, y, 2, x, y, 20 + k % 5 * 12);
                cairo_pattern_add_color_stop_rgba(glow, 0, 0.9, 0.6 + k % 3 * 0.1, 0.3, 0.9);
                cairo_pattern_add_color_stop_rgba(glow, 1, 0.2, 0.2, 0.3, 0);
                cairo_set_source(cr, glow);
                cairo_arc(cr, x, y, 20 + k % 5 * 12, 0, 2 * M_PI);
                cairo_fill(cr);
                cairo_pattern_destroy(glow);
            }
        });
        Photo photo;
        auto jpeg = CGImageCreateJPEGData(source, 0.85);
        if (!jpeg)
            return photo;
        photo.image = CGImageCreateWithJPEGData(*jpeg);
        photo.jpeg = std::make_shared<Data>(std::move(*jpeg));
        return photo;
    }

    // A round logo on a clear ground, through a PNG and back.
    static CGImageRef pngLogo(int width, int height)
    {
        auto source = drawn(width, height, true, [&](cairo_t* cr) {
            cairo_pattern_t* ring
                = cairo_pattern_create_radial(width / 2.0, height / 2.0, 10, width / 2.0, height / 2.0, width / 2.0);
            cairo_pattern_add_color_stop_rgba(ring, 0, 0.95, 0.55, 0.10, 1);
            cairo_pattern_add_color_stop_rgba(ring, 0.8, 0.75, 0.15, 0.10, 0.85);
            cairo_pattern_add_color_stop_rgba(ring, 1, 0.75, 0.15, 0.10, 0);
            cairo_set_source(cr, ring);
            cairo_arc(cr, width / 2.0, height / 2.0, width / 2.0, 0, 2 * M_PI);
            cairo_fill(cr);
            cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
            cairo_select_font_face(cr, "DejaVu Sans", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
            cairo_set_font_size(cr, height / 3.0);
            cairo_move_to(cr, width * 0.2, height * 0.62);
            cairo_show_text(cr, "CV");
        });
        auto png = CGImageCreatePNGData(source);
        return png ? CGImageCreateWithPNGData(*png) : nullptr;
    }

    static void image(
        cairo_t* cr, const CGImageRef& picture, const std::shared_ptr<Data>& jpeg, double x, double y, double width)
    {
        cairo_surface_t* surface = picture->createSurface();
        // The file keeps the JPEG stream itself, as a layout tool places a photograph.
        if (jpeg)
            cairo_surface_set_mime_data(surface, CAIRO_MIME_TYPE_JPEG, jpeg->data(), jpeg->size(), nullptr, nullptr);
        const double scale = width / static_cast<double>(picture->width());
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_scale(cr, scale, scale);
        cairo_set_source_surface(cr, surface, 0, 0);
        cairo_paint(cr);
        cairo_restore(cr);
        cairo_surface_destroy(surface);
    }

    static void text(cairo_t* cr, const char* face, bool bold, double size, double x, double y, const std::string& s)
    {
        cairo_select_font_face(
            cr, face, CAIRO_FONT_SLANT_NORMAL, bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, size);
        cairo_move_to(cr, x, y);
        cairo_show_text(cr, s.c_str());
    }

    // A column of body text, `lines` lines set at `size` points.
    static void paragraph(cairo_t* cr, double size, double x, double y, double width, int lines, int seed)
    {
        static const char* const kWords[] = { "durable", "stainless", "frame", "finish", "warranty", "delivery",
            "order", "colour", "cabinet", "hinge", "panel", "sample", "season", "export", "quality", "price", "range",
            "oak", "walnut", "brushed", "matte", "gloss", "fitting", "trade" };
        cairo_set_source_rgb(cr, 0.15, 0.15, 0.18);
        cairo_select_font_face(cr, "DejaVu Serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr, size);
        int word = seed;
        for (int line = 0; line < lines; ++line) {
            std::string s;
            cairo_text_extents_t extents {};
            for (;;) {
                std::string next = s + (s.empty() ? "" : " ") + kWords[word % 24];
                cairo_text_extents(cr, next.c_str(), &extents);
                if (extents.x_advance > width && !s.empty())
                    break;
                s = std::move(next);
                word = word * 7 + 3;
                word %= 1009;
            }
            cairo_move_to(cr, x, y + line * size * 1.35);
            cairo_show_text(cr, s.c_str());
        }
    }

    static void art(cairo_t* cr, int page)
    {
        // A wave across the head of the page, filled with a gradient.
        cairo_pattern_t* band = cairo_pattern_create_linear(0, 0, kWidth, 0);
        cairo_pattern_add_color_stop_rgb(band, 0, 0.10, 0.30 + page % 3 * 0.1, 0.55);
        cairo_pattern_add_color_stop_rgb(band, 1, 0.05, 0.60, 0.55 - page % 3 * 0.1);
        cairo_set_source(cr, band);
        cairo_move_to(cr, 0, 0);
        cairo_line_to(cr, kWidth, 0);
        cairo_line_to(cr, kWidth, 120);
        cairo_curve_to(cr, kWidth * 0.7, 170, kWidth * 0.3, 70, 0, 140);
        cairo_close_path(cr);
        cairo_fill(cr);
        cairo_pattern_destroy(band);
        // See-through circles over it.
        for (int k = 0; k < 6; ++k) {
            cairo_set_source_rgba(cr, 1, 1, 1, 0.12 + k * 0.03);
            cairo_arc(cr, 60 + k * 95, 60 + (k + page) % 3 * 15, 18 + k * 6, 0, 2 * M_PI);
            cairo_fill(cr);
        }
        // A dashed rule and a star drawn through a clip.
        const double dashes[] = { 6, 3, 1, 3 };
        cairo_set_dash(cr, dashes, 4, 0);
        cairo_set_line_width(cr, 1.2);
        cairo_set_source_rgb(cr, 0.55, 0.55, 0.6);
        cairo_move_to(cr, 40, 790);
        cairo_line_to(cr, kWidth - 40, 790);
        cairo_stroke(cr);
        cairo_set_dash(cr, nullptr, 0, 0);
        cairo_save(cr);
        cairo_rectangle(cr, 420, 590, 140, 110);
        cairo_clip(cr);
        cairo_move_to(cr, 490, 580);
        for (int k = 1; k <= 10; ++k) {
            const double r = k % 2 ? 30 : 75, a = k * M_PI / 5 - M_PI / 2;
            cairo_line_to(cr, 490 + r * std::cos(a), 650 + r * std::sin(a));
        }
        cairo_close_path(cr);
        cairo_set_source_rgba(cr, 0.95, 0.65, 0.1, 0.8);
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, 2.5);
        cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
        cairo_set_source_rgb(cr, 0.6, 0.3, 0.05);
        cairo_stroke(cr);
        cairo_restore(cr);
    }

    // A price table: ruled rows, shaded every other one.
    static void table(cairo_t* cr, int page, double x, double y)
    {
        for (int row = 0; row < 8; ++row) {
            if (row % 2) {
                cairo_set_source_rgb(cr, 0.93, 0.95, 0.97);
                cairo_rectangle(cr, x, y + row * 16 - 12, 300, 16);
                cairo_fill(cr);
            }
            cairo_set_source_rgb(cr, 0.2, 0.2, 0.25);
            text(cr, "DejaVu Sans", row == 0, 8, x + 4, y + row * 16,
                row == 0 ? "Item" : "CV-" + std::to_string(page * 100 + row));
            text(cr, "DejaVu Sans", row == 0, 8, x + 120, y + row * 16,
                row == 0 ? "Finish" : (row % 3 ? "Brushed steel" : "Walnut veneer"));
            text(cr, "DejaVu Sans Mono", row == 0, 8, x + 230, y + row * 16,
                row == 0 ? "Price" : std::to_string(40 + page * 7 + row * 13) + ".00");
        }
        cairo_set_line_width(cr, 0.5);
        cairo_set_source_rgb(cr, 0.4, 0.4, 0.45);
        cairo_rectangle(cr, x, y - 12, 300, 8 * 16);
        cairo_stroke(cr);
    }

    static void drawPage(cairo_t* cr, int page, const Photo& photo, const CGImageRef& logo)
    {
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        art(cr, page);
        cairo_set_source_rgb(cr, 1, 1, 1);
        text(cr, "DejaVu Sans", true, page == 1 ? 40 : 28, 40, 60,
            page == 1 ? "Spring Collection" : "Cabinets & Frames");
        text(cr, "DejaVu Sans", false, 12, 40, 82, "Page " + std::to_string(page) + " of the trade catalogue");
        image(cr, logo, nullptr, kWidth - 120, 20, 80);
        // The photograph, smaller on pages after the cover.
        image(cr, photo.image, photo.jpeg, 40, 180, page == 1 ? 515 : 300);
        const double below = page == 1 ? 180 + 515.0 * 320 / 480 + 30 : 180;
        cairo_set_source_rgb(cr, 0.1, 0.2, 0.4);
        text(cr, "DejaVu Sans", true, 18, page == 1 ? 40 : 360, below + 10, "Made to order");
        paragraph(cr, 9.5, page == 1 ? 40 : 360, below + 32, page == 1 ? 360 : 195, page == 1 ? 6 : 24, page);
        if (page != 1) {
            table(cr, page, 40, 420);
            paragraph(cr, 7, 40, 590, 360, 18, page * 31);
        }
        cairo_set_source_rgb(cr, 0.4, 0.4, 0.45);
        text(cr, "DejaVu Sans", false, 6.5, 40, kHeight - 24,
            "Prices in USD, delivery within 30 days of order. Colours may differ from print.");
    }
};
