#include "Classes/Frame/UIToast.h"

#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIPortraitWindowModel.h"
#include "Platform/UIKit/UITextView.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

std::shared_ptr<UIWindow> firstWindow()
{
    auto windows = UIApplication::sharedApplication()->windows();
    return windows.empty() ? UIWindow::keyWindow() : windows.front();
}

CGFloat fractionForGravity(int gravity) { return gravity == 2 ? 0.75 : gravity == 1 ? 0.5 : 0.25; }

}  // namespace

UIToast::UIToast()
    : UIView(CGRectZero)
{
}

CGAffineTransform UIToast::transformForOrientation() const
{
    return UIPortraitWindowModel::orientationTransform(UIApplication::sharedApplication()->statusBarOrientation());
}

void UIToast::showGravityLength(const std::optional<std::string>& text, int gravity, int length)
{
    m_length = length;
    m_gravity = gravity;
    m_animation = 0;
    auto window = firstWindow();
    if (!window)
        return;
    auto font = UIFont::fontWithNameSize("Arial", 18);
    CGSize size = CGSizeMake(30, 20);
    if (text) {
        CGSize measured
            = sizeWithFontConstrainedToSizeLineBreakMode(*text, font, CGSizeMake(260, 300), UILineBreakModeWordWrap);
        size = CGSizeMake(measured.width + 30, measured.height + 20);
    }
    setFrame(UIPortraitWindowModel::frameAtFraction(*window, size, fractionForGravity(gravity)));
    setTransform(CGAffineTransformScale(transformForOrientation(), 0.01, 0.01));
    window->addSubview(protect<UIView>());
    initShowingTextWithFont(text, font);
    animationStep();
}

void UIToast::showViewWithGravityLength(const std::shared_ptr<UIView>& view, float gravity, int length)
{
    m_length = length;
    m_gravity = static_cast<int>(gravity);
    auto window = firstWindow();
    if (!window || !view)
        return;
    CGRect frame = view->frame();
    view->setFrame(CGRectMake(0, 0, frame.size.width, frame.size.height));
    setFrame(UIPortraitWindowModel::frameAtFraction(*window, frame.size, gravity));
    setTransform(CGAffineTransformScale(transformForOrientation(), 0.01, 0.01));
    window->addSubview(protect<UIView>());
    m_animationView = view;
    addSubview(view);
    animationStep();
}

void UIToast::initShowingTextWithFont(const std::optional<std::string>& text, const std::shared_ptr<UIFont>& font)
{
    auto textView = std::make_shared<UITextView>(bounds());
    textView->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(90 / 255.0f, 90 / 255.0f, 90 / 255.0f, 0.85f));
    textView->setTextColor(UIColor::whiteColor());
    textView->setFont(font);
    textView->setText(text.value_or(""));
    textView->setTextAlignment(UITextAlignmentCenter);
    textView->setEditable(false);
    textView->layer()->setCornerRadius(8);
    textView->layer()->setMasksToBounds(true);
    m_animationView = textView;
    addSubview(textView);
}

void UIToast::beginAnimationWithDuration(float seconds)
{
    UIView::beginAnimations("");
    UIView::setAnimationCurve(UIViewAnimationCurveEaseInOut);
    UIView::setAnimationDuration(seconds);
}

void UIToast::commitModalAnimationsWithSelector()
{
    std::weak_ptr<UIToast> weak = weakSelf<UIToast>();
    UIView::setAnimationDelegate(weak);
    UIView::setAnimationDidStopSelector([weak](const std::string&, bool, void*) {
        if (auto self = weak.lock())
            self->animationStep();
    });
    UIView::commitAnimations();
}

void UIToast::animationStep()
{
    const int step = m_animation;
    if (step >= 5)
        return;
    ++m_animation;
    const CGAffineTransform upright = transformForOrientation();
    switch (step) {
    case 0:
        addSubview(std::make_shared<UIView>(bounds()));
        beginAnimationWithDuration(static_cast<float>(kGrowDuration));
        setTransform(CGAffineTransformScale(upright, 1.15, 1.15));
        commitModalAnimationsWithSelector();
        break;
    case 1:
        beginAnimationWithDuration(static_cast<float>(kSettleDuration));
        setTransform(CGAffineTransformScale(upright, 0.999, 0.999));
        commitModalAnimationsWithSelector();
        break;
    case 2:
        beginAnimationWithDuration(static_cast<float>(m_length == 1 ? kLongHold : kShortHold));
        setTransform(CGAffineTransformScale(upright, 1.0, 1.0));
        commitModalAnimationsWithSelector();
        break;
    case 3:
        beginAnimationWithDuration(static_cast<float>(kShrinkDuration));
        setTransform(CGAffineTransformScale(upright, 1.1, 0.01));
        setAlpha(0);
        commitModalAnimationsWithSelector();
        break;
    case 4: {
        auto keep = protect<UIToast>();
        auto subs = subviews();
        for (auto it = subs.rbegin(); it != subs.rend(); ++it)
            (*it)->removeFromSuperview();
        removeFromSuperview();
        break;
    }
    default:
        break;
    }
}
