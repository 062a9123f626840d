#include "Classes/Library/PPTLoadingViewController.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Library/LibraryFileActions.h"
#include "Platform/Foundation/NSError.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/UIKit/UIActivityIndicatorView.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

std::string lastPathComponent(const std::string& path)
{
    auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::shared_ptr<PPTLoadingViewController> PPTLoadingViewController::self()
{
    return protect<PPTLoadingViewController>();
}

std::shared_ptr<UIViewController> PPTLoadingViewController::presenter()
{
    if (auto navigation = navigationController())
        return navigation;
    return self();
}

void PPTLoadingViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    auto navigation = navigationController();
    if (navigation)
        navigation->setNavigationBarHidden(false);
    std::weak_ptr<PPTLoadingViewController> weak = self();

    m_backButton = UIButton::buttonWithType(UIButtonTypeCustom);
    m_backButton->setTitleForState(Language::stringOrKey("BACK"), UIControlStateNormal);
    m_backButton->setFrame(CGRectMake(0, 0, 60, 34));
    PublicFunction::initializeToBackButtonHeight34(m_backButton);
    m_backButton->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto s = weak.lock())
            s->btnBackClick();
    });
    navigationItem()->leftBarButtonItem = std::make_shared<UIBarButtonItem>(m_backButton);

    auto barBackground = std::make_shared<UIImageView>(CGRectMake(0, 0, 1024, 44));
    barBackground->setImage(SkinManager::skinFromImageName(std::string("topbar-bg.png")));
    if (navigation)
        navigation->navigationBar()->insertSubviewAtIndex(barBackground, 1);

    auto share = UIButton::buttonWithType(UIButtonTypeCustom);
    share->setFrame(CGRectMake(0, 0, 34, 34));
    share->setBackgroundColor(UIColor::clearColor());
    share->setBackgroundImageForState(
        SkinManager::skinFromImageName(std::string("btn-share.png")), UIControlStateNormal);
    share->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto s = weak.lock())
            s->shareButton();
    });
    m_shareItem = std::make_shared<UIBarButtonItem>(share);
    navigationItem()->rightBarButtonItem = m_shareItem;

    m_loadingView = std::make_shared<UIActivityIndicatorView>(UIActivityIndicatorViewStyleGray);
    m_loadingView->setFrame(CGRectMake(330, 450, 60, 60));

    m_webView = std::make_shared<UIWebView>(CGRectMake(0, 0, 1024, 704));
    m_webView->setBackgroundColor(UIColor::scrollViewTexturedBackgroundColor());
    m_webView->scalesPageToFit = true;
    m_webView->setDelegate(std::static_pointer_cast<UIWebViewDelegate>(self()));
    if (m_filePath)
        m_webView->loadRequest("file://" + *m_filePath);

    if (m_fileName) {
        auto title = std::make_shared<UILabel>(CGRectMake(50, 0, 900, 50));
        title->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 20));
        title->setTextColor(UIColor::whiteColor());
        title->setBackgroundColor(UIColor::clearColor());
        title->setTextAlignment(UITextAlignmentCenter);
        title->setText(*m_fileName);
        navigationItem()->titleView = title;
    }
    view()->addSubview(m_webView);
    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
}

void PPTLoadingViewController::viewWillDisappear(bool animated)
{
    BaseViewController::viewWillDisappear(animated);
    if (auto navigation = navigationController())
        navigation->setNavigationBarHidden(true);
}

void PPTLoadingViewController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    if (m_backButton)
        m_backButton->setTitleForState(Language::stringOrKey("BACK"), UIControlStateNormal);
}

void PPTLoadingViewController::webViewDidStartLoad(UIWebView&)
{
    if (auto window = view()->window())
        PublicFunction::showDialIndicatorView(window, m_loadingView);
}

void PPTLoadingViewController::webViewDidFinishLoad(UIWebView&)
{
    if (auto window = view()->window())
        PublicFunction::hideDialIndicatorView(window, m_loadingView);
}

void PPTLoadingViewController::webViewDidFailLoadWithError(UIWebView&, const std::shared_ptr<NSError>& error)
{
    // The screen stays empty; the reason goes to the log so that a damaged file can be told from a missing viewer.
    NSLog("The document %@ could not be shown: %@", m_fileName.value_or(m_filePath.value_or("")),
        error ? error->localizedDescription() : std::string("no reason given"));
    // The indicator always stops, with or without a window, so a failed load never leaves it spinning.
    PublicFunction::hideDialIndicatorView(
        view()->window() ? std::static_pointer_cast<UIView>(view()->window()) : view(), m_loadingView);
}

void PPTLoadingViewController::shareButton()
{
    LibraryFileActions::dismissShareControllers(m_printController, m_documentController, true);
    if (!m_shareSheet)
        m_shareSheet = LibraryFileActions::makeShareSheet(std::static_pointer_cast<UIActionSheetDelegate>(self()));
    if (!m_shareSheet->isVisible())
        m_shareSheet->showFromBarButtonItemAnimated(m_shareItem, true);
}

void PPTLoadingViewController::actionSheetClickedButtonAtIndex(UIActionSheet&, long buttonIndex)
{
    LibraryFileActions::takeShareStep(
        buttonIndex, { [this] { emailAction(); }, [this] { printAction(); }, [this] { thirdAction(); } });
}

void PPTLoadingViewController::btnBackClick()
{
    auto keep = self();
    LibraryFileActions::dismissShareControllers(m_printController, m_documentController, true);
    if (m_shareSheet && m_shareSheet->isVisible())
        m_shareSheet->dismissWithClickedButtonIndexAnimated(-1, true);
    if (m_webView)
        m_webView->stopLoading();
    if (auto navigation = navigationController())
        navigation->popViewControllerAnimated(true);
}

void PPTLoadingViewController::emailAction()
{
    if (LibraryFileActions::canMailOrTellWhy())
        displayComposerSheet();
}

void PPTLoadingViewController::displayComposerSheet()
{
    std::string path = m_filePath.value_or("");
    auto data = NSFileManager::defaultManager().contentsAtPath(path);
    auto composer = LibraryFileActions::mailComposer(data.value_or(Data {}), "ppt", lastPathComponent(path),
        "[" + m_fileName.value_or("") + "]", std::static_pointer_cast<MFMailComposeViewControllerDelegate>(self()));
    // Presented by the navigation controller that holds this screen, as the platform does for its children.
    presenter()->presentModalViewControllerAnimated(composer, true);
}

void PPTLoadingViewController::mailComposeControllerDidFinishWithResultError(
    MFMailComposeViewController&, MFMailComposeResult result, const std::shared_ptr<NSError>&)
{
    if (auto notice = LibraryFileActions::mailResultNotice(result))
        LibraryFileActions::showNotice(*notice, std::nullopt);
    presenter()->dismissModalViewControllerAnimated(true);
}

std::vector<std::shared_ptr<UIImage>> PPTLoadingViewController::pageImages()
{
    std::vector<std::shared_ptr<UIImage>> pages;
    std::shared_ptr<UIScrollView> scroll;
    for (const auto& subview : m_webView->subviews())
        if ((scroll = std::dynamic_pointer_cast<UIScrollView>(subview)))
            break;
    CGFloat H = scroll ? scroll->contentSize().height : 0;
    CGRect page = m_webView->frame();
    CGFloat W = page.size.width, P = page.size.height;
    if (scroll)
        scroll->setContentOffset(CGPointZero);
    if (H > 0 && P > 0) {
        CGFloat R = H;
        int k = 1;
        while (R > 0) {
            UIGraphicsBeginImageContext(CGSizeMake(W, P));
            auto context = UIGraphicsGetCurrentContext();
            std::shared_ptr<UIImage> image;
            if (context) {
                CGContextFillRect(context, CGRectMake(0, 0, W, P));
                m_webView->layer()->renderInContext(context);
                image = UIGraphicsGetImageFromCurrentImageContext();
            }
            UIGraphicsEndImageContext();
            if (image && R < P) {
                // The last page holds only what is left of the document.
                auto part = CGImageCreateWithImageInRect(image->CGImage(), CGRectMake(0, P - R, W, R - 5));
                image = part ? UIImage::imageWithCGImage(part) : nullptr;
            }
            scroll->setContentOffset(CGPointMake(0, P * static_cast<CGFloat>(k)));
            R -= P;
            if (P > R)
                scroll->setContentOffset(CGPointMake(0, H - P));
            if (image)
                pages.push_back(image);
            ++k;
        }
    }
    if (scroll)
        scroll->setContentOffset(CGPointZero);
    return pages;
}

void PPTLoadingViewController::printAction()
{
    auto pages = pageImages();
    m_printController = UIPrintInteractionController::sharedPrintInteractionController();
    if (!m_printController)
        return;
    auto info = UIPrintInfo::printInfo();
    info->outputType = UIPrintInfoOutputGeneral;
    info->jobName = Language::stringOrKey("PRINT");
    m_printController->printInfo = info;
    m_printController->setDelegate(std::static_pointer_cast<UIPrintInteractionControllerDelegate>(self()));
    m_printController->printingItemURL.reset();
    m_printController->printingItemData.reset();
    m_printController->printingItems = pages;
    m_printController->presentFromBarButtonItemAnimatedCompletionHandler(
        m_shareItem, true, [](UIPrintInteractionController&, bool completed, const std::shared_ptr<NSError>& error) {
            if (!completed && error)
                NSLog("FAILED! due to error in domain %@ with error code %u", error->domain(),
                    static_cast<unsigned>(error->code()));
        });
}

void PPTLoadingViewController::printInteractionControllerDidFinishJob(UIPrintInteractionController&)
{
    NSLog("printInteractionControllerDidFinishJob success");
}

void PPTLoadingViewController::thirdAction()
{
    m_documentController = LibraryFileActions::openInController(
        "file://" + m_filePath.value_or(""), std::static_pointer_cast<UIDocumentInteractionControllerDelegate>(self()));
    if (!m_documentController->presentOpenInMenuFromBarButtonItemAnimated(m_shareItem, true)) {
        m_documentController.reset();
        LibraryFileActions::showNotice("NOTIFICATION", std::string("PLEASEDOWNLOADKEYNOTE"));
    }
}

void PPTLoadingViewController::documentInteractionControllerDidEndPreview(UIDocumentInteractionController&)
{
    m_documentController.reset();
}
