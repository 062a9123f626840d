#include "Classes/Frame/FrameSkinBridge.h"

#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UILabel.h"

namespace FrameSkinBridge {

std::shared_ptr<UIImage> skinImage(const std::string& name)
{
    return UIImage::imageNamed(name);
}

void styleButtonHeight34(UIButton& button)
{
    button.setTitleColorForState(UIColor::whiteColor(), UIControlStateNormal);
    button.titleLabel()->setFont(UIFont::boldSystemFontOfSize(15));
    button.titleLabel()->setTextAlignment(UITextAlignmentCenter);
    button.setBackgroundColor(UIColor::clearColor());
    if (auto image = skinImage("Button-default_H34.png"))
        button.setBackgroundImageForState(image->resizableImageWithCapInsets(UIEdgeInsetsMake(0, 5, 0, 5)),
                                          UIControlStateNormal);
}

}  // namespace FrameSkinBridge
