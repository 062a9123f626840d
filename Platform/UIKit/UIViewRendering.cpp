#include "Platform/UIKit/UIViewRendering.h"

#include "Platform/CoreGraphics/CGPath.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIView.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace {

constexpr double kPi = 3.14159265358979323846;

void addRoundedRect(const CGContextRef& ctx, CGRect r, CGFloat radius)
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

void drawLayerLook(CALayer& layer, const CGContextRef& ctx, CGRect local, const CGColorRef& background)
{
    if (layer.shadowOpacity() > 0 && background) {
        CGContextSaveGState(ctx);
        CGColor shadow = layer.shadowColor() ? *layer.shadowColor() : CGColor { 0, 0, 0, 1 };
        shadow.alpha *= layer.shadowOpacity();
        CGContextSetShadowWithColor(ctx, layer.shadowOffset(), layer.shadowRadius(),
                                    std::make_shared<const CGColor>(shadow));
        CGContextSetFillColorWithColor(ctx, background);
        CGContextBeginPath(ctx);
        addRoundedRect(ctx, local, layer.cornerRadius());
        CGContextFillPath(ctx);
        CGContextRestoreGState(ctx);
    } else if (background && background->alpha > 0) {
        CGContextSetFillColorWithColor(ctx, background);
        CGContextBeginPath(ctx);
        addRoundedRect(ctx, local, layer.cornerRadius());
        CGContextFillPath(ctx);
    }
    if (auto image = layer.contents())
        CGContextDrawImage(ctx, local, image);
}

void drawBorder(CALayer& layer, const CGContextRef& ctx, CGRect local)
{
    if (layer.borderWidth() <= 0)
        return;
    CGColorRef color = layer.borderColor() ? layer.borderColor() : CGColorCreateGenericGray(0, 1);
    CGFloat w = layer.borderWidth();
    CGContextSetStrokeColorWithColor(ctx, color);
    CGContextSetLineWidth(ctx, w);
    CGContextBeginPath(ctx);
    addRoundedRect(ctx, CGRectInset(local, w / 2, w / 2), std::max<CGFloat>(0, layer.cornerRadius() - w / 2));
    CGContextStrokePath(ctx);
}

void drawSublayer(CALayer& layer, const CGContextRef& ctx, CGFloat alpha)
{
    if (layer.isHidden() || layer.opacity() <= 0.01f)
        return;
    CGContextSaveGState(ctx);
    CGRect f = layer.frame();
    CGContextTranslateCTM(ctx, f.origin.x, f.origin.y);
    CGContextSetAlpha(ctx, alpha * layer.opacity());
    CGRect local = CGRectMake(0, 0, f.size.width, f.size.height);
    drawLayerLook(layer, ctx, local, layer.backgroundColor());
    for (auto& sub : layer.sublayers())
        drawSublayer(*sub, ctx, alpha * layer.opacity());
    drawBorder(layer, ctx, local);
    CGContextRestoreGState(ctx);
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
    drawLayerLook(layer, ctx, local, background);
    if (view.clipsToBounds()) {
        CGContextBeginPath(ctx);
        addRoundedRect(ctx, local, layer.cornerRadius());
        CGContextClip(ctx);
    }
    CGContextTranslateCTM(ctx, -b.origin.x, -b.origin.y);
    UIGraphicsPushContext(ctx);
    view.drawRect(b);
    UIGraphicsPopContext();
    layer.clearNeedsDisplay();
    CGContextSetAlpha(ctx, alpha);
    for (auto& sub : layer.sublayers())
        drawSublayer(*sub, ctx, alpha);
    auto subviews = view.subviews();
    for (auto& sub : subviews)
        drawView(*sub, ctx, alpha, true);
    CGContextTranslateCTM(ctx, b.origin.x, b.origin.y);
    CGContextSetAlpha(ctx, alpha);
    drawBorder(layer, ctx, local);
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
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return image;
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
