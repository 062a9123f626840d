#pragma once

// Measuring and drawing plain text in a font, the UIKit way. Measuring and
// drawing share one layout, so a rectangle of the measured size holds the
// text when it is drawn there. Sizes are whole points, rounded up. Text is
// drawn in the current context's fill colour.
//
// Line breaking: word wrap (a word longer than the line is broken inside),
// character wrap, clip, and truncation at the head, middle or tail, which
// wraps by words and truncates the last line that fits.

#include "Platform/CoreGraphics/CGGeometry.h"
#include "Platform/UIKit/UIFont.h"

#include <memory>
#include <string_view>

enum UILineBreakMode {
    UILineBreakModeWordWrap = 0,
    UILineBreakModeCharacterWrap,
    UILineBreakModeClip,
    UILineBreakModeHeadTruncation,
    UILineBreakModeTailTruncation,
    UILineBreakModeMiddleTruncation,
};

enum UITextAlignment {
    UITextAlignmentLeft = 0,
    UITextAlignmentCenter,
    UITextAlignmentRight,
};

using UIFontRef = std::shared_ptr<UIFont>;

// On one line, newlines included.
CGSize sizeWithFont(std::string_view text, const UIFontRef& font);
// On one line no wider than width, cut by the mode.
CGSize sizeWithFontForWidthLineBreakMode(
    std::string_view text, const UIFontRef& font, CGFloat width, UILineBreakMode mode);
// Wrapped to the width; only lines that fit the height count (at least one).
CGSize sizeWithFontConstrainedToSize(std::string_view text, const UIFontRef& font, CGSize size);
CGSize sizeWithFontConstrainedToSizeLineBreakMode(
    std::string_view text, const UIFontRef& font, CGSize size, UILineBreakMode mode);

// Each draws into the current context and answers the size drawn.
CGSize drawAtPointWithFont(std::string_view text, CGPoint point, const UIFontRef& font);
CGSize drawAtPointForWidthWithFontLineBreakMode(
    std::string_view text, CGPoint point, CGFloat width, const UIFontRef& font, UILineBreakMode mode);
CGSize drawInRectWithFont(std::string_view text, CGRect rect, const UIFontRef& font);
CGSize drawInRectWithFontLineBreakMode(std::string_view text, CGRect rect, const UIFontRef& font, UILineBreakMode mode);
CGSize drawInRectWithFontLineBreakModeAlignment(
    std::string_view text, CGRect rect, const UIFontRef& font, UILineBreakMode mode, UITextAlignment alignment);

// The engine's names for the UIKit ones.
TextLineBreak textLineBreak(UILineBreakMode mode);
TextAlignment textAlignment(UITextAlignment alignment);
