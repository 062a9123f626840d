#include "Classes/QuoteOrder/PullTableLook.h"

#include "Platform/QuartzCore/CATransaction.h"
#include "Platform/UIKit/UIActivityIndicatorView.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIScrollView.h"

namespace {

constexpr double kFlipDuration = 0.18;

}  // namespace

namespace PullTableLook {

std::shared_ptr<UIColor> backgroundColour()
{
    return UIColor::colorWithRedGreenBlueAlpha(226 / 255.0, 231 / 255.0, 237 / 255.0, 1);
}

std::shared_ptr<UIColor> textColour()
{
    return UIColor::colorWithRedGreenBlueAlpha(87 / 255.0, 108 / 255.0, 137 / 255.0, 1);
}

std::shared_ptr<UIColor> textShadowColour()
{
    return UIColor::colorWithRedGreenBlueAlpha(87 / 255.0, 108 / 255.0, 137 / 255.0, 0.1);
}

std::shared_ptr<CALayer> arrowLayer(CGRect frame)
{
    auto layer = std::make_shared<CALayer>();
    layer->setFrame(frame);
    layer->setContentsGravity(kCAGravityResizeAspect);
    if (auto image = UIImage::imageNamed("blueArrow.png")) {
        layer->setContents(image->CGImage());
        layer->setContentsScale(image->scale());
    }
    return layer;
}

std::shared_ptr<UILabel> statusLabel(CGRect frame, std::shared_ptr<UIFont> font)
{
    auto label = std::make_shared<UILabel>(frame);
    label->setAutoresizingMask(UIViewAutoresizingFlexibleWidth);
    label->setFont(std::move(font));
    label->setTextColor(textColour());
    label->setShadowColor(textShadowColour());
    label->setShadowOffset(CGSizeMake(0, 1));
    label->setBackgroundColor(UIColor::clearColor());
    label->setTextAlignment(UITextAlignmentCenter);
    return label;
}

int stateAfterDrag(int state, CGFloat pull, bool loading)
{
    if (loading)
        return state;
    if (state == Pulling && pull > -kTriggerDistance && pull < 0)
        return Normal;
    if (state == Normal && pull < -kTriggerDistance)
        return Pulling;
    return state;
}

void showState(int state, int previous, const std::string& text, UILabel& status, UIActivityIndicatorView& spinner,
    CALayer& arrow, const CATransform3D& rest, const CATransform3D& pulled)
{
    auto turn = [&](const CATransform3D& transform, bool animated, std::optional<bool> hidden) {
        CATransaction::begin();
        if (animated)
            CATransaction::setAnimationDuration(kFlipDuration);
        else
            CATransaction::setDisableActions(true);
        if (hidden)
            arrow.setHidden(*hidden);
        if (!hidden || !*hidden)
            arrow.setTransform(transform);
        CATransaction::commit();
    };
    status.setText(text);
    switch (state) {
    case Pulling:
        turn(pulled, true, std::nullopt);
        break;
    case Normal:
        if (previous == Pulling)
            turn(rest, true, std::nullopt);
        spinner.stopAnimating();
        turn(rest, false, false);
        break;
    case Loading:
        spinner.startAnimating();
        turn(rest, false, true);
        break;
    default:
        break;
    }
}

void animateInset(UIScrollView& scrollView, CGFloat UIEdgeInsets::*edge, CGFloat value, double duration)
{
    auto* view = &scrollView;
    UIView::animateWithDuration(duration, [view, edge, value] {
        UIEdgeInsets inset = view->contentInset();
        inset.*edge = value;
        view->setContentInset(inset);
    });
}

void setInset(UIScrollView& scrollView, CGFloat UIEdgeInsets::*edge, CGFloat value)
{
    UIEdgeInsets inset = scrollView.contentInset();
    inset.*edge = value;
    scrollView.setContentInset(inset);
}

int scrolled(
    UIScrollView& scrollView, int state, CGFloat pull, bool loading, CGFloat UIEdgeInsets::*edge, CGFloat loadingInset)
{
    if (state == Loading) {
        setInset(scrollView, edge, loadingInset);
        return state;
    }
    if (!scrollView.isDragging())
        return state;
    state = stateAfterDrag(state, pull, loading);
    if (scrollView.contentInset().*edge != 0)
        setInset(scrollView, edge, 0);
    return state;
}

}  // namespace PullTableLook
