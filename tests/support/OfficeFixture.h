#pragma once

// Office documents for the viewers' tests, made by the office suite from
// texts written here: a word-processing letter (.docx, from plain text), a
// price list (.xlsx, from comma-separated values) and a two-slide deck
// (.pptx, from a flat presentation). The suite starts slowly, so the
// documents are made once per build, beside the test program, under a lock
// that lets test programs running side by side share them.

#include <string>

struct OfficeTestDocument {
    std::string extension;  // "docx", "xlsx" or "pptx"
    std::string path;  // the made document (copy it before changing it)
    std::string expectedText;  // text each conversion of it must show
    size_t pages = 0;  // pages its PDF has
};

// The made document of that extension; the path is empty (and the test has
// failed) when the suite could not make it.
OfficeTestDocument officeTestDocument(const std::string& extension);
