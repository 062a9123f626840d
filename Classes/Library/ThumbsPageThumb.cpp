#include "Classes/Library/ThumbsPageThumb.h"

#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UILabel.h"

#include <cmath>

namespace {

void plain(UIView& view)
{
    view.setAutoresizesSubviews(false);
    view.setUserInteractionEnabled(false);
    view.setContentMode(UIViewContentModeRedraw);
    view.setAutoresizingMask(UIViewAutoresizingNone);
}

}  // namespace

ThumbsPageThumb::ThumbsPageThumb(CGRect frame)
    : PdfThumbView(frame)
{
    m_imageView->setContentMode(UIViewContentModeCenter);
    CGRect inset = CGRectInset(bounds(), 8, 8);
    m_maximumSize = inset.size;
    CGFloat width = inset.size.width * 3 / 4;
    m_defaultRect = CGRectMake(inset.origin.x + width / 8, inset.origin.y, width, inset.size.height);
    m_imageView->setFrame(m_defaultRect);

    bool pad = UIDevice::currentDevice().userInterfaceIdiom() == UIUserInterfaceIdiomPad;
    m_textLabel = std::make_shared<UILabel>(m_defaultRect);
    plain(*m_textLabel);
    m_textLabel->setTextAlignment(UITextAlignmentCenter);
    m_textLabel->setFont(UIFont::systemFontOfSize(pad ? 19 : 16));
    m_textLabel->setTextColor(UIColor::colorWithWhiteAlpha(0.24f, 1));
    m_textLabel->setBackgroundColor(UIColor::whiteColor());
    insertSubviewBelowSubview(m_textLabel, m_imageView);

    m_backView = std::make_shared<UIView>(m_defaultRect);
    plain(*m_backView);
    m_backView->setBackgroundColor(UIColor::whiteColor());
    m_backView->layer()->setShadowOffset(CGSizeMake(0, 1));
    m_backView->layer()->setShadowRadius(3);
    m_backView->layer()->setShadowOpacity(1);
    m_backView->layer()->setShadowPathRect(m_backView->bounds());
    insertSubviewBelowSubview(m_backView, m_textLabel);

    m_tintView = std::make_shared<UIView>(m_imageView->bounds());
    m_tintView->setHidden(true);
    plain(*m_tintView);
    m_tintView->setBackgroundColor(UIColor::colorWithWhiteAlpha(0, 0.25f));
    m_imageView->addSubview(m_tintView);

    m_bookMark = std::make_shared<UIImageView>(UIImage::imageNamed("Pdf-Mark-Y"));
    m_bookMark->setHidden(true);
    plain(*m_bookMark);
    m_bookMark->setContentMode(UIViewContentModeCenter);
    m_bookMark->setFrame(markRectInImageView());
    m_imageView->addSubview(m_bookMark);
}

CGRect ThumbsPageThumb::markRectInImageView() const
{
    CGRect frame = m_bookMark->frame();
    CGFloat imageWidth = m_bookMark->image() ? m_bookMark->image()->size().width : frame.size.width;
    frame.origin.y = -2;
    frame.origin.x = m_imageView->bounds().size.width - imageWidth - 8;
    return frame;
}

void ThumbsPageThumb::placeDecorations()
{
    m_bookMark->setFrame(markRectInImageView());
    m_tintView->setFrame(m_imageView->bounds());
    m_backView->layer()->setShadowPathRect(m_backView->bounds());
}

void ThumbsPageThumb::showImage(const std::shared_ptr<UIImage>& image)
{
    if (!image)
        return;
    CGSize size = image->size();
    CGPoint centre = CGPointMake(std::floor(bounds().size.width / 2), std::floor(bounds().size.height / 2));
    for (const auto& view :
        { std::static_pointer_cast<UIView>(m_textLabel), std::static_pointer_cast<UIView>(m_imageView), m_backView }) {
        view->setBounds(CGRectMake(0, 0, size.width, size.height));
        view->setCenter(centre);
    }
    m_imageView->setImage(image);
    placeDecorations();
}

void ThumbsPageThumb::reuse()
{
    PdfThumbView::reuse();
    m_textLabel->setText("");
    m_textLabel->setFrame(m_defaultRect);
    m_imageView->setFrame(m_defaultRect);
    m_backView->setFrame(m_defaultRect);
    m_bookMark->setHidden(true);
    m_tintView->setHidden(true);
    placeDecorations();
}

void ThumbsPageThumb::showBookmark(bool show) { m_bookMark->setHidden(!show); }

void ThumbsPageThumb::showTouched(bool touched) { m_tintView->setHidden(!touched); }

void ThumbsPageThumb::showText(const std::string& text) { m_textLabel->setText(text); }
