// PNG files: the header read, the decoder, and a decoded image encoded again.
#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/ImageIO/CGImageSource.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const uint8_t signature[8] = { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };
    Data bytes(signature, signature + 8);
    bytes.insert(bytes.end(), data, data + size);
    CGImageSourceCopyPropertiesAtIndex(CGImageSourceCreateWithData(bytes), 0);
    auto image = CGImageCreateWithPNGData(bytes);
    if (image && image->width() * image->height() <= 256 * 256 && !CGImageCreatePNGData(image))
        __builtin_trap();
    return 0;
}
