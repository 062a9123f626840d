#pragma once

#include "Platform/CoreGraphics/CGGeometry.h"

// The catalogue screen as the product grid sees it: told before a product
// opens, and asked to slide the master pane when a pan over the grid asks.
class DetailViewDelegate {
public:
    virtual ~DetailViewDelegate() = default;
    virtual void productCellClicked() { }
    virtual void setMasterViewHiddedBeginPoint(bool hide, CGPoint beginPoint) { }
};
