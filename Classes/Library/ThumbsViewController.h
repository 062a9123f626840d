#pragma once

// The page overview, presented by the reader: a grid of page thumbnails of
// the whole document or of its bookmarked pages only. A tap goes to the page
// and closes the overview; a long press toggles the page's bookmark. Each
// mode remembers its own scroll position while the other is shown; the
// bookmark list is rebuilt only on entering bookmark mode after a change.

#include "Classes/Library/PdfThumbsView.h"
#include "Classes/Library/ThumbsMainToolbar.h"
#include "Platform/UIKit/UIViewController.h"

#include <memory>
#include <string>
#include <vector>

class PdfDocument;
class ThumbsViewController;

class ThumbsViewControllerDelegate {
public:
    virtual ~ThumbsViewControllerDelegate() = default;
    virtual void thumbsViewControllerGotoPage(ThumbsViewController& controller, long page) = 0;
    virtual void dismissThumbsViewController(ThumbsViewController& controller) = 0;
    virtual void dismissReaderViewController() = 0;
};

class ThumbsViewController : public UIViewController, public ThumbsMainToolbarDelegate, public PdfThumbsViewDelegate {
public:
    static std::shared_ptr<ThumbsViewController> initWithReaderDocumentDocumentName(
        const std::shared_ptr<PdfDocument>& document, const std::string& documentName);

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidUnload() override;
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation) override { return true; }
    unsigned supportedInterfaceOrientations() const override { return 30; }

    void setDelegate(std::weak_ptr<ThumbsViewControllerDelegate> delegate) { m_delegate = std::move(delegate); }

    void tappedInToolbarDoneButton(ThumbsMainToolbar& toolbar, UIButton& button) override;
    void tappedInToolbarViewButton(ThumbsMainToolbar& toolbar, UIButton& button) override;
    void tappedInToolbarShowControl(ThumbsMainToolbar& toolbar, UISegmentedControl& control) override;

    size_t numberOfThumbsInThumbsView(PdfThumbsView& thumbsView) override;
    std::shared_ptr<PdfThumbView> thumbsViewThumbCellWithFrame(PdfThumbsView& thumbsView, CGRect frame) override;
    void thumbsViewUpdateThumbCellForIndex(PdfThumbsView& thumbsView, PdfThumbView& cell, long index) override;
    void thumbsViewDidSelectThumbWithIndex(PdfThumbsView& thumbsView, long index) override;
    bool thumbsViewRefreshThumbCellForIndex(PdfThumbsView& thumbsView, PdfThumbView& cell, long index) override;
    bool thumbsViewDidPressThumbWithIndex(PdfThumbsView& thumbsView, long index) override;

    const std::shared_ptr<ThumbsMainToolbar>& mainToolbar() const { return m_mainToolbar; }
    const std::shared_ptr<PdfThumbsView>& thumbsView() const { return m_theThumbsView; }
    bool showBookmarked() const { return m_showBookmarked; }

private:
    long pageForIndex(long index) const;

    std::shared_ptr<PdfDocument> m_document;
    std::shared_ptr<ThumbsMainToolbar> m_mainToolbar;
    std::shared_ptr<PdfThumbsView> m_theThumbsView;
    std::vector<long> m_bookmarked;
    CGPoint m_thumbsOffset {};
    CGPoint m_markedOffset {};
    bool m_updateBookmarked = true;
    bool m_showBookmarked = false;
    std::string m_docName;
    std::weak_ptr<ThumbsViewControllerDelegate> m_delegate;
};
