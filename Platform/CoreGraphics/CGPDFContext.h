#pragma once

// Contexts that write PDF documents, to memory or to a file. Pages are begun
// and ended explicitly; the document is complete when the context is closed
// (or destroyed). A document that never began a page produces no bytes at
// all, so a caller that draws nothing gets empty data rather than a blank page.
// Text drawn through the text engine is embedded as real text with its fonts.

#include "Platform/CoreGraphics/CGContext.h"

#include <memory>
#include <optional>
#include <string>

struct _cairo_surface;

class CGPDFContext final : public CGContext {
public:
    // Use the creation functions below.
    CGPDFContext(_cairo* cr, _cairo_surface* surface, std::shared_ptr<Data> buffer, CGRect mediaBox,
        std::shared_ptr<Data> target, std::optional<std::string> path);
    ~CGPDFContext() override;

    void beginPage(const CGRect* mediaBox);
    void endPage();
    // Finishes the document and delivers it; false when a file could not be written.
    bool close();

    bool pageOpen() const { return m_pageOpen; }
    int pageCount() const { return m_pageCount; }
    CGRect defaultMediaBox() const { return m_mediaBox; }
    CGRect currentMediaBox() const { return m_pageBox; }

private:
    _cairo_surface* m_surface;
    std::shared_ptr<Data> m_buffer;
    CGRect m_mediaBox;
    CGRect m_pageBox;
    std::shared_ptr<Data> m_target;
    std::optional<std::string> m_path;
    bool m_pageOpen = false;
    bool m_closed = false;
    int m_pageCount = 0;
};

// mediaBox may be null for a US Letter page (612 x 792). The data receives the
// document when the context is closed; it is left empty when no page was made.
CGContextRef CGPDFContextCreateWithData(const std::shared_ptr<Data>& data, const CGRect* mediaBox);
// The file is written when the context is closed. Null when the folder does
// not exist or cannot be written.
CGContextRef CGPDFContextCreateWithURL(const std::string& path, const CGRect* mediaBox);
void CGPDFContextBeginPage(const CGContextRef& c, const CGRect* mediaBox);
void CGPDFContextEndPage(const CGContextRef& c);
void CGPDFContextClose(const CGContextRef& c);
void CGContextBeginPage(const CGContextRef& c, const CGRect* mediaBox);
void CGContextEndPage(const CGContextRef& c);
