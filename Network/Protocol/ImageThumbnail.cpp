#include "Network/Protocol/ImageThumbnail.h"

#include "Platform/Foundation/NSFileManager.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"

#include <algorithm>
#include <cmath>

namespace ImageThumbnail {

// A size times the factor, rounded up less the float noise of the factor
// (60.000002 is 60).
CGSize scaledSize(CGSize size, CGFloat factor)
{
    const auto side
        = [factor](CGFloat length) { return static_cast<CGFloat>(std::ceil(double(length) * double(factor) - 1e-3)); };
    return CGSizeMake(side(size.width), side(size.height));
}

// The image drawn into a picture of the target size.
std::shared_ptr<UIImage> redrawnAt(const std::shared_ptr<UIImage>& image, CGSize target)
{
    if (target.width < 1 || target.height < 1)
        return image;
    UIGraphicsBeginImageContext(target);
    image->drawInRect(CGRectMake(0, 0, target.width, target.height));
    auto out = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return out ? out : image;
}

std::shared_ptr<UIImage> redrawn(const std::shared_ptr<UIImage>& image, CGFloat factor)
{
    return redrawnAt(image, scaledSize(image->size(), factor));
}

void createImgThumbAtPathThumbPath(const std::string& imagePath, const std::string& thumbPath)
{
    auto& files = NSFileManager::defaultManager();
    if (files.fileExistsAtPath(thumbPath) && UIImage::imageWithContentsOfFile(thumbPath))
        return;
    // The thumbnail's size comes from the picture's header; a large photo is
    // then decoded only at the reduced scale that still covers it.
    const auto own = UIImage::sizeOfContentsOfFile(imagePath);
    if (!own)
        return;
    std::shared_ptr<UIImage> thumb;
    if (own->height > 110 || own->width > 160) {
        const CGSize target = scaledSize(*own, std::min(160 / own->width, 110 / own->height));
        if (auto image = UIImage::imageWithContentsOfFileCovering(imagePath, target))
            thumb = redrawnAt(image, target);
    } else {
        thumb = UIImage::imageWithContentsOfFile(imagePath);
    }
    if (!thumb)
        return;
    if (auto png = UIImagePNGRepresentation(thumb))
        files.createFileAtPathContents(thumbPath, *png);
}

}  // namespace ImageThumbnail
