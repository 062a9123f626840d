#pragma once

// An image cell: the image is stretched to fill the cell's rectangle exactly.

#include "Classes/QuoteOrder/CVPDFCreaterBaseCell.h"

#include "Platform/UIKit/UIImage.h"

#include <memory>

class CVPDFCreaterImageCell : public CVPDFCreaterBaseCell {
public:
    CVPDFCreaterImageCell() = default;
    CVPDFCreaterImageCell(CGRect frame, std::shared_ptr<UIImage> picture)
        : CVPDFCreaterBaseCell(frame)
        , image(std::move(picture))
    {
    }

    void drawInRect(CGRect rect) override
    {
        if (image)
            image->drawInRect(rect);
    }

    std::shared_ptr<UIImage> image;
};
