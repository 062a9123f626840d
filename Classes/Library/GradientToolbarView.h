#pragma once

// The bar background that the reader's toolbar and page bar and the
// overview's toolbar stand on: the skin's top-bar picture, stretched over the
// bar at alpha 0.8.

#include "Platform/UIKit/UIImageView.h"

#include <string>

class UILabel;

class GradientToolbarView : public UIView {
public:
    explicit GradientToolbarView(CGRect frame);
    const std::shared_ptr<UIImageView>& backgroundImageView() const { return m_background; }

protected:
    // The bar's centred bold title from x 118, `width` wide, on a tablet only
    // (none elsewhere, where the bar is too narrow).
    std::shared_ptr<UILabel> addTitleLabel(CGFloat width, const std::string& text);

private:
    std::shared_ptr<UIImageView> m_background;
};
