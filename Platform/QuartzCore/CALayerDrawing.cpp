#include "Platform/QuartzCore/CALayerDrawing.h"

#include "Platform/QuartzCore/CALayer.h"

#include <algorithm>

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
    if (layer.shadowOpacity() > 0 && background) {
        CGContextSaveGState(ctx);
        CGColor shadow = layer.shadowColor() ? *layer.shadowColor() : CGColor { 0, 0, 0, 1 };
        shadow.alpha *= layer.shadowOpacity();
        CGContextSetShadowWithColor(ctx, layer.shadowOffset(), layer.shadowRadius(),
                                    std::make_shared<const CGColor>(shadow));
        CGContextSetFillColorWithColor(ctx, background);
        CGContextBeginPath(ctx);
        CALayerAddRoundedRect(ctx, local, layer.cornerRadius());
        CGContextFillPath(ctx);
        CGContextRestoreGState(ctx);
    } else if (background && background->alpha > 0) {
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
