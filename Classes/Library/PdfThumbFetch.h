#pragma once

// Loads a thumbnail rendered earlier from the document's folder in Caches;
// when there is no file it hands the request to a render on the work queue.

#include "Classes/Library/PdfThumbOperation.h"

class PdfThumbFetch : public PdfThumbOperation {
public:
    explicit PdfThumbFetch(std::shared_ptr<PdfThumbRequest> request);
    void main() override;
    void cancel() override;
    std::string thumbFileURL() const;

private:
    std::shared_ptr<PdfThumbRequest> m_request;
};
