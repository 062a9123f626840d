#pragma once

// A web view without a web engine. A file URL of a text, HTML or image file
// loads: the delegate hears of the start, and on the next turn of the run
// loop of the finish; the text (as written, markup included) or the image
// is shown in the view's scroll view, whose content height is that of what
// is shown. An office document (ppt, pptx, xls, xlsx, doc, docx) is
// converted to PDF off the main thread and its pages are shown one under
// the other, fitted to the width, zoomable by pinching; the finish comes when
// the pages are in place, and a document that does not convert fails with
// the reason in the error's description; stopping the load, a new load or
// the view's end stops the conversion. Any other file (PDF) and any other
// URL fail after the start, with an error, unless a test provided content
// for the URL. Loads are kept in a back and forward history.

#include "Platform/UIKit/OfficeDocumentConverter.h"
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

    // The content shown now (text, image or the document's pages), if any.
    const std::shared_ptr<UIView>& contentView() const { return m_content; }
    // The number of document pages shown (0 unless an office document is).
    size_t documentPageCount() const { return m_documentPages; }

private:
    class Zooming;
    void load(const std::string& url, UIWebViewNavigationType type);
    void show(const Data& data, bool image);
    void placeContent(const std::shared_ptr<UIView>& content, CGFloat bottomMargin);
    // False when the PDF has no page that can be shown.
    bool showDocument(const std::string& pdfPath);
    // Tells the delegate of the end of load `generation`, unless a later load or a stop overtook it.
    void finish(unsigned generation, const std::shared_ptr<NSError>& error);

    std::weak_ptr<UIWebViewDelegate> m_delegate;
    std::shared_ptr<UIScrollView> m_scroll;
    std::shared_ptr<UIView> m_content;
    std::shared_ptr<Zooming> m_zooming;
    std::shared_ptr<OfficeDocumentConverter::Conversion> m_conversion;
    size_t m_documentPages = 0;
    std::vector<std::string> m_history;
    long m_index = -1;
    bool m_loading = false;
    unsigned m_generation = 0;
};
