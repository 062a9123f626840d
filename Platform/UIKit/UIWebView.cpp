#include "Platform/UIKit/UIWebView.h"

#include "Platform/Foundation/NSError.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/OfficeDocumentConverter.h"
#include "Platform/UIKit/UITouch.h"
#include "Platform/CoreGraphics/CGPDFDocument.h"

#include <cmath>

namespace {

std::shared_ptr<NSError> loadError(
    const std::string& domain, long code, const std::string& description, const std::string& url)
{
    return NSError::errorWithDomainCodeUserInfo(domain, code,
        Value::dictionary(
            { { "NSLocalizedDescription", Value(description) }, { "NSErrorFailingURLStringKey", Value(url) } }));
}

std::shared_ptr<NSError> loadError(long code, const std::string& description, const std::string& url)
{
    return loadError("NSURLErrorDomain", code, description, url);
}

bool isFileURL(const std::string& url) { return url.rfind("file://", 0) == 0 || url.rfind("/", 0) == 0; }

// A finger that moves further than this from where it came down scrolls the page instead of clicking.
constexpr CGFloat kDragDistance = 10;

// Room between two pages of a document, in points.
constexpr CGFloat kPageGap = 8;

// One page of a document, drawn to fill the view on white.
class DocumentPageView : public UIView {
public:
    DocumentPageView(CGRect frame, CGPDFDocumentRef document, CGPDFPageRef page)
        : UIView(frame)
        , m_document(std::move(document))
        , m_page(std::move(page))
    {
        setBackgroundColor(UIColor::whiteColor());
    }
    bool drawsContent() const override { return true; }
    void drawRect(CGRect) override
    {
        auto context = UIGraphicsGetCurrentContext();
        if (!context)
            return;
        CGRect b = bounds();
        CGContextSaveGState(context);
        // Page space runs upwards from the bottom left.
        CGContextTranslateCTM(context, 0, b.size.height);
        CGContextScaleCTM(context, 1, -1);
        CGContextConcatCTM(context, CGPDFPageGetDrawingTransform(m_page, kCGPDFCropBox, b, 0, true));
        CGContextDrawPDFPage(context, m_page);
        CGContextRestoreGState(context);
    }

private:
    CGPDFDocumentRef m_document;  // keeps the page's document open
    CGPDFPageRef m_page;
};

// The upright size of a page's crop box.
CGSize uprightPageSize(const CGPDFPageRef& page)
{
    CGRect box = CGPDFPageGetBoxRect(page, kCGPDFCropBox);
    int angle = CGPDFPageGetRotationAngle(page);
    return angle == 90 || angle == 270 ? CGSizeMake(box.size.height, box.size.width) : box.size;
}

}  // namespace

// Pinching a document zooms its pages.
class UIWebView::Zooming : public UIScrollViewDelegate {
public:
    explicit Zooming(UIWebView* owner)
        : m_owner(owner)
    {
    }
    std::shared_ptr<UIView> viewForZoomingInScrollView(UIScrollView&) override
    {
        return m_owner->m_documentPages ? m_owner->m_content : nullptr;
    }

private:
    UIWebView* m_owner;  // owns this delegate
};

// The web page as last pictured; taps, drags and typing on it go to the engine.
class UIWebView::PageView : public UIView {
public:
    PageView(CGRect frame, UIWebView* owner)
        : UIView(frame)
        , m_owner(owner)
    {
        setBackgroundColor(UIColor::clearColor());
    }

    void setPicture(const CGImageRef& picture)
    {
        m_picture = picture;
        setNeedsDisplay();
    }
    const CGImageRef& picture() const { return m_picture; }

    bool drawsContent() const override { return true; }
    void drawRect(CGRect) override
    {
        if (!m_picture)
            return;
        // One pixel of the picture to a point of the page, from the top left.
        UIImage::imageWithCGImage(m_picture)->drawInRect(
            CGRectMake(0, 0, CGFloat(m_picture->width()), CGFloat(m_picture->height())));
    }

    void touchesBeganWithEvent(const UITouchSet& touches, UIEvent*) override
    {
        if (touches.size() != 1) {
            m_tracking = false;
            return;
        }
        m_tracking = true;
        m_dragging = false;
        m_start = m_last = touches.front()->locationInView(this);
    }
    void touchesMovedWithEvent(const UITouchSet& touches, UIEvent*) override
    {
        if (!m_tracking || touches.empty())
            return;
        CGPoint now = touches.front()->locationInView(this);
        if (!m_dragging && std::hypot(now.x - m_start.x, now.y - m_start.y) > kDragDistance)
            m_dragging = true;
        if (m_dragging && m_owner->m_page) {
            // The content follows the finger: moving up shows what is below.
            m_owner->m_page->scroll(now, CGSizeMake(m_last.x - now.x, m_last.y - now.y));
            m_last = now;
        }
    }
    void touchesEndedWithEvent(const UITouchSet& touches, UIEvent*) override
    {
        bool tap = m_tracking && !m_dragging && !touches.empty();
        m_tracking = false;
        if (!tap || !m_owner->m_page)
            return;
        auto keep = m_owner->protect<UIWebView>();
        // Typing goes to the field the tap may have focused.
        becomeFirstResponder();
        CGPoint at = touches.front()->locationInView(this);
        m_owner->m_page->press(at);
        if (m_owner->m_page)
            m_owner->m_page->release(at);
    }
    void touchesCancelledWithEvent(const UITouchSet&, UIEvent*) override { m_tracking = false; }

    bool canBecomeFirstResponder() const override { return m_owner->m_page != nullptr; }
    bool acceptsTextInput() const override { return m_owner->m_page != nullptr; }
    void insertText(const std::string& text) override
    {
        // A line break is the return key, which sends a form.
        size_t begin = 0;
        for (;;) {
            size_t end = text.find('\n', begin);
            std::string piece = text.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
            if (!piece.empty() && m_owner->m_page)
                m_owner->m_page->insertText(piece);
            if (end == std::string::npos)
                break;
            if (m_owner->m_page)
                m_owner->m_page->pressReturn();
            begin = end + 1;
        }
    }
    void deleteBackward() override
    {
        if (m_owner->m_page)
            m_owner->m_page->pressBackspace();
    }

private:
    UIWebView* m_owner;  // owns this view
    CGImageRef m_picture;
    bool m_tracking = false;
    bool m_dragging = false;
    CGPoint m_start {};
    CGPoint m_last {};
};

// What the engine tells of the page, passed on to the delegate.
class UIWebView::EngineClient : public WebEnginePage::Client {
public:
    explicit EngineClient(UIWebView* owner)
        : m_owner(owner)
    {
    }

    bool webPageShouldNavigate(const std::string& url, WebEnginePage::Navigation navigation) override
    {
        auto& own = m_owner->m_ownNavigation;
        if (own && (*own == url || navigation != WebEnginePage::Navigation::Other)) {
            own.reset();
            return true;
        }
        auto keep = m_owner->protect<UIWebView>();
        auto d = m_owner->delegate();
        bool allowed = !d
            || d->webViewShouldStartLoadWithRequestNavigationType(
                *m_owner, url, static_cast<UIWebViewNavigationType>(navigation));
        // A step back or forward the delegate refused never starts: it is not loading.
        if (!allowed && m_owner->m_historyMove && navigation == WebEnginePage::Navigation::BackForward) {
            m_owner->m_historyMove = false;
            m_owner->m_loading = false;
        }
        return allowed;
    }
    void webPageStarted() override
    {
        auto keep = m_owner->protect<UIWebView>();
        m_owner->m_ownNavigation.reset();
        m_owner->m_historyMove = false;
        m_owner->m_loading = true;
        m_owner->m_pictureAfterFinish = false;
        ++m_owner->m_generation;
        if (auto d = m_owner->delegate())
            d->webViewDidStartLoad(*m_owner);
    }
    void webPageFinished() override
    {
        if (!m_owner->m_loading)
            return;
        auto keep = m_owner->protect<UIWebView>();
        m_finishedBeforePicture = true;
        m_owner->m_loading = false;
        if (auto d = m_owner->delegate())
            d->webViewDidFinishLoad(*m_owner);
    }
    void webPageFailed(const std::string& url, WebEnginePage::Failure failure, const std::string& message) override
    {
        // A load given up for a newer one or stopped ends with that one, or with the stop.
        if (!m_owner->m_loading || failure == WebEnginePage::Failure::Cancelled)
            return;
        auto keep = m_owner->protect<UIWebView>();
        m_owner->m_loading = false;
        m_owner->m_ownNavigation.reset();
        std::shared_ptr<NSError> error;
        switch (failure) {
        case WebEnginePage::Failure::HostNotFound:
            error = loadError(-1003, message, url);
            break;
        case WebEnginePage::Failure::CannotConnect:
            error = loadError(-1004, message, url);
            break;
        case WebEnginePage::Failure::UntrustedServer:
            error = loadError(-1202, message, url);
            break;
        case WebEnginePage::Failure::BadServerResponse:
            error = loadError(-1011, message, url);
            break;
        case WebEnginePage::Failure::Interrupted:
            error = loadError("WebKitErrorDomain", 102, message, url);
            break;
        case WebEnginePage::Failure::Cancelled:
        case WebEnginePage::Failure::Other:
            error = loadError(-1, message, url);
            break;
        }
        if (auto d = m_owner->delegate())
            d->webViewDidFailLoadWithError(*m_owner, error);
    }
    void webPagePainted(const CGImageRef& picture) override
    {
        m_owner->m_pageView->setPicture(picture);
        if (m_finishedBeforePicture && !m_owner->m_loading)
            m_owner->m_pictureAfterFinish = true;
        m_finishedBeforePicture = false;
    }

private:
    UIWebView* m_owner;  // owns this client
    // The engine asks for a picture before it tells of the finish: the next picture is of the finished page.
    bool m_finishedBeforePicture = false;
};

UIWebView::UIWebView(CGRect frame)
    : UIView(frame)
    , m_scroll(std::make_shared<UIScrollView>(CGRectMake(0, 0, frame.size.width, frame.size.height)))
{
    setBackgroundColor(UIColor::whiteColor());
    m_zooming = std::make_shared<Zooming>(this);
    m_scroll->setDelegate(m_zooming);
    m_scroll->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    addSubview(m_scroll);
    m_engineClient = std::make_unique<EngineClient>(this);
    m_pageView = std::make_shared<PageView>(CGRectMake(0, 0, frame.size.width, frame.size.height), this);
    m_pageView->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    m_pageView->setHidden(true);
    addSubview(m_pageView);
}

UIWebView::~UIWebView()
{
    if (m_conversion)
        m_conversion->cancel();
    // No word of the page may reach a view being destroyed.
    m_page.reset();
}

std::optional<std::string> UIWebView::currentURL() const
{
    if (m_showsWebPage && m_page) {
        std::string url = m_page->currentURL();
        if (!url.empty())
            return url;
    }
    if (m_index < 0)
        return std::nullopt;
    return m_history[static_cast<size_t>(m_index)];
}

bool UIWebView::canGoBack() const
{
    if (m_showsWebPage)
        return m_page && m_page->canGoBack();
    return m_index > 0;
}

bool UIWebView::canGoForward() const
{
    if (m_showsWebPage)
        return m_page && m_page->canGoForward();
    return m_index + 1 < static_cast<long>(m_history.size());
}

CGImageRef UIWebView::webPagePicture() const { return m_pageView->picture(); }

void UIWebView::setFrame(CGRect frame)
{
    UIView::setFrame(frame);
    if (m_content)
        m_content->setFrame(CGRectMake(0, 0, frame.size.width, m_content->frame().size.height));
    if (m_page)
        m_page->resize(frame.size);
}

void UIWebView::showWebPage(bool shown)
{
    m_showsWebPage = shown;
    m_pageView->setHidden(!shown);
    m_scroll->setHidden(shown);
    if (!shown && m_pageView->isFirstResponder())
        m_pageView->resignFirstResponder();
}

void UIWebView::loadRequest(const std::string& url) { load(url, UIWebViewNavigationTypeOther); }

void UIWebView::reload()
{
    if (auto url = currentURL())
        load(*url, UIWebViewNavigationTypeReload);
}

void UIWebView::stopLoading()
{
    if (m_conversion)
        m_conversion->cancel();
    m_conversion.reset();
    m_loading = false;
    m_ownNavigation.reset();
    m_historyMove = false;
    ++m_generation;
    if (m_page)
        m_page->stop();
}

void UIWebView::goBack()
{
    if (!canGoBack())
        return;
    if (m_showsWebPage) {
        moveInEngineHistory(-1);
        return;
    }
    --m_index;
    load(m_history[static_cast<size_t>(m_index)], UIWebViewNavigationTypeBackForward);
}

void UIWebView::goForward()
{
    if (!canGoForward())
        return;
    if (m_showsWebPage) {
        moveInEngineHistory(1);
        return;
    }
    ++m_index;
    load(m_history[static_cast<size_t>(m_index)], UIWebViewNavigationTypeBackForward);
}

void UIWebView::placeContent(const std::shared_ptr<UIView>& content, CGFloat bottomMargin)
{
    if (m_content)
        m_content->removeFromSuperview();
    m_scroll->setZoomScale(1);
    m_content = content;
    m_scroll->addSubview(m_content);
    m_scroll->setContentSize(CGSizeMake(bounds().size.width, CGRectGetMaxY(m_content->frame()) + bottomMargin));
    m_scroll->setContentOffset(CGPointZero);
}

bool UIWebView::showDocument(const std::string& pdfPath)
{
    auto document = CGPDFDocumentCreateWithURL(pdfPath);
    size_t count = document ? CGPDFDocumentGetNumberOfPages(document) : 0;
    CGFloat width = bounds().size.width;
    auto pages = std::make_shared<UIView>(CGRectZero);
    pages->setBackgroundColor(UIColor::clearColor());
    CGFloat y = 0;
    size_t shown = 0;
    for (size_t number = 1; number <= count; ++number) {
        auto page = CGPDFDocumentGetPage(document, number);
        CGSize size = page ? uprightPageSize(page) : CGSizeZero;
        if (size.width <= 0 || size.height <= 0)
            continue;
        // Fitted to the width; unfitted pages keep their own size.
        CGFloat scale = scalesPageToFit || size.width > width ? width / size.width : 1;
        CGSize fitted = CGSizeMake(size.width * scale, size.height * scale);
        if (shown)
            y += kPageGap;
        pages->addSubview(std::make_shared<DocumentPageView>(
            CGRectMake((width - fitted.width) / 2, y, fitted.width, fitted.height), document, page));
        y += fitted.height;
        ++shown;
    }
    if (!shown)
        return false;
    pages->setFrame(CGRectMake(0, 0, width, y));
    m_scroll->setMinimumZoomScale(1);
    m_scroll->setMaximumZoomScale(4);
    placeContent(pages, 0);
    m_documentPages = shown;
    return true;
}

void UIWebView::show(const Data& data, bool image)
{
    CGFloat width = bounds().size.width;
    std::shared_ptr<UIView> content;
    if (image) {
        auto picture = UIImage::imageWithData(data);
        auto view = std::make_shared<UIImageView>(picture);
        CGSize s = picture ? picture->size() : CGSizeZero;
        if (scalesPageToFit && s.width > width && s.width > 0)
            s = CGSizeMake(width, s.height * width / s.width);
        view->setFrame(CGRectMake(0, 0, s.width, s.height));
        content = view;
    } else {
        auto label = std::make_shared<UILabel>(CGRectZero);
        label->setText(std::string(data.begin(), data.end()));
        label->setNumberOfLines(0);
        label->setLineBreakMode(UILineBreakModeWordWrap);
        label->setFont(UIFont::systemFontOfSize(14));
        CGSize s = label->sizeThatFits(CGSizeMake(width - 16, 1e7f));
        label->setFrame(CGRectMake(8, 8, width - 16, s.height));
        content = label;
    }
    m_scroll->setMaximumZoomScale(1);
    placeContent(content, image ? 0 : 8);
    m_documentPages = 0;
}

void UIWebView::finish(unsigned generation, const std::shared_ptr<NSError>& error)
{
    if (m_generation != generation || !m_loading)
        return;
    m_loading = false;
    auto d = delegate();
    if (!d)
        return;
    if (error)
        d->webViewDidFailLoadWithError(*this, error);
    else
        d->webViewDidFinishLoad(*this);
}

void UIWebView::load(const std::string& url, UIWebViewNavigationType type)
{
    auto keep = shared_from_this();
    if (auto d = delegate(); d && !d->webViewShouldStartLoadWithRequestNavigationType(*this, url, type))
        return;
    if (!isFileURL(url)) {
        loadInEngine(url, type);
        return;
    }
    if (m_page && m_showsWebPage)
        m_page->stop();
    m_ownNavigation.reset();
    showWebPage(false);
    if (type == UIWebViewNavigationTypeOther) {
        m_history.resize(static_cast<size_t>(m_index + 1));
        m_history.push_back(url);
        m_index = static_cast<long>(m_history.size()) - 1;
    }
    if (m_conversion)
        m_conversion->cancel();
    m_conversion.reset();
    m_loading = true;
    unsigned generation = ++m_generation;
    if (auto d = delegate())
        d->webViewDidStartLoad(*this);

    std::optional<Data> data;
    bool image = false;
    std::shared_ptr<NSError> error;
    {
        std::string path = url.rfind("file://", 0) == 0 ? url.substr(7) : url;
        std::string ext = NSString::lowercaseString(NSString::pathExtension(path));
        if (OfficeDocumentConverter::convertsExtension(ext)) {
            auto weak = weakSelf<UIWebView>();
            m_conversion = OfficeDocumentConverter::convert(
                path, [weak, generation, url](const std::optional<std::string>& pdf, const std::string& reason) {
                    auto self = weak.lock();
                    if (!self || self->m_generation != generation || !self->m_loading)
                        return;
                    self->m_conversion.reset();
                    if (pdf && self->showDocument(*pdf))
                        self->finish(generation, nullptr);
                    else
                        self->finish(
                            generation, loadError(-1008, pdf ? "The converted document has no pages." : reason, url));
                });
            return;
        }
        bool text = ext == "html" || ext == "htm" || ext == "txt";
        image = ext == "png" || ext == "jpg" || ext == "jpeg" || ext == "gif";
        if (!text && !image) {
            error = loadError(-1008, "This kind of document cannot be shown here", url);
        } else {
            data = NSFileManager::defaultManager().contentsAtPath(path);
            if (!data)
                error = loadError(-1100, "The requested file was not found", url);
        }
    }
    if (data && !error)
        show(*data, image);

    auto weak = weakSelf<UIWebView>();
    NSRunLoop::mainRunLoop()->performBlock([weak, generation, error] {
        if (auto self = weak.lock())
            self->finish(generation, error);
    });
}

void UIWebView::loadInEngine(const std::string& url, UIWebViewNavigationType type)
{
    if (m_conversion)
        m_conversion->cancel();
    m_conversion.reset();
    unsigned generation = ++m_generation;
    m_ownNavigation.reset();
    if (!m_page) {
        std::string reason;
        m_page = WebEnginePage::create(bounds().size, *m_engineClient, reason);
        if (!m_page) {
            // Told like any failed load: a start, then the reason on the next turn.
            m_loading = true;
            if (auto d = delegate())
                d->webViewDidStartLoad(*this);
            auto error = loadError(-1008, reason, url);
            auto weak = weakSelf<UIWebView>();
            NSRunLoop::mainRunLoop()->performBlock([weak, generation, error] {
                if (auto self = weak.lock())
                    self->finish(generation, error);
            });
            return;
        }
    }
    showWebPage(true);
    // Loading from the request on, as for a file; the engine's start tells the delegate.
    m_loading = true;
    m_pictureAfterFinish = false;
    m_ownNavigation = url;
    if (type == UIWebViewNavigationTypeReload)
        m_page->reload();
    else
        m_page->load(url);
}

void UIWebView::moveInEngineHistory(int step)
{
    if (m_conversion)
        m_conversion->cancel();
    m_conversion.reset();
    ++m_generation;
    m_ownNavigation.reset();
    // Loading from the step on, as for a request; the engine asks the delegate,
    // as for any navigation of the page's own.
    m_loading = true;
    m_pictureAfterFinish = false;
    m_historyMove = true;
    if (step < 0)
        m_page->goBack();
    else
        m_page->goForward();
}
