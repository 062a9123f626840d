#pragma once

// Which installed face really draws a font: the text engine pins each
// platform font name to a face with the same widths, and this names the one
// the machine gave, so a missing face shows instead of passing unnoticed.

#include "Platform/CoreGraphics/TextLayout.h"

#include <string>

struct TextFace {
    std::string family;
    std::string file;
    int index = 0;  // the face's index in a collection file
};

// The face that draws the font's Latin text (its first family). A family
// missing from the machine shows here as whatever face stood in for it.
TextFace TextFontFace(const TextFont& font);
