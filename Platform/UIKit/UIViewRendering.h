#pragma once

// Draws a view tree through the drawing layer: each view's background (with
// its corner radius), its layer contents, its own drawRect, the layers added
// to it by hand, its subviews in order, then its border; hidden and fully
// transparent views are skipped, alpha multiplies down the tree, and clipping
// views clip their subviews.

#include "Platform/CoreGraphics/CGContext.h"

#include <memory>
#include <string>

class UIView;
class UIImage;

// Draws `view` into `context`, whose user space is `view`'s frame-local space
// (the view's top left at the origin).
void UIViewRenderTree(UIView& view, const CGContextRef& context);
// The view drawn at scale 1 into a new image of its bounds' size.
std::shared_ptr<UIImage> UIViewRenderToImage(UIView& view);
// The same, written as a PNG file; false when it could not be written.
bool UIViewRenderToPNG(UIView& view, const std::string& path);
