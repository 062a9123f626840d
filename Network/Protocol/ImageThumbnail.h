#pragma once

// Redrawing an image at another scale, and the product thumbnails the
// synchronisation makes beside the pictures it downloads.

#include "Platform/CoreGraphics/CGGeometry.h"

#include <memory>
#include <string>

class UIImage;

namespace ImageThumbnail {

// The image redrawn at its size times the factor; the image itself when that
// would be less than a point either way.
std::shared_ptr<UIImage> redrawn(const std::shared_ptr<UIImage>& image, CGFloat factor);
// A thumbnail of at most 160 x 110 of the image file, unless a readable one is
// there. Reads no session state, so a worker thread may call it.
void createImgThumbAtPathThumbPath(const std::string& imagePath, const std::string& thumbPath);

}  // namespace ImageThumbnail
