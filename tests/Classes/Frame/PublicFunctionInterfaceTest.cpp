#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Network/Protocol/LoginMode.h"
#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/CoreGraphics/CGBitmapContext.h"
#include "Platform/QuartzCore/CAAnimation.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIActivityIndicatorView.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "support/TemporaryHome.h"
#include "tests/Classes/Frame/FrameTestImages.h"

#include <gtest/gtest.h>

namespace {

class InterfaceHelpers : public ::testing::Test {
protected:
    void SetUp() override
    {
        NSLogSetCapture([](const std::string&) {});
        SkinManager::resetSharedInstance();
        LoginMode::freeInstance();
        LoginMode::sharedInstance()->setClientID(std::string("Acme"));
        bundle = home.scratch() + "/bundle";
        std::filesystem::create_directories(bundle);
        AppEnvironment::setBundleDirectory(bundle);
    }
    void TearDown() override
    {
        UIGraphicsSetScreenScale(1);
        SkinManager::resetSharedInstance();
        LoginMode::freeInstance();
        NSLogSetCapture(nullptr);
    }
    std::string skin(const std::string& name) const { return home.documents() + "/acme/SkinImages/" + name; }
    std::string productImage(const std::string& name) const { return home.documents() + "/acme/ProductImages/" + name; }
    TemporaryHome home;
    std::string bundle;
};

TEST_F(InterfaceHelpers, SkinnedButtonsTakeTheirImageCapsAndTitleInsets)
{
    writePNG(skin("Button-default_H34.png"), CGSizeMake(20, 34), UIColor::blueColor());
    writePNG(skin("Button-backward_H34.png"), CGSizeMake(30, 34), UIColor::blueColor());
    writePNG(skin("Button-forward_H34.png"), CGSizeMake(30, 34), UIColor::blueColor());
    struct Case {
        void (*style)(const std::shared_ptr<UIButton>&);
        CGFloat imageWidth;
        UIEdgeInsets caps;
        UIEdgeInsets title;
    };
    const Case cases[] = {
        { PublicFunction::initializeToButtonHeight34, 20, UIEdgeInsetsMake(0, 5, 0, 5), UIEdgeInsetsZero },
        { PublicFunction::initializeToBackButtonHeight34, 30, UIEdgeInsetsMake(0, 16, 0, 5),
            UIEdgeInsetsMake(0, 10, 0, 0) },
        { PublicFunction::initializeToForwardButtonHeight34, 30, UIEdgeInsetsMake(0, 5, 0, 16),
            UIEdgeInsetsMake(0, 0, 0, 10) },
    };
    for (const auto& c : cases) {
        auto button = std::make_shared<UIButton>(CGRectMake(0, 0, 120, 34));
        c.style(button);
        auto background = button->backgroundImageForState(UIControlStateNormal);
        ASSERT_TRUE(background);
        EXPECT_EQ(background->size().width, c.imageWidth);
        EXPECT_EQ(background->capInsets(), c.caps);
        EXPECT_EQ(button->titleEdgeInsets, c.title);
        EXPECT_TRUE(button->titleColorForState(UIControlStateNormal)->isEqual(UIColor::whiteColor()));
        EXPECT_EQ(button->titleLabel()->font()->pointSize(), 15);
        EXPECT_EQ(button->titleLabel()->font()->fontName(), UIFont::boldSystemFontOfSize(15)->fontName());
        EXPECT_TRUE(button->backgroundColor()->isEqual(UIColor::clearColor()));
    }
    // A skin without the image and a bundle without it: a plain button, no crash.
    auto bare = std::make_shared<UIButton>(CGRectMake(0, 0, 60, 30));
    PublicFunction::initializeToButtonHeight30(bare);
    EXPECT_EQ(bare->backgroundImageForState(UIControlStateNormal), nullptr);
    PublicFunction::initializeToButtonHeight30(nullptr);
}

TEST_F(InterfaceHelpers, ImagesShrinkToFitAndNeverGrow)
{
    auto big = makeImage(CGSizeMake(100, 100), UIColor::redColor());
    EXPECT_EQ(PublicFunction::scaleImageToFitSize(big, CGSizeMake(60, 60))->size(), CGSizeMake(60, 60));
    UIGraphicsSetScreenScale(2);
    EXPECT_EQ(PublicFunction::scaleImageToFitSize(big, CGSizeMake(60, 60)), big);
    UIGraphicsSetScreenScale(1);
    EXPECT_EQ(
        PublicFunction::scaleImageToFitSize(makeImage(CGSizeMake(200, 50), UIColor::redColor()), CGSizeMake(100, 100))
            ->size(),
        CGSizeMake(100, 25));

    // Set: the subviews are replaced by one centred image view, shrunk (sides rounded up).
    auto box = std::make_shared<UIView>(CGRectMake(10, 10, 100, 100));
    box->addSubview(std::make_shared<UIView>(CGRectMake(0, 0, 5, 5)));
    PublicFunction::ImageViewSetImgImg(box, makeImage(CGSizeMake(300, 101), UIColor::redColor()));
    ASSERT_EQ(box->subviews().size(), 1u);
    auto shown = std::dynamic_pointer_cast<UIImageView>(box->subviews()[0]);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->frame().size, CGSizeMake(100, 34));
    EXPECT_EQ(shown->center(), CGPointMake(50, 50));
    PublicFunction::ImageViewSetImgImg(box, makeImage(CGSizeMake(20, 10), UIColor::redColor()));
    EXPECT_EQ(box->subviews()[0]->frame(), CGRectMake(40, 45, 20, 10));
    PublicFunction::ImageViewSetImgImg(box, nullptr);
    EXPECT_TRUE(box->subviews().empty());
    PublicFunction::ImageViewSetImgImg(nullptr, big);

    // Fit: centred only when smaller both ways.
    auto imageView = std::make_shared<UIImageView>(CGRectMake(0, 0, 50, 50));
    PublicFunction::ImageViewFitImgImg(imageView, makeImage(CGSizeMake(40, 40), UIColor::redColor()));
    EXPECT_EQ(imageView->contentMode(), UIViewContentModeCenter);
    PublicFunction::ImageViewFitImgImg(imageView, makeImage(CGSizeMake(40, 50), UIColor::redColor()));
    EXPECT_EQ(imageView->contentMode(), UIViewContentModeScaleAspectFit);
    EXPECT_EQ(imageView->image()->size(), CGSizeMake(40, 50));
    PublicFunction::ImageViewFitImgImg(nullptr, big);
}

TEST_F(InterfaceHelpers, ThumbnailsAreMadeOnceInTheProductFolder)
{
    writePNG(productImage("p1.png"), CGSizeMake(320, 110), UIColor::redColor());
    writePNG(productImage("p2.png"), CGSizeMake(80, 60), UIColor::redColor());
    // Whatever type is passed, the product folder is used.
    PublicFunction::createImgThumbWithImgNameThumbNameFiletype(std::string("p1.png"), std::string("t1.png"), 4);
    auto thumb = UIImage::imageWithContentsOfFile(productImage("t1.png"));
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->size(), CGSizeMake(160, 55));

    PublicFunction::createImgThumbWithImgNameThumbNameFiletype(std::string("p2.png"), std::string("t2.png"), 1);
    EXPECT_EQ(UIImage::imageWithContentsOfFile(productImage("t2.png"))->size(), CGSizeMake(80, 60));

    // An existing thumbnail that loads stays; one that does not is made again.
    PublicFunction::createImgThumbWithImgNameThumbNameFiletype(std::string("p2.png"), std::string("t1.png"), 1);
    EXPECT_EQ(UIImage::imageWithContentsOfFile(productImage("t1.png"))->size(), CGSizeMake(160, 55));
    std::ofstream(productImage("t3.png")) << "broken";
    PublicFunction::createImgThumbWithImgNameThumbNameFiletype(std::string("p2.png"), std::string("t3.png"), 1);
    EXPECT_TRUE(UIImage::imageWithContentsOfFile(productImage("t3.png")));

    // Nothing to make from: nothing written.
    PublicFunction::createImgThumbWithImgNameThumbNameFiletype(std::string("absent.png"), std::string("t4.png"), 1);
    PublicFunction::createImgThumbWithImgNameThumbNameFiletype(std::nullopt, std::string("t5.png"), 1);
    EXPECT_FALSE(std::filesystem::exists(productImage("t4.png")));
    EXPECT_FALSE(std::filesystem::exists(productImage("t5.png")));
}

TEST_F(InterfaceHelpers, PhotoThumbnailsKeepTheirSizeAndPicture)
{
    // Photos much larger than the thumbnail, decoded reduced: the thumbnail
    // is the size the whole photo would give, and shows the same picture.
    struct Case {
        const char* name;
        size_t width, height;
        CGSize thumb;
    };
    const Case cases[] = {
        { "wide.jpg", 1600, 1100, CGSizeMake(160, 110) },
        { "tall.jpg", 1000, 3000, CGSizeMake(37, 110) },
        { "odd.jpg", 1283, 517, CGSizeMake(160, 65) },
        { "small.jpg", 120, 100, CGSizeMake(120, 100) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // Left half red, right half blue.
        auto context = CGBitmapContextCreate(nullptr, c.width, c.height, 8, 0, CGColorSpaceCreateDeviceRGB(),
            kCGImageAlphaNoneSkipFirst | kCGBitmapByteOrder32Little);
        CGContextSetRGBFillColor(context, 1, 0, 0, 1);
        CGContextFillRect(context, CGRectMake(0, 0, CGFloat(c.width) / 2, CGFloat(c.height)));
        CGContextSetRGBFillColor(context, 0, 0, 1, 1);
        CGContextFillRect(context, CGRectMake(CGFloat(c.width) / 2, 0, CGFloat(c.width) / 2, CGFloat(c.height)));
        Data jpeg = *CGImageCreateJPEGData(CGBitmapContextCreateImage(context), 0.9f);
        std::filesystem::create_directories(std::filesystem::path(productImage(c.name)).parent_path());
        std::ofstream(productImage(c.name), std::ios::binary)
            .write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size()));
        const std::string thumbName = std::string("thumb-") + c.name + ".png";
        PublicFunction::createImgThumbWithImgNameThumbNameFiletype(std::string(c.name), thumbName, 1);
        auto thumb = UIImage::imageWithContentsOfFile(productImage(thumbName));
        ASSERT_TRUE(thumb);
        EXPECT_EQ(thumb->size(), c.thumb);
        const CGImageRef& pixels = thumb->CGImage();
        CGPixel left = pixels->pixelAt(pixels->width() / 4, pixels->height() / 2);
        CGPixel right = pixels->pixelAt(pixels->width() * 3 / 4, pixels->height() / 2);
        EXPECT_GT(left.red, 200);
        EXPECT_LT(left.blue, 60);
        EXPECT_GT(right.blue, 200);
        EXPECT_LT(right.red, 60);
    }
    // A photo whose header reads but whose picture is cut short makes no thumbnail.
    Data jpeg = *CGImageCreateJPEGData(UIImage::imageWithContentsOfFile(productImage("wide.jpg"))->CGImage(), 0.9f);
    std::ofstream(productImage("cut.jpg"), std::ios::binary)
        .write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size() / 2));
    PublicFunction::createImgThumbWithImgNameThumbNameFiletype(std::string("cut.jpg"), std::string("thumb-cut.png"), 1);
    EXPECT_FALSE(std::filesystem::exists(productImage("thumb-cut.png")));
}

TEST_F(InterfaceHelpers, ThemeColourIsTheTopBarImageInOnePixel)
{
    CGFloat r, g, b, a;
    writePNG(skin("topbar-bg.png"), CGSizeMake(40, 10), UIColor::colorWithRedGreenBlueAlpha(0, 0, 1, 1));
    PublicFunction::colorOfMainTheme()->getRedGreenBlueAlpha(&r, &g, &b, &a);
    EXPECT_NEAR(r, 0, 0.01);
    EXPECT_NEAR(g, 0, 0.01);
    EXPECT_NEAR(b, 1, 0.01);
    EXPECT_NEAR(a, 1, 0.01);
}

TEST_F(InterfaceHelpers, LabelsAlertsSpinnersAndWiggle)
{
    auto label = std::make_shared<UILabel>(CGRectMake(0, 0, 200, 20));
    label->setText("$1,234.00");
    PublicFunction::addDeletionLineToLabel(label);
    ASSERT_EQ(label->subviews().size(), 1u);
    const CGRect line = label->subviews()[0]->frame();
    EXPECT_EQ(line.origin, CGPointMake(-5, 10));
    EXPECT_EQ(line.size.height, 2);
    EXPECT_NEAR(line.size.width, sizeWithFont("$1,234.00", label->font()).width + 10, 0.5);
    PublicFunction::removeDeletionLineFromLabel(label);
    EXPECT_TRUE(label->subviews().empty());

    // The n-th subview of a class counts only subviews of that class.
    auto holder = std::make_shared<UIView>();
    auto first = std::make_shared<UILabel>();
    auto second = std::make_shared<UILabel>();
    for (const auto& v : std::vector<std::shared_ptr<UIView>> {
             std::make_shared<UIView>(), first, std::make_shared<UIImageView>(), second })
        holder->addSubview(v);
    EXPECT_EQ(PublicFunction::findSubViewInOfClassIndex<UILabel>(holder, 0), first);
    EXPECT_EQ(PublicFunction::findSubViewInOfClassIndex<UILabel>(holder, 1), second);
    EXPECT_EQ(PublicFunction::findSubViewInOfClassIndex<UILabel>(holder, 2), nullptr);
    EXPECT_EQ(PublicFunction::findSubViewInOfClassIndex<UILabel>(nullptr, 0), nullptr);

    auto view = std::make_shared<UIView>(CGRectMake(0, 0, 100, 100));
    auto spinner = std::make_shared<UIActivityIndicatorView>();
    view->addSubview(std::make_shared<UIView>());
    PublicFunction::showDialIndicatorView(view, spinner);
    EXPECT_EQ(view->subviews().back(), spinner);
    EXPECT_TRUE(spinner->isAnimating());
    EXPECT_FALSE(view->isUserInteractionEnabled());
    PublicFunction::hideDialIndicatorView(view, spinner);
    EXPECT_EQ(spinner->superview(), nullptr);
    EXPECT_FALSE(spinner->isAnimating());
    EXPECT_TRUE(view->isUserInteractionEnabled());

    PublicFunction::setViewShakingShaking(view, true);
    auto wiggle = std::dynamic_pointer_cast<CABasicAnimation>(view->layer()->animationForKey("wiggle"));
    ASSERT_TRUE(wiggle);
    EXPECT_EQ(wiggle->keyPath, "transform");
    EXPECT_EQ(wiggle->duration, 0.1);
    EXPECT_TRUE(wiggle->autoreverses);
    EXPECT_EQ(wiggle->repeatCount, HUGE_VALF_REPEAT);
    EXPECT_EQ(std::get<CATransform3D>(wiggle->toValue), CATransform3DMakeRotation(0.03, 0, 0, 1));
    PublicFunction::setViewShakingShaking(view, false);
    EXPECT_EQ(view->layer()->animationForKey("wiggle"), nullptr);
}

}  // namespace
