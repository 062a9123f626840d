#include "Platform/CoreGraphics/TextLayout.h"

#include "Platform/CoreGraphics/TextFace.h"

#include "Platform/Foundation/NSLog.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <pango/pangofc-font.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <mutex>
#include <set>
#include <vector>

namespace {

// The faces that stand in for the tablet's: each has the same advance widths
// as the face it replaces (Helvetica's, Arial's), so a text that fits a frame
// on the tablet fits it here. Chinese uses a Heiti-like sans face.
constexpr const char* cjkFamily = "Noto Sans CJK SC";
constexpr const char* helveticaFamily = "Nimbus Sans";
constexpr const char* arialFamily = "Liberation Sans";
constexpr const char* sansFamily = "DejaVu Sans";
constexpr const char* serifFamily = "DejaVu Serif";
constexpr const char* monoFamily = "DejaVu Sans Mono";

struct FontEntry {
    const char* name;
    const char* platformFamily;
    const char* family;
    bool bold;
    bool italic;
};

// Every font name the screens and documents use, with the installed face that
// stands in for it.
const FontEntry fontTable[] = {
    { "Helvetica", "Helvetica", helveticaFamily, false, false },
    { "Helvetica-Bold", "Helvetica", helveticaFamily, true, false },
    { "Helvetica-Oblique", "Helvetica", helveticaFamily, false, true },
    { "Helvetica-BoldOblique", "Helvetica", helveticaFamily, true, true },
    { "HelveticaNeue", "Helvetica Neue", helveticaFamily, false, false },
    { "HelveticaNeue-Bold", "Helvetica Neue", helveticaFamily, true, false },
    { "HelveticaNeue-Italic", "Helvetica Neue", helveticaFamily, false, true },
    { "HelveticaNeue-BoldItalic", "Helvetica Neue", helveticaFamily, true, true },
    { "Arial", "Arial", arialFamily, false, false },
    { "ArialMT", "Arial", arialFamily, false, false },
    { "Arial-BoldMT", "Arial", arialFamily, true, false },
    { "Arial-ItalicMT", "Arial", arialFamily, false, true },
    { "Arial-BoldItalicMT", "Arial", arialFamily, true, true },
    { "Verdana", "Verdana", sansFamily, false, false },
    { "Verdana-Bold", "Verdana", sansFamily, true, false },
    { "Verdana-Italic", "Verdana", sansFamily, false, true },
    { "Verdana-BoldItalic", "Verdana", sansFamily, true, true },
    { "Georgia", "Georgia", serifFamily, false, false },
    { "Georgia-Bold", "Georgia", serifFamily, true, false },
    { "Georgia-Italic", "Georgia", serifFamily, false, true },
    { "TimesNewRomanPSMT", "Times New Roman", serifFamily, false, false },
    { "TimesNewRomanPS-BoldMT", "Times New Roman", serifFamily, true, false },
    { "TimesNewRomanPS-ItalicMT", "Times New Roman", serifFamily, false, true },
    { "Didot", "Didot", serifFamily, false, false },
    { "Didot-Bold", "Didot", serifFamily, true, false },
    { "Didot-Italic", "Didot", serifFamily, false, true },
    { "Zapfino", "Zapfino", serifFamily, false, true },
    { "Copperplate", "Copperplate", serifFamily, false, false },
    { "Copperplate-Bold", "Copperplate", serifFamily, true, false },
    { "Courier", "Courier", monoFamily, false, false },
    { "Courier-Bold", "Courier", monoFamily, true, false },
    { "CourierNewPSMT", "Courier New", monoFamily, false, false },
    { "STHeitiSC-Light", "Heiti SC", cjkFamily, false, false },
    { "STHeitiSC-Medium", "Heiti SC", cjkFamily, true, false },
};

std::string withFallback(const char* family)
{
    std::string f = family;
    if (f != cjkFamily)
        f += std::string(",") + cjkFamily;
    return f;
}

// One measuring context per thread: pango's font maps are not shared between
// threads, and thumbnails and tiles are drawn on workers.
struct ThreadContext {
    PangoContext* context = nullptr;
    ThreadContext()
    {
        PangoFontMap* map = pango_cairo_font_map_get_default();
        context = pango_font_map_create_context(map);
        pango_cairo_context_set_resolution(context, 72);
        cairo_font_options_t* options = cairo_font_options_create();
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
        cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
        pango_cairo_context_set_font_options(context, options);
        cairo_font_options_destroy(options);
        pango_context_set_round_glyph_positions(context, FALSE);
        pango_context_set_language(context, pango_language_from_string("en"));
    }
    ~ThreadContext() { g_object_unref(context); }
};

PangoContext* threadContext()
{
    thread_local ThreadContext tc;
    return tc.context;
}

PangoFontDescription* describe(const TextFont& font)
{
    PangoFontDescription* d = pango_font_description_new();
    pango_font_description_set_family(d, font.family.c_str());
    pango_font_description_set_weight(d, font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(d, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    double size = std::clamp(double(font.size), 0.01, 4096.0);
    pango_font_description_set_absolute_size(d, size * PANGO_SCALE);
    return d;
}

int toPango(CGFloat v)
{
    double p = double(v) * PANGO_SCALE;
    return p >= double(INT_MAX) ? INT_MAX : int(std::lround(p));
}

CGFloat fromPango(int v) { return CGFloat(double(v) / PANGO_SCALE); }

// Wrapping a word longer than a line, pango measures the rest of its run
// again for every line it cuts, so one unbroken text of n characters costs
// n * n. Runs end where attributes change: an attribute that changes nothing
// (fallback is on anyway) laid on every other stretch of such a word keeps
// each run short and the work linear. Stretches end on character boundaries
// and only words far longer than a line are touched: the lines stay as they
// were, and a glyph pair at a stretch's end only loses its kerning.
PangoAttrList* splitLongWords(const std::string& text)
{
    constexpr int stretch = 64;
    const int chars = int(g_utf8_strlen(text.data(), gssize(text.size())));
    if (chars < 2 * stretch)
        return nullptr;
    std::vector<PangoLogAttr> breaks(size_t(chars) + 1);
    pango_get_log_attrs(
        text.data(), int(text.size()), -1, pango_language_from_string("en"), breaks.data(), int(breaks.size()));
    PangoAttrList* attrs = nullptr;
    const char* p = text.data();
    int unbroken = 0;  // characters since the last place a line may break
    int marked = 0;  // characters in the current stretch
    bool odd = false;
    const char* stretchStart = p;
    for (int i = 0; i < chars; ++i, p = g_utf8_next_char(p)) {
        if (breaks[size_t(i)].is_line_break) {
            unbroken = 0;
            marked = 0;
            odd = false;
            stretchStart = p;
        }
        ++unbroken;
        ++marked;
        if (unbroken >= stretch && marked >= stretch && breaks[size_t(i) + 1].is_cursor_position) {
            const char* next = g_utf8_next_char(p);
            if (odd) {
                if (!attrs)
                    attrs = pango_attr_list_new();
                PangoAttribute* a = pango_attr_fallback_new(TRUE);
                a->start_index = guint(stretchStart - text.data());
                a->end_index = guint(next - text.data());
                pango_attr_list_insert(attrs, a);
            }
            odd = !odd;
            marked = 0;
            stretchStart = next;
        }
    }
    return attrs;
}

}

TextFont TextFont::systemFont(CGFloat size) { return *named("Helvetica", size); }
TextFont TextFont::boldSystemFont(CGFloat size) { return *named("Helvetica-Bold", size); }
TextFont TextFont::italicSystemFont(CGFloat size) { return *named("Helvetica-Oblique", size); }

// A face the table pins but the machine lacks would be replaced by some other
// installed face with other widths, and every frame sized for the tablet
// would cut or overflow its text: say so once per face.
static void reportMissingFace(const FontEntry& e)
{
    static std::mutex lock;
    static std::set<std::string> checked;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (!checked.insert(e.name).second)
            return;
    }
    TextFont probe { e.name, e.family, e.bold, e.italic, 12 };
    auto face = TextFontFace(probe);
    if (face.family != e.family)
        NSLog(
            "The face %@ for %@ is not installed (drawn with %@ instead): install the fonts listed for the application",
            std::string(e.family), std::string(e.name), face.family.empty() ? std::string("nothing") : face.family);
}

std::optional<TextFont> TextFont::named(std::string_view name, CGFloat size)
{
    for (auto& e : fontTable)
        if (name == e.name) {
            reportMissingFace(e);
            return TextFont { e.name, withFallback(e.family), e.bold, e.italic, size };
        }
    return std::nullopt;
}

TextFace TextFontFace(const TextFont& font)
{
    TextFont first = font;
    first.family = font.family.substr(0, font.family.find(','));
    PangoFontDescription* d = describe(first);
    PangoFont* loaded = pango_context_load_font(threadContext(), d);
    pango_font_description_free(d);
    TextFace result;
    if (loaded && PANGO_IS_FC_FONT(loaded)) {
        FcPattern* pattern = pango_fc_font_get_pattern(PANGO_FC_FONT(loaded));
        FcChar8* value = nullptr;
        // A face may carry several family names (localised ones too); the
        // one asked for is the one to report when it is among them.
        for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &value) == FcResultMatch; ++i)
            if (i == 0 || first.family == reinterpret_cast<const char*>(value))
                result.family = reinterpret_cast<const char*>(value);
        if (FcPatternGetString(pattern, FC_FILE, 0, &value) == FcResultMatch)
            result.file = reinterpret_cast<const char*>(value);
        int index = 0;
        if (FcPatternGetInteger(pattern, FC_INDEX, 0, &index) == FcResultMatch)
            result.index = index;
    }
    if (loaded)
        g_object_unref(loaded);
    return result;
}

std::string TextFont::familyName() const
{
    for (auto& e : fontTable)
        if (name == e.name)
            return e.platformFamily;
    return name;
}

TextFont::Metrics TextFont::metrics() const
{
    PangoFontDescription* d = describe(*this);
    PangoFontMetrics* m = pango_context_get_metrics(threadContext(), d, nullptr);
    Metrics result;
    result.ascender = fromPango(pango_font_metrics_get_ascent(m));
    result.descender = -fromPango(pango_font_metrics_get_descent(m));
    pango_font_metrics_unref(m);
    pango_font_description_free(d);
    // The height of one laid-out line, so it matches what the layout gives.
    TextLayout probe("A", *this, {});
    result.lineHeight = probe.size().height;
    return result;
}

void AttributedText::append(std::string_view s, std::optional<TextFont> font, std::optional<CGColor> color)
{
    if (font || color)
        runs.push_back({ text.size(), s.size(), std::move(font), color });
    text.append(s);
}

void AttributedText::append(const AttributedText& other)
{
    size_t base = text.size();
    text += other.text;
    for (auto run : other.runs) {
        run.start += base;
        runs.push_back(std::move(run));
    }
}

TextLayout::TextLayout(const AttributedText& text, const TextFont& defaultFont, const Options& options)
{
    build(text, defaultFont, options);
}

TextLayout::TextLayout(std::string_view text, const TextFont& font, const Options& options)
{
    AttributedText t;
    t.text = std::string(text);
    build(t, font, options);
}

TextLayout::~TextLayout()
{
    if (m_layout)
        g_object_unref(m_layout);
}

void TextLayout::build(const AttributedText& text, const TextFont& defaultFont, const Options& options)
{
    m_layout = pango_layout_new(threadContext());
    // Pango needs valid UTF-8; invalid bytes are replaced, never read past.
    const gchar* end = nullptr;
    std::string valid;
    if (g_utf8_validate(text.text.data(), gssize(text.text.size()), &end) && text.text.find('\0') == std::string::npos)
        valid = text.text;
    else {
        gchar* fixed = g_utf8_make_valid(text.text.data(), gssize(text.text.size()));
        valid = fixed;
        g_free(fixed);
    }
    pango_layout_set_text(m_layout, valid.data(), int(valid.size()));

    PangoFontDescription* d = describe(defaultFont);
    pango_layout_set_font_description(m_layout, d);
    pango_font_description_free(d);

    const bool bounded = options.maxWidth > 0;
    const bool wrapsWords = bounded && options.lineBreak != TextLineBreak::CharacterWrap;
    PangoAttrList* attrs = nullptr;
    if (wrapsWords)
        attrs = splitLongWords(valid);
    if (!text.runs.empty() && valid.size() == text.text.size()) {
        if (!attrs)
            attrs = pango_attr_list_new();
        for (auto& run : text.runs) {
            guint start = guint(std::min(run.start, valid.size()));
            guint stop = guint(std::min(run.start + run.length, valid.size()));
            if (run.font) {
                PangoFontDescription* rd = describe(*run.font);
                PangoAttribute* a = pango_attr_font_desc_new(rd);
                pango_font_description_free(rd);
                a->start_index = start;
                a->end_index = stop;
                pango_attr_list_insert(attrs, a);
            }
            if (run.color) {
                auto conv = [](CGFloat v) { return guint16(std::lround(std::clamp(double(v), 0.0, 1.0) * 65535)); };
                PangoAttribute* a
                    = pango_attr_foreground_new(conv(run.color->red), conv(run.color->green), conv(run.color->blue));
                a->start_index = start;
                a->end_index = stop;
                pango_attr_list_insert(attrs, a);
                a = pango_attr_foreground_alpha_new(std::max<guint16>(1, conv(run.color->alpha)));
                a->start_index = start;
                a->end_index = stop;
                pango_attr_list_insert(attrs, a);
                m_hasColors = true;
            }
        }
    }
    if (attrs) {
        pango_layout_set_attributes(m_layout, attrs);
        pango_attr_list_unref(attrs);
    }

    pango_layout_set_single_paragraph_mode(m_layout, options.singleLine);
    bool truncates = options.lineBreak == TextLineBreak::HeadTruncation
        || options.lineBreak == TextLineBreak::TailTruncation || options.lineBreak == TextLineBreak::MiddleTruncation;
    if (bounded) {
        pango_layout_set_width(m_layout, std::max(1, toPango(options.maxWidth)));
        // Words too long for a line are broken inside, as the platform does.
        pango_layout_set_wrap(
            m_layout, options.lineBreak == TextLineBreak::CharacterWrap ? PANGO_WRAP_CHAR : PANGO_WRAP_WORD_CHAR);
        if (truncates && (options.singleLine || options.maxHeight > 0)) {
            pango_layout_set_ellipsize(m_layout,
                options.lineBreak == TextLineBreak::HeadTruncation         ? PANGO_ELLIPSIZE_START
                    : options.lineBreak == TextLineBreak::MiddleTruncation ? PANGO_ELLIPSIZE_MIDDLE
                                                                           : PANGO_ELLIPSIZE_END);
            // Positive: the last line that fits is the one truncated.
            pango_layout_set_height(m_layout, options.singleLine ? 0 : std::max(1, toPango(options.maxHeight)));
        }
    }
    pango_layout_set_alignment(m_layout,
        options.alignment == TextAlignment::Center      ? PANGO_ALIGN_CENTER
            : options.alignment == TextAlignment::Right ? PANGO_ALIGN_RIGHT
                                                        : PANGO_ALIGN_LEFT);

    // Keep the lines that fit within the height (always the first).
    PangoLayoutIter* it = pango_layout_get_iter(m_layout);
    int widest = 0, bottom = 0;
    size_t lines = 0;
    int limit = options.maxHeight > 0 ? toPango(options.maxHeight) : INT_MAX;
    do {
        PangoRectangle logical;
        pango_layout_iter_get_line_extents(it, nullptr, &logical);
        int lineBottom = logical.y + logical.height;
        if (lines > 0 && lineBottom > limit)
            break;
        PangoLayoutLine* line = pango_layout_iter_get_line_readonly(it);
        PangoRectangle lineLogical;
        pango_layout_line_get_extents(line, nullptr, &lineLogical);
        widest = std::max(widest, lineLogical.width);
        bottom = lineBottom;
        ++lines;
    } while (pango_layout_iter_next_line(it));
    pango_layout_iter_free(it);
    m_lines = lines;
    CGFloat w = fromPango(widest);
    if (bounded)
        w = std::min(w, options.maxWidth);
    m_size = { w, fromPango(bottom) };
}

void TextLayout::draw(const CGContextRef& context, CGPoint origin) const
{
    drawLines(context, origin, false, CGAffineTransformIdentity);
}

void TextLayout::drawFlipped(const CGContextRef& context, CGPoint origin, CGAffineTransform textMatrix) const
{
    drawLines(context, origin, true, textMatrix);
}

void TextLayout::drawLines(const CGContextRef& context, CGPoint origin, bool yUp, CGAffineTransform textMatrix) const
{
    if (!context || !m_layout)
        return;
    cairo_t* cr = context->cairo();
    cairo_save(cr);
    context->applyAntialias();
    context->setSourceFill();
    // The layout's own x origin is 0 when it has a width, else the left of the
    // widest line; drawing starts at the box's left in both cases.
    PangoLayoutIter* it = pango_layout_get_iter(m_layout);
    size_t drawn = 0;
    do {
        if (drawn >= m_lines)
            break;
        PangoLayoutLine* line = pango_layout_iter_get_line_readonly(it);
        PangoRectangle logical;
        pango_layout_iter_get_line_extents(it, nullptr, &logical);
        double x = origin.x + double(logical.x) / PANGO_SCALE;
        double baseline = double(pango_layout_iter_get_baseline(it)) / PANGO_SCALE;
        if (yUp) {
            cairo_save(cr);
            cairo_translate(cr, x, origin.y - baseline);
            cairo_matrix_t tm;
            cairo_matrix_init(
                &tm, textMatrix.a, textMatrix.b, textMatrix.c, textMatrix.d, textMatrix.tx, textMatrix.ty);
            cairo_transform(cr, &tm);
            cairo_scale(cr, 1, -1);
            cairo_move_to(cr, 0, 0);
            pango_cairo_show_layout_line(cr, line);
            cairo_restore(cr);
        } else {
            cairo_move_to(cr, x, origin.y + baseline);
            pango_cairo_show_layout_line(cr, line);
        }
        ++drawn;
    } while (pango_layout_iter_next_line(it));
    pango_layout_iter_free(it);
    cairo_new_path(cr);
    cairo_restore(cr);
    context->didDraw();
}

#if defined(__SANITIZE_ADDRESS__)
// Fontconfig keeps its parsed configuration and font patterns for the life
// of the process and never frees them; that is not a leak of ours.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" const char* __lsan_default_options() { return "print_suppressions=0"; }
#endif
