#pragma once

// Reads a PDF made by the tests back through two independent readers: qpdf
// (structure, every page's content stream parsed, no warnings allowed) and
// poppler (pages, text and where it sits, a rendering to PNG for a person).

#include "Platform/Foundation/Value.h"

#include <optional>
#include <string>
#include <vector>

struct PdfTextBox {
    // Top-left origin, y downward, in points of the page.
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

namespace PdfReadBack {

// Empty when qpdf reads the document and all its page contents without a
// warning; otherwise what went wrong.
std::string qpdfProblems(const Data& pdf);

// -1 when poppler cannot open the document.
int popplerPageCount(const Data& pdf);
// Page numbers from 1.
std::string pageText(const Data& pdf, int page);
std::vector<PdfTextBox> findText(const Data& pdf, int page, const std::string& text);
std::optional<std::pair<double, double>> pageSize(const Data& pdf, int page);
// Renders the page `width` pixels wide into a PNG file; false on failure.
bool renderPageToPNG(const Data& pdf, int page, double width, const std::string& path);
// RGB of the rendered pixel at (x, y) in points, rendered at 1 pixel a point.
std::optional<unsigned> pixelAt(const Data& pdf, int page, double x, double y);

}
