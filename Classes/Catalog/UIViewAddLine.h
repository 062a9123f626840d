#pragma once

// Lines the multi-column table draws as thin views: a row's bottom line and
// the column lines. Kept as views (not drawing) so they follow their owner's
// size through autoresizing.

#include "Platform/UIKit/UIView.h"

#include <memory>

class UIColor;

// Makes `view` taller by `width`, then lays a line of that width along its new bottom edge.
void addBottomLineWithWidthColor(UIView& view, CGFloat width, const std::shared_ptr<UIColor>& color);
// Adds a full-height line of `width` at `x` and returns it.
std::shared_ptr<UIView> addVerticalLineWithWidthColorAtX(
    UIView& view, CGFloat width, const std::shared_ptr<UIColor>& color, CGFloat x);
