#pragma once

// The soft shadow strip just above the page bar.

#include "Platform/UIKit/UIView.h"

class PdfPagebarShadow : public UIView {
public:
    explicit PdfPagebarShadow(CGRect frame);
    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }
};
