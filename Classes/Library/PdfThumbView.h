#pragma once

// The small image view every page thumbnail of the reader is built on: the
// placeholder under a page, the page bar's marks and the overview's cells.
// Its target tag names the one thumbnail request whose image it accepts, and
// its operation is the fetch or render now working for it; reusing the view
// clears the tag and cancels that work, so a late image for an old page is
// never shown.

#include "Platform/UIKit/UIImageView.h"

#include <memory>
#include <mutex>

class NSOperation;
class UIImage;

class PdfThumbView : public UIView {
public:
    explicit PdfThumbView(CGRect frame);
    ~PdfThumbView() override;

    virtual void showImage(const std::shared_ptr<UIImage>& image);
    virtual void showTouched(bool touched) { }
    virtual void reuse();
    // Leaving the superview drops the tag and cancels the work, as reuse does.
    void willMoveToSuperview(UIView* newSuperview) override;

    // Set and cleared from the thumbnail workers too, hence the lock.
    std::shared_ptr<NSOperation> operation() const;
    void setOperation(std::shared_ptr<NSOperation> operation);
    size_t targetTag() const { return m_targetTag; }
    void setTargetTag(size_t tag) { m_targetTag = tag; }

    const std::shared_ptr<UIImageView>& imageView() const { return m_imageView; }

protected:
    std::shared_ptr<UIImageView> m_imageView;

private:
    mutable std::mutex m_operationLock;
    std::shared_ptr<NSOperation> m_operation;
    size_t m_targetTag = 0;
};
