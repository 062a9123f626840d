#pragma once

// PDF files for the reader's tests, made here: pages drawn with our own PDF
// context, then links, named destinations, boxes, rotation and encryption
// added at the object level with qpdf.

#include <string>

namespace PDFFixtures {

// Three 612 x 792 pages, each with a red square at (50, 600, 100, 100) in PDF
// space and the text "Page N". Page 1 holds link annotations (in this order):
//   a URI link to "http://example.com/a" at [10 10 110 60],
//   a GoTo action to page 3 by page object at [10 100 110 150],
//   a Dest string "chapter2" (name tree) at [10 200 110 250],
//   a Text annotation (not a link) at [10 300 110 350],
//   a Dest name /Named (catalog Dests, page 2) at [10 400 110 450],
//   a GoTo action with the integer destination 1 at [200 10 300 60],
//   a Link without a Rect.
// The catalog's name tree has two kids: Limits (a)-(m) with chapter1 -> page 1
// and chapter2 -> page 2; Limits (n)-(z) with zeta -> << /D [page 3] >>.
// Page 2 has /Rotate 90; page 3 a CropBox [0 500 300 792].
// userPassword / ownerPassword, when not empty, encrypt the file (AES-256).
void writeReaderDocument(
    const std::string& path, const std::string& userPassword = "", const std::string& ownerPassword = "");

// A small well-formed document whose page tree's Kids list itself, and a
// name tree node whose Kids hold itself.
void writeCyclicDocument(const std::string& path);

// Plain pages of text for the benchmark.
void writeTextDocument(const std::string& path, int pages);

}
