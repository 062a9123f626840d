// JPEG files: the header and EXIF read, and the decoder.
#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/ImageIO/CGImageSource.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Data bytes { 0xFF, 0xD8 };
    bytes.insert(bytes.end(), data, data + size);
    CGImageSourceCopyPropertiesAtIndex(CGImageSourceCreateWithData(bytes), 0);
    int orientation = CGImageSourceOrientationOfData(bytes);
    if (orientation < 1 || orientation > 8)
        __builtin_trap();
    CGImageCreateWithJPEGData(bytes);
    return 0;
}
