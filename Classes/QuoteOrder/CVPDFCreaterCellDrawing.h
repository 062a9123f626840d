#pragma once

#include "Platform/CoreGraphics/CGGeometry.h"

// What a cell of the page-layout engine must do: draw itself into the current
// graphics context in the rectangle it is given.
class CVPDFCreaterCellDrawing {
public:
    virtual ~CVPDFCreaterCellDrawing() = default;
    virtual void drawInRect(CGRect rect) = 0;
};
