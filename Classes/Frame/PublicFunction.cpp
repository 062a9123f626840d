#include "Classes/Frame/PublicFunction.h"

#include "Classes/Frame/SharedUDID.h"
#include "Database/ClientFolder.h"
#include "Network/Protocol/LoginMode.h"
#include "Network/Protocol/ServerInfo.h"
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

struct FileTypeRow {
    int code;
    const char* localFolder;
    const char* serverFolder;
    const char* defaultImage;
};

constexpr FileTypeRow kFileTypes[] = {
    { 1, "ProductImages", "product", "fileDefault.png" },
    { 2, "CatalogImages", "CatalogImages", "fileDefault.png" },
    { 3, "ConfigImages", "icon", "fileDefault.png" },
    { 4, "LibraryImages", "library/cover_image", "fileDefault.png" },
    { 5, "Pdf", "library/pdf", "icon-default_pdf" },
    { 6, "Video", "library/vedio", "icon-default_video" },
    { 7, "Excel", "library/excel", "fileDefault.png" },
    { 8, "Word", "library/word", "fileDefault.png" },
    { 9, "Keynote", "library/keynote", "icon-default_slide" },
};

const FileTypeRow* fileTypeRow(int code)
{
    for (const auto& row : kFileTypes) {
        if (row.code == code)
            return &row;
    }
    return nullptr;
}

// The service's own host; the settings screen can point the device elsewhere.
constexpr const char* kDefaultServerHost = "service.corvelle.net";

std::string documentsPath() { return NSString::stringByAppendingPathComponent(NSHomeDirectory(), "Documents"); }

std::string groupedDigits(std::string digits)
{
    std::string out;
    const size_t n = digits.size();
    for (size_t i = 0; i < n; ++i) {
        out += digits[i];
        const size_t remaining = n - i - 1;
        if (remaining > 0 && remaining % 3 == 0)
            out += ',';
    }
    return out;
}

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

std::mutex& serverLock()
{
    static std::mutex lock;
    return lock;
}

}  // namespace

// ---- Client folders, file types, server settings and URLs ----

std::string PublicFunction::clientFolderPath()
{
    const auto& clientID = LoginMode::sharedInstance()->clientID();
    return ClientFolder::pathForClientID(clientID.value_or(std::string())).value_or(std::string());
}

std::string PublicFunction::filePathWithNameFiletype(std::string_view name, int fileType)
{
    std::string folder = clientFolderPath();
    // No client folder, no path: an empty path opens and writes nothing.
    if (folder.empty())
        return std::string();
    if (const auto* row = fileTypeRow(fileType))
        folder = NSString::stringByAppendingPathComponent(folder, row->localFolder);
    return NSString::stringByAppendingPathComponent(folder, name);
}

int PublicFunction::getFileType(std::string_view type)
{
    if (type == "PDF")
        return FileTypePdf;
    if (type == "VEDIO")
        return FileTypeVideo;
    if (type == "EXCEL")
        return FileTypeExcel;
    if (type == "WORD")
        return FileTypeWord;
    return FileTypeKeynote;
}

std::string PublicFunction::localFolderForFileType(int fileType)
{
    const auto* row = fileTypeRow(fileType);
    return row ? row->localFolder : "";
}

std::string PublicFunction::serverFolderForFileType(int fileType)
{
    const auto* row = fileTypeRow(fileType);
    return row ? row->serverFolder : "";
}

std::string PublicFunction::defaultImageNameForFileType(int fileType)
{
    const auto* row = fileTypeRow(fileType);
    return row ? row->defaultImage : "fileDefault.png";
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

void PublicFunction::createDirectoryifNeed(std::string_view name)
{
    // The name is a client folder and the folders under it ("acme/Images/"):
    // every component must be one that stays inside Documents.
    const auto components = NSString::componentsSeparatedByString(name, "/");
    for (size_t i = 0; i < components.size(); ++i) {
        const bool trailing = i > 0 && components[i].empty();
        if (!trailing && !ClientFolder::isValidClientID(components[i]))
            return;
    }
    const std::string path = NSString::stringByAppendingPathComponent(documentsPath(), name);
    auto& fm = NSFileManager::defaultManager();
    if (!fm.fileExistsAtPath(path))
        fm.createDirectoryAtPathWithIntermediateDirectories(path, true);
}

const char* PublicFunction::defaultServerHost() { return kDefaultServerHost; }

std::shared_ptr<ServerInfo> PublicFunction::GetServer()
{
    static std::shared_ptr<ServerInfo> info;
    std::lock_guard<std::mutex> guard(serverLock());
    if (!info)
        info = std::make_shared<ServerInfo>();
    auto defaults = NSUserDefaults::standardUserDefaults();
    auto text = [&](const char* key, const char* fallback, std::string& field) {
        // An empty text counts as set; only an absent value takes the default.
        auto stored = defaults->stringForKey(key);
        if (stored) {
            field = *stored;
        } else {
            defaults->setObjectForKey(Value(fallback), key);
            field = fallback;
        }
    };
    auto port = [&](const char* key, long fallback, int& field) {
        long stored = defaults->integerForKey(key);
        if (stored == 0) {
            defaults->setIntegerForKey(fallback, key);
            stored = fallback;
        }
        field = static_cast<int>(stored);
    };
    text("IP", kDefaultServerHost, info->strIP);
    port("Port", 48080, info->httpPort);
    text("Path", "CorvelleSaas", info->websiteServer);
    text("ImageIP", kDefaultServerHost, info->imageIP);
    port("ImagePort", 480, info->imageHttpPort);
    text("ImagePath", "corvelle_saas", info->imageWebsiteServer);
    info->takeSchemes();
    defaults->synchronize();
    return info;
}

void PublicFunction::resetUserSetting()
{
    auto defaults = NSUserDefaults::standardUserDefaults();
    auto text = [&](const char* key, const char* value) {
        if (defaults->stringForKey(key) != std::optional<std::string>(value))
            defaults->setObjectForKey(Value(value), key);
    };
    auto port = [&](const char* key, long value) {
        if (defaults->integerForKey(key) != value || !defaults->objectForKey(key).isNumber())
            defaults->setIntegerForKey(value, key);
    };
    text("IP", kDefaultServerHost);
    port("Port", 48080);
    text("Path", "CorvelleSaas");
    text("ImageIP", kDefaultServerHost);
    port("ImagePort", 480);
    text("ImagePath", "corvelle_saas");
    defaults->synchronize();
}

std::optional<std::string> PublicFunction::fileURLWithNameFiletype(const std::optional<std::string>& name, int fileType)
{
    if (!name)
        return std::nullopt;
    const std::string base = GetServer()->imageBaseURL();
    const std::string clientID = LoginMode::sharedInstance()->clientID().value_or(std::string());
    std::string url = base + "/" + stringWithFormat("images/%@/", clientID);
    if (const auto* row = fileTypeRow(fileType))
        url += std::string(row->serverFolder) + "/";
    url += *name;
    return NSString::stringByAddingPercentEscapesUsingEncoding(url);
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

std::string PublicFunction::applicationDocumentsPathURL()
{
    auto paths = NSSearchPathForDirectoriesInDomains(NSDocumentDirectory, NSUserDomainMask, true);
    std::string path = paths.empty() ? documentsPath() : paths.front();
    NSFileManager::defaultManager().createDirectoryAtPathWithIntermediateDirectories(path, true);
    return path;
}

std::string PublicFunction::applicationLibraryPathURL()
{
    auto paths = NSSearchPathForDirectoriesInDomains(NSLibraryDirectory, NSUserDomainMask, true);
    std::string path
        = paths.empty() ? NSString::stringByAppendingPathComponent(NSHomeDirectory(), "Library") : paths.front();
    NSFileManager::defaultManager().createDirectoryAtPathWithIntermediateDirectories(path, true);
    return path;
}

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
    if (currency == "CNY")
        return "¥";
    if (currency == "USD")
        return "$";
    return "";
}

std::string PublicFunction::intFormate(long value)
{
    if (value <= 0)
        return "0";
    return groupedDigits(std::to_string(value));
}

std::string PublicFunction::doubleFormate(double value)
{
    if (!(value > 0))
        return "0.00";
    const std::string fixed = stringWithFormat("%.2f", value);
    const size_t dot = fixed.find('.');
    return groupedDigits(fixed.substr(0, dot)) + fixed.substr(dot);
}

std::string PublicFunction::priceWithCommaSeparatorAndCurrencyFlag(double value, std::string_view flag)
{
    const float amount = static_cast<float>(value);
    const std::string fixed = stringWithFormat("%.2f", std::fabs(static_cast<double>(amount)));
    const size_t dot = fixed.find('.');
    std::string styled = (amount < 0 ? "-$" : "$") + groupedDigits(fixed.substr(0, dot)) + fixed.substr(dot);
    return std::string(flag) + styled.substr(1);
}

// ---- Dates ----

std::string PublicFunction::currentTime()
{
    return NSDateFormatter("MM/dd/yyyy HH:mm:ss").stringFromDate(Clock::wallNow());
}

double PublicFunction::currentTimeInterval() { return Clock::wallNow().secondsSince1970; }

long PublicFunction::currentLanguage()
{
    // The language service keeps the current language in this default.
    return NSUserDefaults::standardUserDefaults()->integerForKey("language");
}

std::string PublicFunction::getFormateString() { return currentLanguage() == 2 ? "yy/MM/dd" : "MM/dd/yy"; }

std::string PublicFunction::formatDate(const std::optional<std::string>& text)
{
    if (!text)
        return "";
    auto date = NSDateFormatter("yyyy-MM-dd HH:mm:ss").dateFromString(*text);
    return date ? NSDateFormatter(getFormateString()).stringFromDate(*date) : std::string();
}

std::string PublicFunction::changeToServerFormatFromLocal(const std::optional<std::string>& text)
{
    if (!text)
        return "";
    auto date = NSDateFormatter("MM/dd/yyyy HH:mm:ss").dateFromString(*text);
    return date ? NSDateFormatter("yyyy-MM-dd HH:mm:ss").stringFromDate(*date) : std::string();
}

// ---- Text ----

std::string PublicFunction::encryptMD5(std::string_view text) { return Hashing::md5HexUpper(text); }

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

// The image redrawn at its size times the factor.
std::shared_ptr<UIImage> redrawn(const std::shared_ptr<UIImage>& image, CGFloat factor)
{
    return redrawnAt(image, scaledSize(image->size(), factor));
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
    return redrawn(image, std::min(size.width / own.width, size.height / own.height));
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
        shown = redrawn(image, std::min(box.width / own.width, box.height / own.height));
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
