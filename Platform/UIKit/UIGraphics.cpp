#include "Platform/UIKit/UIGraphics.h"

#include "Platform/CoreGraphics/CGBitmapContext.h"
#include "Platform/CoreGraphics/CGPDFContext.h"
#include "Platform/UIKit/UIImage.h"

#include <atomic>
#include <cmath>
#include <vector>

namespace {

enum class Kind { Pushed, Image, PDF };

struct Entry {
    Kind kind;
    CGContextRef context;  // null for an image context that could not be made
    CGFloat scale = 1;
};

std::vector<Entry>& stack()
{
    thread_local std::vector<Entry> entries;
    return entries;
}

std::atomic<float> screenScale { 1 };

Entry* topOfKind(Kind kind)
{
    auto& s = stack();
    if (s.empty() || s.back().kind != kind)
        return nullptr;
    return &s.back();
}

void flipForUIKit(const CGContextRef& c, CGFloat height)
{
    CGContextTranslateCTM(c, 0, height);
    CGContextScaleCTM(c, 1, -1);
}

}

CGFloat UIGraphicsGetScreenScale() { return screenScale.load(); }

void UIGraphicsSetScreenScale(CGFloat scale)
{
    if (scale > 0)
        screenScale.store(scale);
}

CGContextRef UIGraphicsGetCurrentContext()
{
    auto& s = stack();
    return s.empty() ? nullptr : s.back().context;
}

void UIGraphicsPushContext(const CGContextRef& context) { stack().push_back({ Kind::Pushed, context, 1 }); }

void UIGraphicsPopContext()
{
    if (topOfKind(Kind::Pushed))
        stack().pop_back();
}

void UIGraphicsBeginImageContext(CGSize size) { UIGraphicsBeginImageContextWithOptions(size, false, 1); }

void UIGraphicsBeginImageContextWithOptions(CGSize size, bool opaque, CGFloat scale)
{
    if (scale <= 0)
        scale = UIGraphicsGetScreenScale();
    CGContextRef context;
    if (size.width > 0 && size.height > 0) {
        auto w = size_t(std::ceil(double(size.width) * scale)), h = size_t(std::ceil(double(size.height) * scale));
        uint32_t info
            = (opaque ? kCGImageAlphaNoneSkipFirst : kCGImageAlphaPremultipliedFirst) | kCGBitmapByteOrder32Little;
        context = CGBitmapContextCreate(nullptr, w, h, 8, 0, CGColorSpaceCreateDeviceRGB(), info);
        // An opaque context starts black, a transparent one clear.
        if (context) {
            CGContextTranslateCTM(context, 0, CGFloat(h));
            CGContextScaleCTM(context, scale, -scale);
        }
    }
    stack().push_back({ Kind::Image, context, scale });
}

std::shared_ptr<UIImage> UIGraphicsGetImageFromCurrentImageContext()
{
    Entry* e = topOfKind(Kind::Image);
    if (!e || !e->context)
        return nullptr;
    return UIImage::imageWithCGImageScaleOrientation(
        CGBitmapContextCreateImage(e->context), e->scale, UIImageOrientationUp);
}

void UIGraphicsEndImageContext()
{
    if (topOfKind(Kind::Image))
        stack().pop_back();
}

void UIGraphicsBeginPDFContextToData(const std::shared_ptr<Data>& data, CGRect bounds)
{
    CGContextRef context = CGPDFContextCreateWithData(data, &bounds);
    stack().push_back({ Kind::PDF, context, 1 });
}

bool UIGraphicsBeginPDFContextToFile(const std::string& path, CGRect bounds)
{
    CGContextRef context = CGPDFContextCreateWithURL(path, &bounds);
    if (!context)
        return false;
    stack().push_back({ Kind::PDF, context, 1 });
    return true;
}

void UIGraphicsBeginPDFPage() { UIGraphicsBeginPDFPageWithInfo(CGRectZero); }

void UIGraphicsBeginPDFPageWithInfo(CGRect bounds)
{
    Entry* e = topOfKind(Kind::PDF);
    if (!e)
        return;
    auto* pdf = static_cast<CGPDFContext*>(e->context.get());
    pdf->beginPage(CGRectIsEmpty(bounds) ? nullptr : &bounds);
    CGRect box = pdf->currentMediaBox();
    CGContextTranslateCTM(e->context, box.origin.x, box.origin.y);
    flipForUIKit(e->context, box.size.height);
}

CGRect UIGraphicsGetPDFContextBounds()
{
    Entry* e = topOfKind(Kind::PDF);
    if (!e)
        return CGRectZero;
    auto* pdf = static_cast<CGPDFContext*>(e->context.get());
    return pdf->pageOpen() ? pdf->currentMediaBox() : pdf->defaultMediaBox();
}

void UIGraphicsEndPDFContext()
{
    Entry* e = topOfKind(Kind::PDF);
    if (!e)
        return;
    static_cast<CGPDFContext*>(e->context.get())->close();
    stack().pop_back();
}

void UIRectFill(CGRect rect) { CGContextFillRect(UIGraphicsGetCurrentContext(), rect); }

void UIRectFrame(CGRect rect)
{
    auto c = UIGraphicsGetCurrentContext();
    if (!c)
        return;
    CGContextSaveGState(c);
    CGContextSetStrokeColorWithColor(c, std::make_shared<const CGColor>(c->state().fillColor));
    CGContextStrokeRectWithWidth(c, CGRectInset(rect, 0.5f, 0.5f), 1);
    CGContextRestoreGState(c);
}
