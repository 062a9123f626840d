#include "Classes/Frame/PublicFunction.h"

#include "Classes/Frame/SharedUDID.h"
#include "Database/ClientFiles.h"
#include "Database/ClientFolder.h"
#include "Database/Formats.h"
#include "Network/Protocol/ImageThumbnail.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/ServerInfo.h"
#include "Network/Protocol/ServerSettings.h"
#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/ExtendedAttributes.h"
#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Hashing.h"
#include "Platform/Foundation/NSDateFormatter.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/Foundation/NSUserDefaults.h"
#include "Classes/Frame/SkinManager.h"
#include "Platform/CoreGraphics/CGBitmapContext.h"
#include "Platform/QuartzCore/CAAnimation.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIActivityIndicatorView.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <mutex>

namespace {

std::string documentsPath() { return NSString::stringByAppendingPathComponent(NSHomeDirectory(), "Documents"); }

std::string systemVersionText()
{
    struct utsname info { };
    if (uname(&info) != 0)
        return "0";
    return info.release;
}

// Compares dotted version texts numerically ("5.0.1" < "5.1").
int compareVersions(std::string_view a, std::string_view b)
{
    auto pa = NSString::componentsSeparatedByString(a, ".");
    auto pb = NSString::componentsSeparatedByString(b, ".");
    const size_t n = std::max(pa.size(), pb.size());
    for (size_t i = 0; i < n; ++i) {
        const long long x = i < pa.size() ? NSString::longLongValue(pa[i]) : 0;
        const long long y = i < pb.size() ? NSString::longLongValue(pb[i]) : 0;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

}  // namespace

// ---- Client folders, file types, server settings and URLs ----

std::string PublicFunction::clientFolderPath() { return ClientFiles::clientFolderPath(); }

std::string PublicFunction::filePathWithNameFiletype(std::string_view name, int fileType)
{
    return ClientFiles::filePathWithNameFiletype(name, fileType);
}

int PublicFunction::getFileType(std::string_view type) { return ClientFiles::getFileType(type); }

std::string PublicFunction::localFolderForFileType(int fileType)
{
    return ClientFiles::localFolderForFileType(fileType);
}

std::string PublicFunction::serverFolderForFileType(int fileType)
{
    return ClientFiles::serverFolderForFileType(fileType);
}

std::string PublicFunction::defaultImageNameForFileType(int fileType)
{
    return ClientFiles::defaultImageNameForFileType(fileType);
}

std::shared_ptr<UIImage> PublicFunction::getLocalImageFiletype(std::string_view name, int fileType)
{
    return localImageAtPathFiletype(localImagePathFiletype(name, fileType), fileType);
}

std::string PublicFunction::localImagePathFiletype(std::string_view name, int fileType)
{
    const int folderType = fileType >= FileTypePdf && fileType <= FileTypeKeynote ? FileTypeLibraryCover : fileType;
    return filePathWithNameFiletype(name, folderType);
}

std::shared_ptr<UIImage> PublicFunction::localImageAtPathFiletype(const std::string& path, int fileType)
{
    if (auto image = UIImage::imageWithContentsOfFile(path))
        return image;
    return UIImage::imageNamed(defaultImageNameForFileType(fileType));
}

void PublicFunction::createDirectoryifNeed(std::string_view name) { ClientFiles::createDirectoryifNeed(name); }

const char* PublicFunction::defaultServerHost() { return ServerSettings::defaultServerHost(); }

std::shared_ptr<ServerInfo> PublicFunction::GetServer() { return ServerSettings::GetServer(); }

void PublicFunction::resetUserSetting() { ServerSettings::resetUserSetting(); }

std::optional<std::string> PublicFunction::fileURLWithNameFiletype(const std::optional<std::string>& name, int fileType)
{
    return ServerSettings::fileURLWithNameFiletype(name, fileType);
}

std::string PublicFunction::editUserUrl()
{
    auto session = LoginMode::sharedInstance();
    auto server = GetServer();
    return stringWithFormat("%@%@/index.php?option=com_news&view=check&username=%@@%@&from=app&lan=%@",
        server->imageScheme + "://", server->imageUrlStr(), session->acountID().value_or(std::string()),
        session->clientID().value_or(std::string()), currentLanguage() == 2 ? "zh" : "en");
}

std::string PublicFunction::forgetPassWordUrl()
{
    const char* format = currentLanguage() == 2 ? "%@%@/index.php?option=com_cforgetpw&view=newsletter"
                                                : "%@%@/index.php?option=com_forgetpw&view=newsletter";
    auto server = GetServer();
    return stringWithFormat(format, server->imageScheme + "://", server->imageUrlStr());
}

void PublicFunction::clearUserDefault()
{
    auto defaults = NSUserDefaults::standardUserDefaults();
    for (const auto& key : defaults->dictionaryRepresentation().keys())
        defaults->removeObjectForKey(key);
    defaults->synchronize();
}

void PublicFunction::changeAllClientFolderToLower()
{
    auto& fm = NSFileManager::defaultManager();
    const std::string documents = documentsPath();
    auto items = fm.contentsOfDirectoryAtPath(documents);
    if (!items)
        return;
    for (const auto& item : *items) {
        const std::string lower = NSString::lowercaseString(item);
        if (lower != item && ClientFolder::isValidClientID(item))
            fm.moveItemAtPathToPath(NSString::stringByAppendingPathComponent(documents, item),
                NSString::stringByAppendingPathComponent(documents, lower));
    }
}

void PublicFunction::moveAllClientFolderToDocuments()
{
    auto& fm = NSFileManager::defaultManager();
    const std::string tmp = NSString::stringByAppendingPathComponent(NSHomeDirectory(), "tmp");
    const std::string documents = documentsPath();
    auto items = fm.contentsOfDirectoryAtPath(tmp);
    if (!items)
        return;
    for (const auto& item : *items) {
        if (ClientFolder::isValidClientID(item))
            fm.moveItemAtPathToPath(NSString::stringByAppendingPathComponent(tmp, item),
                NSString::stringByAppendingPathComponent(documents, NSString::lowercaseString(item)));
    }
}

void PublicFunction::removeAllSkinImageFolders()
{
    auto& fm = NSFileManager::defaultManager();
    const std::string documents = documentsPath();
    auto items = fm.contentsOfDirectoryAtPath(documents);
    if (!items)
        return;
    for (const auto& item : *items) {
        const std::string skin = NSString::stringByAppendingPathComponent(
            NSString::stringByAppendingPathComponent(documents, item), "SkinImages");
        if (fm.fileExistsAtPath(skin))
            fm.removeItemAtPath(skin);
    }
}

std::string PublicFunction::hardwareModel()
{
    struct utsname info { };
    if (uname(&info) != 0)
        return std::string();
    return info.machine;
}

int64_t PublicFunction::getMaxSizeForDevice()
{
    const std::string prefix = hardwareModel().substr(0, 5);
    if (prefix == "iPad2")
        return 20971520;
    if (prefix == "iPad3" || prefix == "x86_6")
        return 41943040;
    return 5242880;
}

bool PublicFunction::safeSizeOfPath(std::string_view path)
{
    auto size = NSFileManager::defaultManager().fileSizeAtPath(std::string(path));
    if (!size || *size == 0)
        return false;
    return static_cast<int64_t>(*size) <= getMaxSizeForDevice();
}

std::string PublicFunction::applicationDocumentsPathURL() { return ClientFiles::applicationDocumentsPathURL(); }

std::string PublicFunction::applicationLibraryPathURL() { return ClientFiles::applicationLibraryPathURL(); }

bool PublicFunction::addSkipBackupAttributeToItemAtURL(std::string_view fileURLPath)
{
    const std::string path(fileURLPath);
    const std::string version = systemVersionText();
    if (compareVersions(version, "5.1") >= 0) {
        std::string error;
        const bool ok = ExtendedAttributes::setExcludedFromBackup(path, true, &error);
        if (ok)
            NSLog("Excluding %@ from backup successfully", NSString::lastPathComponent(path));
        else
            NSLog("Error excluding %@ from backup %@", NSString::lastPathComponent(path), error);
        return ok;
    }
    if (compareVersions(version, "5.0.1") <= 0)
        return ExtendedAttributes::setAttribute(path, "com.apple.MobileBackup", Data { 1 });
    return false;
}

void PublicFunction::SkipBackup()
{
    addSkipBackupAttributeToItemAtURL(applicationDocumentsPathURL());
    addSkipBackupAttributeToItemAtURL(applicationLibraryPathURL());
}

// ---- Numbers, prices, discount rates ----

std::string PublicFunction::flagWithCurrency(const std::optional<std::string>& currency)
{
    return Formats::flagWithCurrency(currency);
}

std::string PublicFunction::intFormate(long value) { return Formats::intFormate(value); }

std::string PublicFunction::doubleFormate(double value) { return Formats::doubleFormate(value); }

std::string PublicFunction::priceWithCommaSeparatorAndCurrencyFlag(double value, std::string_view flag)
{
    return Formats::priceWithCommaSeparatorAndCurrencyFlag(value, flag);
}

// ---- Dates ----

std::string PublicFunction::currentTime() { return Formats::currentTime(); }

double PublicFunction::currentTimeInterval() { return Formats::currentTimeInterval(); }

long PublicFunction::currentLanguage() { return Formats::currentLanguage(); }

std::string PublicFunction::getFormateString() { return Formats::getFormateString(); }

std::string PublicFunction::formatDate(const std::optional<std::string>& text) { return Formats::formatDate(text); }

std::string PublicFunction::changeToServerFormatFromLocal(const std::optional<std::string>& text)
{
    return Formats::changeToServerFormatFromLocal(text);
}

// ---- Text ----

std::string PublicFunction::encryptMD5(std::string_view text) { return Formats::encryptMD5(text); }

std::optional<std::string> PublicFunction::stringRemoveTagStrTag(
    const std::optional<std::string>& text, const std::optional<std::string>& tag)
{
    if (!text || !tag)
        return std::nullopt;
    if (tag->empty())
        return text;
    return NSString::stringByReplacingOccurrencesOfStringWithString(*text, *tag, "");
}

bool PublicFunction::isContainChinese(const std::optional<std::string>& text)
{
    if (!text)
        return false;
    for (char ch : *text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 0x80)
            return true;
    }
    return false;
}

std::optional<std::string> PublicFunction::getPreferredLanguage()
{
    Value languages = NSUserDefaults::standardUserDefaults()->objectForKey("AppleLanguages");
    const Value& first = languages[size_t { 0 }];
    std::optional<std::string> language;
    if (first.isString())
        language = first.stringValue();
    NSLog("Preferred Language:%@", language.value_or("(null)"));
    return language;
}

// ---- Device facts and diagnostics ----

float PublicFunction::getDeviceVersion() { return NSString::floatValue(systemVersionText()); }

std::string PublicFunction::getSharedUDID() { return SharedUDID::value(); }

std::optional<std::string> PublicFunction::getMacAddress()
{
    auto address = IdentifierAddition::hardwareAddressDigits();
    if (!address)
        return std::nullopt;
    return encryptMD5(*address + "TARNO");
}

void PublicFunction::showCurrentMemory()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    if (!(statm >> pages >> resident)) {
        NSLog("Error: %s", "cannot read the process's memory statistics");
        return;
    }
    const double mebibytes = static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
    NSLog("Memory used: %fM", mebibytes);
}

void PublicFunction::LOGFunctionLineNumberFormat(
    std::string_view file, std::string_view function, int line, std::string_view message)
{
    static std::mutex lock;
    static FILE* logFile = nullptr;
    static bool opened = false;
    std::lock_guard<std::mutex> guard(lock);
    if (!opened) {
        opened = true;
        const std::string name = NSDateFormatter("yyyyMMdd_HHmmss").stringFromDate(Clock::wallNow());
        const std::string path
            = NSString::stringByAppendingPathComponent(documentsPath(), stringWithFormat("%@.txt", name));
        logFile = std::fopen(path.c_str(), "a");
    }
    if (!logFile)
        return;
    const std::string stamp = NSDateFormatter("yyyy-MM-dd HH:mm:ss.SSS").stringFromDate(Clock::wallNow());
    const std::string entry = stringWithFormat("%s %s:%d %s \n%s\n\n", stamp, NSString::lastPathComponent(file), line,
        std::string(function), std::string(message));
    std::fputs(entry.c_str(), logFile);
    std::fflush(logFile);
}

// ---- Interface: buttons, images, labels, alerts, animation ----

namespace {

void skinButton(
    const std::shared_ptr<UIButton>& button, const char* imageName, UIEdgeInsets caps, UIEdgeInsets titleInsets)
{
    if (!button)
        return;
    button->setTitleColorForState(UIColor::whiteColor(), UIControlStateNormal);
    button->titleLabel()->setFont(UIFont::boldSystemFontOfSize(15));
    button->titleLabel()->setTextAlignment(UITextAlignmentCenter);
    button->setBackgroundColor(UIColor::clearColor());
    button->titleEdgeInsets = titleInsets;
    button->setBackgroundImageForState(
        PublicFunction::resizeImageWithCapInsets(SkinManager::skinFromImageName(std::string(imageName)), caps),
        UIControlStateNormal);
}

}  // namespace

void PublicFunction::initializeToButtonHeight30(const std::shared_ptr<UIButton>& button)
{
    skinButton(button, "Button-default_H30.png", UIEdgeInsetsMake(0, 5, 0, 5), UIEdgeInsetsZero);
}

void PublicFunction::initializeToButtonHeight34(const std::shared_ptr<UIButton>& button)
{
    skinButton(button, "Button-default_H34.png", UIEdgeInsetsMake(0, 5, 0, 5), UIEdgeInsetsZero);
}

void PublicFunction::initializeToBackButtonHeight34(const std::shared_ptr<UIButton>& button)
{
    skinButton(button, "Button-backward_H34.png", UIEdgeInsetsMake(0, 16, 0, 5), UIEdgeInsetsMake(0, 10, 0, 0));
}

void PublicFunction::initializeToForwardButtonHeight34(const std::shared_ptr<UIButton>& button)
{
    skinButton(button, "Button-forward_H34.png", UIEdgeInsetsMake(0, 5, 0, 16), UIEdgeInsetsMake(0, 0, 0, 10));
}

std::shared_ptr<UIImage> PublicFunction::resizeImageWithCapInsets(
    const std::shared_ptr<UIImage>& image, UIEdgeInsets insets)
{
    if (!image)
        return nullptr;
    if (getDeviceVersion() >= 5.0f)
        return image->resizableImageWithCapInsets(insets);
    return image->stretchableImageWithLeftCapWidthTopCapHeight(
        static_cast<long>(insets.left), static_cast<long>(insets.top));
}

bool PublicFunction::isRetinaDisplay() { return UIGraphicsGetScreenScale() == 2.0; }

std::shared_ptr<UIImage> PublicFunction::scaleImageToFitSize(const std::shared_ptr<UIImage>& image, CGSize size)
{
    if (!image)
        return nullptr;
    if (isRetinaDisplay())
        size = CGSizeMake(size.width * 2, size.height * 2);
    const CGSize own = image->size();
    if (own.width <= size.width && own.height <= size.height)
        return image;
    return ImageThumbnail::redrawn(image, std::min(size.width / own.width, size.height / own.height));
}

void PublicFunction::ImageViewSetImgImg(const std::shared_ptr<UIView>& view, const std::shared_ptr<UIImage>& image)
{
    if (!view)
        return;
    const auto subviews = view->subviews();
    for (const auto& subview : subviews)
        subview->removeFromSuperview();
    if (!image)
        return;
    const CGSize box = view->frame().size;
    const CGSize own = image->size();
    auto shown = image;
    if (std::ceil(own.width) > box.width || std::ceil(own.height) > box.height)
        shown = ImageThumbnail::redrawn(image, std::min(box.width / own.width, box.height / own.height));
    auto imageView = std::make_shared<UIImageView>(shown);
    view->addSubview(imageView);
    imageView->setCenter(CGPointMake(std::floor(box.width / 2), std::floor(box.height / 2)));
}

void PublicFunction::ImageViewFitImgImg(
    const std::shared_ptr<UIImageView>& imageView, const std::shared_ptr<UIImage>& image)
{
    if (!imageView)
        return;
    imageView->setImage(image);
    const CGSize box = imageView->frame().size;
    const bool smaller = image && image->size().width < box.width && image->size().height < box.height;
    const UIViewContentMode mode = smaller ? UIViewContentModeCenter : UIViewContentModeScaleAspectFit;
    if (imageView->contentMode() != mode)
        imageView->setContentMode(mode);
}

void PublicFunction::createImgThumbWithImgNameThumbNameFiletype(
    const std::optional<std::string>& imageName, const std::optional<std::string>& thumbName, int fileType)
{
    if (!imageName || !thumbName)
        return;
    // Thumbnails are only made for product images, whatever type is passed.
    createImgThumbAtPathThumbPath(filePathWithNameFiletype(*imageName, FileTypeProductImage),
        filePathWithNameFiletype(*thumbName, FileTypeProductImage));
}

void PublicFunction::createImgThumbAtPathThumbPath(const std::string& imagePath, const std::string& thumbPath)
{
    ImageThumbnail::createImgThumbAtPathThumbPath(imagePath, thumbPath);
}

std::shared_ptr<UIColor> PublicFunction::colorOfMainTheme()
{
    auto image = SkinManager::skinFromImageName(std::string("topbar-bg.png"));
    if (!image)
        return UIColor::darkGrayColor();
    uint8_t pixel[4] = {};
    auto context
        = CGBitmapContextCreate(pixel, 1, 1, 8, 4, CGColorSpaceCreateDeviceRGB(), kCGImageAlphaPremultipliedLast);
    if (!context)
        return UIColor::darkGrayColor();
    CGContextDrawImage(context, CGRectMake(0, 0, 1, 1), image->CGImage());
    context.reset();
    return UIColor::colorWithRedGreenBlueAlpha(pixel[0] / 255.0, pixel[1] / 255.0, pixel[2] / 255.0, pixel[3] / 255.0);
}

void PublicFunction::addDeletionLineToLabel(const std::shared_ptr<UILabel>& label)
{
    if (!label)
        return;
    const CGSize text
        = sizeWithFontConstrainedToSize(label->text(), label->font(), CGSizeMake(label->frame().size.width, 40));
    auto line = std::make_shared<UIImageView>(CGRectMake(-5, label->frame().size.height / 2, text.width + 10, 2));
    line->setImage(UIImage::imageNamed("rightline.png"));
    label->addSubview(line);
}

void PublicFunction::removeDeletionLineFromLabel(const std::shared_ptr<UILabel>& label)
{
    if (!label)
        return;
    const auto subviews = label->subviews();
    for (const auto& subview : subviews)
        subview->removeFromSuperview();
}

void PublicFunction::showDialIndicatorView(
    const std::shared_ptr<UIView>& view, const std::shared_ptr<UIActivityIndicatorView>& indicator)
{
    if (!view || !indicator)
        return;
    if (indicator->superview() != view) {
        view->addSubview(indicator);
        indicator->startAnimating();
    }
    view->bringSubviewToFront(indicator);
    view->setUserInteractionEnabled(false);
}

void PublicFunction::hideDialIndicatorView(
    const std::shared_ptr<UIView>& view, const std::shared_ptr<UIActivityIndicatorView>& indicator)
{
    if (!view || !indicator)
        return;
    if (indicator->superview() == view) {
        indicator->removeFromSuperview();
        indicator->stopAnimating();
    }
    view->setUserInteractionEnabled(true);
}

void PublicFunction::setTextAlignmentForAlertView(UITextAlignment alignment, const std::shared_ptr<UIAlertView>& alert)
{
    if (auto message = findSubViewInOfClassIndex<UILabel>(alert, 1))
        message->setTextAlignment(alignment);
}

void PublicFunction::setViewShakingShaking(const std::shared_ptr<UIView>& view, bool shaking)
{
    if (!view)
        return;
    const auto& layer = view->layer();
    layer->removeAllAnimations();
    if (!shaking)
        return;
    auto wiggle = CABasicAnimation::animationWithKeyPath("transform");
    wiggle->fromValue = CATransform3DRotate(layer->transform(), -0.03, 0, 0, 1);
    wiggle->toValue = CATransform3DRotate(layer->transform(), 0.03, 0, 0, 1);
    wiggle->duration = 0.1;
    wiggle->autoreverses = true;
    wiggle->repeatCount = HUGE_VALF_REPEAT;
    layer->addAnimation(wiggle, "wiggle");
}
