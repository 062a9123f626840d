#pragma once

// The look the pull-to-refresh header and footer share.

#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIColor.h"

#include <memory>

namespace PullTableLook {

std::shared_ptr<UIColor> backgroundColour();
std::shared_ptr<UIColor> textColour();
std::shared_ptr<UIColor> textShadowColour();
// The arrow picture as a layer, aspect-fit in `frame`.
std::shared_ptr<CALayer> arrowLayer(CGRect frame);

}  // namespace PullTableLook
