#pragma once

// A drawing context in the platform's manner over cairo. The same context
// type draws into a bitmap, a PDF page or a view: each target only differs in
// the cairo surface underneath and in the base transform that maps the
// context's device space (origin at the bottom left, y upward, as the
// platform's contexts have it) onto cairo's (origin at the top left, y
// downward). Image and PDF contexts opened the UIKit way add a flip to the
// current transform, so their user space has y downward; drawing code sees
// exactly the coordinates it would see on the platform.
//
// The graphics state (colours, line settings, anti-aliasing, alpha, shadow,
// the current transform) is kept here and applied to cairo when something is
// drawn; save and restore keep cairo's clip in step with it.

#include "Platform/CoreGraphics/CGAffineTransform.h"
#include "Platform/CoreGraphics/CGColor.h"
#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/CoreGraphics/CGPath.h"

#include <memory>
#include <vector>

struct _cairo;

enum CGLineCap { kCGLineCapButt, kCGLineCapRound, kCGLineCapSquare };
enum CGLineJoin { kCGLineJoinMiter, kCGLineJoinRound, kCGLineJoinBevel };
enum CGPathDrawingMode { kCGPathFill, kCGPathEOFill, kCGPathStroke, kCGPathFillStroke, kCGPathEOFillStroke };
enum CGInterpolationQuality {
    kCGInterpolationDefault = 0,
    kCGInterpolationNone = 1,
    kCGInterpolationLow = 2,
    kCGInterpolationHigh = 3,
    kCGInterpolationMedium = 4,
};
enum CGBlendMode { kCGBlendModeNormal = 0, kCGBlendModeMultiply = 1, kCGBlendModeClear = 16, kCGBlendModeCopy = 17 };

class CGContext {
public:
    // Draws through cr (a reference is taken). deviceToCairo maps the
    // context's device space onto cairo's device space.
    CGContext(_cairo* cr, CGAffineTransform deviceToCairo);
    virtual ~CGContext();
    CGContext(const CGContext&) = delete;
    CGContext& operator=(const CGContext&) = delete;

    _cairo* cairo() const { return m_cr; }

    struct GState {
        CGAffineTransform ctm;
        CGAffineTransform textMatrix;
        CGColor fillColor { 0, 0, 0, 1 };
        CGColor strokeColor { 0, 0, 0, 1 };
        CGFloat lineWidth = 1;
        CGLineCap lineCap = kCGLineCapButt;
        CGLineJoin lineJoin = kCGLineJoinMiter;
        CGFloat miterLimit = 10;
        bool shouldAntialias = true;
        bool allowsAntialiasing = true;
        CGInterpolationQuality interpolation = kCGInterpolationDefault;
        CGFloat alpha = 1;
        CGBlendMode blendMode = kCGBlendModeNormal;
        CGSize shadowOffset;
        CGFloat shadowBlur = 0;
        CGColor shadowColor { 0, 0, 0, 0 };
    };
    GState& state() { return m_states.back(); }
    const GState& state() const { return m_states.back(); }

    void saveGState();
    void restoreGState();
    // Pushes the current transform (and anti-aliasing) to cairo.
    void applyTransform();
    void applyAntialias();
    // The paint used for fills and text: the fill colour under the context's alpha.
    void setSourceFill();
    void setSourceStroke();
    // Sets the cairo operator for the blend mode.
    void applyBlendMode();

    // Runs after every drawing operation; bitmap contexts whose pixel layout is
    // not cairo's own copy the result out to the caller's memory here.
    virtual void didDraw() { }

    // Drops every saved state and clip and starts again from the identity
    // transform, as a new PDF page does.
    void resetState(CGAffineTransform deviceToCairo);

    bool hasShadow() const;
    // Paints the shadow of what `draw` draws (called with cairo set up for the
    // shape) before the shape itself is drawn: the shape's coverage, blurred and
    // moved by the shadow offset, in the shadow colour.
    template <typename F> void withShadow(F draw);
    void paintShadow(void (*draw)(void*), void* closure);

private:
    _cairo* m_cr;
    CGAffineTransform m_deviceToCairo;
    std::vector<GState> m_states;
};

template <typename F> void CGContext::withShadow(F draw)
{
    if (hasShadow())
        paintShadow([](void* f) { (*static_cast<F*>(f))(); }, &draw);
    draw();
    didDraw();
}

using CGContextRef = std::shared_ptr<CGContext>;

// A cairo context wrapped as a context whose device space has the given
// height (for views and other surfaces made elsewhere in the platform layer).
CGContextRef CGContextCreateWithCairo(_cairo* cr, CGFloat deviceHeight);

void CGContextSaveGState(const CGContextRef& c);
void CGContextRestoreGState(const CGContextRef& c);

CGAffineTransform CGContextGetCTM(const CGContextRef& c);
void CGContextConcatCTM(const CGContextRef& c, CGAffineTransform t);
void CGContextTranslateCTM(const CGContextRef& c, CGFloat tx, CGFloat ty);
void CGContextScaleCTM(const CGContextRef& c, CGFloat sx, CGFloat sy);
void CGContextRotateCTM(const CGContextRef& c, CGFloat angle);
void CGContextSetTextMatrix(const CGContextRef& c, CGAffineTransform t);
CGAffineTransform CGContextGetTextMatrix(const CGContextRef& c);

void CGContextSetLineWidth(const CGContextRef& c, CGFloat width);
void CGContextSetLineCap(const CGContextRef& c, CGLineCap cap);
void CGContextSetLineJoin(const CGContextRef& c, CGLineJoin join);
void CGContextSetMiterLimit(const CGContextRef& c, CGFloat limit);
void CGContextSetShouldAntialias(const CGContextRef& c, bool on);
void CGContextSetAllowsAntialiasing(const CGContextRef& c, bool on);
void CGContextSetInterpolationQuality(const CGContextRef& c, CGInterpolationQuality q);
CGInterpolationQuality CGContextGetInterpolationQuality(const CGContextRef& c);
void CGContextSetAlpha(const CGContextRef& c, CGFloat alpha);
void CGContextSetBlendMode(const CGContextRef& c, CGBlendMode mode);

void CGContextSetRGBFillColor(const CGContextRef& c, CGFloat r, CGFloat g, CGFloat b, CGFloat a);
void CGContextSetRGBStrokeColor(const CGContextRef& c, CGFloat r, CGFloat g, CGFloat b, CGFloat a);
void CGContextSetGrayFillColor(const CGContextRef& c, CGFloat gray, CGFloat a);
void CGContextSetGrayStrokeColor(const CGContextRef& c, CGFloat gray, CGFloat a);
void CGContextSetFillColorWithColor(const CGContextRef& c, const CGColorRef& color);
void CGContextSetStrokeColorWithColor(const CGContextRef& c, const CGColorRef& color);
void CGContextSetShadow(const CGContextRef& c, CGSize offset, CGFloat blur);
void CGContextSetShadowWithColor(const CGContextRef& c, CGSize offset, CGFloat blur, const CGColorRef& color);

void CGContextBeginPath(const CGContextRef& c);
void CGContextMoveToPoint(const CGContextRef& c, CGFloat x, CGFloat y);
void CGContextAddLineToPoint(const CGContextRef& c, CGFloat x, CGFloat y);
void CGContextAddCurveToPoint(
    const CGContextRef& c, CGFloat cp1x, CGFloat cp1y, CGFloat cp2x, CGFloat cp2y, CGFloat x, CGFloat y);
void CGContextAddQuadCurveToPoint(const CGContextRef& c, CGFloat cpx, CGFloat cpy, CGFloat x, CGFloat y);
void CGContextAddLines(const CGContextRef& c, const CGPoint* points, size_t count);
void CGContextAddRect(const CGContextRef& c, CGRect rect);
void CGContextAddEllipseInRect(const CGContextRef& c, CGRect rect);
// An arc around (x, y); clockwise = 1 turns from startAngle to endAngle clockwise
// in the context's space (with y upward, as the platform counts it).
void CGContextAddArc(
    const CGContextRef& c, CGFloat x, CGFloat y, CGFloat radius, CGFloat startAngle, CGFloat endAngle, int clockwise);
void CGContextAddPath(const CGContextRef& c, const CGPathRef& path);
void CGContextClosePath(const CGContextRef& c);
bool CGContextIsPathEmpty(const CGContextRef& c);

void CGContextFillPath(const CGContextRef& c);
void CGContextEOFillPath(const CGContextRef& c);
void CGContextStrokePath(const CGContextRef& c);
void CGContextDrawPath(const CGContextRef& c, CGPathDrawingMode mode);
void CGContextFillRect(const CGContextRef& c, CGRect rect);
void CGContextStrokeRect(const CGContextRef& c, CGRect rect);
void CGContextStrokeRectWithWidth(const CGContextRef& c, CGRect rect, CGFloat width);
void CGContextClearRect(const CGContextRef& c, CGRect rect);
void CGContextFillEllipseInRect(const CGContextRef& c, CGRect rect);
void CGContextStrokeEllipseInRect(const CGContextRef& c, CGRect rect);
// Pairs of points, each pair one segment.
void CGContextStrokeLineSegments(const CGContextRef& c, const CGPoint* points, size_t count);

void CGContextClip(const CGContextRef& c);
void CGContextEOClip(const CGContextRef& c);
void CGContextClipToRect(const CGContextRef& c, CGRect rect);
CGRect CGContextGetClipBoundingBox(const CGContextRef& c);

// Draws the image scaled to fill rect, its first row at the rectangle's
// maximum y (upright in the platform's y-upward space).
void CGContextDrawImage(const CGContextRef& c, CGRect rect, const CGImageRef& image);

void CGContextFlush(const CGContextRef& c);
