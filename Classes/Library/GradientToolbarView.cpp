#include "Classes/Library/GradientToolbarView.h"

#include "Classes/Frame/SkinManager.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UILabel.h"

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

std::shared_ptr<UILabel> GradientToolbarView::addTitleLabel(CGFloat width, const std::string& text)
{
    if (UIDevice::currentDevice().userInterfaceIdiom() != UIUserInterfaceIdiomPad)
        return nullptr;
    auto label = std::make_shared<UILabel>(CGRectMake(118, 7, width, 30));
    label->setTextAlignment(UITextAlignmentCenter);
    label->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 20));
    label->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    label->setTextColor(UIColor::whiteColor());
    label->setBackgroundColor(UIColor::clearColor());
    label->setAdjustsFontSizeToFitWidth(true);
    label->setMinimumFontSize(14);
    label->setText(text);
    addSubview(label);
    return label;
}
