#pragma once

// The low-resolution picture of a page that fills the page area until its
// tiles arrive: a thumbnail view whose image fills its bounds.

#include "Classes/Library/PdfThumbView.h"

class PdfContentThumb : public PdfThumbView {
public:
    explicit PdfContentThumb(CGRect frame);
};
