#include "Classes/Frame/SkinManager.h"

#include "Classes/Frame/Base64Coding.h"
#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/ZipWrapper.h"
#include "Network/Protocol/LoginMode.h"
#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"

#include <iterator>
#include <mutex>
#include <vector>

namespace {

std::mutex g_instanceLock;
std::shared_ptr<SkinManager> g_instance;
std::optional<double> g_scaleFactor;

constexpr const char* kSkinFolderName = "SkinImages";
constexpr const char* kSkinArchiveName = "SkinImages.zip";
constexpr const char* kSkinStagingName = ".SkinImages.unpacking";
constexpr const char* kDemoStagingName = ".demo.unpacking";

// A skin is a few megabytes of interface images.
constexpr ZipWrapper::Limits kSkinLimits { 2000, 16u << 20, 64u << 20 };
// The demo archive holds two whole client folders: databases, pictures and library documents.
constexpr ZipWrapper::Limits kDemoLimits { 5000, 64u << 20, 512u << 20 };

std::string documentsPath() { return NSString::stringByAppendingPathComponent(NSHomeDirectory(), "Documents"); }

bool isBlank(const std::optional<std::string>& text)
{
    return !text || NSString::stringByTrimmingCharactersInSet(*text, CharacterSet::whitespaceAndNewline).empty();
}

// The "@2x" form replaces the name's last four characters, which are
// ".png" for every skin image.
std::optional<std::string> highResolutionPath(const std::string& path)
{
    if (path.size() < 4)
        return std::nullopt;
    return path.substr(0, path.size() - 4) + "@2x.png";
}

std::optional<std::string> skinFilePath(
    const std::optional<std::string>& clientId, const std::string& name, bool* exists)
{
    *exists = false;
    auto folder = SkinManager::skinFolderForClientId(clientId);
    if (!folder)
        return std::nullopt;
    auto& files = NSFileManager::defaultManager();
    const std::string path = NSString::stringByAppendingPathComponent(*folder, name);
    if (SkinManager::getUIScreenScaleFactor() == 2.0) {
        if (auto high = highResolutionPath(path); high && files.fileExistsAtPath(*high)) {
            *exists = true;
            return high;
        }
    }
    *exists = files.fileExistsAtPath(path);
    return path;
}

void removeIfPresent(const std::string& path)
{
    auto& files = NSFileManager::defaultManager();
    if (files.fileExistsAtPath(path))
        files.removeItemAtPath(path);
}

// Unpacks into a staging folder beside the destination's folders and moves
// each wanted folder into place only once the whole archive came out: a
// refused or damaged archive leaves the destination as it was. Staging and
// destination share a parent, so each move is a rename.
bool unpackStaged(
    ZipWrapper& zip, const std::string& parent, const std::vector<std::string>& folders, const char* stagingName)
{
    auto& files = NSFileManager::defaultManager();
    const std::string staging = NSString::stringByAppendingPathComponent(parent, stagingName);
    removeIfPresent(staging);
    if (!files.createDirectoryAtPathWithIntermediateDirectories(staging, true)) {
        NSLog("No staging folder %@ for unpacking", staging);
        return false;
    }
    bool ok = zip.UnzipFileToOverWrite(staging, true);
    for (const auto& folder : folders) {
        if (!ok)
            break;
        const std::string staged = NSString::stringByAppendingPathComponent(staging, folder);
        const std::string target = NSString::stringByAppendingPathComponent(parent, folder);
        removeIfPresent(target);
        if (files.fileExistsAtPath(staged) && !files.moveItemAtPathToPath(staged, target)) {
            NSLog("The unpacked folder %@ could not be moved into place", folder);
            ok = false;
        }
    }
    removeIfPresent(staging);
    return ok;
}

}  // namespace

std::shared_ptr<SkinManager> SkinManager::sharedInstance()
{
    std::lock_guard lock(g_instanceLock);
    if (!g_instance)
        g_instance = std::make_shared<SkinManager>();
    return g_instance;
}

void SkinManager::resetSharedInstance()
{
    std::lock_guard lock(g_instanceLock);
    g_instance.reset();
    g_scaleFactor.reset();
}

std::optional<std::string> SkinManager::skinFolderForClientId(const std::optional<std::string>& clientId)
{
    if (!LoginMode::isUsableClientId(clientId))
        return std::nullopt;
    const std::string client
        = NSString::stringByAppendingPathComponent(documentsPath(), NSString::lowercaseString(*clientId));
    return NSString::stringByAppendingPathComponent(client, kSkinFolderName);
}

double SkinManager::getUIScreenScaleFactor()
{
    std::lock_guard lock(g_instanceLock);
    if (!g_scaleFactor) {
        const double scale = UIGraphicsGetScreenScale();
        g_scaleFactor = scale < 1.1 ? 1.0 : (scale > 1.9 ? 2.0 : 1.0);
        NSLog("UIScreen-ScaleFactor:%0.f", *g_scaleFactor);
    }
    return *g_scaleFactor;
}

std::shared_ptr<UIImage> SkinManager::skinFromImageName(const std::optional<std::string>& name)
{
    if (isBlank(name))
        return nullptr;
    bool exists = false;
    auto path = skinFilePath(LoginMode::sharedInstance()->clientID(), *name, &exists);
    if (exists) {
        if (auto image = UIImage::imageWithContentsOfFile(*path))
            return image;
        NSLog("The skin image %@ does not decode; the bundle image stands in", *path);
    }
    auto image = UIImage::imageNamed(*name);
    if (!image)
        NSLog("No skin or bundle image named %@", *name);
    return image;
}

bool SkinManager::hasCustomerImage(const std::optional<std::string>& name)
{
    if (isBlank(name))
        return false;
    bool exists = false;
    skinFilePath(LoginMode::sharedInstance()->clientID(), *name, &exists);
    return exists;
}

std::shared_ptr<UIImage> SkinManager::getLogoWithClientId(const std::optional<std::string>& clientId)
{
    if (isBlank(clientId))
        return nullptr;
    bool exists = false;
    auto path = skinFilePath(clientId, "homelogo.png", &exists);
    return exists ? UIImage::imageWithContentsOfFile(*path) : nullptr;
}

bool SkinManager::initializeSkinImage()
{
    const auto& clientId = LoginMode::sharedInstance()->clientID();
    auto skinFolder = skinFolderForClientId(clientId);
    if (!skinFolder) {
        NSLog("No skin for the client id %@", clientId.value_or(""));
        return false;
    }
    auto& files = NSFileManager::defaultManager();
    if (files.fileExistsAtPath(*skinFolder))
        return true;
    const std::string clientFolder = NSString::stringByDeletingLastPathComponent(*skinFolder);
    const std::string archive = NSString::stringByAppendingPathComponent(clientFolder, kSkinArchiveName);
    ZipWrapper zip;
    zip.limits = kSkinLimits;
    // The archive shares the client folder with the open database and the
    // catalogue pictures: only the skin folder may come out of it.
    zip.allowedFolders = { kSkinFolderName };
    if (!zip.UnzipOpenFile(archive)) {
        NSLog("The skin archive %@ does not open", archive);
        return false;
    }
    const bool unpacked = unpackStaged(zip, clientFolder, { kSkinFolderName }, kSkinStagingName);
    zip.UnzipCloseFile();
    if (!unpacked)
        NSLog("The skin archive %@ is damaged or refused; the bundle images stand in until it unpacks whole", archive);
    return unpacked;
}

bool SkinManager::needInitializeDemo()
{
    auto& files = NSFileManager::defaultManager();
    const std::string documents = documentsPath();
    for (const char* folder : kDemoFolders) {
        if (!files.fileExistsAtPath(NSString::stringByAppendingPathComponent(documents, folder)))
            return true;
    }
    return m_needUpdateDemo;
}

bool SkinManager::initializeDemoZip() { return unpackDemoArchive(documentsPath(), demoArchivePath()); }

std::optional<std::string> SkinManager::demoArchivePath()
{
    auto bundle = NSBundle::mainBundle();
    return bundle ? bundle->pathForResourceOfType("DEMO_Zh", "zip") : std::nullopt;
}

std::string SkinManager::demoDocumentsPath() { return documentsPath(); }

bool SkinManager::unpackDemoArchive(const std::string& documents, const std::optional<std::string>& archive)
{
    std::vector<std::string> demoFolders(std::begin(kDemoFolders), std::end(kDemoFolders));
    if (!archive) {
        NSLog("The bundle holds no demo archive DEMO_Zh.zip");
        for (const auto& folder : demoFolders)
            removeIfPresent(NSString::stringByAppendingPathComponent(documents, folder));
        return false;
    }
    ZipWrapper zip;
    zip.limits = kDemoLimits;
    zip.allowedFolders = demoFolders;
    if (!zip.UnzipOpenFile(*archive)) {
        NSLog("The demo archive %@ does not open", *archive);
        for (const auto& folder : demoFolders)
            removeIfPresent(NSString::stringByAppendingPathComponent(documents, folder));
        return false;
    }
    const bool unpacked = unpackStaged(zip, documents, demoFolders, kDemoStagingName);
    zip.UnzipCloseFile();
    if (!unpacked) {
        NSLog("The demo archive %@ is damaged or refused", *archive);
        for (const auto& folder : demoFolders)
            removeIfPresent(NSString::stringByAppendingPathComponent(documents, folder));
    }
    return unpacked;
}

std::optional<std::string> SkinManager::image2String(const std::shared_ptr<UIImage>& image)
{
    if (!image)
        return std::nullopt;
    auto jpeg = UIImageJPEGRepresentation(image, 0.5);
    if (!jpeg)
        return std::nullopt;
    return Base64Coding::base64Encoding(*jpeg);
}

std::shared_ptr<UIImage> SkinManager::string2Image(const std::optional<std::string>& text)
{
    if (!text)
        return nullptr;
    auto data = Base64Coding::dataWithBase64EncodedString(*text);
    if (!data)
        return nullptr;
    return UIImage::imageWithData(*data);
}
