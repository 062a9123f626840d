#include "Platform/QuartzCore/CATiledLayer.h"

#include "Platform/CoreGraphics/CGBitmapContext.h"
#include "Platform/Foundation/Dispatch.h"

#include <cmath>
#include <cstring>

namespace {

// The one worker every tiled layer draws its tiles on.
const dispatch_queue_t& tileQueue()
{
    static auto* queue = new dispatch_queue_t(dispatch_queue_create("tiles", DISPATCH_QUEUE_SERIAL));
    return *queue;
}

}  // namespace

std::shared_ptr<CATiledLayer> CATiledLayer::layer()
{
    return std::make_shared<CATiledLayer>();
}

CGFloat CATiledLayer::levelScaleForZoom(CGFloat zoom) const
{
    size_t levels = std::max<size_t>(levelsOfDetail, 1);
    double largest = std::ldexp(1.0, static_cast<int>(levelsOfDetailBias));
    double smallest = std::ldexp(largest, -static_cast<int>(levels - 1));
    double scale = largest;
    // Halve while the next level down is still at least as sharp as the zoom.
    while (scale / 2 >= smallest && scale / 2 >= zoom)
        scale /= 2;
    return static_cast<CGFloat>(scale);
}

std::vector<CGRect> CATiledLayer::tilesForRect(CGRect visible, CGFloat levelScale) const
{
    std::vector<CGRect> tiles;
    CGRect area = CGRectIntersection(visible, bounds());
    if (CGRectIsEmpty(area) || levelScale <= 0 || tileSize.width < 1 || tileSize.height < 1)
        return tiles;
    CGFloat w = tileSize.width / levelScale, h = tileSize.height / levelScale;
    CGRect b = bounds();
    long firstColumn = static_cast<long>(std::floor((area.origin.x - b.origin.x) / w));
    long lastColumn = static_cast<long>(std::ceil((CGRectGetMaxX(area) - b.origin.x) / w));
    long firstRow = static_cast<long>(std::floor((area.origin.y - b.origin.y) / h));
    long lastRow = static_cast<long>(std::ceil((CGRectGetMaxY(area) - b.origin.y) / h));
    for (long row = firstRow; row < lastRow; ++row)
        for (long column = firstColumn; column < lastColumn; ++column) {
            CGRect tile = CGRectMake(b.origin.x + column * w, b.origin.y + row * h, w, h);
            tiles.push_back(CGRectIntersection(tile, b));
        }
    return tiles;
}

void CATiledLayer::drawContentInContext(const CGContextRef& context)
{
    drawTilesInContext(context, CGContextGetClipBoundingBox(context));
}

CGContextRef CATiledLayer::tileBitmap(size_t pw, size_t ph)
{
    if (pw == 0 || ph == 0 || pw > CGImageMaxSide || ph > CGImageMaxSide || pw * ph > CGImageMaxPixels)
        return nullptr;
    size_t bytes = pw * ph * 4;
    if (bytes > m_tileMemorySize) {
        m_tileMemory.reset();
        m_tileMemory = std::make_unique_for_overwrite<uint8_t[]>(bytes);
        m_tileMemorySize = bytes;
    }
    // A tile starts clear, as a new picture does, whatever the last one left.
    std::memset(m_tileMemory.get(), 0, bytes);
    uint32_t alpha = isOpaque() ? kCGImageAlphaNoneSkipFirst : kCGImageAlphaPremultipliedFirst;
    uint32_t info = alpha | kCGBitmapByteOrder32Little;
    return CGBitmapContextCreate(m_tileMemory.get(), pw, ph, 8, pw * 4, CGColorSpaceCreateDeviceRGB(), info);
}

void CATiledLayer::drawTileInPlace(const CGContextRef& context, CGRect tile)
{
    CGContextSaveGState(context);
    CGContextClipToRect(context, tile);
    dispatch_sync(tileQueue(), [&] { drawInContext(context); });
    CGContextRestoreGState(context);
}

void CATiledLayer::drawTileThroughMemory(const CGContextRef& context, CGRect tile, CGFloat levelScale)
{
    CGAffineTransform ctm = CGContextGetCTM(context);
    CGFloat zoom = std::sqrt(std::fabs(ctm.a * ctm.d - ctm.b * ctm.c));
    if (zoom <= levelScale) {
        // Drawn at the picture's own resolution, on whole device pixels, so the
        // tile is laid down as it is, without resampling.
        CGRect device = CGRectIntegral(CGRectApplyAffineTransform(tile, ctm));
        auto bitmap = tileBitmap(static_cast<size_t>(device.size.width), static_cast<size_t>(device.size.height));
        if (!bitmap)
            return;
        CGContextConcatCTM(bitmap, CGAffineTransformConcat(ctm, CGAffineTransformMakeTranslation(-device.origin.x,
                                                                                               -device.origin.y)));
        CGContextClipToRect(bitmap, tile);
        dispatch_sync(tileQueue(), [&] { drawInContext(bitmap); });
        CGContextSaveGState(context);
        context->state().ctm = CGAffineTransformIdentity;
        context->applyTransform();
        CGContextDrawBitmap(context, device, bitmap);
        CGContextRestoreGState(context);
        return;
    }
    // Sharper than the sharpest level: drawn at that level and enlarged.
    auto bitmap = tileBitmap(static_cast<size_t>(std::ceil(tile.size.width * levelScale)),
                             static_cast<size_t>(std::ceil(tile.size.height * levelScale)));
    if (!bitmap)
        return;
    // The layer's space has y downward, as a view's drawing has it.
    CGContextTranslateCTM(bitmap, 0, static_cast<CGFloat>(CGBitmapContextGetHeight(bitmap)));
    CGContextScaleCTM(bitmap, levelScale, -levelScale);
    CGContextTranslateCTM(bitmap, -tile.origin.x, -tile.origin.y);
    CGContextClipToRect(bitmap, tile);
    dispatch_sync(tileQueue(), [&] { drawInContext(bitmap); });
    // Upright in a y-downward space: the tile's first row goes to the rectangle's maximum y.
    CGContextSaveGState(context);
    CGContextTranslateCTM(context, tile.origin.x, CGRectGetMaxY(tile));
    CGContextScaleCTM(context, 1, -1);
    CGContextDrawBitmap(context, CGRectMake(0, 0, tile.size.width, tile.size.height), bitmap);
    CGContextRestoreGState(context);
}

void CATiledLayer::drawTilesInContext(const CGContextRef& context, CGRect visible)
{
    if (!context)
        return;
    CGAffineTransform m = CGContextGetCTM(context);
    CGFloat scale = levelScaleForZoom(std::sqrt(std::fabs(m.a * m.d - m.b * m.c)));
    auto tiles = tilesForRect(visible, scale);
    if (tiles.empty())
        return;
    // A tile that shows whole, drawn plainly, may be drawn straight into the
    // picture: its drawing sees the same clip box, and nothing is copied.
    // Translucent or shadowed drawing needs the tile as one picture first.
    const auto& state = context->state();
    bool plain = state.alpha >= 1 && state.blendMode == kCGBlendModeNormal && !context->hasShadow();
    CGRect shown = CGContextGetClipBoundingBox(context);
    // Keeps the layer, and so its delegate's view, for the tiles' drawing.
    auto self = shared_from_this();
    std::lock_guard hold(m_tileLock);
    for (CGRect tile : tiles) {
        if (plain && CGRectContainsRect(shown, tile))
            drawTileInPlace(context, tile);
        else
            drawTileThroughMemory(context, tile, scale);
    }
}
