#pragma once

// A layer whose content is drawn in tiles, only where it shows, at a level of
// detail chosen from the zoom: the delegate's drawLayerInContext runs on a
// worker thread (never the main thread) once per tile, while the caller
// waits, with the context clipped to the tile, so the clip box is the tile in
// layer points. A tile that draws another tiled layer draws its tiles at once.
//
// The tiles are drawn one after the other at the picture's own resolution. A
// tile that shows whole is drawn straight into the picture; any other is drawn
// into memory the layer keeps from one drawing to the next and laid down from
// there. The level of detail sets the tiles' extent, and the resolution when
// the zoom is sharper than the sharpest level. An opaque layer's tiles have no
// alpha, and nothing beneath an opaque tiled layer with a delegate shows
// through it.

#include "Platform/QuartzCore/CALayer.h"

#include <cstdint>
#include <mutex>
#include <vector>

class CATiledLayer : public CALayer {
public:
    static std::shared_ptr<CATiledLayer> layer();

    // Levels of detail: the largest scale is 2^levelsOfDetailBias, and each
    // level below halves it.
    size_t levelsOfDetail = 1;
    size_t levelsOfDetailBias = 0;
    // Tile size in pixels.
    CGSize tileSize { 256, 256 };
    // How long new tiles fade in; a subclass answers its own.
    virtual double fadeDuration() const { return 0.25; }

    // The scale of the level that draws a zoom of `zoom` pixels a point: the
    // smallest level at least as sharp, within the levels there are.
    CGFloat levelScaleForZoom(CGFloat zoom) const;
    // The tiles, in layer points, that cover `visible` (within the bounds) at a level's scale.
    std::vector<CGRect> tilesForRect(CGRect visible, CGFloat levelScale) const;
    // Draws the tiles that cover `visible` (layer points) into `context`,
    // whose user space is the layer's own; the zoom is the scale of the
    // context's current transform.
    void drawTilesInContext(const CGContextRef& context, CGRect visible);
    void drawContentInContext(const CGContextRef& context) override;

private:
    // A context over the tile memory for a tile of pw x ph pixels, cleared.
    CGContextRef tileBitmap(size_t pw, size_t ph);
    void drawTileInPlace(const CGContextRef& context, CGRect tile);
    void drawTileThroughMemory(const CGContextRef& context, CGRect tile, CGFloat levelScale);

    std::mutex m_tileLock;
    std::unique_ptr<uint8_t[]> m_tileMemory;
    size_t m_tileMemorySize = 0;
};
