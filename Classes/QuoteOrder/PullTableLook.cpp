#include "Classes/QuoteOrder/PullTableLook.h"

#include "Platform/UIKit/UIImage.h"

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

}  // namespace PullTableLook
