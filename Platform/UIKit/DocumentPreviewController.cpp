#include "Platform/UIKit/DocumentPreviewController.h"

#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIDocumentInteractionController.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIWebView.h"
#include "Platform/UIKit/UIWindow.h"

#include <fstream>

namespace {

std::string pathOf(const std::string& url) { return url.rfind("file://", 0) == 0 ? url.substr(7) : url; }

}  // namespace

bool DocumentPreviewController::canPreview(const std::string& path)
{
    std::string ext = NSString::lowercaseString(NSString::pathExtension(path));
    if (ext == "txt")
        return std::ifstream(path, std::ios::binary).good();
    if (ext == "png" || ext == "jpg" || ext == "jpeg" || ext == "gif")
        return UIImage::imageWithContentsOfFile(path) != nullptr;
    return false;
}

bool DocumentPreviewController::present(
    const std::shared_ptr<UIDocumentInteractionController>& controller, bool animated)
{
    std::string path = pathOf(controller->URL);
    if (!canPreview(path))
        return false;
    auto window = UIApplication::sharedApplication()->keyWindow();
    auto front = window ? window->rootViewController() : nullptr;
    if (!front)
        return false;
    while (auto presented = front->presentedViewController())
        front = presented;
    std::string name = controller->name.empty() ? NSString::lastPathComponent(path) : controller->name;
    auto preview = std::make_shared<DocumentPreviewController>(controller, path, name);
    preview->setDataSource(std::static_pointer_cast<QLPreviewControllerDataSource>(preview));
    front->presentModalViewControllerAnimated(preview, animated);
    return true;
}

DocumentPreviewController::DocumentPreviewController(
    std::weak_ptr<UIDocumentInteractionController> controller, std::string path, std::string name)
    : m_controller(std::move(controller))
    , m_path(std::move(path))
    , m_name(std::move(name))
{
}

void DocumentPreviewController::loadView()
{
    QLPreviewController::loadView();
    CGRect b = view()->bounds();
    auto bar = std::make_shared<UIView>(CGRectMake(0, 0, b.size.width, kBarHeight));
    bar->setBackgroundColor(UIColor::colorWithWhiteAlpha(0.15f, 1));
    bar->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    auto title = std::make_shared<UILabel>(CGRectMake(100, 0, b.size.width - 200, kBarHeight));
    title->setText(m_name);
    title->setFont(UIFont::boldSystemFontOfSize(18));
    title->setTextColor(UIColor::whiteColor());
    title->setBackgroundColor(UIColor::clearColor());
    title->setTextAlignment(UITextAlignmentCenter);
    bar->addSubview(title);
    m_done = UIButton::buttonWithType(UIButtonTypeCustom);
    m_done->setFrame(CGRectMake(b.size.width - 90, 5, 80, 34));
    m_done->setTitleForState("Done", UIControlStateNormal);
    m_done->setAutoresizingMask(UIViewAutoresizingFlexibleLeftMargin);
    auto weak = weakSelf<DocumentPreviewController>();
    m_done->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->done();
    });
    bar->addSubview(m_done);
    view()->addSubview(bar);
    // The file below the bar.
    if (const auto& web = previewView())
        web->setFrame(CGRectMake(0, kBarHeight, b.size.width, b.size.height - kBarHeight));
}

void DocumentPreviewController::done()
{
    auto keep = shared_from_this();
    std::weak_ptr<UIDocumentInteractionController> controller = m_controller;
    auto presenter = presentingViewController();
    auto finish = [controller] {
        if (auto c = controller.lock())
            if (auto d = c->delegate())
                d->documentInteractionControllerDidEndPreview(*c);
    };
    if (presenter)
        presenter->dismissViewControllerAnimatedCompletion(true, finish);
    else
        finish();
}
