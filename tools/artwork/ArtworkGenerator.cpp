// Draws the bundle's pictures from a manifest (Resources/artwork/artwork.txt):
// plain, recognisable bars, buttons, fields, badges, check boxes, stamps and
// icons, in the colours the manifest gives.
//
// Usage:
//   ArtworkGenerator <manifest> <folder>         every picture, "@2x" too for skin pictures
//   ArtworkGenerator <manifest> <folder> --skin  only the skin pictures, at 1x and 2x, in a
//                                                sample client's own colours (hue turned)

#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Colour {
    double r = 0, g = 0, b = 0;
};

struct Picture {
    std::string name;
    int width = 0, height = 0;
    std::string kind;
    Colour colour;
    bool skin = false;
    std::string label;
};

bool parseColour(const std::string& text, Colour& c)
{
    unsigned v = 0;
    if (text.size() != 7 || text[0] != '#' || std::sscanf(text.c_str() + 1, "%6x", &v) != 1)
        return false;
    c = { ((v >> 16) & 0xff) / 255.0, ((v >> 8) & 0xff) / 255.0, (v & 0xff) / 255.0 };
    return true;
}

Colour shade(Colour c, double f)
{
    auto s = [f](double v) { return f >= 0 ? v + (1 - v) * f : v * (1 + f); };
    return { s(c.r), s(c.g), s(c.b) };
}

// Turns the hue by `degrees`, keeping lightness and saturation.
Colour turn(Colour c, double degrees)
{
    double max = std::max({ c.r, c.g, c.b }), min = std::min({ c.r, c.g, c.b });
    double d = max - min;
    if (d < 1e-6)
        return c;
    double h;
    if (max == c.r)
        h = std::fmod((c.g - c.b) / d, 6.0);
    else if (max == c.g)
        h = (c.b - c.r) / d + 2;
    else
        h = (c.r - c.g) / d + 4;
    h = std::fmod(h * 60 + degrees + 360, 360.0);
    double x = d * (1 - std::fabs(std::fmod(h / 60, 2.0) - 1));
    Colour o;
    if (h < 60)
        o = { d, x, 0 };
    else if (h < 120)
        o = { x, d, 0 };
    else if (h < 180)
        o = { 0, d, x };
    else if (h < 240)
        o = { 0, x, d };
    else if (h < 300)
        o = { x, 0, d };
    else
        o = { d, 0, x };
    return { o.r + min, o.g + min, o.b + min };
}

void setColour(cairo_t* cr, Colour c, double alpha = 1) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r)
{
    r = std::min({ r, w / 2, h / 2 });
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void verticalGradient(cairo_t* cr, double y0, double y1, Colour top, Colour bottom)
{
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
    cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
    cairo_set_source(cr, p);
    cairo_pattern_destroy(p);
}

void text(cairo_t* cr, const std::string& label, double x, double y, double w, double h, Colour c, double size,
    bool bold = true)
{
    PangoLayout* layout = pango_cairo_create_layout(cr);
    PangoFontDescription* font = pango_font_description_from_string(
        bold ? "DejaVu Sans, WenQuanYi Micro Hei Bold" : "DejaVu Sans, WenQuanYi Micro Hei");
    pango_font_description_set_absolute_size(font, size * PANGO_SCALE);
    pango_layout_set_font_description(layout, font);
    pango_layout_set_text(layout, label.c_str(), -1);
    int pw = 0, ph = 0;
    pango_layout_get_pixel_size(layout, &pw, &ph);
    double scale = pw > w ? w / pw : 1.0;
    cairo_save(cr);
    cairo_translate(cr, x + (w - pw * scale) / 2, y + (h - ph * scale) / 2);
    cairo_scale(cr, scale, scale);
    setColour(cr, c);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    pango_font_description_free(font);
    g_object_unref(layout);
}

// A glyph in the square (x, y, s, s), stroked and filled in the current colour.
void glyph(cairo_t* cr, const std::string& name, double x, double y, double s)
{
    cairo_save(cr);
    cairo_translate(cr, x, y);
    cairo_scale(cr, s / 100.0, s / 100.0);
    cairo_set_line_width(cr, 9);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    auto line = [cr](double x0, double y0, double x1, double y1) {
        cairo_move_to(cr, x0, y0);
        cairo_line_to(cr, x1, y1);
        cairo_stroke(cr);
    };
    auto star = [cr](bool filled) {
        for (int i = 0; i < 10; ++i) {
            double a = -M_PI / 2 + i * M_PI / 5;
            double r = i % 2 ? 18 : 42;
            double px = 50 + r * std::cos(a), py = 54 + r * std::sin(a);
            i ? cairo_line_to(cr, px, py) : cairo_move_to(cr, px, py);
        }
        cairo_close_path(cr);
        if (filled)
            cairo_fill(cr);
        else
            cairo_stroke(cr);
    };
    if (name == "home") {
        cairo_move_to(cr, 12, 50), cairo_line_to(cr, 50, 14), cairo_line_to(cr, 88, 50), cairo_stroke(cr);
        cairo_rectangle(cr, 24, 48, 52, 40), cairo_fill(cr);
    } else if (name == "grid") {
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j)
                cairo_rectangle(cr, 16 + i * 38, 16 + j * 38, 30, 30);
        cairo_fill(cr);
    } else if (name == "person") {
        cairo_arc(cr, 50, 32, 18, 0, 2 * M_PI), cairo_fill(cr);
        cairo_arc(cr, 50, 92, 38, M_PI, 2 * M_PI), cairo_fill(cr);
    } else if (name == "box") {
        cairo_rectangle(cr, 16, 30, 68, 56), cairo_fill(cr);
        cairo_rectangle(cr, 10, 16, 80, 16), cairo_fill(cr);
    } else if (name == "book") {
        cairo_rectangle(cr, 20, 14, 60, 74), cairo_stroke(cr);
        line(34, 34, 66, 34), line(34, 50, 66, 50), line(34, 66, 56, 66);
    } else if (name == "doc" || name == "file") {
        cairo_move_to(cr, 22, 10), cairo_line_to(cr, 62, 10), cairo_line_to(cr, 80, 28), cairo_line_to(cr, 80, 90);
        cairo_line_to(cr, 22, 90), cairo_close_path(cr), cairo_stroke(cr);
        line(34, 44, 68, 44), line(34, 60, 68, 60), line(34, 76, 58, 76);
    } else if (name == "sync" || name == "reload" || name == "loop") {
        cairo_arc(cr, 50, 50, 32, -M_PI / 2, M_PI), cairo_stroke(cr);
        cairo_move_to(cr, 50, 4), cairo_line_to(cr, 66, 18), cairo_line_to(cr, 50, 32), cairo_close_path(cr);
        cairo_fill(cr);
        if (name == "sync") {
            cairo_move_to(cr, 50, 96), cairo_line_to(cr, 34, 82), cairo_line_to(cr, 50, 68), cairo_close_path(cr);
            cairo_fill(cr);
        }
    } else if (name == "gear") {
        for (int i = 0; i < 8; ++i) {
            double a = i * M_PI / 4;
            line(50 + 26 * std::cos(a), 50 + 26 * std::sin(a), 50 + 42 * std::cos(a), 50 + 42 * std::sin(a));
        }
        cairo_arc(cr, 50, 50, 28, 0, 2 * M_PI), cairo_stroke(cr);
        cairo_arc(cr, 50, 50, 10, 0, 2 * M_PI), cairo_fill(cr);
    } else if (name == "cart") {
        cairo_move_to(cr, 8, 16), cairo_line_to(cr, 22, 16), cairo_line_to(cr, 32, 66), cairo_line_to(cr, 82, 66);
        cairo_line_to(cr, 90, 30), cairo_line_to(cr, 26, 30), cairo_stroke(cr);
        cairo_arc(cr, 38, 82, 8, 0, 2 * M_PI), cairo_fill(cr);
        cairo_arc(cr, 76, 82, 8, 0, 2 * M_PI), cairo_fill(cr);
    } else if (name == "compare") {
        cairo_rectangle(cr, 14, 40, 22, 48), cairo_rectangle(cr, 42, 18, 22, 70), cairo_rectangle(cr, 70, 54, 18, 34);
        cairo_fill(cr);
    } else if (name == "star") {
        star(true);
    } else if (name == "starline") {
        star(false);
    } else if (name == "menu") {
        line(16, 26, 84, 26), line(16, 50, 84, 50), line(16, 74, 84, 74);
    } else if (name == "split") {
        cairo_rectangle(cr, 12, 18, 30, 64), cairo_fill(cr);
        line(54, 26, 88, 26), line(54, 50, 88, 50), line(54, 74, 88, 74);
    } else if (name == "plus") {
        cairo_set_line_width(cr, 14), line(50, 18, 50, 82), line(18, 50, 82, 50);
    } else if (name == "minus") {
        cairo_set_line_width(cr, 14), line(18, 50, 82, 50);
    } else if (name == "close") {
        cairo_set_line_width(cr, 12), line(24, 24, 76, 76), line(76, 24, 24, 76);
    } else if (name == "arrowleft") {
        cairo_set_line_width(cr, 12), cairo_move_to(cr, 66, 14), cairo_line_to(cr, 30, 50), cairo_line_to(cr, 66, 86);
        cairo_stroke(cr);
    } else if (name == "arrowright") {
        cairo_set_line_width(cr, 12), cairo_move_to(cr, 34, 14), cairo_line_to(cr, 70, 50), cairo_line_to(cr, 34, 86);
        cairo_stroke(cr);
    } else if (name == "arrowdown") {
        cairo_move_to(cr, 14, 30), cairo_line_to(cr, 86, 30), cairo_line_to(cr, 50, 76), cairo_close_path(cr);
        cairo_fill(cr);
    } else if (name == "download") {
        cairo_set_line_width(cr, 12), line(50, 12, 50, 62);
        cairo_move_to(cr, 26, 44), cairo_line_to(cr, 50, 68), cairo_line_to(cr, 74, 44), cairo_stroke(cr);
        line(18, 86, 82, 86);
    } else if (name == "play") {
        cairo_move_to(cr, 30, 16), cairo_line_to(cr, 84, 50), cairo_line_to(cr, 30, 84), cairo_close_path(cr);
        cairo_fill(cr);
    } else if (name == "pause") {
        cairo_rectangle(cr, 26, 18, 16, 64), cairo_rectangle(cr, 58, 18, 16, 64), cairo_fill(cr);
    } else if (name == "video") {
        cairo_rectangle(cr, 10, 26, 56, 48), cairo_fill(cr);
        cairo_move_to(cr, 66, 50), cairo_line_to(cr, 90, 30), cairo_line_to(cr, 90, 70), cairo_close_path(cr);
        cairo_fill(cr);
    } else if (name == "slides") {
        cairo_rectangle(cr, 10, 16, 80, 54), cairo_stroke(cr);
        line(50, 70, 50, 88), line(32, 88, 68, 88);
        cairo_rectangle(cr, 24, 44, 12, 16), cairo_rectangle(cr, 44, 34, 12, 26), cairo_rectangle(cr, 64, 26, 12, 34);
        cairo_fill(cr);
    } else if (name == "info") {
        cairo_arc(cr, 50, 24, 9, 0, 2 * M_PI), cairo_fill(cr);
        cairo_set_line_width(cr, 14), line(50, 44, 50, 84);
    } else if (name == "sort") {
        cairo_move_to(cr, 20, 40), cairo_line_to(cr, 40, 14), cairo_line_to(cr, 60, 40), cairo_close_path(cr);
        cairo_fill(cr), line(40, 40, 40, 86);
        cairo_move_to(cr, 46, 60), cairo_line_to(cr, 66, 86), cairo_line_to(cr, 86, 60), cairo_close_path(cr);
        cairo_fill(cr), line(66, 14, 66, 60);
    } else if (name == "pencil") {
        cairo_set_line_width(cr, 14), line(24, 76, 74, 26);
        cairo_move_to(cr, 14, 86), cairo_line_to(cr, 20, 64), cairo_line_to(cr, 36, 80), cairo_close_path(cr);
        cairo_fill(cr);
    } else if (name == "share") {
        cairo_rectangle(cr, 18, 40, 64, 48), cairo_stroke(cr);
        line(50, 12, 50, 62), cairo_move_to(cr, 34, 28), cairo_line_to(cr, 50, 12), cairo_line_to(cr, 66, 28);
        cairo_stroke(cr);
    } else if (name == "link") {
        roundedRect(cr, 8, 34, 50, 32, 16), cairo_stroke(cr);
        roundedRect(cr, 42, 34, 50, 32, 16), cairo_stroke(cr);
    } else if (name == "percent") {
        cairo_set_line_width(cr, 10), line(78, 18, 22, 82);
        cairo_arc(cr, 28, 28, 12, 0, 2 * M_PI), cairo_stroke(cr);
        cairo_arc(cr, 72, 72, 12, 0, 2 * M_PI), cairo_stroke(cr);
    } else {
        // A word for a picture without a glyph of its own (a file type).
        cairo_restore(cr);
        Colour c;
        cairo_pattern_get_rgba(cairo_get_source(cr), &c.r, &c.g, &c.b, nullptr);
        text(cr, name, x, y, s, s, c, s * 0.3);
        return;
    }
    cairo_restore(cr);
}

void draw(cairo_t* cr, const Picture& p, Colour c)
{
    const double w = p.width, h = p.height;
    const Colour white { 1, 1, 1 };
    const std::string& k = p.kind;
    if (k == "fill") {
        setColour(cr, c), cairo_paint(cr);
    } else if (k == "bar") {
        verticalGradient(cr, 0, h, shade(c, 0.25), shade(c, -0.15));
        cairo_paint(cr);
        setColour(cr, shade(c, -0.4)), cairo_rectangle(cr, 0, h - std::max(1.0, h / 40), w, std::max(1.0, h / 40));
        cairo_fill(cr);
        setColour(cr, shade(c, 0.45)), cairo_rectangle(cr, 0, 0, w, 1), cairo_fill(cr);
    } else if (k == "underbar") {
        // A bar along the foot of the screen: plain white, so the small
        // coloured captions written low on it keep their contrast, with its
        // edge line at the top in the colour.
        setColour(cr, white), cairo_paint(cr);
        setColour(cr, c), cairo_rectangle(cr, 0, 0, w, std::max(1.0, h / 40)), cairo_fill(cr);
    } else if (k == "panel") {
        verticalGradient(cr, 0, h, shade(c, 0.2), shade(c, -0.1));
        cairo_paint(cr);
        setColour(cr, shade(c, -0.25));
        cairo_set_line_width(cr, 2), cairo_rectangle(cr, 1, 1, w - 2, h - 2), cairo_stroke(cr);
    } else if (k == "button" || k == "backward" || k == "forward") {
        // Corners stay within the 5-point caps the screens stretch these
        // with; a rounder corner would repeat in the tiled middle as notches.
        double r = std::min(h / 4, 4.5), tip = h / 2.6;
        if (k == "button") {
            roundedRect(cr, 0.5, 0.5, w - 1, h - 1, r);
        } else {
            bool left = k == "backward";
            double x0 = left ? tip : 0.5, x1 = left ? w - 0.5 : w - tip;
            cairo_move_to(cr, left ? 0.5 : w - 0.5, h / 2);
            cairo_line_to(cr, left ? x0 : x1, 0.5);
            cairo_line_to(cr, left ? x1 : x0, 0.5);
            cairo_line_to(cr, left ? x1 : x0, h - 0.5);
            cairo_line_to(cr, left ? x0 : x1, h - 0.5);
            cairo_close_path(cr);
        }
        verticalGradient(cr, 0, h, shade(c, 0.3), shade(c, -0.15));
        cairo_fill_preserve(cr);
        setColour(cr, shade(c, -0.45)), cairo_set_line_width(cr, 1), cairo_stroke(cr);
        if (!p.label.empty())
            text(cr, p.label, 4, 0, w - 8, h, white, h * 0.45);
    } else if (k == "field") {
        roundedRect(cr, 1, 1, w - 2, h - 2, std::min(h / 3, 8.0));
        setColour(cr, white), cairo_fill_preserve(cr);
        setColour(cr, c), cairo_set_line_width(cr, 1.5), cairo_stroke(cr);
        setColour(cr, shade(c, 0.6)), cairo_rectangle(cr, 4, 3, w - 8, 2), cairo_fill(cr);
    } else if (k == "badge") {
        cairo_arc(cr, w / 2, h / 2, std::min(w, h) / 2 - 1, 0, 2 * M_PI);
        setColour(cr, c), cairo_fill_preserve(cr);
        setColour(cr, white), cairo_set_line_width(cr, std::max(1.5, w / 14)), cairo_stroke(cr);
        if (!p.label.empty()) {
            setColour(cr, white);
            glyph(cr, p.label, w * 0.2, h * 0.2, std::min(w, h) * 0.6);
        }
    } else if (k == "icon") {
        roundedRect(cr, 1, 1, w - 2, h - 2, std::min(w, h) / 5);
        verticalGradient(cr, 0, h, shade(c, 0.2), shade(c, -0.15));
        cairo_fill(cr);
        double s = std::min(w, h) * 0.7;
        setColour(cr, white);
        glyph(cr, p.label, (w - s) / 2, (h - s) / 2, s);
    } else if (k == "tab" || k == "glyph") {
        double s = std::min(w, h) * (k == "tab" ? 0.8 : 0.9);
        if (k == "glyph") {
            // A dark halo keeps a white glyph visible on a light page.
            setColour(cr, shade(c, -0.7), 0.35);
            glyph(cr, p.label, (w - s) / 2 + 1, (h - s) / 2 + 1, s);
        }
        setColour(cr, c);
        glyph(cr, p.label, (w - s) / 2, (h - s) / 2, s);
    } else if (k == "check") {
        double s = std::min(w, h);
        roundedRect(cr, 2, 2, s - 4, s - 4, s / 6);
        setColour(cr, white), cairo_fill_preserve(cr);
        setColour(cr, c), cairo_set_line_width(cr, std::max(1.5, s / 14)), cairo_stroke(cr);
        if (p.label == "on") {
            cairo_set_line_width(cr, s / 8);
            cairo_move_to(cr, s * 0.24, s * 0.52), cairo_line_to(cr, s * 0.43, s * 0.72);
            cairo_line_to(cr, s * 0.78, s * 0.28), cairo_stroke(cr);
        }
    } else if (k == "text") {
        roundedRect(cr, 1, 1, w - 2, h - 2, std::min(w, h) / 6);
        verticalGradient(cr, 0, h, shade(c, 0.25), shade(c, -0.1));
        cairo_fill(cr);
        text(cr, p.label, w * 0.08, 0, w * 0.84, h, white, h * 0.55);
    } else if (k == "document") {
        double fold = w / 5;
        cairo_move_to(cr, 1, 1), cairo_line_to(cr, w - fold, 1), cairo_line_to(cr, w - 1, fold);
        cairo_line_to(cr, w - 1, h - 1), cairo_line_to(cr, 1, h - 1), cairo_close_path(cr);
        setColour(cr, white), cairo_fill_preserve(cr);
        setColour(cr, c), cairo_set_line_width(cr, 2), cairo_stroke(cr);
        // The lower band is where a file's grey title and format are written
        // over the picture: a tint light enough for the grey title keeps them
        // readable.
        setColour(cr, shade(c, 0.88)), cairo_rectangle(cr, 2, h * 0.7, w - 4, h * 0.3 - 2), cairo_fill(cr);
        double s = std::min(w, h) * 0.5;
        setColour(cr, c);
        glyph(cr, p.label, (w - s) / 2, h * 0.14, s);
    } else if (k == "shadow") {
        verticalGradient(cr, 0, h, c, c);
        // A tall one is a pane's side shadow, deepening towards its right
        // edge; a wide one falls from a bar above.
        const bool side = w < h;
        cairo_pattern_t* g = side ? cairo_pattern_create_linear(0, 0, w, 0) : cairo_pattern_create_linear(0, 0, 0, h);
        cairo_pattern_add_color_stop_rgba(g, 0, c.r, c.g, c.b, side ? 0 : 0.45);
        cairo_pattern_add_color_stop_rgba(g, 1, c.r, c.g, c.b, side ? 0.25 : 0);
        cairo_set_source(cr, g);
        cairo_paint(cr);
        cairo_pattern_destroy(g);
    } else if (k == "frame") {
        double t = std::max(3.0, w / 40);
        roundedRect(cr, t / 2, t / 2, w - t, h - t, t * 2);
        setColour(cr, c), cairo_set_line_width(cr, t), cairo_stroke(cr);
        cairo_arc(cr, w - t * 4, t * 4, t * 2.6, 0, 2 * M_PI), cairo_fill(cr);
        setColour(cr, white), cairo_set_line_width(cr, t * 0.7);
        cairo_move_to(cr, w - t * 5.2, t * 4), cairo_line_to(cr, w - t * 4.2, t * 5);
        cairo_line_to(cr, w - t * 2.6, t * 3), cairo_stroke(cr);
    } else if (k == "ribbon") {
        // A corner band across the top right.
        cairo_move_to(cr, w * 0.15, 0), cairo_line_to(cr, w * 0.6, 0), cairo_line_to(cr, w, h * 0.4);
        cairo_line_to(cr, w, h * 0.85), cairo_close_path(cr);
        setColour(cr, c), cairo_fill(cr);
        cairo_save(cr);
        cairo_translate(cr, w * 0.69, h * 0.31);
        cairo_rotate(cr, M_PI / 4);
        text(cr, p.label, -w * 0.3, -h * 0.13, w * 0.6, h * 0.26, white, h * 0.22);
        cairo_restore(cr);
    } else if (k == "stamp") {
        cairo_save(cr);
        cairo_translate(cr, w / 2, h / 2);
        cairo_rotate(cr, -0.12);
        double bw = w * 0.86, bh = h * 0.62;
        roundedRect(cr, -bw / 2, -bh / 2, bw, bh, bh / 5);
        setColour(cr, c), cairo_set_line_width(cr, std::max(1.5, h / 16)), cairo_stroke(cr);
        text(cr, p.label, -bw / 2 + 3, -bh / 2, bw - 6, bh, c, bh * 0.55);
        cairo_restore(cr);
    } else {
        std::cerr << "unknown kind " << k << " of " << p.name << "\n";
    }
}

bool write(const Picture& p, const std::string& folder, double scale, Colour c, const std::string& suffix)
{
    int pw = std::max(1, int(std::lround(p.width * scale))), ph = std::max(1, int(std::lround(p.height * scale)));
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pw, ph);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    draw(cr, p, c);
    cairo_destroy(cr);
    std::string base = p.name;
    if (base.size() > 4 && base.compare(base.size() - 4, 4, ".png") == 0)
        base.resize(base.size() - 4);
    std::string path = folder + "/" + base + suffix + ".png";
    cairo_status_t status = cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        std::cerr << "cannot write " << path << ": " << cairo_status_to_string(status) << "\n";
        return false;
    }
    return true;
}

}

int main(int argc, char** argv)
{
    if (argc < 3 || argc > 4 || (argc == 4 && std::string(argv[3]) != "--skin")) {
        std::cerr << "usage: " << argv[0] << " manifest folder [--skin]\n";
        return 2;
    }
    bool skinOnly = argc == 4;
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << "cannot open " << argv[1] << "\n";
        return 1;
    }
    std::vector<Picture> pictures;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        auto first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        std::istringstream fields(line);
        Picture p;
        std::string colour, flags;
        fields >> p.name >> p.width >> p.height >> p.kind >> colour >> flags;
        std::getline(fields >> std::ws, p.label);
        if (p.label == "-")
            p.label.clear();
        if (!fields.eof() && fields.fail()) {
            std::cerr << argv[1] << ":" << number << ": bad line\n";
            return 1;
        }
        if (p.width <= 0 || p.height <= 0 || !parseColour(colour, p.colour) || (flags != "skin" && flags != "-")) {
            std::cerr << argv[1] << ":" << number << ": bad size, colour or flags\n";
            return 1;
        }
        p.skin = flags == "skin";
        pictures.push_back(p);
    }
    int written = 0;
    for (auto& p : pictures) {
        if (skinOnly && !p.skin)
            continue;
        Colour c = skinOnly ? turn(p.colour, 150) : p.colour;
        if (!write(p, argv[2], 1, c, ""))
            return 1;
        if (p.skin && !write(p, argv[2], 2, c, "@2x"))
            return 1;
        ++written;
    }
    std::cout << written << " pictures drawn into " << argv[2] << "\n";
    return 0;
}
