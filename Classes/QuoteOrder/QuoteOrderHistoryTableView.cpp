#include "Classes/QuoteOrder/QuoteOrderHistoryTableView.h"

#include "Classes/QuoteOrder/QuoteOrderHistoryTableViewCell.h"
#include "Platform/UIKit/UITouch.h"

void QuoteOrderHistoryTableView::setTint(long tag, bool shown)
{
    auto cell = std::dynamic_pointer_cast<QuoteOrderHistoryTableViewCell>(
        cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(tag - kRowTagBase, 0)));
    if (cell)
        cell->tintView()->setHidden(!shown);
}

void QuoteOrderHistoryTableView::touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event)
{
    if (m_touchedTag >= 0) {
        setTint(m_touchedTag, false);
        m_touchedTag = -1;
        cellIsSelected = false;
    }
    if (touches.size() == 1 && touches.front()) {
        const CGPoint point = touches.front()->locationInView(this);
        for (const auto& cell : visibleCells()) {
            if (cell && CGRectContainsPoint(cell->frame(), point)) {
                m_touchedTag = cell->tag();
                setTint(m_touchedTag, true);
                break;
            }
        }
    }
    PullTableView::touchesBeganWithEvent(touches, event);
}

void QuoteOrderHistoryTableView::releaseTouchedRow()
{
    if (m_touchedTag < 0 || cellIsSelected)
        return;
    setTint(m_touchedTag, false);
    m_touchedTag = -1;
}

void QuoteOrderHistoryTableView::touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    releaseTouchedRow();
    PullTableView::touchesEndedWithEvent(touches, event);
}

void QuoteOrderHistoryTableView::touchesCancelledWithEvent(const UITouchSet& touches, UIEvent* event)
{
    releaseTouchedRow();
    PullTableView::touchesCancelledWithEvent(touches, event);
}
