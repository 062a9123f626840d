#include "Classes/QuoteOrder/PainterViewController.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/SkinManager.h"

#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UITouch.h"

namespace {

constexpr CGFloat kLineWidth = 10;

}  // namespace

void PainterViewController::loadView()
{
    // The screen's layout: the bar on top, below it the drawing surface at the
    // origin of its parent and the signing area in the same coordinates.
    auto root = std::make_shared<UIView>(CGRectMake(0, 0, 1024, 768));
    root->setBackgroundColor(UIColor::whiteColor());

    // The platform's bar has no background image of its own: the skin image
    // lies under a bar with a clear tint.
    auto barBackground = std::make_shared<UIImageView>(CGRectMake(0, 0, 1024, UINavigationBar::kHeight));
    barBackground->setImage(SkinManager::skinFromImageName(std::string("topbar-bg.png")));
    root->addSubview(barBackground);
    naviBar = std::make_shared<UINavigationBar>(CGRectMake(0, 0, 1024, UINavigationBar::kHeight));
    naviBar->tintColor = UIColor::clearColor();
    root->addSubview(naviBar);

    auto surfaceParent
        = std::make_shared<UIView>(CGRectMake(0, UINavigationBar::kHeight, 1024, 768 - UINavigationBar::kHeight));
    root->addSubview(surfaceParent);
    painterView = std::make_shared<UIImageView>(surfaceParent->bounds());
    painterView->setBackgroundColor(UIColor::whiteColor());
    surfaceParent->addSubview(painterView);
    canvasView = std::make_shared<UIView>(CGRectMake(112, 162, 800, 400));
    canvasView->setBackgroundColor(UIColor::clearColor());
    canvasView->layer()->setBorderWidth(1);
    canvasView->layer()->setBorderColor(UIColor::lightGrayColor()->CGColor());
    canvasView->setUserInteractionEnabled(false);
    surfaceParent->addSubview(canvasView);
    setView(root);
}

void PainterViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    auto weak = weakSelf<PainterViewController>();
    btnCancel
        = std::make_shared<UIBarButtonItem>(std::string(), UIBarButtonItemStyleBordered, [weak](UIBarButtonItem&) {
              if (auto self = weak.lock())
                  self->cancelButtonTapped();
          });
    btnDone = std::make_shared<UIBarButtonItem>(std::string(), UIBarButtonItemStyleDone, [weak](UIBarButtonItem&) {
        if (auto self = weak.lock())
            self->doneButtonTapped();
    });
    auto item = std::make_shared<UINavigationItem>();
    item->leftBarButtonItem = btnCancel;
    item->rightBarButtonItem = btnDone;
    naviBar->setItems({ item });
    setTexts();
    if (!bViewHasLoad())
        viewAfterFirstDidLoad();
}

void PainterViewController::updateLanguage(const std::shared_ptr<UIResponder>&) { setTexts(); }

void PainterViewController::setTexts()
{
    if (!naviBar)
        return;
    if (auto top = naviBar->topItem())
        top->setTitle(text("ADDSIGNATURE"));
    btnCancel->title = text("CANCEL");
    btnDone->title = text("DONE");
    naviBar->setNeedsLayout();
    naviBar->setNeedsDisplay();
}

void PainterViewController::cancelButtonTapped() { dismissViewControllerAnimatedCompletion(true, nullptr); }

void PainterViewController::doneButtonTapped()
{
    auto kept = decompressedImage(painterView ? painterView->image() : nullptr);
    auto handOver = block;
    // The screen may be gone once dismissed: the block and the image travel with the completion.
    dismissViewControllerAnimatedCompletion(true, [handOver, kept] {
        if (handOver)
            handOver(kept);
    });
}

void PainterViewController::touchesBeganWithEvent(const UITouchSet& touches, UIEvent*)
{
    mouseMoved = false;
    if (!touches.empty() && painterView)
        lastPoint = touches.front()->locationInView(painterView);
}

void PainterViewController::touchesMovedWithEvent(const UITouchSet& touches, UIEvent*)
{
    if (touches.empty() || !painterView)
        return;
    mouseMoved = true;
    CGPoint current = touches.front()->locationInView(painterView);
    drawLineFromPointToPoint(lastPoint, current);
    lastPoint = current;
}

void PainterViewController::touchesEndedWithEvent(const UITouchSet&, UIEvent*)
{
    if (!mouseMoved)
        drawLineFromPointToPoint(lastPoint, lastPoint);
}

void PainterViewController::touchesCancelledWithEvent(const UITouchSet&, UIEvent*) { }

void PainterViewController::drawLineFromPointToPoint(CGPoint from, CGPoint to)
{
    if (!painterView)
        return;
    CGSize size = painterView->frame().size;
    UIGraphicsBeginImageContextWithOptions(size, false, 1);
    auto c = UIGraphicsGetCurrentContext();
    if (auto drawing = painterView->image())
        drawing->drawInRect(CGRectMake(0, 0, size.width, size.height));
    CGContextSetLineCap(c, kCGLineCapRound);
    CGContextSetLineWidth(c, kLineWidth);
    CGContextMoveToPoint(c, from.x, from.y);
    CGContextAddLineToPoint(c, to.x, to.y);
    CGContextStrokePath(c);
    painterView->setImage(UIGraphicsGetImageFromCurrentImageContext());
    UIGraphicsEndImageContext();
}

std::shared_ptr<UIImage> PainterViewController::decompressedImage(const std::shared_ptr<UIImage>& image) const
{
    if (!image || !canvasView)
        return nullptr;
    auto cut = CGImageCreateWithImageInRect(image->CGImage(), canvasView->frame());
    if (!cut)
        return nullptr;
    return UIImage::imageWithCGImage(cut);
}
