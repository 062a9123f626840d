#include "Classes/Library/PdfContentTile.h"

#include "Platform/UIKit/UIApplication.h"

#include <algorithm>

PdfContentTile::PdfContentTile()
{
    auto& screen = UIScreen::mainScreen();
    CGFloat scale = screen.scale();
    levelsOfDetail = 4;
    levelsOfDetailBias = scale > 1 ? 1 : 3;
    CGSize size = screen.bounds().size;
    CGFloat longest = std::max(size.width, size.height) * scale;
    CGFloat side = longest < 512 ? 512 : 1024;
    tileSize = CGSizeMake(side, side);
    // The page fills every tile with white before drawing on it, so the
    // placeholder beneath needs no drawing where the tiles are.
    setOpaque(true);
}
