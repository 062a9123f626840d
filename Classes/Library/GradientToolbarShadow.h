#pragma once

// A ready shadow strip: grey 0.24, opaque at its top edge and fading to
// nothing at its bottom edge. No screen places it.

#include "Platform/UIKit/UIView.h"

class GradientToolbarShadow : public UIView {
public:
    explicit GradientToolbarShadow(CGRect frame);
    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }
};
