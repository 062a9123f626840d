#pragma once

// The tiled layer under a PDF page: four levels of detail, tiles sized to the
// screen, and no visible fade as tiles arrive.

#include "Platform/QuartzCore/CATiledLayer.h"

class PdfContentTile : public CATiledLayer {
public:
    PdfContentTile();
    static double fadeDurationOfClass() { return 0.001; }
    double fadeDuration() const override { return fadeDurationOfClass(); }
};
