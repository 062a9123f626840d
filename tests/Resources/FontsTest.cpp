// The font names the screens use stand for installed faces, and every one of
// them shows Chinese through the Chinese face behind it: a label in
// "language_cn" must never draw empty boxes.

#include "Platform/CoreGraphics/TextLayout.h"
#include "Platform/UIKit/UIFont.h"

#include <gtest/gtest.h>
#include <pango/pangocairo.h>

#include <set>
#include <utility>
#include <vector>
#include <sstream>
#include <string>

namespace {

const char* const screenFonts[] = {"Helvetica", "Helvetica-Bold", "HelveticaNeue-Bold", "Arial", "Arial-BoldMT",
                                   "Verdana-Italic", "Zapfino", "Copperplate", "Didot-Italic"};

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

}

TEST(Fonts, EveryScreenFontIsAnInstalledFaceThatShowsChinese)
{
    auto installed = installedFamilies();
    std::vector<std::pair<std::string, TextFont>> fonts = {{"system", UIFont::systemFontOfSize(15)->textFont()},
                                                           {"bold system", UIFont::boldSystemFontOfSize(15)->textFont()},
                                                           {"italic system", UIFont::italicSystemFontOfSize(15)->textFont()}};
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
