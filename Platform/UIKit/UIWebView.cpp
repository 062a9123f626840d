#include "Platform/UIKit/UIWebView.h"

#include "Platform/Foundation/NSError.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"

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

}  // namespace

UIWebView::UIWebView(CGRect frame)
    : UIView(frame)
    , m_scroll(std::make_shared<UIScrollView>(CGRectMake(0, 0, frame.size.width, frame.size.height)))
{
    setBackgroundColor(UIColor::whiteColor());
    m_scroll->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    addSubview(m_scroll);
}

UIWebView::~UIWebView() = default;

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

void UIWebView::show(const Data& data, bool image)
{
    if (m_content)
        m_content->removeFromSuperview();
    CGFloat width = bounds().size.width;
    if (image) {
        auto picture = UIImage::imageWithData(data);
        auto view = std::make_shared<UIImageView>(picture);
        CGSize s = picture ? picture->size() : CGSizeZero;
        if (scalesPageToFit && s.width > width && s.width > 0)
            s = CGSizeMake(width, s.height * width / s.width);
        view->setFrame(CGRectMake(0, 0, s.width, s.height));
        m_content = view;
    } else {
        auto label = std::make_shared<UILabel>(CGRectZero);
        label->setText(std::string(data.begin(), data.end()));
        label->setNumberOfLines(0);
        label->setLineBreakMode(UILineBreakModeWordWrap);
        label->setFont(UIFont::systemFontOfSize(14));
        CGSize s = label->sizeThatFits(CGSizeMake(width - 16, 1e7f));
        label->setFrame(CGRectMake(8, 8, width - 16, s.height));
        m_content = label;
    }
    m_scroll->addSubview(m_content);
    m_scroll->setContentSize(CGSizeMake(width, CGRectGetMaxY(m_content->frame()) + (image ? 0 : 8)));
    m_scroll->setContentOffset(CGPointZero);
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
        auto self = weak.lock();
        if (!self || self->m_generation != generation || !self->m_loading)
            return;
        self->m_loading = false;
        auto d = self->delegate();
        if (!d)
            return;
        if (error)
            d->webViewDidFailLoadWithError(*self, error);
        else
            d->webViewDidFinishLoad(*self);
    });
}
