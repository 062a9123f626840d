#pragma once

// Where the shared screen pieces take their skin images and their standard
// button look until the skin service and the button-skinning helpers of
// `PublicFunction` stand: the bundle image of the same name, and the
// 34-point button look drawn from it. One place to switch when they land.

#include <memory>
#include <string>

class UIButton;
class UIImage;

namespace FrameSkinBridge {

std::shared_ptr<UIImage> skinImage(const std::string& name);
void styleButtonHeight34(UIButton& button);

}  // namespace FrameSkinBridge
