#include "Classes/Library/PdfThumbRequest.h"

#include "Classes/Library/PdfThumbView.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/MainThreadCheck.h"
#include "Platform/UIKit/UIGraphics.h"

#include <functional>

std::shared_ptr<PdfThumbRequest> PdfThumbRequest::newForViewFileURLPasswordGuidPageSize(
    const std::shared_ptr<PdfThumbView>& view, const std::string& fileURL, const std::optional<std::string>& password,
    const std::string& guid, long page, CGSize size)
{
    return std::make_shared<PdfThumbRequest>(view, fileURL, password, guid, page, size);
}

PdfThumbRequest::PdfThumbRequest(const std::shared_ptr<PdfThumbView>& view, std::string fileURL,
    std::optional<std::string> password, std::string guid, long page, CGSize size)
    : m_thumbView(view)
    , m_fileURL(std::move(fileURL))
    , m_password(std::move(password))
    , m_guid(std::move(guid))
    , m_thumbPage(page)
    , m_thumbSize(size)
    , m_scale(UIGraphicsGetScreenScale())
{
    m_thumbName = stringWithFormat(
        "%07d-%04dx%04d", static_cast<int>(page), static_cast<int>(size.width), static_cast<int>(size.height));
    m_cacheKey = stringWithFormat("%@+%@", m_thumbName, m_guid);
    // Never 0: a target tag of 0 means "accepts nothing".
    m_targetTag = std::hash<std::string> {}(m_cacheKey) | 1;
    if (view)
        view->setTargetTag(m_targetTag);
}

std::shared_ptr<PdfThumbView> PdfThumbRequest::thumbView() const
{
    FOUNDATION_CHECK_MAIN_THREAD();
    return weakThumbView().lock();
}

std::weak_ptr<PdfThumbView> PdfThumbRequest::weakThumbView() const
{
    std::lock_guard lock(m_lock);
    return m_thumbView;
}

void PdfThumbRequest::setThumbView(const std::shared_ptr<PdfThumbView>& view)
{
    std::lock_guard lock(m_lock);
    m_thumbView = view;
}
