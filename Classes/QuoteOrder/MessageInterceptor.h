#pragma once

// Stands between a PullTableView and its owner's delegate: the table hears
// the scroll messages it tracks first, and every message reaches the owner's
// delegate (the receiver) unchanged.

#include "Platform/UIKit/UITableView.h"

#include <memory>

class PullTableView;

class MessageInterceptor : public UITableViewDelegate {
public:
    std::shared_ptr<UITableViewDelegate> receiver() const { return m_receiver.lock(); }
    void setReceiver(std::weak_ptr<UITableViewDelegate> r) { m_receiver = std::move(r); }
    PullTableView* middleMan() const { return m_middleMan; }
    void setMiddleMan(PullTableView* table) { m_middleMan = table; }

    // Scroll messages the table handles before the receiver.
    void scrollViewDidScroll(UIScrollView& s) override;
    void scrollViewWillBeginDragging(UIScrollView& s) override;
    void scrollViewDidEndDraggingWillDecelerate(UIScrollView& s, bool decelerate) override;

    // Everything else goes straight to the receiver.
    void scrollViewWillEndDraggingWithVelocityTargetContentOffset(UIScrollView& s, CGPoint v, CGPoint* t) override;
    void scrollViewWillBeginDecelerating(UIScrollView& s) override;
    void scrollViewDidEndDecelerating(UIScrollView& s) override;
    void scrollViewDidEndScrollingAnimation(UIScrollView& s) override;
    std::shared_ptr<UIView> viewForZoomingInScrollView(UIScrollView& s) override;
    void scrollViewWillBeginZoomingWithView(UIScrollView& s, UIView* v) override;
    void scrollViewDidZoom(UIScrollView& s) override;
    void scrollViewDidEndZoomingWithViewAtScale(UIScrollView& s, UIView* v, CGFloat scale) override;
    bool scrollViewShouldScrollToTop(UIScrollView& s) override;
    void scrollViewDidScrollToTop(UIScrollView& s) override;

    std::optional<CGFloat> tableViewHeightForRowAtIndexPath(UITableView& t, const NSIndexPath& p) override;
    std::optional<CGFloat> tableViewHeightForHeaderInSection(UITableView& t, long s) override;
    std::optional<CGFloat> tableViewHeightForFooterInSection(UITableView& t, long s) override;
    std::shared_ptr<UIView> tableViewViewForHeaderInSection(UITableView& t, long s) override;
    std::shared_ptr<UIView> tableViewViewForFooterInSection(UITableView& t, long s) override;
    void tableViewWillDisplayCellForRowAtIndexPath(UITableView& t, UITableViewCell& c, const NSIndexPath& p) override;
    std::optional<NSIndexPath> tableViewWillSelectRowAtIndexPath(UITableView& t, const NSIndexPath& p) override;
    void tableViewDidSelectRowAtIndexPath(UITableView& t, const NSIndexPath& p) override;
    void tableViewDidDeselectRowAtIndexPath(UITableView& t, const NSIndexPath& p) override;
    void tableViewAccessoryButtonTappedForRowWithIndexPath(UITableView& t, const NSIndexPath& p) override;
    UITableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(UITableView& t, const NSIndexPath& p) override;
    std::optional<std::string> tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(
        UITableView& t, const NSIndexPath& p) override;
    void tableViewWillBeginEditingRowAtIndexPath(UITableView& t, const NSIndexPath& p) override;
    void tableViewDidEndEditingRowAtIndexPath(UITableView& t, const NSIndexPath& p) override;

private:
    std::weak_ptr<UITableViewDelegate> m_receiver;
    PullTableView* m_middleMan = nullptr;
};
