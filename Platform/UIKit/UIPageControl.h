#pragma once

// Dots for the pages of a paged view. A tap right of the current dot goes one
// page on, left of it one page back, and sends value-changed.

#include "Platform/UIKit/UIControl.h"

class UIPageControl : public UIControl {
public:
    using UIControl::UIControl;

    long numberOfPages() const { return m_pages; }
    void setNumberOfPages(long n);
    long currentPage() const { return m_current; }
    void setCurrentPage(long page);
    bool hidesForSinglePage() const { return m_hidesForSinglePage; }
    void setHidesForSinglePage(bool on)
    {
        m_hidesForSinglePage = on;
        setNeedsDisplay();
    }
    std::shared_ptr<UIColor> pageIndicatorTintColor;
    std::shared_ptr<UIColor> currentPageIndicatorTintColor;

    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }

protected:
    void didTapAt(CGPoint point, UIEvent* event) override;

private:
    long m_pages = 0;
    long m_current = 0;
    bool m_hidesForSinglePage = false;
};
