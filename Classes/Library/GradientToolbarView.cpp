#include "Classes/Library/GradientToolbarView.h"

#include "Classes/Frame/SkinManager.h"
#include "Platform/UIKit/UIColor.h"

GradientToolbarView::GradientToolbarView(CGRect frame)
    : UIView(frame)
{
    setAutoresizesSubviews(true);
    setUserInteractionEnabled(true);
    setContentMode(UIViewContentModeRedraw);
    setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    setBackgroundColor(UIColor::clearColor());
    m_background = std::make_shared<UIImageView>(frame);
    m_background->setContentMode(UIViewContentModeScaleToFill);
    m_background->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    m_background->setImage(SkinManager::skinFromImageName(std::string("topbar-bg.png")));
    m_background->setAlpha(0.8f);
    addSubview(m_background);
}
