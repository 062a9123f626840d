// The font names the screens use stand for installed faces, and every one of
// them shows Chinese through the Chinese face behind it: a label in
// "language_cn" must never draw empty boxes.

#include "Platform/CoreGraphics/TextFace.h"
#include "Platform/CoreGraphics/TextLayout.h"
#include "Platform/UIKit/UIFont.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <filesystem>

#include <set>
#include <utility>
#include <vector>
#include <sstream>
#include <string>

namespace {

const char* const screenFonts[] = { "Helvetica", "Helvetica-Bold", "HelveticaNeue-Bold", "Arial", "Arial-BoldMT",
    "Verdana-Italic", "Zapfino", "Copperplate", "Didot-Italic" };

std::set<std::string> installedFamilies()
{
    PangoFontFamily** families = nullptr;
    int count = 0;
    pango_font_map_list_families(pango_cairo_font_map_get_default(), &families, &count);
    std::set<std::string> names;
    for (int i = 0; i < count; ++i)
        names.insert(pango_font_family_get_name(families[i]));
    g_free(families);
    return names;
}

int unknownGlyphs(const TextFont& font, const char* text)
{
    PangoContext* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
    PangoLayout* layout = pango_layout_new(context);
    PangoFontDescription* d = pango_font_description_from_string(font.family.c_str());
    pango_font_description_set_weight(d, font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    pango_font_description_set_style(d, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_font_description_set_absolute_size(d, font.size * PANGO_SCALE);
    pango_layout_set_font_description(layout, d);
    pango_layout_set_text(layout, text, -1);
    int unknown = pango_layout_get_unknown_glyphs_count(layout);
    pango_font_description_free(d);
    g_object_unref(layout);
    g_object_unref(context);
    return unknown;
}

// The width of `text` at `size` points from the face file's own advance
// widths (its horizontal metrics, unscaled and unhinted), read with FreeType
// apart from the text engine.
double advanceWidth(const TextFace& face, const std::u32string& text, double size)
{
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return -1;
    FT_Face ftFace = nullptr;
    double width = -1;
    if (FT_New_Face(library, face.file.c_str(), face.index, &ftFace) == 0) {
        long units = 0;
        bool complete = true;
        for (char32_t c : text) {
            FT_UInt glyph = FT_Get_Char_Index(ftFace, c);
            FT_Fixed advance = 0;
            if (glyph == 0 || FT_Get_Advance(ftFace, glyph, FT_LOAD_NO_SCALE, &advance) != 0)
                complete = false;
            units += long(advance);
        }
        if (complete)
            width = double(units) * size / ftFace->units_per_EM;
        FT_Done_Face(ftFace);
    }
    FT_Done_FreeType(library);
    return width;
}

double measured(const TextFont& font, const std::string& text)
{
    return double(TextLayout(text, font, {}).size().width);
}

const std::string latinSample = "Not Submitted Customer details Forgot password (312) Get Updates";
const std::u32string latinSample32 = U"Not Submitted Customer details Forgot password (312) Get Updates";

}

// The screens' frames were sized for the tablet's faces: every font name they
// use is drawn by the face pinned for it, whose widths are the tablet face's.
TEST(Fonts, ScreenFontsAreDrawnByFacesWithTheirOwnWidths)
{
    struct Case {
        const char* label;
        TextFont font;
        const char* family;
        const char* file;
    };
    const Case cases[] = {
        { "system", UIFont::systemFontOfSize(100)->textFont(), "Nimbus Sans", "NimbusSans-Regular.otf" },
        { "bold system", UIFont::boldSystemFontOfSize(100)->textFont(), "Nimbus Sans", "NimbusSans-Bold.otf" },
        { "Helvetica", UIFont::fontWithNameSize("Helvetica", 100)->textFont(), "Nimbus Sans",
            "NimbusSans-Regular.otf" },
        { "Helvetica-Bold", UIFont::fontWithNameSize("Helvetica-Bold", 100)->textFont(), "Nimbus Sans",
            "NimbusSans-Bold.otf" },
        { "HelveticaNeue-Bold", UIFont::fontWithNameSize("HelveticaNeue-Bold", 100)->textFont(), "Nimbus Sans",
            "NimbusSans-Bold.otf" },
        { "Arial", UIFont::fontWithNameSize("Arial", 100)->textFont(), "Liberation Sans",
            "LiberationSans-Regular.ttf" },
        { "Arial-BoldMT", UIFont::fontWithNameSize("Arial-BoldMT", 100)->textFont(), "Liberation Sans",
            "LiberationSans-Bold.ttf" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto face = TextFontFace(c.font);
        EXPECT_EQ(face.family, c.family);
        EXPECT_EQ(std::filesystem::path(face.file).filename().string(), c.file);
        double expected = advanceWidth(face, latinSample32, 100);
        ASSERT_GT(expected, 0) << face.file << " lacks a glyph of the sample";
        EXPECT_NEAR(measured(c.font, latinSample), expected, expected * 0.02);
    }
}

// Arial was drawn to Helvetica's widths; the two stand-ins, from different
// makers, must agree too, or one of them is not the face it stands for.
TEST(Fonts, HelveticaAndArialStandInsShareTheirWidths)
{
    for (auto [helvetica, arial] :
        { std::pair { "Helvetica", "Arial" }, std::pair { "Helvetica-Bold", "Arial-BoldMT" } }) {
        SCOPED_TRACE(helvetica);
        double h = measured(UIFont::fontWithNameSize(helvetica, 100)->textFont(), latinSample);
        double a = measured(UIFont::fontWithNameSize(arial, 100)->textFont(), latinSample);
        EXPECT_NEAR(h, a, a * 0.02);
    }
}

// Chinese in any screen font is drawn by the Chinese face, a full square per
// character as on the tablet.
TEST(Fonts, ChineseMeasuresWithTheChineseFace)
{
    auto cjk = UIFont::fontWithNameSize("STHeitiSC-Light", 100);
    ASSERT_TRUE(cjk);
    auto face = TextFontFace(cjk->textFont());
    EXPECT_EQ(face.family, "Noto Sans CJK SC");
    double expected = advanceWidth(face, U"提示邮编客户订单", 100);
    ASSERT_GT(expected, 0) << face.file;
    for (const char* name : { "Helvetica", "Helvetica-Bold", "Arial" }) {
        SCOPED_TRACE(name);
        EXPECT_NEAR(
            measured(UIFont::fontWithNameSize(name, 100)->textFont(), "提示邮编客户订单"), expected, expected * 0.02);
    }
}

TEST(Fonts, EveryScreenFontIsAnInstalledFaceThatShowsChinese)
{
    auto installed = installedFamilies();
    std::vector<std::pair<std::string, TextFont>> fonts = { { "system", UIFont::systemFontOfSize(15)->textFont() },
        { "bold system", UIFont::boldSystemFontOfSize(15)->textFont() },
        { "italic system", UIFont::italicSystemFontOfSize(15)->textFont() } };
    for (const char* name : screenFonts) {
        auto font = UIFont::fontWithNameSize(name, 15);
        ASSERT_TRUE(font) << name << " has no face";
        fonts.emplace_back(name, font->textFont());
    }
    for (auto& [name, font] : fonts) {
        std::stringstream families(font.family);
        std::string family;
        while (std::getline(families, family, ','))
            EXPECT_TRUE(installed.count(family)) << name << ": " << family << " is not installed";
        EXPECT_EQ(unknownGlyphs(font, "Notice 提示 邮编 ¥1,234.00"), 0) << name;
    }
}
