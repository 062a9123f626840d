#include "Platform/CoreGraphics/CGPDFContext.h"

#include <cairo-pdf.h>
#include <cairo.h>

#include <cstdio>
#include <fstream>

namespace {

cairo_status_t appendToBuffer(void* closure, const unsigned char* bytes, unsigned int length)
{
    auto* buffer = static_cast<Data*>(closure);
    buffer->insert(buffer->end(), bytes, bytes + length);
    return CAIRO_STATUS_SUCCESS;
}

CGAffineTransform baseFor(CGRect box)
{
    // PDF space (y upward from the box's origin) onto cairo's page space.
    return CGAffineTransformMake(1, 0, 0, -1, -box.origin.x, box.origin.y + box.size.height);
}

CGRect letterOr(const CGRect* box)
{
    if (box && !CGRectIsEmpty(*box))
        return CGRectStandardize(*box);
    return CGRectMake(0, 0, 612, 792);
}

CGContextRef create(std::shared_ptr<Data> target, std::optional<std::string> path, const CGRect* mediaBox)
{
    CGRect box = letterOr(mediaBox);
    auto buffer = std::make_shared<Data>();
    cairo_surface_t* surface
        = cairo_pdf_surface_create_for_stream(appendToBuffer, buffer.get(), box.size.width, box.size.height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_t* cr = cairo_create(surface);
    auto context = std::make_shared<CGPDFContext>(cr, surface, buffer, box, std::move(target), std::move(path));
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return context;
}

}

CGPDFContext::CGPDFContext(cairo_t* cr, cairo_surface_t* surface, std::shared_ptr<Data> buffer, CGRect mediaBox,
    std::shared_ptr<Data> target, std::optional<std::string> path)
    : CGContext(cr, baseFor(mediaBox))
    , m_surface(cairo_surface_reference(surface))
    , m_buffer(std::move(buffer))
    , m_mediaBox(mediaBox)
    , m_pageBox(mediaBox)
    , m_target(std::move(target))
    , m_path(std::move(path))
{
}

CGPDFContext::~CGPDFContext()
{
    close();
    cairo_surface_destroy(m_surface);
}

void CGPDFContext::beginPage(const CGRect* mediaBox)
{
    if (m_closed)
        return;
    if (m_pageOpen)
        endPage();
    m_pageBox = mediaBox && !CGRectIsEmpty(*mediaBox) ? CGRectStandardize(*mediaBox) : m_mediaBox;
    cairo_pdf_surface_set_size(m_surface, m_pageBox.size.width, m_pageBox.size.height);
    resetState(baseFor(m_pageBox));
    m_pageOpen = true;
    ++m_pageCount;
}

void CGPDFContext::endPage()
{
    if (!m_pageOpen)
        return;
    cairo_show_page(cairo());
    m_pageOpen = false;
}

bool CGPDFContext::close()
{
    if (m_closed)
        return true;
    endPage();
    m_closed = true;
    cairo_surface_finish(m_surface);
    if (m_pageCount == 0)
        m_buffer->clear();
    if (m_target)
        *m_target = *m_buffer;
    if (m_path) {
        std::ofstream out(*m_path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(m_buffer->data()), std::streamsize(m_buffer->size()));
        return bool(out);
    }
    return true;
}

CGContextRef CGPDFContextCreateWithData(const std::shared_ptr<Data>& data, const CGRect* mediaBox)
{
    if (!data)
        return nullptr;
    return create(data, std::nullopt, mediaBox);
}

CGContextRef CGPDFContextCreateWithURL(const std::string& path, const CGRect* mediaBox)
{
    // Fail now, as the platform does, rather than lose the document at the end.
    {
        std::ofstream probe(path, std::ios::binary | std::ios::trunc);
        if (!probe)
            return nullptr;
    }
    return create(nullptr, path, mediaBox);
}

void CGPDFContextBeginPage(const CGContextRef& c, const CGRect* mediaBox)
{
    if (auto* p = dynamic_cast<CGPDFContext*>(c.get()))
        p->beginPage(mediaBox);
}

void CGPDFContextEndPage(const CGContextRef& c)
{
    if (auto* p = dynamic_cast<CGPDFContext*>(c.get()))
        p->endPage();
}

void CGPDFContextClose(const CGContextRef& c)
{
    if (auto* p = dynamic_cast<CGPDFContext*>(c.get()))
        p->close();
}

void CGContextBeginPage(const CGContextRef& c, const CGRect* mediaBox) { CGPDFContextBeginPage(c, mediaBox); }
void CGContextEndPage(const CGContextRef& c) { CGPDFContextEndPage(c); }
