#pragma once

// The tour's look at the signed order's PDF: the document is read back as a
// printer or a mail reader would, and its signature picture must carry the
// strokes drawn on the signature pad.

#include "Platform/Foundation/Value.h"

#include <string>

// True when a page of `pdf` shows a picture of the signature's size with ink
// on it; `report` says what was found either way.
bool TourPdfShowsSignature(const Data& pdf, std::string& report);
