#include "Platform/QuartzCore/CATiledLayer.h"

#include "Platform/CoreGraphics/CGBitmapContext.h"

#include <cmath>
#include <future>

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

void CATiledLayer::drawTilesInContext(const CGContextRef& context, CGRect visible)
{
    if (!context)
        return;
    CGAffineTransform m = CGContextGetCTM(context);
    CGFloat scale = levelScaleForZoom(std::sqrt(std::fabs(m.a * m.d - m.b * m.c)));
    auto tiles = tilesForRect(visible, scale);
    if (tiles.empty())
        return;
    auto self = std::static_pointer_cast<CATiledLayer>(shared_from_this());
    // The tiles are drawn one after the other on a worker thread: a delegate
    // may draw from a document that is not safe to draw from two threads at once.
    auto drawn = std::async(std::launch::async, [self, tiles, scale] {
        std::vector<CGImageRef> images;
        for (CGRect tile : tiles) {
            size_t pw = static_cast<size_t>(std::ceil(tile.size.width * scale));
            size_t ph = static_cast<size_t>(std::ceil(tile.size.height * scale));
            auto bitmap = CGBitmapContextCreate(nullptr, pw, ph, 8, 0, CGColorSpaceCreateDeviceRGB(),
                                                kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little);
            if (!bitmap) {
                images.push_back(nullptr);
                continue;
            }
            // The layer's space has y downward, as a view's drawing has it.
            CGContextTranslateCTM(bitmap, 0, static_cast<CGFloat>(ph));
            CGContextScaleCTM(bitmap, scale, -scale);
            CGContextTranslateCTM(bitmap, -tile.origin.x, -tile.origin.y);
            CGContextClipToRect(bitmap, tile);
            self->drawInContext(bitmap);
            images.push_back(CGBitmapContextCreateImage(bitmap));
        }
        return images;
    });
    auto images = drawn.get();
    for (size_t i = 0; i < tiles.size(); ++i) {
        if (!images[i])
            continue;
        // Upright in a y-downward space: an image's first row goes to the rectangle's maximum y.
        CGContextSaveGState(context);
        CGContextTranslateCTM(context, tiles[i].origin.x, CGRectGetMaxY(tiles[i]));
        CGContextScaleCTM(context, 1, -1);
        CGContextDrawImage(context, CGRectMake(0, 0, tiles[i].size.width, tiles[i].size.height), images[i]);
        CGContextRestoreGState(context);
    }
}
