#include "Classes/Library/PdfMainToolbar.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Library/PdfDocument.h"
#include "Platform/Foundation/NSException.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UILabel.h"

PdfMainToolbar::PdfMainToolbar(CGRect frame)
    : GradientToolbarView(frame)
{
}

std::shared_ptr<PdfMainToolbar> PdfMainToolbar::initWithFrameDocumentDocumentName(
    CGRect frame, const std::shared_ptr<PdfDocument>& document, const std::string& documentName)
{
    if (!document)
        NSException::raiseFormat(NSInternalInconsistencyException, "Assertion failure in %s: %s",
            "Classes/Library/PdfMainToolbar", "object != nil");
    auto toolbar = std::make_shared<PdfMainToolbar>(frame);
    toolbar->build(documentName);
    return toolbar;
}

template <typename Call> void PdfMainToolbar::tell(UIButton& button, Call call)
{
    auto keep = sharedView();
    if (auto delegate = m_delegate.lock())
        call(*delegate, button);
}

void PdfMainToolbar::build(const std::string& documentName)
{
    CGFloat w = bounds().size.width;
    auto buttonBackground = SkinManager::skinFromImageName(std::string("Button-default_H34.png"));
    if (buttonBackground)
        buttonBackground = buttonBackground->stretchableImageWithLeftCapWidthTopCapHeight(5, 0);
    std::weak_ptr<PdfMainToolbar> weak = std::static_pointer_cast<PdfMainToolbar>(sharedView());

    m_backButton = UIButton::buttonWithType(UIButtonTypeCustom);
    PublicFunction::initializeToBackButtonHeight34(m_backButton);
    m_backButton->setFrame(CGRectMake(8, 5, 60, 34));
    m_backButton->setTitleForState(Language::stringOrKey("BACK"), UIControlStateNormal);
    m_backButton->addTarget(UIControlEventTouchUpInside, [weak](UIControl& button, UIEvent*) {
        if (auto self = weak.lock())
            self->tell(
                static_cast<UIButton&>(button), [&](auto& d, auto& b) { d.tappedInToolbarDoneButton(*self, b); });
    });
    m_backButton->setAutoresizingMask(UIViewAutoresizingNone);
    addSubview(m_backButton);

    m_thumbsButton = UIButton::buttonWithType(UIButtonTypeCustom);
    m_thumbsButton->setFrame(CGRectMake(76, 5, 34, 34));
    m_thumbsButton->setImageForState(UIImage::imageNamed("Pdf-Thumbs"), UIControlStateNormal);
    m_thumbsButton->setBackgroundImageForState(buttonBackground, UIControlStateNormal);
    m_thumbsButton->addTarget(UIControlEventTouchUpInside, [weak](UIControl& button, UIEvent*) {
        if (auto self = weak.lock())
            self->tell(
                static_cast<UIButton&>(button), [&](auto& d, auto& b) { d.tappedInToolbarThumbsButton(*self, b); });
    });
    m_thumbsButton->setAutoresizingMask(UIViewAutoresizingNone);
    addSubview(m_thumbsButton);

    m_markButton = UIButton::buttonWithType(UIButtonTypeCustom);
    m_markButton->setFrame(CGRectMake(w - 42, 5, 34, 34));
    m_markButton->setBackgroundImageForState(buttonBackground, UIControlStateNormal);
    m_markButton->addTarget(UIControlEventTouchUpInside, [weak](UIControl& button, UIEvent*) {
        if (auto self = weak.lock())
            self->tell(
                static_cast<UIButton&>(button), [&](auto& d, auto& b) { d.tappedInToolbarMarkButton(*self, b); });
    });
    m_markButton->setAutoresizingMask(UIViewAutoresizingFlexibleLeftMargin);
    m_markButton->setEnabled(false);
    m_markButton->setTag(kUnknownState);
    addSubview(m_markButton);
    m_markImageN = UIImage::imageNamed("Pdf-Mark-N");
    m_markImageY = UIImage::imageNamed("Pdf-Mark-Y");

    m_shareButton = UIButton::buttonWithType(UIButtonTypeCustom);
    m_shareButton->setFrame(CGRectMake(w - 84, 5, 34, 34));
    m_shareButton->setImageForState(SkinManager::skinFromImageName(std::string("btn-share.png")), UIControlStateNormal);
    m_shareButton->addTarget(UIControlEventTouchUpInside, [weak](UIControl& button, UIEvent*) {
        if (auto self = weak.lock())
            self->tell(
                static_cast<UIButton&>(button), [&](auto& d, auto& b) { d.tappedInToolbarShareButton(*self, b); });
    });
    m_shareButton->setAutoresizingMask(UIViewAutoresizingFlexibleLeftMargin);
    addSubview(m_shareButton);

    m_titleLabel = addTitleLabel(w - 210, documentName);
}

void PdfMainToolbar::updateLanguage()
{
    m_backButton->setTitleForState(Language::stringOrKey("BACK"), UIControlStateNormal);
}

void PdfMainToolbar::setBookmarkState(bool state)
{
    if (static_cast<long>(state) != m_markButton->tag()) {
        if (!isHidden())
            m_markButton->setImageForState(state ? m_markImageY : m_markImageN, UIControlStateNormal);
        m_markButton->setTag(state);
    }
    if (!m_markButton->isEnabled())
        m_markButton->setEnabled(true);
}

void PdfMainToolbar::updateBookmarkImage()
{
    if (m_markButton->tag() != kUnknownState) {
        m_markButton->setImageForState(m_markButton->tag() ? m_markImageY : m_markImageN, UIControlStateNormal);
        if (!m_markButton->isEnabled())
            m_markButton->setEnabled(true);
    }
}

void PdfMainToolbar::hideToolbar()
{
    if (isHidden())
        return;
    std::weak_ptr<UIView> weak = sharedView();
    UIView::animateWithDuration(
        kFadeDuration, 0, UIViewAnimationOptionCurveLinear | UIViewAnimationOptionAllowUserInteraction,
        [this] { setAlpha(0); },
        [weak](bool) {
            if (auto self = weak.lock())
                self->setHidden(true);
        });
}

void PdfMainToolbar::showToolbar()
{
    if (!isHidden())
        return;
    updateBookmarkImage();
    UIView::animateWithDuration(
        kFadeDuration, 0, UIViewAnimationOptionCurveLinear | UIViewAnimationOptionAllowUserInteraction,
        [this] {
            setHidden(false);
            setAlpha(1);
        },
        nullptr);
}
