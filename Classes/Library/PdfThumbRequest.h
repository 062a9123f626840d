#pragma once

// One wanted thumbnail: a page of a document in a box of a given size, for a
// view. Making a request sets the view's target tag to the request's, so from
// then on the view takes only this request's image.
//
// The request does not keep its view alive: the workers hold the request, and
// the last owner of a view must be on the main thread, where views are made
// and destroyed. A view let go of by its screen dies there and then, and its
// image, if it still comes, is dropped.

#include "Platform/CoreGraphics/CGGeometry.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>

class PdfThumbView;

class PdfThumbRequest {
public:
    static std::shared_ptr<PdfThumbRequest> newForViewFileURLPasswordGuidPageSize(
        const std::shared_ptr<PdfThumbView>& view, const std::string& fileURL,
        const std::optional<std::string>& password, const std::string& guid, long page, CGSize size);

    PdfThumbRequest(const std::shared_ptr<PdfThumbView>& view, std::string fileURL, std::optional<std::string> password,
        std::string guid, long page, CGSize size);

    // The view while it lives; on the main thread only.
    std::shared_ptr<PdfThumbView> thumbView() const;
    // For the workers, which hand it to the main thread without holding it.
    std::weak_ptr<PdfThumbView> weakThumbView() const;
    // From any thread.
    void setThumbView(const std::shared_ptr<PdfThumbView>& view);

    const std::string& fileURL() const { return m_fileURL; }
    const std::optional<std::string>& password() const { return m_password; }
    const std::string& guid() const { return m_guid; }
    long thumbPage() const { return m_thumbPage; }
    CGSize thumbSize() const { return m_thumbSize; }
    const std::string& thumbName() const { return m_thumbName; }
    const std::string& cacheKey() const { return m_cacheKey; }
    size_t targetTag() const { return m_targetTag; }
    CGFloat scale() const { return m_scale; }

private:
    mutable std::mutex m_lock;
    std::weak_ptr<PdfThumbView> m_thumbView;
    std::string m_fileURL;
    std::optional<std::string> m_password;
    std::string m_guid;
    long m_thumbPage;
    CGSize m_thumbSize;
    std::string m_thumbName;
    std::string m_cacheKey;
    size_t m_targetTag;
    CGFloat m_scale;
};
