#pragma once

// The platform's web view. Web addresses (http, https and any other that is
// not a file) are shown by the web engine: the page is laid out at the view's
// size, pictures of it are drawn in the view as it changes, a tap on it is a
// click, a drag scrolls it and text typed while it is first responder goes to
// its focused field. The delegate hears of the start and end (finish or
// failure) of each load, the page's own navigations included, and is asked
// before any navigation the page starts (a link followed, a form sent). The
// history of such pages is the engine's. Where the engine cannot run (no
// display), a load fails after its start, with the reason in the error's
// description. A failed load leaves the page as it was.
//
// A file URL of a text, HTML or image file
// loads: the delegate hears of the start, and on the next turn of the run
// loop of the finish; the text (as written, markup included) or the image
// is shown in the view's scroll view, whose content height is that of what
// is shown. An office document (ppt, pptx, xls, xlsx, doc, docx) is
// converted to PDF off the main thread and its pages are shown one under
// the other, fitted to the width, zoomable by pinching; the finish comes when
// the pages are in place, and a document that does not convert fails with
// the reason in the error's description; stopping the load, a new load or
// the view's end stops the conversion. Any other file (PDF) fails after the
// start, with an error. File loads are kept in a back and forward history.

#include "Platform/UIKit/OfficeDocumentConverter.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/WebEnginePage.h"

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
    virtual bool webViewShouldStartLoadWithRequestNavigationType(
        UIWebView&, const std::string& url, UIWebViewNavigationType)
    {
        return true;
    }
    virtual void webViewDidStartLoad(UIWebView&) { }
    virtual void webViewDidFinishLoad(UIWebView&) { }
    virtual void webViewDidFailLoadWithError(UIWebView&, const std::shared_ptr<NSError>& error) { }
};

class UIWebView : public UIView {
public:
    explicit UIWebView(CGRect frame = CGRectZero);
    ~UIWebView() override;

    std::shared_ptr<UIWebViewDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<UIWebViewDelegate> d) { m_delegate = std::move(d); }
    bool scalesPageToFit = false;

    void loadRequest(const std::string& url);
    void reload();
    void stopLoading();
    void goBack();
    void goForward();
    bool canGoBack() const;
    bool canGoForward() const;
    bool isLoading() const { return m_loading; }
    std::optional<std::string> currentURL() const;
    const std::shared_ptr<UIScrollView>& scrollView() const { return m_scroll; }

    void setFrame(CGRect frame) override;

    // The content shown now (text, image or the document's pages), if any.
    const std::shared_ptr<UIView>& contentView() const { return m_content; }
    // The number of document pages shown (0 unless an office document is).
    size_t documentPageCount() const { return m_documentPages; }
    // Whether a web page is shown (rather than a file), and the latest
    // picture of it; true once that picture was taken after the last load finished.
    bool showsWebPage() const { return m_showsWebPage; }
    CGImageRef webPagePicture() const;
    bool webPagePictureIsCurrent() const { return m_pictureAfterFinish; }

private:
    class Zooming;
    class EngineClient;
    class PageView;
    void loadInEngine(const std::string& url, UIWebViewNavigationType type);
    void moveInEngineHistory(int step);
    // Shows the file content (scroll view) or the web page.
    void showWebPage(bool shown);
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

    std::unique_ptr<EngineClient> m_engineClient;
    std::unique_ptr<WebEnginePage> m_page;
    std::shared_ptr<PageView> m_pageView;
    bool m_showsWebPage = false;
    bool m_pictureAfterFinish = false;
    // A navigation this view started and its delegate already allowed: the
    // engine asks again, and is answered without asking twice.
    std::optional<std::string> m_ownNavigation;
    // A step back or forward asked for and not yet started.
    bool m_historyMove = false;
};
