#pragma once

// The client's skin: interface images by name from the signed-in client's
// "SkinImages" folder (unpacked from the "SkinImages.zip" the server sends),
// falling back to the bundle image of the same name. It also unpacks the
// bundle's demo data and carries images as Base64 text.
//
// A damaged archive leaves nothing half-made behind: the skin folder (or the
// demo folders) is removed again so that the next sign-in unpacks afresh.

#include <atomic>
#include <memory>
#include <optional>
#include <string>

class UIImage;

class SkinManager {
public:
    // The one instance, made on first use under a lock; it lives for the
    // process (resetSharedInstance gives tests a fresh one).
    static std::shared_ptr<SkinManager> sharedInstance();
    static void resetSharedInstance();

    // The skin image of a name (the "@2x" file first on a scale-2 screen),
    // else the bundle image; nothing for an absent or blank name.
    static std::shared_ptr<UIImage> skinFromImageName(const std::optional<std::string>& name);
    // Whether the skin itself holds the image (no bundle fallback).
    static bool hasCustomerImage(const std::optional<std::string>& name);
    // "homelogo.png" from that client's skin, never a bundle image.
    static std::shared_ptr<UIImage> getLogoWithClientId(const std::optional<std::string>& clientId);
    // 1.0 or 2.0, computed once from the main screen (again after a reset).
    static double getUIScreenScaleFactor();

    // Unpacks the signed-in client's skin archive unless its skin folder exists.
    bool initializeSkinImage();
    // YES unless both demo folders exist; then whether a new version asked for it.
    bool needInitializeDemo();
    // Replaces both demo folders with the bundle's demo archive.
    bool initializeDemoZip();
    // The same in two halves, for the unpacking off the main thread: the
    // folders are named on the main thread, the archive unpacked anywhere.
    static std::string demoDocumentsPath();
    static std::optional<std::string> demoArchivePath();
    static bool unpackDemoArchive(const std::string& documents, const std::optional<std::string>& archive);

    // An image as JPEG of quality 0.5 in Base64, and back; nothing in, nothing out.
    static std::optional<std::string> image2String(const std::shared_ptr<UIImage>& image);
    static std::shared_ptr<UIImage> string2Image(const std::optional<std::string>& text);

    bool needUpdateDemo() const { return m_needUpdateDemo; }
    void setNeedUpdateDemo(bool on) { m_needUpdateDemo = on; }

    // The skin folder of a client id (lower-cased), or nothing for an id
    // that cannot name a folder.
    static std::optional<std::string> skinFolderForClientId(const std::optional<std::string>& clientId);
    // The two folders the demo archive unpacks into Documents.
    static constexpr const char* kDemoFolders[2] = { "dostrevik_", "velloran_" };

private:
    std::atomic<bool> m_needUpdateDemo { false };
};
