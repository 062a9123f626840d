#pragma once

// The one text engine of the platform layer: measuring and drawing go through
// the same layout, so a box measured for a text really holds it when the text
// is drawn there. Layout is independent of the target: glyph positions are not
// rounded to device pixels and font metrics are not hinted, so a text measures
// and wraps the same in a bitmap, a PDF page or a view at any scale.
//
// Fonts are pinned by family in one table (platform font names to installed
// faces), with a Chinese face behind every family for glyphs the first one
// lacks, so that measurements do not depend on whatever else is installed.

#include "Platform/CoreGraphics/CGColor.h"
#include "Platform/CoreGraphics/CGContext.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct _PangoLayout;

struct TextFont {
    std::string name;  // the platform's name for it ("Helvetica-Bold")
    std::string family;  // the installed families, in order of preference
    bool bold = false;
    bool italic = false;
    CGFloat size = 12;
    bool operator==(const TextFont&) const = default;

    static TextFont systemFont(CGFloat size);
    static TextFont boldSystemFont(CGFloat size);
    static TextFont italicSystemFont(CGFloat size);
    // A font by the platform's name, or nullopt when the name is not one the
    // table knows.
    static std::optional<TextFont> named(std::string_view name, CGFloat size);
    // The platform family of a font name ("Helvetica" for "Helvetica-Bold").
    std::string familyName() const;

    struct Metrics {
        CGFloat ascender = 0;  // above the baseline, positive
        CGFloat descender = 0;  // below the baseline, negative
        CGFloat lineHeight = 0;
    };
    Metrics metrics() const;
};

struct TextRun {
    size_t start = 0;  // in bytes of the UTF-8 text
    size_t length = 0;
    std::optional<TextFont> font;
    std::optional<CGColor> color;
};

// Text with runs of font and colour; bytes outside every run use the defaults
// given at layout time.
struct AttributedText {
    std::string text;
    std::vector<TextRun> runs;

    void append(
        std::string_view s, std::optional<TextFont> font = std::nullopt, std::optional<CGColor> color = std::nullopt);
    void append(const AttributedText& other);
};

enum class TextLineBreak { WordWrap, CharacterWrap, Clip, HeadTruncation, TailTruncation, MiddleTruncation };
enum class TextAlignment { Left, Center, Right };

class TextLayout {
public:
    struct Options {
        CGFloat maxWidth = 0;  // 0 or less: no limit, no wrapping
        CGFloat maxHeight = 0;  // 0 or less: no limit
        TextLineBreak lineBreak = TextLineBreak::WordWrap;
        TextAlignment alignment = TextAlignment::Left;
        // Newlines do not start new lines: the whole text is one line.
        bool singleLine = false;
    };

    TextLayout(const AttributedText& text, const TextFont& defaultFont, const Options& options);
    TextLayout(std::string_view text, const TextFont& font, const Options& options);
    ~TextLayout();
    TextLayout(const TextLayout&) = delete;
    TextLayout& operator=(const TextLayout&) = delete;

    // Width of the widest line shown and height of the lines shown. Lines that
    // do not fit within maxHeight are not shown, except that the first line
    // always is.
    CGSize size() const { return m_size; }
    size_t lineCount() const { return m_lines; }

    // Draws the shown lines with the box's top left at origin, in a user space
    // whose y runs downward. Runs without a colour take the context's fill colour.
    void draw(const CGContextRef& context, CGPoint origin) const;
    // The same where y runs upward (text frames): origin is the top left of
    // the box, the lines go down from it and every glyph stands upright.
    void drawFlipped(const CGContextRef& context, CGPoint origin, CGAffineTransform textMatrix) const;

private:
    void build(const AttributedText& text, const TextFont& defaultFont, const Options& options);
    void drawLines(const CGContextRef& context, CGPoint origin, bool yUp, CGAffineTransform textMatrix) const;

    _PangoLayout* m_layout = nullptr;
    size_t m_lines = 0;
    CGSize m_size;
    bool m_hasColors = false;
};
