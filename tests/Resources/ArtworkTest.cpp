// The bundle's generated pictures and the sample skin archive: every picture
// the manifest lists and every picture the code asks for by name is in the
// bundle, loads, has its size and shows something; the skin pictures also come
// at double resolution and, in a client's own colours, in the skin archive.

#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIViewContrastCheck.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <minizip/unzip.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Picture {
    std::string name;
    int width = 0, height = 0;
    std::string kind;
    bool skin = false;
};

std::vector<Picture> manifest()
{
    std::ifstream in(std::string(CORVELLE_SOURCE_DIR) + "/Resources/artwork/artwork.txt");
    std::vector<Picture> out;
    std::string line;
    while (std::getline(in, line)) {
        auto first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#')
            continue;
        std::istringstream fields(line);
        Picture p;
        std::string colour, flags;
        fields >> p.name >> p.width >> p.height >> p.kind >> colour >> flags;
        p.skin = flags == "skin";
        out.push_back(p);
    }
    return out;
}

// The file a picture name stands for: names without an extension are PNGs.
std::string fileName(const std::string& name, const std::string& suffix = "")
{
    std::string base = name;
    if (base.size() > 4 && base.compare(base.size() - 4, 4, ".png") == 0)
        base.resize(base.size() - 4);
    return base + suffix + ".png";
}

struct Pixels {
    int width = 0, height = 0;
    bool visible = false;  // some pixel is not fully transparent
    bool varied = false;  // more than one pixel value
};

Pixels inspect(cairo_surface_t* surface)
{
    Pixels p;
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
        return p;
    cairo_surface_flush(surface);
    p.width = cairo_image_surface_get_width(surface);
    p.height = cairo_image_surface_get_height(surface);
    int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    uint32_t first = *reinterpret_cast<const uint32_t*>(data);
    for (int y = 0; y < p.height; ++y) {
        auto row = reinterpret_cast<const uint32_t*>(data + y * stride);
        for (int x = 0; x < p.width; ++x) {
            p.visible |= (row[x] >> 24) != 0;
            p.varied |= row[x] != first;
        }
    }
    return p;
}

Pixels inspectFile(const std::string& path)
{
    cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
    Pixels p = inspect(s);
    cairo_surface_destroy(s);
    return p;
}

cairo_status_t readFromString(void* closure, unsigned char* data, unsigned int length)
{
    auto* cursor = static_cast<std::pair<const std::string*, size_t>*>(closure);
    if (cursor->second + length > cursor->first->size())
        return CAIRO_STATUS_READ_ERROR;
    std::memcpy(data, cursor->first->data() + cursor->second, length);
    cursor->second += length;
    return CAIRO_STATUS_SUCCESS;
}

Pixels inspectBytes(const std::string& bytes)
{
    std::pair<const std::string*, size_t> cursor { &bytes, 0 };
    cairo_surface_t* s = cairo_image_surface_create_from_png_stream(readFromString, &cursor);
    Pixels p = inspect(s);
    cairo_surface_destroy(s);
    return p;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Entry name -> bytes of every file of a zip archive.
std::map<std::string, std::string> unzipAll(const std::string& path)
{
    std::map<std::string, std::string> files;
    unzFile zip = unzOpen64(path.c_str());
    EXPECT_TRUE(zip) << path;
    if (!zip)
        return files;
    for (int r = unzGoToFirstFile(zip); r == UNZ_OK; r = unzGoToNextFile(zip)) {
        char name[512];
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
            break;
        std::string bytes(info.uncompressed_size, '\0');
        if (unzOpenCurrentFile(zip) == UNZ_OK) {
            int n = bytes.empty() ? 0 : unzReadCurrentFile(zip, bytes.data(), unsigned(bytes.size()));
            EXPECT_EQ(n, int(bytes.size())) << name;
            EXPECT_EQ(unzCloseCurrentFile(zip), UNZ_OK) << name << " fails its check";
        }
        files[name] = bytes;
    }
    unzClose(zip);
    return files;
}

}

TEST(Artwork, EveryPictureIsInTheBundleAndShowsSomething)
{
    auto pictures = manifest();
    ASSERT_GT(pictures.size(), 100u);
    for (auto& p : pictures) {
        for (int scale : { 1, 2 }) {
            if (scale == 2 && !p.skin)
                continue;
            std::string path = std::string(CORVELLE_BUNDLE_DIR) + "/" + fileName(p.name, scale == 2 ? "@2x" : "");
            Pixels px = inspectFile(path);
            EXPECT_EQ(px.width, p.width * scale) << path;
            EXPECT_EQ(px.height, p.height * scale) << path;
            EXPECT_TRUE(px.visible) << path << " is blank";
            // Only a plain line or fill may be one colour throughout.
            if (p.kind != "fill") {
                EXPECT_TRUE(px.varied) << path << " is one flat colour";
            }
        }
    }
}

TEST(Artwork, PicturesLoadByNameAsTheScreensAskForThem)
{
    AppEnvironment::setBundleDirectory(CORVELLE_BUNDLE_DIR);
    // With and without an extension, as the screens name them.
    for (const char* name : { "topbar-bg.png", "bg_searchbar", "icon-default_pdf", "btn-favAdded", "cb_box_on",
             "Line_Pixel_1x1.png", "book_i" }) {
        auto image = UIImage::imageNamed(name);
        ASSERT_TRUE(image) << name;
        EXPECT_GT(image->size().width, 0) << name;
    }
    AppEnvironment::reset();
}

TEST(Artwork, SkinnedButtonsStretchToAnyWidthWithoutSeams)
{
    // Each button picture stretched with the caps the screens give it: every
    // column of the widened middle is the same, so no corner or seam shows
    // inside the button.
    AppEnvironment::setBundleDirectory(CORVELLE_BUNDLE_DIR);
    struct Case {
        const char* name;
        UIEdgeInsets caps;
    };
    const Case cases[] = {
        { "Button-default_H30.png", UIEdgeInsetsMake(0, 5, 0, 5) },
        { "Button-default_H34.png", UIEdgeInsetsMake(0, 5, 0, 5) },
        { "Button-backward_H34.png", UIEdgeInsetsMake(0, 16, 0, 5) },
        { "Button-forward_H34.png", UIEdgeInsetsMake(0, 5, 0, 16) },
    };
    for (const auto& c : cases) {
        auto image = UIImage::imageNamed(c.name);
        ASSERT_TRUE(image) << c.name;
        const CGSize size = CGSizeMake(143, image->size().height);
        UIGraphicsBeginImageContextWithOptions(size, false, 1);
        image->resizableImageWithCapInsets(c.caps)->drawInRect(CGRectMake(0, 0, size.width, size.height));
        auto drawn = UIGraphicsGetImageFromCurrentImageContext();
        UIGraphicsEndImageContext();
        ASSERT_TRUE(drawn) << c.name;
        auto pixels = drawn->CGImage();
        const size_t middle = size_t(size.width / 2);
        size_t differing = 0;
        for (size_t x = size_t(c.caps.left) + 1; x + size_t(c.caps.right) + 1 < size_t(size.width); ++x)
            for (size_t y = 0; y < size_t(size.height); ++y)
                if (!(pixels->pixelAt(x, y) == pixels->pixelAt(middle, y)))
                    ++differing;
        EXPECT_EQ(differing, 0u) << c.name;
    }
    AppEnvironment::reset();
}

TEST(Artwork, FilePicturesLeaveTheirTitleBandLightForGreyText)
{
    // A library file's title (grey, bold 15) and format (dark grey, bold 13)
    // are written on the lower band of its picture: the band is far lighter
    // than the grey, light enough for both to read.
    AppEnvironment::setBundleDirectory(CORVELLE_BUNDLE_DIR);
    for (const auto& p : manifest()) {
        if (p.kind != "document")
            continue;
        auto image = UIImage::imageNamed(p.name);
        ASSERT_TRUE(image) << p.name;
        auto pixels = image->CGImage();
        for (double at : { 0.78, 0.9 }) {
            const CGPixel band = pixels->pixelAt(pixels->width() / 2, size_t(double(pixels->height()) * at));
            const double lightness = (0.3 * band.red + 0.59 * band.green + 0.11 * band.blue) / 255;
            EXPECT_GT(lightness, 0.75) << p.name << " at " << at;
            const double r = band.red / 255.0, g = band.green / 255.0, b = band.blue / 255.0;
            EXPECT_GE(UIColorContrastRatio(0.5, 0.5, 0.5, r, g, b), 3.0) << p.name << " at " << at;
            EXPECT_GE(UIColorContrastRatio(1 / 3.0, 1 / 3.0, 1 / 3.0, r, g, b), 4.5) << p.name << " at " << at;
        }
    }
    AppEnvironment::reset();
}

TEST(Artwork, EveryPictureTheCodeNamesIsInTheBundle)
{
    static const std::regex call(R"((skinFromImageName|imageNamed|hasCustomerImage)\s*\(\s*"([^"\\]+)\")");
    std::map<std::string, std::string> names;
    for (const char* folder : { "App", "Classes", "Network" }) {
        fs::path root = fs::path(CORVELLE_SOURCE_DIR) / folder;
        if (!fs::exists(root))
            continue;
        for (auto& entry : fs::recursive_directory_iterator(root)) {
            auto ext = entry.path().extension();
            if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h"))
                continue;
            std::string source = readFile(entry.path());
            if (source.find("ImageName") == std::string::npos && source.find("imageNamed") == std::string::npos
                && source.find("CustomerImage") == std::string::npos)
                continue;
            for (auto it = std::sregex_iterator(source.begin(), source.end(), call); it != std::sregex_iterator(); ++it)
                names.emplace((*it)[2], fs::relative(entry.path(), CORVELLE_SOURCE_DIR).string());
        }
    }
    for (auto& [name, file] : names) {
        // The client logo exists only in a client's own skin.
        if (name == "homelogo.png")
            continue;
        EXPECT_TRUE(fs::exists(std::string(CORVELLE_BUNDLE_DIR) + "/" + fileName(name)))
            << name << " (named in " << file << ") is not in the bundle";
    }
}

TEST(Artwork, SkinArchiveHoldsEverySkinPictureInTheClientsOwnColours)
{
    auto files = unzipAll(CORVELLE_SKIN_ARCHIVE);
    ASSERT_FALSE(files.empty());
    for (auto& [name, bytes] : files)
        EXPECT_EQ(name.rfind("SkinImages/", 0), 0u) << name << " would not land in the skin folder";
    for (auto& p : manifest()) {
        if (!p.skin)
            continue;
        for (int scale : { 1, 2 }) {
            std::string name = "SkinImages/" + fileName(p.name, scale == 2 ? "@2x" : "");
            auto it = files.find(name);
            ASSERT_NE(it, files.end()) << name;
            Pixels px = inspectBytes(it->second);
            EXPECT_EQ(px.width, p.width * scale) << name;
            EXPECT_TRUE(px.visible) << name;
            // A client's skin must be told apart from the bundle's fallback.
            std::string fallback
                = readFile(std::string(CORVELLE_BUNDLE_DIR) + "/" + fileName(p.name, scale == 2 ? "@2x" : ""));
            EXPECT_NE(it->second, fallback) << name << " is the bundle's own picture";
        }
    }
}
