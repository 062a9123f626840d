#include "Platform/CoreGraphics/CGContext.h"

#include "Platform/CoreGraphics/CGBitmapContext.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace {

cairo_matrix_t toCairo(CGAffineTransform t)
{
    cairo_matrix_t m;
    cairo_matrix_init(&m, t.a, t.b, t.c, t.d, t.tx, t.ty);
    return m;
}

// Coverage blurred three times by a box, which comes close to a Gaussian.
void boxBlur(uint8_t* data, int w, int h, int stride, int radius)
{
    if (radius < 1)
        return;
    std::vector<uint8_t> line(size_t(std::max(w, h)));
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y) {
            uint8_t* row = data + y * stride;
            int sum = 0;
            for (int x = -radius; x <= radius; ++x)
                sum += x >= 0 && x < w ? row[x] : 0;
            for (int x = 0; x < w; ++x) {
                line[size_t(x)] = uint8_t(sum / (2 * radius + 1));
                int out = x - radius, in = x + radius + 1;
                sum += (in < w ? row[in] : 0) - (out >= 0 ? row[out] : 0);
            }
            std::copy(line.begin(), line.begin() + w, row);
        }
        for (int x = 0; x < w; ++x) {
            int sum = 0;
            for (int y = -radius; y <= radius; ++y)
                sum += y >= 0 && y < h ? data[y * stride + x] : 0;
            for (int y = 0; y < h; ++y) {
                line[size_t(y)] = uint8_t(sum / (2 * radius + 1));
                int out = y - radius, in = y + radius + 1;
                sum += (in < h ? data[in * stride + x] : 0) - (out >= 0 ? data[out * stride + x] : 0);
            }
            for (int y = 0; y < h; ++y)
                data[y * stride + x] = line[size_t(y)];
        }
    }
}

}

CGContext::CGContext(cairo_t* cr, CGAffineTransform deviceToCairo)
    : m_cr(cairo_reference(cr))
    , m_deviceToCairo(deviceToCairo)
{
    m_states.emplace_back();
    cairo_save(m_cr);
    applyTransform();
}

CGContext::~CGContext() { cairo_destroy(m_cr); }

void CGContext::saveGState()
{
    m_states.push_back(m_states.back());
    cairo_save(m_cr);
}

void CGContext::restoreGState()
{
    // An unbalanced restore is ignored rather than emptying the state stack.
    if (m_states.size() <= 1)
        return;
    m_states.pop_back();
    // Cairo keeps the current path (in device space) across a restore, as the
    // platform does.
    cairo_restore(m_cr);
    applyTransform();
}

void CGContext::applyTransform()
{
    cairo_matrix_t m = toCairo(CGAffineTransformConcat(state().ctm, m_deviceToCairo));
    // A singular transform would put cairo into an error state for good.
    if (cairo_matrix_invert(&m) != CAIRO_STATUS_SUCCESS)
        return;
    m = toCairo(CGAffineTransformConcat(state().ctm, m_deviceToCairo));
    cairo_set_matrix(m_cr, &m);
}

void CGContext::applyAntialias()
{
    bool on = state().shouldAntialias && state().allowsAntialiasing;
    cairo_set_antialias(m_cr, on ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
}

void CGContext::applyBlendMode()
{
    switch (state().blendMode) {
    case kCGBlendModeMultiply:
        cairo_set_operator(m_cr, CAIRO_OPERATOR_MULTIPLY);
        break;
    case kCGBlendModeClear:
        cairo_set_operator(m_cr, CAIRO_OPERATOR_CLEAR);
        break;
    case kCGBlendModeCopy:
        cairo_set_operator(m_cr, CAIRO_OPERATOR_SOURCE);
        break;
    default:
        cairo_set_operator(m_cr, CAIRO_OPERATOR_OVER);
    }
}

void CGContext::setSourceFill()
{
    auto& c = state().fillColor;
    cairo_set_source_rgba(m_cr, c.red, c.green, c.blue, c.alpha * state().alpha);
}

void CGContext::setSourceStroke()
{
    auto& c = state().strokeColor;
    cairo_set_source_rgba(m_cr, c.red, c.green, c.blue, c.alpha * state().alpha);
}

void CGContext::resetState(CGAffineTransform deviceToCairo)
{
    while (m_states.size() > 1)
        restoreGState();
    cairo_restore(m_cr);
    cairo_new_path(m_cr);
    m_deviceToCairo = deviceToCairo;
    m_states.back() = GState {};
    cairo_save(m_cr);
    applyTransform();
}

bool CGContext::hasShadow() const
{
    return state().shadowColor.alpha > 0
        && (state().shadowBlur > 0 || state().shadowOffset.width != 0 || state().shadowOffset.height != 0);
}

void CGContext::paintShadow(void (*draw)(void*), void* closure)
{
    // The shadow is the drawing's coverage over the visible area, in device pixels.
    double x0, y0, x1, y1;
    cairo_clip_extents(m_cr, &x0, &y0, &x1, &y1);
    double xs[4] = { x0, x1, x0, x1 }, ys[4] = { y0, y0, y1, y1 };
    double dx0 = 1e300, dy0 = 1e300, dx1 = -1e300, dy1 = -1e300;
    for (int i = 0; i < 4; ++i) {
        double x = xs[i], y = ys[i];
        cairo_user_to_device(m_cr, &x, &y);
        dx0 = std::min(dx0, x);
        dy0 = std::min(dy0, y);
        dx1 = std::max(dx1, x);
        dy1 = std::max(dy1, y);
    }
    const GState& s = state();
    double ox = s.shadowOffset.width, oy = -s.shadowOffset.height;
    int radius = int(std::lround(s.shadowBlur / 2));
    // The shape may lie outside the visible area and cast its shadow into it.
    dx0 = std::floor(dx0 - std::fabs(ox) - radius);
    dy0 = std::floor(dy0 - std::fabs(oy) - radius);
    dx1 = std::ceil(dx1 + std::fabs(ox) + radius);
    dy1 = std::ceil(dy1 + std::fabs(oy) + radius);
    int w = int(std::clamp(dx1 - dx0, 0.0, 4096.0)), h = int(std::clamp(dy1 - dy0, 0.0, 4096.0));
    if (w == 0 || h == 0)
        return;
    cairo_surface_t* mask = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
    cairo_t* mcr = cairo_create(mask);
    cairo_t* real = m_cr;
    CGAffineTransform realBase = m_deviceToCairo;
    m_cr = mcr;
    m_deviceToCairo = CGAffineTransformConcat(realBase, CGAffineTransformMakeTranslation(CGFloat(-dx0), CGFloat(-dy0)));
    applyTransform();
    draw(closure);
    m_cr = real;
    m_deviceToCairo = realBase;
    cairo_destroy(mcr);
    cairo_surface_flush(mask);
    boxBlur(cairo_image_surface_get_data(mask), w, h, cairo_image_surface_get_stride(mask), radius);
    cairo_surface_mark_dirty(mask);
    cairo_save(m_cr);
    cairo_identity_matrix(m_cr);
    cairo_set_source_rgba(
        m_cr, s.shadowColor.red, s.shadowColor.green, s.shadowColor.blue, s.shadowColor.alpha * s.alpha);
    cairo_mask_surface(m_cr, mask, dx0 + ox, dy0 + oy);
    cairo_restore(m_cr);
    cairo_surface_destroy(mask);
}

CGContextRef CGContextCreateWithCairo(cairo_t* cr, CGFloat deviceHeight)
{
    if (!cr)
        return nullptr;
    return std::make_shared<CGContext>(cr, CGAffineTransformMake(1, 0, 0, -1, 0, deviceHeight));
}

void CGContextSaveGState(const CGContextRef& c)
{
    if (c)
        c->saveGState();
}

void CGContextRestoreGState(const CGContextRef& c)
{
    if (c)
        c->restoreGState();
}

CGAffineTransform CGContextGetCTM(const CGContextRef& c) { return c ? c->state().ctm : CGAffineTransformIdentity; }

void CGContextConcatCTM(const CGContextRef& c, CGAffineTransform t)
{
    if (!c)
        return;
    c->state().ctm = CGAffineTransformConcat(t, c->state().ctm);
    c->applyTransform();
}

void CGContextTranslateCTM(const CGContextRef& c, CGFloat tx, CGFloat ty)
{
    CGContextConcatCTM(c, CGAffineTransformMakeTranslation(tx, ty));
}

void CGContextScaleCTM(const CGContextRef& c, CGFloat sx, CGFloat sy)
{
    CGContextConcatCTM(c, CGAffineTransformMakeScale(sx, sy));
}

void CGContextRotateCTM(const CGContextRef& c, CGFloat angle)
{
    CGContextConcatCTM(c, CGAffineTransformMakeRotation(angle));
}

void CGContextSetTextMatrix(const CGContextRef& c, CGAffineTransform t)
{
    if (c)
        c->state().textMatrix = t;
}

CGAffineTransform CGContextGetTextMatrix(const CGContextRef& c)
{
    return c ? c->state().textMatrix : CGAffineTransformIdentity;
}

void CGContextSetLineWidth(const CGContextRef& c, CGFloat width)
{
    if (c && width >= 0)
        c->state().lineWidth = width;
}

void CGContextSetLineCap(const CGContextRef& c, CGLineCap cap)
{
    if (c)
        c->state().lineCap = cap;
}

void CGContextSetLineJoin(const CGContextRef& c, CGLineJoin join)
{
    if (c)
        c->state().lineJoin = join;
}

void CGContextSetMiterLimit(const CGContextRef& c, CGFloat limit)
{
    if (c)
        c->state().miterLimit = limit;
}

void CGContextSetShouldAntialias(const CGContextRef& c, bool on)
{
    if (c)
        c->state().shouldAntialias = on;
}

void CGContextSetAllowsAntialiasing(const CGContextRef& c, bool on)
{
    if (c)
        c->state().allowsAntialiasing = on;
}

void CGContextSetInterpolationQuality(const CGContextRef& c, CGInterpolationQuality q)
{
    if (c)
        c->state().interpolation = q;
}

CGInterpolationQuality CGContextGetInterpolationQuality(const CGContextRef& c)
{
    return c ? c->state().interpolation : kCGInterpolationDefault;
}

void CGContextSetAlpha(const CGContextRef& c, CGFloat alpha)
{
    if (c)
        c->state().alpha = std::clamp(alpha, CGFloat(0), CGFloat(1));
}

void CGContextSetBlendMode(const CGContextRef& c, CGBlendMode mode)
{
    if (c)
        c->state().blendMode = mode;
}

void CGContextSetRGBFillColor(const CGContextRef& c, CGFloat r, CGFloat g, CGFloat b, CGFloat a)
{
    if (c)
        c->state().fillColor = *CGColorCreateGenericRGB(r, g, b, a);
}

void CGContextSetRGBStrokeColor(const CGContextRef& c, CGFloat r, CGFloat g, CGFloat b, CGFloat a)
{
    if (c)
        c->state().strokeColor = *CGColorCreateGenericRGB(r, g, b, a);
}

void CGContextSetGrayFillColor(const CGContextRef& c, CGFloat gray, CGFloat a)
{
    CGContextSetRGBFillColor(c, gray, gray, gray, a);
}

void CGContextSetGrayStrokeColor(const CGContextRef& c, CGFloat gray, CGFloat a)
{
    CGContextSetRGBStrokeColor(c, gray, gray, gray, a);
}

void CGContextSetFillColorWithColor(const CGContextRef& c, const CGColorRef& color)
{
    if (c && color)
        c->state().fillColor = *color;
}

void CGContextSetStrokeColorWithColor(const CGContextRef& c, const CGColorRef& color)
{
    if (c && color)
        c->state().strokeColor = *color;
}

void CGContextSetShadow(const CGContextRef& c, CGSize offset, CGFloat blur)
{
    CGContextSetShadowWithColor(c, offset, blur, CGColorCreateGenericRGB(0, 0, 0, CGFloat(1.0 / 3.0)));
}

void CGContextSetShadowWithColor(const CGContextRef& c, CGSize offset, CGFloat blur, const CGColorRef& color)
{
    if (!c)
        return;
    c->state().shadowOffset = offset;
    c->state().shadowBlur = std::max(blur, CGFloat(0));
    c->state().shadowColor = color ? *color : CGColor { 0, 0, 0, 0 };
}

void CGContextBeginPath(const CGContextRef& c)
{
    if (c)
        cairo_new_path(c->cairo());
}

void CGContextMoveToPoint(const CGContextRef& c, CGFloat x, CGFloat y)
{
    if (c)
        cairo_move_to(c->cairo(), x, y);
}

void CGContextAddLineToPoint(const CGContextRef& c, CGFloat x, CGFloat y)
{
    if (!c)
        return;
    // Without a current point a line starts where it is drawn to.
    if (!cairo_has_current_point(c->cairo()))
        cairo_move_to(c->cairo(), x, y);
    cairo_line_to(c->cairo(), x, y);
}

void CGContextAddCurveToPoint(
    const CGContextRef& c, CGFloat cp1x, CGFloat cp1y, CGFloat cp2x, CGFloat cp2y, CGFloat x, CGFloat y)
{
    if (!c)
        return;
    if (!cairo_has_current_point(c->cairo()))
        cairo_move_to(c->cairo(), cp1x, cp1y);
    cairo_curve_to(c->cairo(), cp1x, cp1y, cp2x, cp2y, x, y);
}

void CGContextAddQuadCurveToPoint(const CGContextRef& c, CGFloat cpx, CGFloat cpy, CGFloat x, CGFloat y)
{
    if (!c)
        return;
    cairo_t* cr = c->cairo();
    if (!cairo_has_current_point(cr))
        cairo_move_to(cr, cpx, cpy);
    double x0, y0;
    cairo_get_current_point(cr, &x0, &y0);
    cairo_curve_to(cr, x0 + 2.0 / 3 * (cpx - x0), y0 + 2.0 / 3 * (cpy - y0), x + 2.0 / 3 * (cpx - x),
        y + 2.0 / 3 * (cpy - y), x, y);
}

void CGContextAddLines(const CGContextRef& c, const CGPoint* points, size_t count)
{
    if (!c || !points || count == 0)
        return;
    cairo_move_to(c->cairo(), points[0].x, points[0].y);
    for (size_t i = 1; i < count; ++i)
        cairo_line_to(c->cairo(), points[i].x, points[i].y);
}

void CGContextAddRect(const CGContextRef& c, CGRect r)
{
    if (!c || CGRectIsNull(r))
        return;
    r = CGRectStandardize(r);
    cairo_rectangle(c->cairo(), r.origin.x, r.origin.y, r.size.width, r.size.height);
}

void CGContextAddEllipseInRect(const CGContextRef& c, CGRect r)
{
    if (!c || CGRectIsNull(r))
        return;
    auto path = CGPathCreateMutable();
    CGPathAddEllipseInRect(path, nullptr, r);
    CGContextAddPath(c, path);
}

void CGContextAddArc(
    const CGContextRef& c, CGFloat x, CGFloat y, CGFloat radius, CGFloat startAngle, CGFloat endAngle, int clockwise)
{
    if (!c)
        return;
    // Cairo's positive direction is the platform's counter-clockwise one.
    if (clockwise)
        cairo_arc_negative(c->cairo(), x, y, radius, startAngle, endAngle);
    else
        cairo_arc(c->cairo(), x, y, radius, startAngle, endAngle);
}

void CGContextAddPath(const CGContextRef& c, const CGPathRef& path)
{
    if (!c || !path)
        return;
    cairo_t* cr = c->cairo();
    for (auto& e : path->elements) {
        switch (e.type) {
        case CGPathElement::Type::MoveToPoint:
            cairo_move_to(cr, e.points[0].x, e.points[0].y);
            break;
        case CGPathElement::Type::AddLineToPoint:
            cairo_line_to(cr, e.points[0].x, e.points[0].y);
            break;
        case CGPathElement::Type::AddCurveToPoint:
            cairo_curve_to(
                cr, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x, e.points[2].y);
            break;
        case CGPathElement::Type::CloseSubpath:
            cairo_close_path(cr);
            break;
        }
    }
}

void CGContextClosePath(const CGContextRef& c)
{
    if (c)
        cairo_close_path(c->cairo());
}

bool CGContextIsPathEmpty(const CGContextRef& c)
{
    if (!c)
        return true;
    cairo_path_t* p = cairo_copy_path(c->cairo());
    bool empty = p->num_data == 0;
    cairo_path_destroy(p);
    return empty;
}

namespace {

void applyStrokeSettings(CGContext& c)
{
    cairo_t* cr = c.cairo();
    auto& s = c.state();
    cairo_set_line_width(cr, s.lineWidth);
    cairo_set_line_cap(cr,
        s.lineCap == kCGLineCapRound        ? CAIRO_LINE_CAP_ROUND
            : s.lineCap == kCGLineCapSquare ? CAIRO_LINE_CAP_SQUARE
                                            : CAIRO_LINE_CAP_BUTT);
    cairo_set_line_join(cr,
        s.lineJoin == kCGLineJoinRound       ? CAIRO_LINE_JOIN_ROUND
            : s.lineJoin == kCGLineJoinBevel ? CAIRO_LINE_JOIN_BEVEL
                                             : CAIRO_LINE_JOIN_MITER);
    cairo_set_miter_limit(cr, s.miterLimit);
}

// Fills and/or strokes the current path and consumes it, as the platform does.
void drawCurrentPath(const CGContextRef& c, CGPathDrawingMode mode)
{
    if (!c)
        return;
    cairo_t* cr0 = c->cairo();
    cairo_path_t* path = cairo_copy_path(cr0);
    cairo_new_path(cr0);
    bool fill = mode != kCGPathStroke;
    bool stroke = mode == kCGPathStroke || mode == kCGPathFillStroke || mode == kCGPathEOFillStroke;
    bool evenOdd = mode == kCGPathEOFill || mode == kCGPathEOFillStroke;
    CGContext* ctx = c.get();
    c->withShadow([ctx, path, fill, stroke, evenOdd] {
        cairo_t* cr = ctx->cairo();
        ctx->applyAntialias();
        ctx->applyBlendMode();
        if (fill) {
            cairo_new_path(cr);
            cairo_append_path(cr, path);
            cairo_set_fill_rule(cr, evenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
            ctx->setSourceFill();
            cairo_fill(cr);
        }
        if (stroke) {
            cairo_new_path(cr);
            cairo_append_path(cr, path);
            applyStrokeSettings(*ctx);
            ctx->setSourceStroke();
            cairo_stroke(cr);
        }
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    });
    cairo_path_destroy(path);
}

}

void CGContextFillPath(const CGContextRef& c) { drawCurrentPath(c, kCGPathFill); }
void CGContextEOFillPath(const CGContextRef& c) { drawCurrentPath(c, kCGPathEOFill); }
void CGContextStrokePath(const CGContextRef& c) { drawCurrentPath(c, kCGPathStroke); }
void CGContextDrawPath(const CGContextRef& c, CGPathDrawingMode mode) { drawCurrentPath(c, mode); }

void CGContextFillRect(const CGContextRef& c, CGRect rect)
{
    if (!c)
        return;
    CGContextBeginPath(c);
    CGContextAddRect(c, rect);
    CGContextFillPath(c);
}

void CGContextStrokeRect(const CGContextRef& c, CGRect rect)
{
    if (!c)
        return;
    CGContextBeginPath(c);
    CGContextAddRect(c, rect);
    CGContextStrokePath(c);
}

void CGContextStrokeRectWithWidth(const CGContextRef& c, CGRect rect, CGFloat width)
{
    if (!c)
        return;
    CGContextSaveGState(c);
    CGContextSetLineWidth(c, width);
    CGContextStrokeRect(c, rect);
    CGContextRestoreGState(c);
}

void CGContextClearRect(const CGContextRef& c, CGRect rect)
{
    if (!c || CGRectIsNull(rect))
        return;
    cairo_t* cr = c->cairo();
    cairo_save(cr);
    c->applyAntialias();
    cairo_new_path(cr);
    rect = CGRectStandardize(rect);
    cairo_rectangle(cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_fill(cr);
    cairo_restore(cr);
    c->didDraw();
}

void CGContextFillEllipseInRect(const CGContextRef& c, CGRect rect)
{
    CGContextBeginPath(c);
    CGContextAddEllipseInRect(c, rect);
    CGContextFillPath(c);
}

void CGContextStrokeEllipseInRect(const CGContextRef& c, CGRect rect)
{
    CGContextBeginPath(c);
    CGContextAddEllipseInRect(c, rect);
    CGContextStrokePath(c);
}

void CGContextStrokeLineSegments(const CGContextRef& c, const CGPoint* points, size_t count)
{
    if (!c || !points)
        return;
    CGContextBeginPath(c);
    for (size_t i = 0; i + 1 < count; i += 2) {
        CGContextMoveToPoint(c, points[i].x, points[i].y);
        CGContextAddLineToPoint(c, points[i + 1].x, points[i + 1].y);
    }
    CGContextStrokePath(c);
}

void CGContextClip(const CGContextRef& c)
{
    if (!c)
        return;
    cairo_set_fill_rule(c->cairo(), CAIRO_FILL_RULE_WINDING);
    c->applyAntialias();
    cairo_clip(c->cairo());
}

void CGContextEOClip(const CGContextRef& c)
{
    if (!c)
        return;
    cairo_set_fill_rule(c->cairo(), CAIRO_FILL_RULE_EVEN_ODD);
    c->applyAntialias();
    cairo_clip(c->cairo());
}

void CGContextClipToRect(const CGContextRef& c, CGRect rect)
{
    if (!c)
        return;
    cairo_t* cr = c->cairo();
    cairo_path_t* path = cairo_copy_path(cr);
    cairo_new_path(cr);
    if (CGRectIsNull(rect))
        rect = CGRectZero;
    rect = CGRectStandardize(rect);
    cairo_rectangle(cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
    cairo_clip(cr);
    cairo_append_path(cr, path);
    cairo_path_destroy(path);
}

CGRect CGContextGetClipBoundingBox(const CGContextRef& c)
{
    if (!c)
        return CGRectNull;
    double x0, y0, x1, y1;
    cairo_clip_extents(c->cairo(), &x0, &y0, &x1, &y1);
    return CGRectMake(CGFloat(x0), CGFloat(y0), CGFloat(x1 - x0), CGFloat(y1 - y0));
}

namespace {

// Draws `surface` (w x h pixels) scaled to fill rect, its first row at the
// rectangle's maximum y.
void drawSurface(const CGContextRef& c, CGRect rect, cairo_surface_t* surface, double w, double h)
{
    rect = CGRectStandardize(rect);
    CGContext* ctx = c.get();
    double sx = rect.size.width / w, sy = rect.size.height / h;
    c->withShadow([ctx, surface, rect, sx, sy, w, h] {
        cairo_t* cr = ctx->cairo();
        cairo_save(cr);
        ctx->applyAntialias();
        ctx->applyBlendMode();
        cairo_new_path(cr);
        cairo_rectangle(cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
        cairo_clip(cr);
        // The image's first row goes to the top of the rectangle in y-upward space.
        cairo_translate(cr, rect.origin.x, rect.origin.y + rect.size.height);
        cairo_scale(cr, sx, -sy);
        cairo_set_source_surface(cr, surface, 0, 0);
        cairo_pattern_t* pattern = cairo_get_source(cr);
        // Padding keeps the edges of a stretched image solid instead of fading out.
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
        switch (ctx->state().interpolation) {
        case kCGInterpolationNone:
            cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
            break;
        case kCGInterpolationLow:
            cairo_pattern_set_filter(pattern, CAIRO_FILTER_FAST);
            break;
        case kCGInterpolationHigh:
            cairo_pattern_set_filter(pattern, CAIRO_FILTER_BEST);
            break;
        default:
            cairo_pattern_set_filter(pattern, CAIRO_FILTER_GOOD);
        }
        cairo_new_path(cr);
        cairo_rectangle(cr, 0, 0, w, h);
        cairo_clip(cr);
        cairo_paint_with_alpha(cr, ctx->state().alpha);
        cairo_restore(cr);
    });
}

}

void CGContextDrawImage(const CGContextRef& c, CGRect rect, const CGImageRef& image)
{
    if (!c || !image || CGRectIsEmpty(rect))
        return;
    cairo_surface_t* surface = image->createSurface();
    drawSurface(c, rect, surface, double(image->width()), double(image->height()));
    cairo_surface_destroy(surface);
}

void CGContextDrawBitmap(const CGContextRef& c, CGRect rect, const CGContextRef& bitmap)
{
    auto* source = dynamic_cast<CGBitmapContext*>(bitmap.get());
    if (!c || !source || source == c.get() || CGRectIsEmpty(rect))
        return;
    cairo_surface_t* surface = source->surface();
    cairo_surface_flush(surface);
    drawSurface(c, rect, surface, double(source->width()), double(source->height()));
}

void CGContextFlush(const CGContextRef& c)
{
    if (!c)
        return;
    cairo_surface_flush(cairo_get_target(c->cairo()));
    c->didDraw();
}
