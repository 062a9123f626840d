#include "Classes/Frame/WebViewController.h"

#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImage.h"

void WebViewController::viewDidLoad()
{
    PopBaseController::viewDidLoad();
    m_contentWebView = std::make_shared<UIWebView>(CGRectMake(0, 44, 1024, 704));
    m_contentWebView->setBackgroundColor(UIColor::scrollViewTexturedBackgroundColor());
    m_contentWebView->scalesPageToFit = true;
    m_contentWebView->setDelegate(weakSelf<WebViewController>());
    view()->addSubview(m_contentWebView);

    m_btnBack = makeButton(15, "icon_arrow_left.png", &WebViewController::btnBackClick);
    m_btnBack->setEnabled(false);
    m_btnForward = makeButton(80, "icon_arrow_right.png", &WebViewController::btnForwardClick);
    m_btnForward->setEnabled(false);
    m_btnReload = makeButton(145, "icon_reload.png", &WebViewController::btnReloadClick);

    if (!m_url.empty())
        m_contentWebView->loadRequest(m_url);
}

std::shared_ptr<UIButton> WebViewController::makeButton(
    CGFloat x, const char* image, void (WebViewController::*action)())
{
    auto button = UIButton::buttonWithType(UIButtonTypeCustom);
    button->setFrame(CGRectMake(x, 5, 50, 34));
    button->setImageForState(UIImage::imageNamed(image), UIControlStateNormal);
    auto weak = weakSelf<WebViewController>();
    button->addTarget(UIControlEventTouchUpInside, [weak, action](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            ((*self).*action)();
    });
    if (auto bar = titlebar())
        bar->addSubview(button);
    return button;
}

void WebViewController::viewWillAppear(bool animated)
{
    PopBaseController::viewWillAppear(animated);
    m_contentWebView->setDelegate(weakSelf<WebViewController>());
    refreshBtnStatus();
}

void WebViewController::viewWillDisappear(bool animated)
{
    PopBaseController::viewWillDisappear(animated);
    if (m_contentWebView->isLoading())
        m_contentWebView->stopLoading();
    m_contentWebView->setDelegate(std::weak_ptr<UIWebViewDelegate>());
    UIApplication::sharedApplication()->setNetworkActivityIndicatorVisible(false);
}

void WebViewController::btnBackClick()
{
    m_contentWebView->goBack();
    refreshBtnStatus();
}

void WebViewController::btnForwardClick()
{
    m_contentWebView->goForward();
    refreshBtnStatus();
}

void WebViewController::btnReloadClick() { m_contentWebView->reload(); }

void WebViewController::refreshBtnStatus()
{
    if (!m_contentWebView)
        return;
    m_btnBack->setEnabled(m_contentWebView->canGoBack());
    m_btnForward->setEnabled(m_contentWebView->canGoForward());
}

void WebViewController::webViewDidStartLoad(UIWebView&)
{
    refreshBtnStatus();
    UIApplication::sharedApplication()->setNetworkActivityIndicatorVisible(true);
}

void WebViewController::webViewDidFinishLoad(UIWebView&)
{
    refreshBtnStatus();
    UIApplication::sharedApplication()->setNetworkActivityIndicatorVisible(false);
}

void WebViewController::webViewDidFailLoadWithError(UIWebView&, const std::shared_ptr<NSError>&)
{
    refreshBtnStatus();
    UIApplication::sharedApplication()->setNetworkActivityIndicatorVisible(false);
}
