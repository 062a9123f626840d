#include "Platform/QuartzCore/CALayerDrawing.h"

#include "Platform/CoreGraphics/CGBitmapContext.h"
#include "Platform/QuartzCore/CALayer.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

// The contents image placed by the layer's gravity (its pixels are points
// divided by the contents scale), upright in the layer's y-downward space.
void drawContents(CALayer& layer, const CGImageRef& image, const CGContextRef& ctx, CGRect local)
{
    CGFloat scale = layer.contentsScale() > 0 ? layer.contentsScale() : 1;
    CGSize size = CGSizeMake(CGFloat(CGImageGetWidth(image)) / scale, CGFloat(CGImageGetHeight(image)) / scale);
    CGRect place = local;
    const std::string& gravity = layer.contentsGravity();
    if (size.width > 0 && size.height > 0 && gravity != kCAGravityResize) {
        CGFloat k = 1;
        if (gravity == kCAGravityResizeAspect)
            k = std::min(local.size.width / size.width, local.size.height / size.height);
        else if (gravity == kCAGravityResizeAspectFill)
            k = std::max(local.size.width / size.width, local.size.height / size.height);
        CGSize s = CGSizeMake(size.width * k, size.height * k);
        place = CGRectMake(CGRectGetMidX(local) - s.width / 2, CGRectGetMidY(local) - s.height / 2, s.width, s.height);
    }
    CGContextSaveGState(ctx);
    if (gravity == kCAGravityResizeAspectFill)
        CGContextClipToRect(ctx, local);
    CGContextTranslateCTM(ctx, place.origin.x, CGRectGetMaxY(place));
    CGContextScaleCTM(ctx, 1, -1);
    CGContextDrawImage(ctx, CGRectMake(0, 0, place.size.width, place.size.height), image);
    CGContextRestoreGState(ctx);
}

CGColor shadowColorOf(CALayer& layer)
{
    CGColor shadow = layer.shadowColor() ? *layer.shadowColor() : CGColor { 0, 0, 0, 1 };
    shadow.alpha *= layer.shadowOpacity();
    return shadow;
}

// How many device pixels a point of the layer's space covers.
CGFloat deviceScaleOf(const CGContextRef& ctx)
{
    CGAffineTransform t = CGContextGetCTM(ctx);
    return std::sqrt(std::fabs(t.a * t.d - t.b * t.c));
}

// The context's shadow offset and blur are in device space, where y counts
// upwards; a layer's are in its own space, where y counts downwards, so a
// positive height falls below.
void drawBackgroundWithShadow(CALayer& layer, const CGContextRef& ctx, CGRect outline, const CGColorRef& background)
{
    CGAffineTransform t = CGContextGetCTM(ctx);
    CGSize offset = layer.shadowOffset();
    CGSize deviceOffset
        = CGSizeMake(t.a * offset.width + t.c * offset.height, t.b * offset.width + t.d * offset.height);
    CGContextSetShadowWithColor(ctx, deviceOffset, layer.shadowRadius() * deviceScaleOf(ctx),
        std::make_shared<const CGColor>(shadowColorOf(layer)));
    CGContextSetFillColorWithColor(ctx, background);
    CGContextBeginPath(ctx);
    CALayerAddRoundedRect(ctx, outline, layer.cornerRadius());
    CGContextFillPath(ctx);
}

// Only the shadow of `outline`, for a layer whose own drawing does not cover
// it (a clear layer, or an outline beyond the background). The outline is
// drawn beside a small canvas with its shadow thrown back onto it, and the
// canvas is laid under the layer where the shadow falls.
void drawShadowAlone(CALayer& layer, const CGContextRef& ctx, CGRect outline)
{
    const CGFloat blur = std::max<CGFloat>(0, layer.shadowRadius());
    const CGFloat margin = std::ceil(blur) + 2;
    const CGSize canvas = CGSizeMake(outline.size.width + 2 * margin, outline.size.height + 2 * margin);
    // The context's shadow works within 4096 pixels, three canvases wide;
    // a larger shadow is made at a lower resolution (it is blurred anyway).
    const CGFloat k = std::min(
        { std::max(CGFloat(1), deviceScaleOf(ctx)), CGFloat(1300) / canvas.width, CGFloat(4000) / canvas.height });
    const auto pw = static_cast<size_t>(std::ceil(canvas.width * k));
    const auto ph = static_cast<size_t>(std::ceil(canvas.height * k));
    auto bitmap = CGBitmapContextCreate(nullptr, pw, ph, 8, 0, CGColorSpaceCreateDeviceRGB(),
        kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little);
    if (!bitmap)
        return;
    const CGFloat throwBack = CGFloat(pw);
    CGContextSetShadowWithColor(
        bitmap, CGSizeMake(-throwBack, 0), blur * k, std::make_shared<const CGColor>(shadowColorOf(layer)));
    CGContextSetFillColorWithColor(bitmap, CGColorCreateGenericRGB(0, 0, 0, 1));
    CGContextScaleCTM(bitmap, k, k);
    CGContextBeginPath(bitmap);
    CALayerAddRoundedRect(bitmap, CGRectMake(margin + throwBack / k, margin, outline.size.width, outline.size.height),
        layer.cornerRadius());
    CGContextFillPath(bitmap);
    auto image = CGBitmapContextCreateImage(bitmap);
    if (!image)
        return;
    CGSize offset = layer.shadowOffset();
    CGRect place = CGRectMake(outline.origin.x - margin + offset.width, outline.origin.y - margin + offset.height,
        canvas.width, canvas.height);
    CGContextSaveGState(ctx);
    CGContextTranslateCTM(ctx, place.origin.x, CGRectGetMaxY(place));
    CGContextScaleCTM(ctx, 1, -1);
    CGContextDrawImage(ctx, CGRectMake(0, 0, place.size.width, place.size.height), image);
    CGContextRestoreGState(ctx);
}

}  // namespace

void CALayerAddRoundedRect(const CGContextRef& ctx, CGRect r, CGFloat radius)
{
    radius = std::min({ radius, r.size.width / 2, r.size.height / 2 });
    if (radius <= 0) {
        CGContextAddRect(ctx, r);
        return;
    }
    CGFloat x0 = r.origin.x, y0 = r.origin.y, x1 = x0 + r.size.width, y1 = y0 + r.size.height;
    CGContextMoveToPoint(ctx, x0 + radius, y0);
    CGContextAddArc(ctx, x1 - radius, y0 + radius, radius, -(kPi / 2), 0, 0);
    CGContextAddArc(ctx, x1 - radius, y1 - radius, radius, 0, (kPi / 2), 0);
    CGContextAddArc(ctx, x0 + radius, y1 - radius, radius, (kPi / 2), kPi, 0);
    CGContextAddArc(ctx, x0 + radius, y0 + radius, radius, kPi, (3 * kPi / 2), 0);
    CGContextClosePath(ctx);
}

void CALayerDrawLook(CALayer& layer, const CGContextRef& ctx, CGRect local, const CGColorRef& background)
{
    const bool filled = background && background->alpha > 0;
    const CGRect path = layer.shadowPathRect();
    const bool hasPath = !CGRectIsEmpty(path);
    if (layer.shadowOpacity() > 0 && (filled || hasPath)) {
        CGContextSaveGState(ctx);
        if (layer.masksToBounds()) {
            CGContextBeginPath(ctx);
            CALayerAddRoundedRect(ctx, local, layer.cornerRadius());
            CGContextClip(ctx);
        }
        // The background itself casts the shadow when it covers the outline
        // the shadow follows; anything else needs the shadow alone.
        bool backgroundCasts = !hasPath
            || (filled && background->alpha >= 1 && layer.cornerRadius() <= 0 && CGRectContainsRect(local, path));
        if (backgroundCasts)
            drawBackgroundWithShadow(layer, ctx, hasPath ? path : local, background);
        else
            drawShadowAlone(layer, ctx, hasPath ? path : local);
        CGContextRestoreGState(ctx);
    }
    if (filled) {
        CGContextSetFillColorWithColor(ctx, background);
        CGContextBeginPath(ctx);
        CALayerAddRoundedRect(ctx, local, layer.cornerRadius());
        CGContextFillPath(ctx);
    }
    if (auto image = layer.contents())
        drawContents(layer, image, ctx, local);
}

void CALayerDrawBorder(CALayer& layer, const CGContextRef& ctx, CGRect local)
{
    if (layer.borderWidth() <= 0)
        return;
    CGColorRef color = layer.borderColor() ? layer.borderColor() : CGColorCreateGenericGray(0, 1);
    CGFloat w = layer.borderWidth();
    CGContextSetStrokeColorWithColor(ctx, color);
    CGContextSetLineWidth(ctx, w);
    CGContextBeginPath(ctx);
    CALayerAddRoundedRect(ctx, CGRectInset(local, w / 2, w / 2), std::max<CGFloat>(0, layer.cornerRadius() - w / 2));
    CGContextStrokePath(ctx);
}

void CALayerDrawSublayer(CALayer& layer, const CGContextRef& ctx, CGFloat alpha)
{
    if (layer.isHidden() || layer.opacity() <= 0.01f)
        return;
    CGContextSaveGState(ctx);
    CGRect f = layer.frame();
    CGContextTranslateCTM(ctx, f.origin.x, f.origin.y);
    CGContextSetAlpha(ctx, alpha * layer.opacity());
    CGRect local = CGRectMake(0, 0, f.size.width, f.size.height);
    CALayerDrawLook(layer, ctx, local, layer.backgroundColor());
    layer.drawContentInContext(ctx);
    for (auto& sub : layer.sublayers())
        CALayerDrawSublayer(*sub, ctx, alpha * layer.opacity());
    CALayerDrawBorder(layer, ctx, local);
    CGContextRestoreGState(ctx);
}

void CALayer::renderInContext(const CGContextRef& context)
{
    if (!context)
        return;
    if (m_viewRenderer) {
        m_viewRenderer(context);
        return;
    }
    // The layer in its own space: its bounds' top left at the origin.
    CGContextSaveGState(context);
    CGRect local = CGRectMake(0, 0, m_bounds.size.width, m_bounds.size.height);
    CALayerDrawLook(*this, context, local, m_backgroundColor);
    CGContextTranslateCTM(context, -m_bounds.origin.x, -m_bounds.origin.y);
    drawContentInContext(context);
    for (auto& sub : m_sublayers)
        CALayerDrawSublayer(*sub, context, 1);
    CGContextTranslateCTM(context, m_bounds.origin.x, m_bounds.origin.y);
    CALayerDrawBorder(*this, context, local);
    CGContextRestoreGState(context);
}
