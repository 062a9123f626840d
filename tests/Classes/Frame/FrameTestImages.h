#pragma once

// Small PNG files of one colour and size, so that a test can tell which file
// an image was read from by its size or colour.

#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

inline std::shared_ptr<UIImage> makeImage(CGSize size, const std::shared_ptr<UIColor>& color)
{
    UIGraphicsBeginImageContext(size);
    color->setFill();
    UIRectFill(CGRectMake(0, 0, size.width, size.height));
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return image;
}

inline void writePNG(const std::string& path, CGSize size, const std::shared_ptr<UIColor>& color)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    auto png = UIImagePNGRepresentation(makeImage(size, color));
    ASSERT_TRUE(png);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(png->data()), static_cast<std::streamsize>(png->size()));
}
