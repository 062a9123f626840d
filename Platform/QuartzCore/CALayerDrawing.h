#pragma once

// How a layer looks when drawn: its background (with its corner radius and
// shadow), its contents image, its sublayers and its border. Views draw their
// layers with the same pieces, so a layer looks alike on its own and under a view.

#include "Platform/CoreGraphics/CGContext.h"

class CALayer;

// A rectangle with rounded corners (the radius clamped to half the sides) added to the path.
void CALayerAddRoundedRect(const CGContextRef& context, CGRect rect, CGFloat radius);
// The background in `background` (with the layer's shadow) and the contents image, in `local`.
void CALayerDrawLook(CALayer& layer, const CGContextRef& context, CGRect local, const CGColorRef& background);
// The border, inside `local`.
void CALayerDrawBorder(CALayer& layer, const CGContextRef& context, CGRect local);
// A sublayer placed by its frame in its superlayer's space, with its own sublayers.
void CALayerDrawSublayer(CALayer& layer, const CGContextRef& context, CGFloat alpha);
