#pragma once

// Renders a page into an opaque bitmap fitted to the request's box (by its
// shorter side), puts it into the memory cache, hands it to the view and
// writes it as a PNG file for next time.

#include "Classes/Library/PdfThumbOperation.h"
#include "Platform/CoreGraphics/CGGeometry.h"

class PdfThumbRender : public PdfThumbOperation {
public:
    explicit PdfThumbRender(std::shared_ptr<PdfThumbRequest> request);
    void main() override;
    void cancel() override;
    std::string thumbFileURL() const;

    // The fitted size in points of a page of the given upright size in a box.
    static CGSize fittedSize(CGSize page, CGSize box);
    // Lets go of the document kept open between thumbnails (waits for a render under way).
    static void closeKeptDocument();

private:
    std::shared_ptr<PdfThumbRequest> m_request;
};
