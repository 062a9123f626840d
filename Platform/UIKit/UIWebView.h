#pragma once

// A web view without a web engine. A file URL of a text, HTML or image file
// loads: the delegate hears of the start, and on the next turn of the run
// loop of the finish; the text (as written, markup included) or the image
// is shown in the view's scroll view, whose content height is that of what
// is shown. Any other file (office documents, PDF) and any other URL fail
// after the start, with an error, unless a test provided content for the
// URL. Loads are kept in a back and forward history.

#include "Platform/UIKit/UIScrollView.h"

#include <map>
#include <optional>

class NSError;
class UIWebView;

enum UIWebViewNavigationType {
    UIWebViewNavigationTypeLinkClicked,
    UIWebViewNavigationTypeFormSubmitted,
    UIWebViewNavigationTypeBackForward,
    UIWebViewNavigationTypeReload,
    UIWebViewNavigationTypeFormResubmitted,
    UIWebViewNavigationTypeOther,
};

class UIWebViewDelegate {
public:
    virtual ~UIWebViewDelegate() = default;
    virtual bool webViewShouldStartLoadWithRequestNavigationType(UIWebView&, const std::string& url,
                                                                 UIWebViewNavigationType)
    {
        return true;
    }
    virtual void webViewDidStartLoad(UIWebView&) {}
    virtual void webViewDidFinishLoad(UIWebView&) {}
    virtual void webViewDidFailLoadWithError(UIWebView&, const std::shared_ptr<NSError>& error) {}
};

class UIWebView : public UIView {
public:
    explicit UIWebView(CGRect frame = CGRectZero);
    ~UIWebView() override;

    // Content tests give for a URL that is not a file (the MIME type decides text or image).
    static void provideContentForURL(const std::string& url, const Data& data, const std::string& mimeType);
    static void removeProvidedContent();

    std::shared_ptr<UIWebViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<UIWebViewDelegate> d) { m_delegate = std::move(d); }
    bool scalesPageToFit = false;

    void loadRequest(const std::string& url);
    void reload();
    void stopLoading();
    void goBack();
    void goForward();
    bool canGoBack() const { return m_index > 0; }
    bool canGoForward() const { return m_index + 1 < static_cast<long>(m_history.size()); }
    bool isLoading() const { return m_loading; }
    std::optional<std::string> currentURL() const;
    const std::shared_ptr<UIScrollView>& scrollView() const { return m_scroll; }

    void setFrame(CGRect frame) override;

private:
    void load(const std::string& url, UIWebViewNavigationType type);
    void show(const Data& data, bool image);

    std::weak_ptr<UIWebViewDelegate> m_delegate;
    std::shared_ptr<UIScrollView> m_scroll;
    std::shared_ptr<UIView> m_content;
    std::vector<std::string> m_history;
    long m_index = -1;
    bool m_loading = false;
    unsigned m_generation = 0;
};
