#include "Classes/Library/ThumbsMainToolbar.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UISegmentedControl.h"

ThumbsMainToolbar::ThumbsMainToolbar(CGRect frame)
    : GradientToolbarView(frame)
{
}

std::shared_ptr<ThumbsMainToolbar> ThumbsMainToolbar::initWithFrameTitle(
    CGRect frame, const std::optional<std::string>& title)
{
    auto toolbar = std::make_shared<ThumbsMainToolbar>(frame);
    toolbar->build(title);
    return toolbar;
}

void ThumbsMainToolbar::build(const std::optional<std::string>& title)
{
    CGFloat w = bounds().size.width;
    std::weak_ptr<ThumbsMainToolbar> weak = std::static_pointer_cast<ThumbsMainToolbar>(sharedView());

    m_backButton = UIButton::buttonWithType(UIButtonTypeCustom);
    PublicFunction::initializeToBackButtonHeight34(m_backButton);
    m_backButton->setFrame(CGRectMake(8, 5, 60, 34));
    m_backButton->setTitleForState(Language::stringOrKey("BACK"), UIControlStateNormal);
    m_backButton->addTarget(UIControlEventTouchUpInside, [weak](UIControl& button, UIEvent*) {
        auto self = weak.lock();
        if (auto delegate = self ? self->m_delegate.lock() : nullptr)
            delegate->tappedInToolbarDoneButton(*self, static_cast<UIButton&>(button));
    });
    m_backButton->setAutoresizingMask(UIViewAutoresizingNone);
    addSubview(m_backButton);

    auto background = SkinManager::skinFromImageName(std::string("Button-default_H34.png"));
    m_viewButton = UIButton::buttonWithType(UIButtonTypeCustom);
    m_viewButton->setFrame(CGRectMake(76, 5, 34, 34));
    m_viewButton->setImageForState(UIImage::imageNamed("Pdf-View"), UIControlStateNormal);
    if (background)
        m_viewButton->setBackgroundImageForState(
            background->stretchableImageWithLeftCapWidthTopCapHeight(5, 0), UIControlStateNormal);
    m_viewButton->addTarget(UIControlEventTouchUpInside, [weak](UIControl& button, UIEvent*) {
        auto self = weak.lock();
        if (auto delegate = self ? self->m_delegate.lock() : nullptr)
            delegate->tappedInToolbarViewButton(*self, static_cast<UIButton&>(button));
    });
    m_viewButton->setAutoresizingMask(UIViewAutoresizingNone);
    addSubview(m_viewButton);

    // The platform's switch shows titles only, so each segment's picture lies over it.
    m_showControl = std::make_shared<UISegmentedControl>(std::vector<std::string> { "", "" });
    m_showControl->setFrame(CGRectMake(w - 74, 5, 66, 34));
    m_showControl->setAutoresizingMask(UIViewAutoresizingFlexibleLeftMargin);
    m_showControl->segmentedControlStyle = UISegmentedControlStyleBar;
    m_showControl->tintColor = UIColor::colorWithRedGreenBlueAlpha(96.0f / 255, 121.0f / 255, 152.0f / 255, 1);
    m_showControl->setSelectedSegmentIndex(0);
    const char* pictures[] = { "Pdf-Thumbs", "Pdf-Mark-Y" };
    for (int i = 0; i < 2; ++i) {
        auto picture = std::make_shared<UIImageView>(CGRectMake(33 * i, 0, 33, 34));
        picture->setImage(UIImage::imageNamed(pictures[i]));
        picture->setContentMode(UIViewContentModeCenter);
        picture->setUserInteractionEnabled(false);
        m_showControl->addSubview(picture);
    }
    m_showControl->addTarget(UIControlEventValueChanged, [weak](UIControl& control, UIEvent*) {
        auto self = weak.lock();
        if (auto delegate = self ? self->m_delegate.lock() : nullptr)
            delegate->tappedInToolbarShowControl(*self, static_cast<UISegmentedControl&>(control));
    });
    addSubview(m_showControl);

    m_titleLabel = addTitleLabel(w - 200, title.value_or(""));
}
