#pragma once

// The look the pull-to-refresh header and footer share.

#include "Platform/QuartzCore/CALayer.h"
#include "Platform/QuartzCore/CATransform3D.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGeometry.h"

#include <memory>
#include <string>

class UIActivityIndicatorView;
class UIFont;
class UILabel;
class UIScrollView;

namespace PullTableLook {

std::shared_ptr<UIColor> backgroundColour();
std::shared_ptr<UIColor> textColour();
std::shared_ptr<UIColor> textShadowColour();
// The arrow picture as a layer, aspect-fit in `frame`.
std::shared_ptr<CALayer> arrowLayer(CGRect frame);
// A centred status line in the shared colours, flexible in width.
std::shared_ptr<UILabel> statusLabel(CGRect frame, std::shared_ptr<UIFont> font);

// The states both edges go through, with the same values as their views' own.
enum PullState { Pulling = 0, Normal = 1, Loading = 2 };
constexpr CGFloat kTriggerDistance = 120;

// The state a drag leaves the edge in, `pull` being how far past the edge
// the content is dragged (negative past it).
int stateAfterDrag(int state, CGFloat pull, bool loading);
// Shows `state` (one of PullState) on an edge's status line, spinner and arrow,
// coming from `previous`: the arrow rests at `rest` and turns to `pulled` while
// the edge is pulled far enough; it hides while loading.
void showState(int state, int previous, const std::string& text, UILabel& status, UIActivityIndicatorView& spinner,
    CALayer& arrow, const CATransform3D& rest, const CATransform3D& pulled);
// Animates one edge of the scroll view's content inset to `value`.
void animateInset(UIScrollView& scrollView, CGFloat UIEdgeInsets::*edge, CGFloat value, double duration);
// Sets one edge of the inset at once.
void setInset(UIScrollView& scrollView, CGFloat UIEdgeInsets::*edge, CGFloat value);
// What both edges do while the content scrolls: a loading edge keeps `loadingInset`
// in view; otherwise a drag moves between the pulling and normal states and any
// leftover inset of the edge goes. Returns the new state.
int scrolled(
    UIScrollView& scrollView, int state, CGFloat pull, bool loading, CGFloat UIEdgeInsets::*edge, CGFloat loadingInset);

}  // namespace PullTableLook
