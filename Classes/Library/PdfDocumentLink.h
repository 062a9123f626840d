#pragma once

// One link of a page: its area in the page view's coordinates and the link
// annotation's dictionary (valid while the page's document is open).

#include "Platform/CoreGraphics/CGPDFDocument.h"

#include <string>
#include <variant>

// What a tap on a link answers: nothing, a web address, or a page number.
using PdfLinkTarget = std::variant<std::monostate, std::string, long>;

class PdfDocumentLink {
public:
    static std::shared_ptr<PdfDocumentLink> newWithRectDictionary(CGRect rect, CGPDFDictionaryRef dictionary)
    {
        return std::make_shared<PdfDocumentLink>(rect, std::move(dictionary));
    }
    PdfDocumentLink(CGRect rect, CGPDFDictionaryRef dictionary)
        : m_rect(rect)
        , m_dictionary(std::move(dictionary))
    {
    }
    CGRect rect() const { return m_rect; }
    const CGPDFDictionaryRef& dictionary() const { return m_dictionary; }

private:
    CGRect m_rect;
    CGPDFDictionaryRef m_dictionary;
};
