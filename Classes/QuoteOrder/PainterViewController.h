#pragma once

// The signature screen: a landscape drawing surface on which the customer
// signs with a finger, under a bar with Cancel and Done. The order PDF
// creator presents it from the order PDF screen; Done hands the part of the
// drawing inside the signing area back through `block` (nil when nothing was
// drawn), Cancel hands nothing back.

#include "Classes/Frame/BaseViewController.h"

#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UINavigationController.h"

#include <functional>
#include <memory>

class PainterViewController : public BaseViewController {
public:
    void loadView() override;
    void viewDidLoad() override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;

    void cancelButtonTapped();
    void doneButtonTapped();

    void touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesMovedWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesCancelledWithEvent(const UITouchSet& touches, UIEvent* event) override;

    void drawLineFromPointToPoint(CGPoint from, CGPoint to);
    // The drawing cut to the signing area; nil when nothing was drawn.
    std::shared_ptr<UIImage> decompressedImage(const std::shared_ptr<UIImage>& image) const;

    std::shared_ptr<UINavigationBar> naviBar;
    std::shared_ptr<UIBarButtonItem> btnCancel;
    std::shared_ptr<UIBarButtonItem> btnDone;
    std::shared_ptr<UIImageView> painterView;
    std::shared_ptr<UIView> canvasView;
    std::function<void(const std::shared_ptr<UIImage>&)> block;
    CGPoint lastPoint {};
    bool mouseMoved = false;

private:
    void setTexts();
};
