#include "Classes/Catalog/ProductDetailManyImageCell.h"

#include "Classes/Frame/PublicFunction.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIColor.h"

ProductDetailManyImageCell::ProductDetailManyImageCell(CGRect frame)
    : UITableViewCell(UITableViewCellStyleDefault, std::string(kReuseIdentifier))
{
    setFrame(frame);
    setSelectionStyle(UITableViewCellSelectionStyleNone);
    m_productImageView = std::make_shared<UIImageView>(CGRectInset(bounds(), 5, 5));
    m_productImageView->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    addSubview(m_productImageView);
    applyBorder();
}

void ProductDetailManyImageCell::setIsFocus(bool focus)
{
    if (focus == m_isFocus)
        return;
    m_isFocus = focus;
    applyBorder();
}

void ProductDetailManyImageCell::applyBorder()
{
    auto theme = PublicFunction::colorOfMainTheme()->components();
    theme.alpha = m_isFocus ? 1.0 : 0.5;
    layer()->setBorderColor(std::make_shared<const CGColor>(theme));
    layer()->setBorderWidth(m_isFocus ? 2 : 1);
}

void ProductDetailManyImageCell::layoutSubviews()
{
    UITableViewCell::layoutSubviews();
    // The base class lays out while it is being made, before the image view exists.
    if (m_productImageView)
        m_productImageView->setFrame(CGRectInset(bounds(), 5, 5));
}

void ProductDetailManyImageCell::touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event)
{
    UITableViewCell::touchesEndedWithEvent(touches, event);
    auto keep = protect<ProductDetailManyImageCell>();
    if (auto d = productDetailManyImageCellDelegate())
        d->didSelectedManyImage(*this);
}
