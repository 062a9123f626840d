#pragma once

// The one rule for window-level views written for the platform's portrait
// window model. Such a view measures the screen by its portrait width (the
// short side), places itself at a fraction of that width, and turns itself by
// the status bar's orientation so that it reads upright in a landscape
// interface. This platform's window is already landscape and upright, so the
// rule maps such a placement to what a person saw on the tablet:
// - the view takes no orientation turn (the identity);
// - the fraction of the portrait width is a fraction of the window's height
//   (the same short side), where the view's middle goes;
// - across the window's width the view is centred.

#include "Platform/CoreGraphics/CGAffineTransform.h"
#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/UIKit/UIApplication.h"

class UIWindow;

namespace UIPortraitWindowModel {

// The turn a portrait-model view would give itself for `orientation`, as our window needs it.
CGAffineTransform orientationTransform(UIInterfaceOrientation orientation);

// The frame, in `window`'s coordinates, of a view of `size` that the portrait
// model places at `fraction` of the screen's portrait width.
CGRect frameAtFraction(const UIWindow& window, CGSize size, CGFloat fraction);

}  // namespace UIPortraitWindowModel
