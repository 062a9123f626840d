#include "Classes/Frame/BrowserTab.h"

#include "Classes/Frame/BrowserTabView.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"

BrowserTab::BrowserTab(std::string reuseIdentifier, std::weak_ptr<BrowserTabView> delegate)
    : UIView(CGRectZero)
    , m_delegate(std::move(delegate))
    , m_reuseIdentifier(std::move(reuseIdentifier))
{
    titleFont = UIFont::boldSystemFontOfSize(18);
    normalTitleColor = UIColor::blackColor();
    selectedTitleColor = UIColor::blackColor();
    tabNormalImage = UIImage::imageNamed("bth_collection.png");
    tabSelectedImage = UIImage::imageNamed("bth_sales_on.png");
    m_imageView = std::make_shared<UIImageView>(CGRectZero);
    m_imageView->setImage(tabNormalImage);
    addSubview(m_imageView);
    m_textLabel = std::make_shared<UILabel>(CGRectZero);
    m_textLabel->setBackgroundColor(UIColor::clearColor());
    m_textLabel->setTextAlignment(UITextAlignmentCenter);
    addSubview(m_textLabel);
    m_imageViewClose = std::make_shared<UIImageView>(CGRectZero);
    m_imageViewClose->setImage(UIImage::imageNamed("tab_close.png"));
    m_imageViewClose->setHidden(true);
    addSubview(m_imageViewClose);
    setBackgroundColor(UIColor::clearColor());
}

void BrowserTab::setSelected(bool selected)
{
    m_selected = selected;
    auto strip = delegate();
    if (selected) {
        m_textLabel->setTextColor(selectedTitleColor);
        m_imageView->setImage(tabSelectedImage);
        m_imageViewClose->setHidden(!(strip && strip->numberOfTabs() >= 2));
    } else {
        m_textLabel->setTextColor(normalTitleColor);
        m_imageView->setImage(tabNormalImage);
        m_imageViewClose->setHidden(true);
    }
}

void BrowserTab::prepareForReuse()
{
    m_textLabel->setText("");
    m_index = 0;
    m_delegate.reset();
    m_selected = false;
}

void BrowserTab::layoutSubviews()
{
    UIView::layoutSubviews();
    m_title = m_textLabel->text();
    CGSize size = sizeWithFont(m_title, titleFont);
    CGRect b = bounds();
    m_imageView->setFrame(b);
    m_textLabel->setFrame(
        CGRectMake(CGRectGetMidX(b) - size.width / 2, CGRectGetMidY(b) - size.height / 2, size.width, size.height));
    m_imageViewClose->setFrame(CGRectMake(b.origin.x + 115, b.origin.y + 12, 19, 18));
}

void BrowserTab::touchesBeganWithEvent(const UITouchSet&, UIEvent*)
{
    auto keep = protect<BrowserTab>();
    m_previousSelected = m_selected;
    setSelected(true);
    if (auto strip = delegate())
        strip->setSelectedTabIndexAnimated(m_index, false);
}

void BrowserTab::touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UIView::touchesEndedWithEvent(touches, event);
}
