#pragma once

// The bar background that the reader's toolbar and page bar and the
// overview's toolbar stand on: the skin's top-bar picture, stretched over the
// bar at alpha 0.8.

#include "Platform/UIKit/UIImageView.h"

class GradientToolbarView : public UIView {
public:
    explicit GradientToolbarView(CGRect frame);
    const std::shared_ptr<UIImageView>& backgroundImageView() const { return m_background; }

private:
    std::shared_ptr<UIImageView> m_background;
};
