#include "Classes/Library/PdfViewController.h"

#include "Classes/Library/LibraryFileActions.h"
#include "Classes/Library/PdfDocument.h"
#include "Classes/Library/PdfThumbCache.h"
#include "Classes/Library/PdfThumbQueue.h"
#include "Platform/CFNetwork/CFURL.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSError.h"
#include "Platform/Foundation/NSException.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/PerformRequests.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIPrintInteractionController.h"

#include <algorithm>
#include <set>

std::optional<std::string> PdfViewController::openableLinkAddress(const std::string& address)
{
    std::string url = address;
    auto scheme = CFURL::schemeOf(url);
    if (!scheme && url.rfind("www", 0) == 0) {
        url = "http://" + url;
        scheme = "http";
    }
    // A brochure's link must not start programs or reach local files.
    if (!scheme || (*scheme != "http" && *scheme != "https" && *scheme != "mailto"))
        return std::nullopt;
    return url;
}

std::shared_ptr<PdfViewController> PdfViewController::initWithReaderDocumentDocumentName(
    const std::shared_ptr<PdfDocument>& document, const std::string& documentName)
{
    if (!document)
        return nullptr;
    auto controller = std::make_shared<PdfViewController>();
    std::weak_ptr<PdfViewController> weak = controller;
    auto& center = NSNotificationCenter::defaultCenter();
    for (const auto& name : { UIApplicationWillTerminateNotification, UIApplicationWillResignActiveNotification })
        center.addObserver(controller.get(), name, [weak](const NSNotification&) {
            if (auto self = weak.lock())
                self->applicationWill();
        });
    document->updateProperties();
    controller->m_document = document;
    PdfThumbCache::touchThumbCacheWithGUID(document->guid());
    controller->m_docName = documentName;
    return controller;
}

PdfViewController::~PdfViewController()
{
    NSNotificationCenter::defaultCenter().removeObserver(this);
    PerformRequests::cancelPreviousPerformRequests(this);
}

void PdfViewController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    if (!m_document)
        NSException::raiseFormat(NSInternalInconsistencyException, "Assertion failure in %s: %s",
            "Classes/Library/PdfViewController", "document != nil");
    auto root = view();
    root->setBackgroundColor(UIColor::scrollViewTexturedBackgroundColor());
    CGRect b = root->bounds();

    m_theScrollView = std::make_shared<UIScrollView>(b);
    m_theScrollView->setScrollsToTop(false);
    m_theScrollView->setPagingEnabled(true);
    m_theScrollView->setDelaysContentTouches(false);
    m_theScrollView->setShowsVerticalScrollIndicator(false);
    m_theScrollView->setShowsHorizontalScrollIndicator(false);
    m_theScrollView->setContentMode(UIViewContentModeRedraw);
    m_theScrollView->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    m_theScrollView->setBackgroundColor(UIColor::clearColor());
    m_theScrollView->setUserInteractionEnabled(true);
    m_theScrollView->setAutoresizesSubviews(false);
    m_theScrollView->setDelegate(std::static_pointer_cast<UIScrollViewDelegate>(self()));
    root->addSubview(m_theScrollView);

    m_mainToolbar = PdfMainToolbar::initWithFrameDocumentDocumentName(
        CGRectMake(b.origin.x, b.origin.y, b.size.width, kToolbarHeight), m_document, m_docName);
    m_mainToolbar->setDelegate(std::static_pointer_cast<PdfMainToolbarDelegate>(self()));
    root->addSubview(m_mainToolbar);

    m_mainPagebar = PdfMainPagebar::initWithFrameDocument(
        CGRectMake(b.origin.x, b.size.height - kPagebarHeight, b.size.width, kPagebarHeight), m_document);
    m_mainPagebar->setDelegate(std::static_pointer_cast<PdfMainPagebarDelegate>(self()));
    root->addSubview(m_mainPagebar);

    std::weak_ptr<PdfViewController> weak = self();
    auto gestureDelegate = std::static_pointer_cast<UIGestureRecognizerDelegate>(self());
    auto singleTap = std::make_shared<UITapGestureRecognizer>([weak](UIGestureRecognizer& r) {
        if (auto s = weak.lock())
            s->handleSingleTap(r);
    });
    auto doubleTap = std::make_shared<UITapGestureRecognizer>([weak](UIGestureRecognizer& r) {
        if (auto s = weak.lock())
            s->handleDoubleTap(r);
    });
    doubleTap->numberOfTapsRequired = 2;
    auto twoFingerDoubleTap = std::make_shared<UITapGestureRecognizer>([weak](UIGestureRecognizer& r) {
        if (auto s = weak.lock())
            s->handleDoubleTap(r);
    });
    twoFingerDoubleTap->numberOfTapsRequired = 2;
    twoFingerDoubleTap->numberOfTouchesRequired = 2;
    for (const auto& recognizer : { singleTap, doubleTap, twoFingerDoubleTap }) {
        recognizer->setDelegate(gestureDelegate);
        root->addGestureRecognizer(recognizer);
    }
    singleTap->requireGestureRecognizerToFail(doubleTap);

    m_contentViews.clear();
    m_lastHideTime = Clock::now();
}

void PdfViewController::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    CGSize size = view()->bounds().size;
    if ((m_lastAppearSize.width != 0 || m_lastAppearSize.height != 0)
        && (m_lastAppearSize.width != size.width || m_lastAppearSize.height != size.height))
        updateScrollViewContentViews();
    m_lastAppearSize = CGSizeZero;
}

void PdfViewController::viewDidAppear(bool animated)
{
    UIViewController::viewDidAppear(animated);
    CGSize content = m_theScrollView->contentSize();
    if (content.width == 0 && content.height == 0) {
        std::weak_ptr<PdfViewController> weak = self();
        PerformRequests::performAfterDelay(
            this, "showDocument:",
            [weak] {
                if (auto s = weak.lock())
                    s->showDocument();
            },
            kShowDocumentDelay);
    }
}

void PdfViewController::viewWillDisappear(bool animated)
{
    UIViewController::viewWillDisappear(animated);
    m_lastAppearSize = view()->bounds().size;
}

void PdfViewController::viewDidUnload()
{
    m_mainToolbar.reset();
    m_mainPagebar.reset();
    m_theScrollView.reset();
    m_contentViews.clear();
    m_lastHideTime = 0;
    m_lastAppearSize = CGSizeZero;
    m_currentPage = 0;
    UIViewController::viewDidUnload();
}

void PdfViewController::showDocument()
{
    updateScrollViewContentSize();
    showDocumentPage(m_document->pageNumber());
    m_document->setLastOpen(Clock::wallNow());
    m_isVisible = true;
}

void PdfViewController::updateScrollViewContentSize()
{
    long count = std::min(3L, m_document->pageCount().value_or(0));
    CGSize size = m_theScrollView->bounds().size;
    m_theScrollView->setContentSize(CGSizeMake(size.width * static_cast<CGFloat>(count), size.height));
}

void PdfViewController::updateScrollViewContentViews()
{
    updateScrollViewContentSize();
    CGSize size = m_theScrollView->bounds().size;
    CGFloat x = 0;
    for (auto& [page, contentView] : m_contentViews) {
        contentView->setFrame(CGRectMake(x, 0, size.width, size.height));
        x += size.width;
    }
    CGPoint offset = CGPointZero;
    auto current = m_contentViews.find(m_document->pageNumber());
    if (current != m_contentViews.end())
        offset = current->second->frame().origin;
    CGPoint now = m_theScrollView->contentOffset();
    if (now.x != offset.x || now.y != offset.y)
        m_theScrollView->setContentOffset(offset);
}

void PdfViewController::showDocumentPage(long page)
{
    long count = m_document->pageCount().value_or(0);
    if (page == m_currentPage || page < 1 || page > count)
        return;
    long minimum, maximum;
    if (count <= 3) {
        minimum = 1;
        maximum = count;
    } else if (page == 1) {
        minimum = 1;
        maximum = 3;
    } else if (page == count) {
        minimum = count - 2;
        maximum = count;
    } else {
        minimum = page - 1;
        maximum = page + 1;
    }

    std::set<long> newPages;
    auto leftovers = m_contentViews;
    CGRect rect = CGRectMake(0, 0, m_theScrollView->bounds().size.width, m_theScrollView->bounds().size.height);
    for (long number = minimum; number <= maximum; ++number) {
        auto found = m_contentViews.find(number);
        if (found != m_contentViews.end()) {
            found->second->setFrame(rect);
            found->second->zoomReset();
            leftovers.erase(number);
        } else {
            auto contentView = PdfContentView::initWithFrameFileURLPagePassword(
                rect, m_document->fileURL(), number, m_document->password());
            m_theScrollView->addSubview(contentView);
            m_contentViews[number] = contentView;
            contentView->setMessage(std::static_pointer_cast<PdfContentViewDelegate>(self()));
            newPages.insert(number);
        }
        rect.origin.x += rect.size.width;
    }
    for (auto& [number, contentView] : leftovers) {
        m_contentViews.erase(number);
        contentView->removeFromSuperview();
    }

    CGFloat w = m_theScrollView->bounds().size.width;
    CGFloat x;
    if (count < 3)
        x = page == 2 ? w : 0;
    else
        x = page == count ? 2 * w : page == 1 ? 0 : w;
    if (m_theScrollView->contentOffset().x != x || m_theScrollView->contentOffset().y != 0)
        m_theScrollView->setContentOffset(CGPointMake(x, 0));

    if (m_document->pageNumber() != page)
        m_document->setPageNumber(page);

    auto requestThumb = [this](long number) {
        m_contentViews[number]->showPageThumbPagePasswordGuid(
            m_document->fileURL(), number, m_document->password(), m_document->guid());
    };
    if (newPages.erase(page))
        requestThumb(page);
    for (auto it = newPages.rbegin(); it != newPages.rend(); ++it)
        requestThumb(*it);

    m_mainPagebar->updatePagebar();
    updateToolbarBookmarkIcon();
    m_currentPage = page;
}

void PdfViewController::scrollViewDidEndDecelerating(UIScrollView& scrollView)
{
    CGFloat x = scrollView.contentOffset().x;
    for (auto& [page, contentView] : m_contentViews) {
        if (contentView->frame().origin.x == x) {
            showDocumentPage(page);
            return;
        }
    }
}

void PdfViewController::incrementPageNumber()
{
    if (m_theScrollView->tag() != 0)
        return;
    long count = m_document->pageCount().value_or(0);
    long page = m_document->pageNumber();
    if (count < 2 || page >= count)
        return;
    CGPoint offset = m_theScrollView->contentOffset();
    offset.x += m_theScrollView->bounds().size.width;
    m_theScrollView->setTag(page + 1);
    m_theScrollView->setContentOffsetAnimated(offset, true);
}

void PdfViewController::decrementPageNumber()
{
    if (m_theScrollView->tag() != 0)
        return;
    long page = m_document->pageNumber();
    if (m_document->pageCount().value_or(0) < 2 || page <= 1)
        return;
    CGPoint offset = m_theScrollView->contentOffset();
    offset.x -= m_theScrollView->bounds().size.width;
    m_theScrollView->setTag(page - 1);
    m_theScrollView->setContentOffsetAnimated(offset, true);
}

void PdfViewController::scrollViewDidEndScrollingAnimation(UIScrollView& scrollView)
{
    showDocumentPage(scrollView.tag());
    scrollView.setTag(0);
}

bool PdfViewController::gestureRecognizerShouldReceiveTouch(UIGestureRecognizer&, UITouch& touch)
{
    return dynamic_cast<UIScrollView*>(touch.view().get()) != nullptr;
}

void PdfViewController::handleSingleTap(UIGestureRecognizer& recognizer)
{
    if (recognizer.state() != UIGestureRecognizerStateRecognized)
        return;
    auto root = recognizer.view();
    CGRect b = root->bounds();
    CGPoint point = recognizer.locationInView(root.get());
    CGRect central = CGRectInset(b, kTapAreaSize, 0);
    if (CGRectContainsPoint(central, point)) {
        auto current = m_contentViews.find(m_document->pageNumber());
        PdfLinkTarget target
            = current != m_contentViews.end() ? current->second->processSingleTap(recognizer) : PdfLinkTarget {};
        if (auto address = std::get_if<std::string>(&target)) {
            if (auto url = openableLinkAddress(*address))
                UIApplication::sharedApplication()->openURL(*url);
            else
                NSLog("refused to open link %@", *address);
        } else if (auto page = std::get_if<long>(&target)) {
            showDocumentPage(*page);
        } else if (m_lastHideTime - Clock::now() < -kShowBarsDelay
            && (m_mainToolbar->isHidden() || m_mainPagebar->isHidden())) {
            m_mainToolbar->showToolbar();
            m_mainPagebar->showPagebar();
        }
        return;
    }
    CGRect right = CGRectMake(b.size.width - kTapAreaSize, b.origin.y, kTapAreaSize, b.size.height);
    CGRect left = CGRectMake(b.origin.x, b.origin.y, kTapAreaSize, b.size.height);
    if (CGRectContainsPoint(right, point))
        incrementPageNumber();
    else if (CGRectContainsPoint(left, point))
        decrementPageNumber();
}

void PdfViewController::handleDoubleTap(UIGestureRecognizer& recognizer)
{
    if (recognizer.state() != UIGestureRecognizerStateRecognized)
        return;
    auto root = recognizer.view();
    CGRect b = root->bounds();
    CGPoint point = recognizer.locationInView(root.get());
    if (CGRectContainsPoint(CGRectInset(b, kTapAreaSize, kTapAreaSize), point)) {
        auto current = m_contentViews.find(m_document->pageNumber());
        if (current != m_contentViews.end())
            current->second->loopZoom();
        return;
    }
    CGRect right = CGRectMake(b.size.width - kTapAreaSize, b.origin.y, kTapAreaSize, b.size.height);
    CGRect left = CGRectMake(b.origin.x, b.origin.y, kTapAreaSize, b.size.height);
    if (CGRectContainsPoint(right, point))
        incrementPageNumber();
    else if (CGRectContainsPoint(left, point))
        decrementPageNumber();
}

void PdfViewController::contentViewTouchesBegan(PdfContentView&, const UITouchSet& touches)
{
    if (m_mainToolbar->isHidden() && m_mainPagebar->isHidden())
        return;
    if (touches.size() == 1) {
        auto root = view();
        CGPoint point = touches.front()->locationInView(root.get());
        if (!CGRectContainsPoint(CGRectInset(root->bounds(), kTapAreaSize, kTapAreaSize), point))
            return;
    }
    m_mainToolbar->hideToolbar();
    m_mainPagebar->hidePagebar();
    m_lastHideTime = Clock::now();
}

void PdfViewController::updateToolbarBookmarkIcon()
{
    m_mainToolbar->setBookmarkState(
        m_document->bookmarks().containsIndex(static_cast<NSUInteger>(m_document->pageNumber())));
}

void PdfViewController::tappedInToolbarMarkButton(PdfMainToolbar& toolbar, UIButton&)
{
    dismissPopControllers();
    auto page = static_cast<NSUInteger>(m_document->pageNumber());
    if (m_document->bookmarks().containsIndex(page)) {
        toolbar.setBookmarkState(false);
        m_document->bookmarks().removeIndex(page);
    } else {
        toolbar.setBookmarkState(true);
        m_document->bookmarks().addIndex(page);
    }
}

void PdfViewController::tappedInToolbarThumbsButton(PdfMainToolbar&, UIButton&)
{
    dismissPopControllers();
    auto overview = ThumbsViewController::initWithReaderDocumentDocumentName(m_document, m_docName);
    overview->setDelegate(std::static_pointer_cast<ThumbsViewControllerDelegate>(self()));
    overview->setTitle(title());
    overview->setModalTransitionStyle(UIModalTransitionStyleCrossDissolve);
    overview->setModalPresentationStyle(UIModalPresentationFullScreen);
    presentModalViewControllerAnimated(overview, false);
}

void PdfViewController::thumbsViewControllerGotoPage(ThumbsViewController&, long page) { showDocumentPage(page); }

void PdfViewController::pagebarGotoPage(PdfMainPagebar&, long page) { showDocumentPage(page); }

void PdfViewController::dismissThumbsViewController(ThumbsViewController&)
{
    updateToolbarBookmarkIcon();
    dismissModalViewControllerAnimated(false);
}

void PdfViewController::dismissReaderViewController()
{
    auto keep = self();
    m_document->saveReaderDocument();
    PdfThumbQueue::sharedInstance().cancelOperationsWithGUID(m_document->guid());
    PdfThumbCache::sharedInstance().removeAllObjects();
    dismissPopControllers();
    if (auto delegate = m_delegate.lock())
        delegate->dismissReaderViewController(*this);
}

void PdfViewController::tappedInToolbarDoneButton(PdfMainToolbar&, UIButton&) { dismissReaderViewController(); }

void PdfViewController::tappedInToolbarShareButton(PdfMainToolbar&, UIButton& button)
{
    LibraryFileActions::dismissShareControllers(m_printInteraction, m_documentController, true);
    if (!m_shareSheet)
        m_shareSheet = LibraryFileActions::makeShareSheet(std::static_pointer_cast<UIActionSheetDelegate>(self()));
    if (!m_shareSheet->isVisible()) {
        CGRect frame = button.convertRectToView(button.bounds(), view().get());
        m_shareSheet->showFromRectInViewAnimated(frame, view(), true);
        m_rectToShow = frame;
    }
}

void PdfViewController::actionSheetClickedButtonAtIndex(UIActionSheet&, long buttonIndex)
{
    LibraryFileActions::takeShareStep(
        buttonIndex, { [this] { email(); }, [this] { print(); }, [this] { openWithApp(); } });
}

void PdfViewController::email()
{
    if (!LibraryFileActions::canMailOrTellWhy())
        return;
    if (m_document->fileSize().value_or(0) >= kMaximumMailSize)
        return;
    auto data = NSFileManager::defaultManager().contentsAtPath(m_document->fileURL());
    if (!data)
        return;
    auto composer = LibraryFileActions::mailComposer(*data, "application/pdf", m_document->fileName(),
        m_document->fileName(), std::static_pointer_cast<MFMailComposeViewControllerDelegate>(self()));
    presentModalViewControllerAnimated(composer, true);
}

void PdfViewController::mailComposeControllerDidFinishWithResultError(
    MFMailComposeViewController&, MFMailComposeResult result, const std::shared_ptr<NSError>& error)
{
    if (result == MFMailComposeResultFailed)
        NSLog("sending mail error:%@", error ? error->localizedDescription() : std::string("(null)"));
    if (auto notice = LibraryFileActions::mailResultNotice(result))
        LibraryFileActions::showNotice(*notice, std::nullopt, std::static_pointer_cast<UIAlertViewDelegate>(self()));
    dismissModalViewControllerAnimated(true);
}

void PdfViewController::print()
{
    if (!UIPrintInteractionController::isPrintingAvailable())
        return;
    m_printInteraction = UIPrintInteractionController::sharedPrintInteractionController();
    if (!m_printInteraction || !UIPrintInteractionController::canPrintURL(m_document->fileURL()))
        return;
    auto info = UIPrintInfo::printInfo();
    info->duplex = UIPrintInfoDuplexLongEdge;
    info->outputType = UIPrintInfoOutputGeneral;
    info->jobName = m_document->fileName();
    m_printInteraction->printInfo = info;
    m_printInteraction->printingItemURL = m_document->fileURL();
    m_printInteraction->showsPageRange = true;
    auto done = [](UIPrintInteractionController&, bool, const std::shared_ptr<NSError>&) {};
    if (UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad)
        m_printInteraction->presentFromRectInViewAnimatedCompletionHandler(m_rectToShow, view(), true, done);
    else
        m_printInteraction->presentAnimatedCompletionHandler(true, done);
}

void PdfViewController::openWithApp()
{
    m_documentController = LibraryFileActions::openInController(
        m_document->fileURL(), std::static_pointer_cast<UIDocumentInteractionControllerDelegate>(self()));
    m_documentController->UTI = "com.adobe.pdf";
    if (!m_documentController->presentOpenInMenuFromRectInViewAnimated(m_rectToShow, view(), true))
        LibraryFileActions::showNotice(
            "NOTIFICATION", std::string("PLEASEDOWNLOADREADER"), std::static_pointer_cast<UIAlertViewDelegate>(self()));
}

void PdfViewController::dismissPopControllers()
{
    if (m_shareSheet && m_shareSheet->isVisible())
        m_shareSheet->dismissWithClickedButtonIndexAnimated(-1, false);
    LibraryFileActions::dismissShareControllers(m_printInteraction, m_documentController, false);
}

void PdfViewController::applicationWill()
{
    m_document->saveReaderDocument();
    if (UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad && m_printInteraction)
        m_printInteraction->dismissAnimated(false);
}

void PdfViewController::willRotateToInterfaceOrientationDuration(UIInterfaceOrientation, double)
{
    if (m_isVisible && UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad)
        dismissPopControllers();
}

void PdfViewController::willAnimateRotationToInterfaceOrientationDuration(UIInterfaceOrientation, double)
{
    if (m_isVisible) {
        updateScrollViewContentViews();
        m_lastAppearSize = CGSizeZero;
    }
}
