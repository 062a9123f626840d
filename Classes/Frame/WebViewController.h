#pragma once

// One web page full screen inside the pop-up frame: the title bar with its
// Close button and back, forward and reload buttons, the page below. The
// settings sheet opens the account-edit and content-management pages in it;
// Close asks the opener to dismiss it. The page loads like any other, with
// the server's certificate checked as usual.

#include "Classes/Frame/PopBaseController.h"
#include "Platform/UIKit/UIWebView.h"

#include <optional>
#include <string>

class UIButton;

class WebViewController : public PopBaseController, public UIWebViewDelegate {
public:
    // The page to open; set before the view loads.
    const std::string& url() const { return m_url; }
    void setUrl(std::string url) { m_url = std::move(url); }
    std::shared_ptr<UIWebView> contentWebView() const { return m_contentWebView; }
    std::shared_ptr<UIButton> btnBack() const { return m_btnBack; }
    std::shared_ptr<UIButton> btnForward() const { return m_btnForward; }
    std::shared_ptr<UIButton> btnReload() const { return m_btnReload; }

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;

    void btnBackClick();
    void btnForwardClick();
    void btnReloadClick();
    void refreshBtnStatus();

    void webViewDidStartLoad(UIWebView&) override;
    void webViewDidFinishLoad(UIWebView&) override;
    void webViewDidFailLoadWithError(UIWebView&, const std::shared_ptr<NSError>& error) override;

private:
    std::shared_ptr<UIButton> makeButton(CGFloat x, const char* image, void (WebViewController::*action)());

    std::string m_url;
    std::shared_ptr<UIWebView> m_contentWebView;
    std::shared_ptr<UIButton> m_btnBack;
    std::shared_ptr<UIButton> m_btnForward;
    std::shared_ptr<UIButton> m_btnReload;
};
