#include "Platform/UIKit/UIViewRendering.h"

#include "Platform/CoreGraphics/CGBitmapContext.h"
#include "Platform/CoreGraphics/CGPath.h"
#include "Platform/QuartzCore/CALayerDrawing.h"
#include "Platform/QuartzCore/CATiledLayer.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIView.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace {

// A view that draws opaque tiles over all of its frame: nothing beneath it shows.
bool drawsOpaqueTiles(UIView& view)
{
    auto* tiled = dynamic_cast<CATiledLayer*>(view.layer().get());
    return tiled && tiled->isOpaque() && tiled->delegate() && !view.isHidden() && view.alpha() >= 1
        && CGAffineTransformIsIdentity(view.transform());
}

// A subview wholly under a later sibling drawing opaque tiles (a page's
// placeholder under the page) cannot show.
bool coveredByLaterSibling(const std::vector<std::shared_ptr<UIView>>& subviews, size_t index, CGFloat alpha)
{
    if (alpha < 1)
        return false;
    CGRect frame = subviews[index]->frame();
    for (size_t j = index + 1; j < subviews.size(); ++j)
        if (drawsOpaqueTiles(*subviews[j]) && CGRectContainsRect(subviews[j]->frame(), frame))
            return true;
    return false;
}

// The same for a view's own background and contents, under a subview
// covering all of its bounds; a shadow falls outside them, so it still draws.
bool lookCoveredBySubview(UIView& view, CGFloat alpha)
{
    if (alpha < 1 || view.layer()->shadowOpacity() > 0)
        return false;
    for (const auto& sub : view.subviews())
        if (drawsOpaqueTiles(*sub) && CGRectContainsRect(sub->frame(), view.bounds()))
            return true;
    return false;
}

void drawView(UIView& view, const CGContextRef& ctx, CGFloat alpha, bool placeInSuperview)
{
    auto& layer = *view.layer();
    if (view.isHidden() || view.alpha() <= 0.01f)
        return;
    alpha *= view.alpha();
    CGContextSaveGState(ctx);
    CGRect b = view.bounds();
    if (placeInSuperview) {
        CGPoint c = view.center();
        CGPoint anchor = layer.anchorPoint();
        CGContextTranslateCTM(ctx, c.x, c.y);
        CGAffineTransform t = view.transform();
        if (!CGAffineTransformIsIdentity(t))
            CGContextConcatCTM(ctx, t);
        CGContextTranslateCTM(ctx, -b.size.width * anchor.x, -b.size.height * anchor.y);
    }
    CGContextSetAlpha(ctx, alpha);
    CGRect local = CGRectMake(0, 0, b.size.width, b.size.height);
    CGColorRef background = view.backgroundColor() ? view.backgroundColor()->CGColor() : layer.backgroundColor();
    if (!lookCoveredBySubview(view, alpha))
        CALayerDrawLook(layer, ctx, local, background);
    if (view.clipsToBounds()) {
        CGContextBeginPath(ctx);
        CALayerAddRoundedRect(ctx, local, layer.cornerRadius());
        CGContextClip(ctx);
    }
    CGContextTranslateCTM(ctx, -b.origin.x, -b.origin.y);
    if (auto* tiled = dynamic_cast<CATiledLayer*>(&layer)) {
        // Only the tiles that show, at the detail the current zoom needs.
        tiled->drawTilesInContext(ctx, CGRectIntersection(CGContextGetClipBoundingBox(ctx), b));
    } else {
        UIGraphicsPushContext(ctx);
        view.drawRect(b);
        UIGraphicsPopContext();
    }
    layer.clearNeedsDisplay();
    CGContextSetAlpha(ctx, alpha);
    for (auto& sub : layer.sublayers())
        CALayerDrawSublayer(*sub, ctx, alpha);
    auto subviews = view.subviews();
    for (size_t i = 0; i < subviews.size(); ++i)
        if (!coveredByLaterSibling(subviews, i, alpha))
            drawView(*subviews[i], ctx, alpha, true);
    CGContextSetAlpha(ctx, alpha);
    UIGraphicsPushContext(ctx);
    view.drawOverSubviews(b);
    UIGraphicsPopContext();
    CGContextTranslateCTM(ctx, b.origin.x, b.origin.y);
    CGContextSetAlpha(ctx, alpha);
    CALayerDrawBorder(layer, ctx, local);
    CGContextRestoreGState(ctx);
}

}  // namespace

void UIViewRenderTree(UIView& view, const CGContextRef& context)
{
    if (!context)
        return;
    drawView(view, context, 1, false);
}

std::shared_ptr<UIImage> UIViewRenderToImage(UIView& view)
{
    view.layoutIfNeeded();
    CGSize size = view.bounds().size;
    if (size.width < 1 || size.height < 1)
        return nullptr;
    UIGraphicsBeginImageContextWithOptions(size, false, 1);
    auto ctx = UIGraphicsGetCurrentContext();
    UIViewRenderTree(view, ctx);
    UIGraphicsEndImageContext();
    // Nothing draws into the picture again, so its pixels become the image as they are.
    return UIImage::imageWithCGImageScaleOrientation(CGBitmapContextFinishIntoImage(ctx), 1, UIImageOrientationUp);
}

bool UIViewRenderToPNG(UIView& view, const std::string& path)
{
    auto image = UIViewRenderToImage(view);
    if (!image)
        return false;
    auto png = CGImageCreatePNGData(image->CGImage());
    if (!png)
        return false;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
    return static_cast<bool>(out);
}
