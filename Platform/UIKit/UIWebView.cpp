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
#include "Platform/CoreGraphics/CGPDFDocument.h"

namespace {

struct Provided {
    Data data;
    std::string mimeType;
};

std::map<std::string, Provided>& provided()
{
    static std::map<std::string, Provided> content;
    return content;
}

std::shared_ptr<NSError> loadError(long code, const std::string& description, const std::string& url)
{
    return NSError::errorWithDomainCodeUserInfo(
        "NSURLErrorDomain", code,
        Value::dictionary({ { "NSLocalizedDescription", Value(description) }, { "NSErrorFailingURLStringKey", Value(url) } }));
}

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
    explicit Zooming(UIWebView* owner) : m_owner(owner) {}
    std::shared_ptr<UIView> viewForZoomingInScrollView(UIScrollView&) override
    {
        return m_owner->m_documentPages ? m_owner->m_content : nullptr;
    }

private:
    UIWebView* m_owner;  // owns this delegate
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
}

UIWebView::~UIWebView()
{
    if (m_conversion)
        m_conversion->cancel();
}

void UIWebView::provideContentForURL(const std::string& url, const Data& data, const std::string& mimeType)
{
    provided()[url] = { data, mimeType };
}

void UIWebView::removeProvidedContent()
{
    provided().clear();
}

std::optional<std::string> UIWebView::currentURL() const
{
    if (m_index < 0)
        return std::nullopt;
    return m_history[static_cast<size_t>(m_index)];
}

void UIWebView::setFrame(CGRect frame)
{
    UIView::setFrame(frame);
    if (m_content)
        m_content->setFrame(CGRectMake(0, 0, frame.size.width, m_content->frame().size.height));
}

void UIWebView::loadRequest(const std::string& url)
{
    load(url, UIWebViewNavigationTypeOther);
}

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
    ++m_generation;
}

void UIWebView::goBack()
{
    if (!canGoBack())
        return;
    --m_index;
    load(m_history[static_cast<size_t>(m_index)], UIWebViewNavigationTypeBackForward);
}

void UIWebView::goForward()
{
    if (!canGoForward())
        return;
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
    if (auto it = provided().find(url); it != provided().end()) {
        data = it->second.data;
        image = it->second.mimeType.rfind("image/", 0) == 0;
    } else if (url.rfind("file://", 0) == 0 || url.rfind("/", 0) == 0) {
        std::string path = url.rfind("file://", 0) == 0 ? url.substr(7) : url;
        std::string ext = NSString::lowercaseString(NSString::pathExtension(path));
        if (OfficeDocumentConverter::convertsExtension(ext)) {
            std::weak_ptr<UIWebView> weak = std::static_pointer_cast<UIWebView>(shared_from_this());
            m_conversion = OfficeDocumentConverter::convert(path, [weak, generation, url](const std::optional<std::string>& pdf,
                                                                           const std::string& reason) {
                auto self = weak.lock();
                if (!self || self->m_generation != generation || !self->m_loading)
                    return;
                self->m_conversion.reset();
                if (pdf && self->showDocument(*pdf))
                    self->finish(generation, nullptr);
                else
                    self->finish(generation, loadError(-1008, pdf ? "The converted document has no pages." : reason, url));
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
    } else {
        error = loadError(-1009, "No content for this address", url);
    }
    if (data && !error)
        show(*data, image);

    std::weak_ptr<UIWebView> weak = std::static_pointer_cast<UIWebView>(shared_from_this());
    NSRunLoop::mainRunLoop()->performBlock([weak, generation, error] {
        if (auto self = weak.lock())
            self->finish(generation, error);
    });
}
