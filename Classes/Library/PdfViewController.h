#pragma once

// The full-screen PDF reader. It pages horizontally through the document,
// one zooming page view a page, keeping at most three page views alive
// around the current page. The top toolbar goes back, opens the page
// overview, toggles the page's bookmark and shares the file (mail, print,
// another application); the page bar scrubs through the pages. Narrow zones
// at the left and right edges turn pages; a tap in the middle follows a link
// or brings back the bars, which a touch in the page area hides.
//
// It is opened with a document (PdfDocument::withDocumentFilePathPassword)
// and a display name, and saves the document's page, bookmarks and last-open
// date when it closes and when the application resigns active or ends. A
// link opens only http, https and mailto addresses.

#include "Classes/Library/PdfContentView.h"
#include "Classes/Library/PdfMainPagebar.h"
#include "Classes/Library/PdfMainToolbar.h"
#include "Classes/Library/ThumbsViewController.h"
#include "Platform/UIKit/MFMailComposeViewController.h"
#include "Platform/UIKit/UIActionSheet.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIDocumentInteractionController.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UIViewController.h"

#include <map>
#include <memory>
#include <string>

class PdfDocument;
class PdfViewController;
class UIPrintInteractionController;

class PdfViewControllerDelegate {
public:
    virtual ~PdfViewControllerDelegate() = default;
    // Optional; the opener removes the screen when it hears it.
    virtual void dismissReaderViewController(PdfViewController&) { }
};

class PdfViewController : public UIViewController,
                          public UIScrollViewDelegate,
                          public UIGestureRecognizerDelegate,
                          public MFMailComposeViewControllerDelegate,
                          public UIDocumentInteractionControllerDelegate,
                          public UIActionSheetDelegate,
                          public UIAlertViewDelegate,
                          public PdfMainToolbarDelegate,
                          public PdfMainPagebarDelegate,
                          public PdfContentViewDelegate,
                          public ThumbsViewControllerDelegate {
public:
    static constexpr CGFloat kTapAreaSize = 48;
    static constexpr CGFloat kToolbarHeight = 44;
    static constexpr CGFloat kPagebarHeight = 48;
    static constexpr double kShowBarsDelay = 0.75;
    static constexpr double kShowDocumentDelay = 0.02;
    static constexpr uint64_t kMaximumMailSize = 52428800;

    static std::shared_ptr<PdfViewController> initWithReaderDocumentDocumentName(
        const std::shared_ptr<PdfDocument>& document, const std::string& documentName);
    ~PdfViewController() override;

    void setDelegate(std::weak_ptr<PdfViewControllerDelegate> delegate) { m_delegate = std::move(delegate); }

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void viewDidUnload() override;
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation) override { return true; }
    unsigned supportedInterfaceOrientations() const override { return 30; }
    void willRotateToInterfaceOrientationDuration(UIInterfaceOrientation orientation, double duration);
    void willAnimateRotationToInterfaceOrientationDuration(UIInterfaceOrientation orientation, double duration);

    void updateScrollViewContentSize();
    void updateScrollViewContentViews();
    void showDocumentPage(long page);
    void showDocument();
    void decrementPageNumber();
    void incrementPageNumber();
    void updateToolbarBookmarkIcon();

    void handleSingleTap(UIGestureRecognizer& recognizer);
    void handleDoubleTap(UIGestureRecognizer& recognizer);
    bool gestureRecognizerShouldReceiveTouch(UIGestureRecognizer& recognizer, UITouch& touch) override;
    void scrollViewDidEndDecelerating(UIScrollView& scrollView) override;
    void scrollViewDidEndScrollingAnimation(UIScrollView& scrollView) override;
    void contentViewTouchesBegan(PdfContentView& contentView, const UITouchSet& touches) override;

    void tappedInToolbarDoneButton(PdfMainToolbar& toolbar, UIButton& button) override;
    void tappedInToolbarThumbsButton(PdfMainToolbar& toolbar, UIButton& button) override;
    void tappedInToolbarMarkButton(PdfMainToolbar& toolbar, UIButton& button) override;
    void tappedInToolbarShareButton(PdfMainToolbar& toolbar, UIButton& button) override;
    void pagebarGotoPage(PdfMainPagebar& pagebar, long page) override;

    void thumbsViewControllerGotoPage(ThumbsViewController& controller, long page) override;
    void dismissThumbsViewController(ThumbsViewController& controller) override;
    void dismissReaderViewController() override;

    void email();
    void print();
    void openWithApp();
    void dismissPopControllers();
    void actionSheetClickedButtonAtIndex(UIActionSheet& sheet, long buttonIndex) override;
    void mailComposeControllerDidFinishWithResultError(MFMailComposeViewController& controller,
        MFMailComposeResult result, const std::shared_ptr<NSError>& error) override;
    void applicationWill();

    // What a person sees, for tests and the opener.
    const std::shared_ptr<PdfDocument>& document() const { return m_document; }
    const std::shared_ptr<UIScrollView>& scrollView() const { return m_theScrollView; }
    const std::shared_ptr<PdfMainToolbar>& mainToolbar() const { return m_mainToolbar; }
    const std::shared_ptr<PdfMainPagebar>& mainPagebar() const { return m_mainPagebar; }
    const std::map<long, std::shared_ptr<PdfContentView>>& contentViews() const { return m_contentViews; }
    long currentPage() const { return m_currentPage; }
    const std::shared_ptr<UIActionSheet>& shareSheet() const { return m_shareSheet; }

    // The address a link's target opens, or nothing for a scheme this reader refuses.
    static std::optional<std::string> openableLinkAddress(const std::string& address);

    PdfViewController() = default;

private:
    std::shared_ptr<PdfViewController> self() { return protect<PdfViewController>(); }

    std::shared_ptr<PdfDocument> m_document;
    std::shared_ptr<UIScrollView> m_theScrollView;
    std::shared_ptr<PdfMainToolbar> m_mainToolbar;
    std::shared_ptr<PdfMainPagebar> m_mainPagebar;
    std::map<long, std::shared_ptr<PdfContentView>> m_contentViews;
    std::shared_ptr<UIPrintInteractionController> m_printInteraction;
    long m_currentPage = 0;
    CGSize m_lastAppearSize {};
    double m_lastHideTime = 0;
    bool m_isVisible = false;
    std::shared_ptr<UIDocumentInteractionController> m_documentController;
    std::shared_ptr<UIActionSheet> m_shareSheet;
    CGRect m_rectToShow {};
    std::string m_docName;
    std::weak_ptr<PdfViewControllerDelegate> m_delegate;
    std::vector<std::shared_ptr<UIAlertView>> m_alerts;
};
