#include "Platform/CoreGraphics/CGGradient.h"

#include <cairo.h>

CGGradientRef CGGradientCreateWithColorComponents(
    const CGColorSpaceRef& space, const CGFloat* components, const CGFloat* locations, size_t count)
{
    if (!space || !components || count == 0)
        return nullptr;
    auto g = std::make_shared<CGGradient>();
    for (size_t i = 0; i < count; ++i) {
        const CGFloat* c = components + i * 4;
        g->colors.push_back(*CGColorCreateGenericRGB(c[0], c[1], c[2], c[3]));
        g->locations.push_back(locations ? locations[i] : (count == 1 ? 0 : CGFloat(i) / CGFloat(count - 1)));
    }
    return g;
}

namespace {

void paintGradient(const CGContextRef& c, const CGGradientRef& gradient, cairo_pattern_t* pattern, uint32_t options)
{
    for (size_t i = 0; i < gradient->colors.size(); ++i) {
        auto& col = gradient->colors[i];
        cairo_pattern_add_color_stop_rgba(pattern, gradient->locations[i], col.red, col.green, col.blue, col.alpha);
    }
    // Outside its ends a gradient paints nothing unless asked to extend; both
    // ends are extended together here, which is what the layers ask for.
    bool extend = options & (kCGGradientDrawsBeforeStartLocation | kCGGradientDrawsAfterEndLocation);
    cairo_pattern_set_extend(pattern, extend ? CAIRO_EXTEND_PAD : CAIRO_EXTEND_NONE);
    cairo_t* cr = c->cairo();
    cairo_save(cr);
    cairo_set_source(cr, pattern);
    cairo_paint_with_alpha(cr, c->state().alpha);
    cairo_restore(cr);
    cairo_pattern_destroy(pattern);
    c->didDraw();
}

}

void CGContextDrawLinearGradient(
    const CGContextRef& c, const CGGradientRef& gradient, CGPoint start, CGPoint end, uint32_t options)
{
    if (!c || !gradient)
        return;
    paintGradient(c, gradient, cairo_pattern_create_linear(start.x, start.y, end.x, end.y), options);
}

void CGContextDrawRadialGradient(const CGContextRef& c, const CGGradientRef& gradient, CGPoint startCenter,
    CGFloat startRadius, CGPoint endCenter, CGFloat endRadius, uint32_t options)
{
    if (!c || !gradient)
        return;
    paintGradient(c, gradient,
        cairo_pattern_create_radial(startCenter.x, startCenter.y, startRadius, endCenter.x, endCenter.y, endRadius),
        options);
}
