#pragma once

// A cell of the page overview: a white card with a shadow that wraps the page
// picture once it arrives, the page number shown until then, a bookmark
// ribbon at the top right, and a dark cover while touched.

#include "Classes/Library/PdfThumbView.h"

class UILabel;

class ThumbsPageThumb : public PdfThumbView {
public:
    explicit ThumbsPageThumb(CGRect frame);

    CGSize maximumContentSize() const { return m_maximumSize; }
    CGRect markRectInImageView() const;
    void showImage(const std::shared_ptr<UIImage>& image) override;
    void reuse() override;
    void showBookmark(bool show);
    void showTouched(bool touched) override;
    void showText(const std::string& text);

    const std::shared_ptr<UILabel>& textLabel() const { return m_textLabel; }
    const std::shared_ptr<UIImageView>& bookMark() const { return m_bookMark; }
    const std::shared_ptr<UIView>& tintView() const { return m_tintView; }
    const std::shared_ptr<UIView>& backView() const { return m_backView; }

private:
    void placeDecorations();

    std::shared_ptr<UIView> m_backView;
    std::shared_ptr<UIView> m_tintView;
    std::shared_ptr<UILabel> m_textLabel;
    std::shared_ptr<UIImageView> m_bookMark;
    CGSize m_maximumSize {};
    CGRect m_defaultRect {};
};
