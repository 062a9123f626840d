#include "Platform/UIKit/QLPreviewController.h"

#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIWebView.h"

void QLPreviewController::loadView()
{
    auto view = std::make_shared<UIView>(CGRectMake(0, 0, 1024, 768));
    view->setBackgroundColor(UIColor::whiteColor());
    view->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    m_webView = std::make_shared<UIWebView>(view->bounds());
    m_webView->scalesPageToFit = true;
    m_webView->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    view->addSubview(m_webView);
    setView(view);
}

void QLPreviewController::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    if (!m_loaded)
        reloadData();
}

void QLPreviewController::setCurrentPreviewItemIndex(long index)
{
    if (index < 0 || (m_count > 0 && index >= m_count))
        return;
    m_currentIndex = index;
    if (isViewLoaded())
        showCurrentItem();
}

void QLPreviewController::reloadData()
{
    auto source = dataSource();
    m_loaded = true;
    m_count = source ? source->numberOfPreviewItemsInPreviewController(*this) : 0;
    if (m_currentIndex >= m_count)
        m_currentIndex = 0;
    view();
    showCurrentItem();
}

void QLPreviewController::showCurrentItem()
{
    auto source = dataSource();
    if (!source || m_currentIndex >= m_count || !m_webView)
        return;
    m_webView->loadRequest(source->previewControllerPreviewItemAtIndex(*this, m_currentIndex));
}
