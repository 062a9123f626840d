#pragma once

// The order list's table: a pull table that tints the row under a single
// finger while it is down, and keeps the tint while that row's pop-up is
// open (cellIsSelected).

#include "Classes/QuoteOrder/PullTableView.h"

class QuoteOrderHistoryTableView : public PullTableView {
public:
    static constexpr long kRowTagBase = 4500;

    using PullTableView::PullTableView;

    bool cellIsSelected = false;
    // The tag of the row under the finger, -1 for none.
    long touchedTag() const { return m_touchedTag; }

    void touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesCancelledWithEvent(const UITouchSet& touches, UIEvent* event) override;

private:
    void setTint(long tag, bool shown);
    void releaseTouchedRow();

    long m_touchedTag = -1;
};
