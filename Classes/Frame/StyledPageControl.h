#pragma once

// A page indicator that draws itself: a row of dots (or images, per page if
// wished), the current one highlighted, aligned inside the bounds. A tap left
// of the row's middle moves one page back, right of it one page forward,
// sending value-changed; a tap beyond the first or last page does nothing.
// With defersCurrentPageDisplay the highlight moves only at
// updateCurrentPageDisplay.

#include "Platform/UIKit/UIControl.h"

#include <map>
#include <memory>

class UIColor;
class UIImage;
class UIScrollView;

class StyledPageControl : public UIControl {
public:
    enum Alignment : unsigned { Left = 1, Center = 2, Right = 3 };
    enum VerticalAlignment : unsigned { Top = 1, Middle = 2, Bottom = 3 };

    explicit StyledPageControl(CGRect frame = CGRectZero);

    int numberOfPages() const { return m_numberOfPages; }
    void setNumberOfPages(int pages);
    int currentPage() const { return m_currentPage; }
    void setCurrentPage(int page) { setCurrentPageSendEventCanDefer(page, false, false); }
    void setCurrentPageSendEventCanDefer(int page, bool sendEvent, bool canDefer);
    int displayedPage() const { return m_displayedPage; }
    void updateCurrentPageDisplay();
    void updatePageNumberForScrollView(const UIScrollView& scrollView);

    float indicatorDiameter() const { return m_indicatorDiameter; }
    void setIndicatorDiameter(float diameter);
    float indicatorMargin() const { return m_indicatorMargin; }
    void setIndicatorMargin(float margin);
    unsigned alignment = Center;
    unsigned verticalAlignment = Middle;
    std::shared_ptr<UIColor> pageIndicatorTintColor;
    std::shared_ptr<UIColor> currentPageIndicatorTintColor;
    bool hidesForSinglePage = false;
    bool defersCurrentPageDisplay = false;

    const std::shared_ptr<UIImage>& pageIndicatorImage() const { return m_pageIndicatorImage; }
    void setPageIndicatorImage(std::shared_ptr<UIImage> image);
    const std::shared_ptr<UIImage>& currentPageIndicatorImage() const { return m_currentPageIndicatorImage; }
    void setCurrentPageIndicatorImage(std::shared_ptr<UIImage> image);
    void setImageForPage(std::shared_ptr<UIImage> image, int page);
    void setCurrentImageForPage(std::shared_ptr<UIImage> image, int page);
    std::shared_ptr<UIImage> imageForPage(int page) const;
    std::shared_ptr<UIImage> currentImageForPage(int page) const;

    CGSize sizeForNumberOfPages(int pages) const;
    CGRect rectForPageIndicator(int page) const;
    void sizeToFit();

    void setFrame(CGRect frame) override;
    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }
    void touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event) override;

private:
    void updateMeasuredIndicatorSizes();
    CGFloat leftOffset() const;
    CGFloat topOffset() const;

    int m_numberOfPages = 0;
    int m_currentPage = 0;
    int m_displayedPage = 0;
    float m_indicatorDiameter = 10;
    float m_indicatorMargin = 10;
    float m_measuredIndicatorWidth = 10;
    float m_measuredIndicatorHeight = 10;
    std::shared_ptr<UIImage> m_pageIndicatorImage;
    std::shared_ptr<UIImage> m_currentPageIndicatorImage;
    std::map<int, std::shared_ptr<UIImage>> m_pageImages;
    std::map<int, std::shared_ptr<UIImage>> m_currentPageImages;
};
