#pragma once

// The current drawing context, the UIKit way: a stack of contexts per thread.
// Image and PDF contexts opened here have their origin at the top left with y
// downward (the view's convention); a view pushes its own context around its
// draw method so that UIGraphicsGetCurrentContext() answers it there.

#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/Foundation/Value.h"

#include <memory>
#include <string>

class UIImage;

// The main screen's scale: image contexts of scale 0 and named images use it.
// The screen object sets it; it is 1 until then.
CGFloat UIGraphicsGetScreenScale();
void UIGraphicsSetScreenScale(CGFloat scale);

CGContextRef UIGraphicsGetCurrentContext();
void UIGraphicsPushContext(const CGContextRef& context);
void UIGraphicsPopContext();

// A size with no area opens no context: the current context is then null until
// the matching end, and no image comes from it.
void UIGraphicsBeginImageContext(CGSize size);
void UIGraphicsBeginImageContextWithOptions(CGSize size, bool opaque, CGFloat scale);
std::shared_ptr<UIImage> UIGraphicsGetImageFromCurrentImageContext();
void UIGraphicsEndImageContext();

// PDF contexts: empty bounds mean a US Letter page (612 x 792). The data is
// filled when the context ends, and stays empty when no page was begun.
void UIGraphicsBeginPDFContextToData(const std::shared_ptr<Data>& data, CGRect bounds);
// False when the file cannot be created.
bool UIGraphicsBeginPDFContextToFile(const std::string& path, CGRect bounds);
void UIGraphicsBeginPDFPage();
// Only the page's bounds are taken; empty bounds mean the context's.
void UIGraphicsBeginPDFPageWithInfo(CGRect bounds);
CGRect UIGraphicsGetPDFContextBounds();
void UIGraphicsEndPDFContext();

// Fills or frames a rectangle in the current context with its fill colour.
void UIRectFill(CGRect rect);
void UIRectFrame(CGRect rect);
