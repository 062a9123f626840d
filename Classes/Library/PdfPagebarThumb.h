#pragma once

// A page picture of the page bar: a small mark of the row, or the larger
// thumbnail of the current page that slides along it.

#include "Classes/Library/PdfThumbView.h"

class PdfPagebarThumb : public PdfThumbView {
public:
    PdfPagebarThumb(CGRect frame, bool small);
    explicit PdfPagebarThumb(CGRect frame)
        : PdfPagebarThumb(frame, false)
    {
    }
};
