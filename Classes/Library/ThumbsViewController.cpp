#include "Classes/Library/ThumbsViewController.h"

#include "Classes/Library/PdfDocument.h"
#include "Classes/Library/PdfThumbCache.h"
#include "Classes/Library/PdfThumbRequest.h"
#include "Classes/Library/ThumbsPageThumb.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/NSException.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UISegmentedControl.h"

std::shared_ptr<ThumbsViewController> ThumbsViewController::initWithReaderDocumentDocumentName(
    const std::shared_ptr<PdfDocument>& document, const std::string& documentName)
{
    if (!document)
        return nullptr;
    auto controller = std::make_shared<ThumbsViewController>();
    controller->m_updateBookmarked = true;
    controller->m_document = document;
    controller->m_docName = documentName;
    return controller;
}

void ThumbsViewController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    if (!m_delegate.lock())
        NSException::raiseFormat(NSInternalInconsistencyException, "Assertion failure in %s: %s",
            "Classes/Library/ThumbsViewController", "delegate != nil");
    if (!m_document)
        NSException::raiseFormat(NSInternalInconsistencyException, "Assertion failure in %s: %s",
            "Classes/Library/ThumbsViewController", "document != nil");
    auto root = view();
    root->setBackgroundColor(UIColor::scrollViewTexturedBackgroundColor());
    CGRect b = root->bounds();
    m_mainToolbar
        = ThumbsMainToolbar::initWithFrameTitle(CGRectMake(b.origin.x, b.origin.y, b.size.width, 44), m_docName);
    m_mainToolbar->setDelegate(std::static_pointer_cast<ThumbsMainToolbarDelegate>(protect<ThumbsViewController>()));
    root->addSubview(m_mainToolbar);

    bool pad = UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad;
    CGRect gridRect = b;
    if (pad) {
        gridRect.origin.y += 44;
        gridRect.size.height -= 44;
    }
    m_theThumbsView = PdfThumbsView::initWithFrame(gridRect);
    if (!pad) {
        m_theThumbsView->setContentInset(UIEdgeInsetsMake(44, 0, 0, 0));
        m_theThumbsView->setScrollIndicatorInsets(UIEdgeInsetsMake(44, 0, 0, 0));
    }
    m_theThumbsView->setThumbsDelegate(
        std::static_pointer_cast<PdfThumbsViewDelegate>(protect<ThumbsViewController>()));
    root->insertSubviewBelowSubview(m_theThumbsView, m_mainToolbar);
    m_theThumbsView->setThumbSize(pad ? CGSizeMake(256, 256) : CGSizeMake(160, 160));
}

void ThumbsViewController::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    m_theThumbsView->reloadThumbsCenterOnIndex(m_document->pageNumber() - 1);
}

void ThumbsViewController::viewDidUnload()
{
    m_mainToolbar.reset();
    m_theThumbsView.reset();
    UIViewController::viewDidUnload();
}

long ThumbsViewController::pageForIndex(long index) const
{
    if (m_showBookmarked)
        return index >= 0 && static_cast<size_t>(index) < m_bookmarked.size() ? m_bookmarked[static_cast<size_t>(index)]
                                                                              : 0;
    return index + 1;
}

size_t ThumbsViewController::numberOfThumbsInThumbsView(PdfThumbsView&)
{
    if (m_showBookmarked)
        return m_bookmarked.size();
    return static_cast<size_t>(std::max(0L, m_document->pageCount().value_or(0)));
}

std::shared_ptr<PdfThumbView> ThumbsViewController::thumbsViewThumbCellWithFrame(PdfThumbsView&, CGRect frame)
{
    return std::make_shared<ThumbsPageThumb>(frame);
}

void ThumbsViewController::thumbsViewUpdateThumbCellForIndex(PdfThumbsView&, PdfThumbView& cell, long index)
{
    auto& thumb = static_cast<ThumbsPageThumb&>(cell);
    long page = pageForIndex(index);
    thumb.showText(stringWithFormat("%d", static_cast<int>(page)));
    thumb.showBookmark(m_document->bookmarks().containsIndex(static_cast<NSUInteger>(page)));
    auto view = std::static_pointer_cast<PdfThumbView>(thumb.sharedView());
    auto request = PdfThumbRequest::newForViewFileURLPasswordGuidPageSize(
        view, m_document->fileURL(), m_document->password(), m_document->guid(), page, thumb.maximumContentSize());
    auto entry = PdfThumbCache::sharedInstance().thumbRequestPriority(request, true);
    if (auto image = std::get_if<std::shared_ptr<UIImage>>(&entry))
        thumb.showImage(*image);
}

bool ThumbsViewController::thumbsViewRefreshThumbCellForIndex(PdfThumbsView&, PdfThumbView& cell, long index)
{
    long page = pageForIndex(index);
    static_cast<ThumbsPageThumb&>(cell).showBookmark(
        m_document->bookmarks().containsIndex(static_cast<NSUInteger>(page)));
    return true;
}

void ThumbsViewController::thumbsViewDidSelectThumbWithIndex(PdfThumbsView&, long index)
{
    auto keep = shared_from_this();
    long page = pageForIndex(index);
    if (auto delegate = m_delegate.lock()) {
        delegate->thumbsViewControllerGotoPage(*this, page);
        delegate->dismissThumbsViewController(*this);
    }
}

bool ThumbsViewController::thumbsViewDidPressThumbWithIndex(PdfThumbsView& thumbsView, long index)
{
    auto page = static_cast<NSUInteger>(pageForIndex(index));
    auto& marks = m_document->bookmarks();
    if (marks.containsIndex(page))
        marks.removeIndex(page);
    else
        marks.addIndex(page);
    m_updateBookmarked = true;
    thumbsView.refreshThumbWithIndex(index);
    return true;
}

void ThumbsViewController::tappedInToolbarShowControl(ThumbsMainToolbar&, UISegmentedControl& control)
{
    switch (control.selectedSegmentIndex()) {
    case 1:
        m_showBookmarked = true;
        m_thumbsOffset = m_theThumbsView->insetContentOffset();
        if (m_updateBookmarked) {
            m_bookmarked.clear();
            for (auto page : m_document->bookmarks().allIndexes())
                m_bookmarked.push_back(static_cast<long>(page));
            m_markedOffset = CGPointZero;
            m_updateBookmarked = false;
        }
        m_theThumbsView->reloadThumbsContentOffset(m_markedOffset);
        break;
    case 0:
        m_showBookmarked = false;
        m_markedOffset = m_theThumbsView->insetContentOffset();
        m_theThumbsView->reloadThumbsContentOffset(m_thumbsOffset);
        break;
    default:
        break;
    }
}

void ThumbsViewController::tappedInToolbarViewButton(ThumbsMainToolbar&, UIButton&)
{
    auto keep = shared_from_this();
    if (auto delegate = m_delegate.lock())
        delegate->dismissThumbsViewController(*this);
}

void ThumbsViewController::tappedInToolbarDoneButton(ThumbsMainToolbar&, UIButton&)
{
    auto keep = shared_from_this();
    if (auto delegate = m_delegate.lock()) {
        delegate->dismissThumbsViewController(*this);
        delegate->dismissReaderViewController();
    }
}
