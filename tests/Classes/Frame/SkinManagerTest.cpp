#include "Classes/Frame/SkinManager.h"
#include "Classes/Frame/ZipWrapper.h"
#include "Network/Protocol/LoginMode.h"
#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "support/TemporaryHome.h"
#include "tests/Classes/Frame/FrameTestImages.h"

#include <gtest/gtest.h>
#include <minizip/zip.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

class SkinManagerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        NSLogSetCapture([this](const std::string& line) { log.push_back(line); });
        SkinManager::resetSharedInstance();
        LoginMode::freeInstance();
        LoginMode::sharedInstance()->setClientID(std::string("Acme"));
        // A bundle of our own, so that the fallback image is known.
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
    std::string clientFolder() const { return home.documents() + "/acme"; }
    std::string skinFolder() const { return clientFolder() + "/SkinImages"; }
    void useScreenScale(CGFloat scale)
    {
        UIGraphicsSetScreenScale(scale);
        SkinManager::resetSharedInstance();
    }
    void writeSkinArchive(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries)
    {
        ZipWrapper zip;
        ASSERT_TRUE(zip.CreateZipFile2(path));
        for (const auto& [file, name] : entries)
            ASSERT_TRUE(zip.addFileToZipNewname(file, name));
        ASSERT_TRUE(zip.CloseZipFile2());
    }
    // An archive written straight through minizip, with names and sizes the
    // wrapper itself would never write.
    static void writeZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries)
    {
        std::filesystem::remove(path);
        zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
        ASSERT_NE(zip, nullptr);
        for (const auto& [name, body] : entries) {
            zip_fileinfo info {};
            ASSERT_EQ(zipOpenNewFileInZip(
                          zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, Z_BEST_COMPRESSION),
                ZIP_OK);
            ASSERT_EQ(zipWriteInFileInZip(zip, body.data(), static_cast<unsigned>(body.size())), ZIP_OK);
            ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
        }
        ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
    }
    static std::string readFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    }
    bool logged(const std::string& part) const
    {
        for (const auto& line : log)
            if (line.find(part) != std::string::npos)
                return true;
        return false;
    }

    TemporaryHome home;
    std::string bundle;
    std::vector<std::string> log;
};

TEST_F(SkinManagerTest, SkinImageFirstHighResolutionOnScaleTwoElseBundle)
{
    writePNG(bundle + "/skin-test-bar.png", CGSizeMake(3, 3), UIColor::redColor());
    writePNG(skinFolder() + "/skin-test-bar@2x.png", CGSizeMake(8, 8), UIColor::blueColor());
    writePNG(skinFolder() + "/skin-test-logo.png", CGSizeMake(5, 5), UIColor::greenColor());

    // Scale 1: the "@2x" file is not looked at, so the bundle image answers.
    auto image = SkinManager::skinFromImageName(std::string("skin-test-bar.png"));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size().width, 3);
    EXPECT_FALSE(SkinManager::hasCustomerImage(std::string("skin-test-bar.png")));
    EXPECT_TRUE(SkinManager::hasCustomerImage(std::string("skin-test-logo.png")));
    EXPECT_EQ(SkinManager::skinFromImageName(std::string("skin-test-logo.png"))->size().width, 5);

    useScreenScale(2);
    EXPECT_EQ(SkinManager::getUIScreenScaleFactor(), 2.0);
    EXPECT_TRUE(SkinManager::hasCustomerImage(std::string("skin-test-bar.png")));
    image = SkinManager::skinFromImageName(std::string("skin-test-bar.png"));
    ASSERT_TRUE(image);
    EXPECT_EQ(image->CGImage()->width(), 8u);

    for (const auto& blank :
        { std::optional<std::string>(), std::optional<std::string>(""), std::optional<std::string>("   ") }) {
        EXPECT_EQ(SkinManager::skinFromImageName(blank), nullptr);
        EXPECT_FALSE(SkinManager::hasCustomerImage(blank));
    }
    // Missing everywhere: nothing, and a line that says which name.
    EXPECT_EQ(SkinManager::skinFromImageName(std::string("skin-test-nowhere.png")), nullptr);
    EXPECT_TRUE(logged("skin-test-nowhere.png"));
}

TEST_F(SkinManagerTest, LogoOfAClientComesOnlyFromItsSkin)
{
    writePNG(bundle + "/homelogo.png", CGSizeMake(4, 4), UIColor::redColor());
    EXPECT_EQ(SkinManager::getLogoWithClientId(std::string("Other")), nullptr);
    writePNG(home.documents() + "/other/SkinImages/homelogo.png", CGSizeMake(6, 6), UIColor::redColor());
    auto logo = SkinManager::getLogoWithClientId(std::string("OTHER"));
    ASSERT_TRUE(logo);
    EXPECT_EQ(logo->size().width, 6);
    EXPECT_EQ(SkinManager::getLogoWithClientId(std::nullopt), nullptr);
    EXPECT_EQ(SkinManager::getLogoWithClientId(std::string("..")), nullptr);
}

TEST_F(SkinManagerTest, SkinArchiveUnpacksOnceAndADamagedOneLeavesNoHalfSkin)
{
    writePNG(home.scratch() + "/in/topbar.png", CGSizeMake(7, 7), UIColor::greenColor());
    writePNG(bundle + "/skin-test-topbar.png", CGSizeMake(2, 2), UIColor::redColor());
    const std::string archive = clientFolder() + "/SkinImages.zip";
    std::filesystem::create_directories(clientFolder());

    // No archive yet: NO, and the bundle image stands in.
    EXPECT_FALSE(SkinManager::sharedInstance()->initializeSkinImage());

    // A damaged archive: the first entry is written, the second fails its
    // CRC; the half-made skin folder goes again so the next sign-in retries.
    {
        const std::string body(5000, 'k');
        zipFile zip = zipOpen64(archive.c_str(), APPEND_STATUS_CREATE);
        ASSERT_NE(zip, nullptr);
        for (const char* name : { "SkinImages/skin-test-first.png", "SkinImages/skin-test-second.png" }) {
            zip_fileinfo info {};
            ASSERT_EQ(zipOpenNewFileInZip(zip, name, &info, nullptr, 0, nullptr, 0, nullptr, 0, 0), ZIP_OK);
            ASSERT_EQ(zipWriteInFileInZip(zip, body.data(), static_cast<unsigned>(body.size())), ZIP_OK);
            ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
        }
        ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
        std::ifstream in(archive, std::ios::binary);
        std::string bytes((std::istreambuf_iterator<char>(in)), {});
        bytes[bytes.rfind(body) + 10] = 'X';
        std::ofstream(archive, std::ios::binary) << bytes;
    }
    EXPECT_FALSE(SkinManager::sharedInstance()->initializeSkinImage());
    EXPECT_FALSE(std::filesystem::exists(skinFolder()));
    EXPECT_EQ(SkinManager::skinFromImageName(std::string("skin-test-topbar.png"))->size().width, 2);

    // A sound archive unpacks into the client folder.
    writeSkinArchive(archive, { { home.scratch() + "/in/topbar.png", "SkinImages/skin-test-topbar.png" } });
    EXPECT_TRUE(SkinManager::sharedInstance()->initializeSkinImage());
    EXPECT_EQ(SkinManager::skinFromImageName(std::string("skin-test-topbar.png"))->size().width, 7);

    // Once the folder exists the archive is not read again, even a newer one.
    std::ofstream(archive, std::ios::binary) << "not an archive";
    EXPECT_TRUE(SkinManager::sharedInstance()->initializeSkinImage());
    EXPECT_TRUE(std::filesystem::exists(skinFolder() + "/skin-test-topbar.png"));
}

// The skin archive unpacks beside the client's database and pictures: an entry
// that would land anywhere but in the skin folder refuses the whole archive,
// and nothing of it, not even the skin entries before it, is left behind.
TEST_F(SkinManagerTest, SkinArchiveMayFillOnlyTheSkinFolder)
{
    const std::string archive = clientFolder() + "/SkinImages.zip";
    const char* const intruders[] = { "corvelle_lite.sqlite", "SkinImages/../corvelle_lite.sqlite",
        "ProductImages/chair.png", "SkinImages/../ProductImages/chair.png", "Pdf/guide.pdf", "SkinImages" };
    for (const char* intruder : intruders) {
        SCOPED_TRACE(intruder);
        std::filesystem::remove_all(clientFolder());
        std::filesystem::create_directories(clientFolder() + "/ProductImages");
        std::ofstream(clientFolder() + "/corvelle_lite.sqlite") << "the open database";
        std::ofstream(clientFolder() + "/ProductImages/chair.png") << "the catalogue picture";
        writeZip(
            archive, { { "SkinImages/topbar.png", "skin" }, { intruder, "intruder" }, { "SkinImages/z.png", "skin" } });

        EXPECT_FALSE(SkinManager::sharedInstance()->initializeSkinImage());
        EXPECT_EQ(readFile(clientFolder() + "/corvelle_lite.sqlite"), "the open database");
        EXPECT_EQ(readFile(clientFolder() + "/ProductImages/chair.png"), "the catalogue picture");
        EXPECT_FALSE(std::filesystem::exists(skinFolder()));
        EXPECT_FALSE(std::filesystem::exists(clientFolder() + "/Pdf"));
        // Only the database, the pictures and the archive stay: no staging folder.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(clientFolder()), {}), 3);
    }
    // A sound skin after a refused one unpacks whole.
    writeZip(archive, { { "SkinImages/", "" }, { "SkinImages/topbar.png", "skin" } });
    EXPECT_TRUE(SkinManager::sharedInstance()->initializeSkinImage());
    EXPECT_EQ(readFile(skinFolder() + "/topbar.png"), "skin");
    EXPECT_EQ(readFile(clientFolder() + "/corvelle_lite.sqlite"), "the open database");
}

// A small archive may expand a thousandfold: a skin is a few megabytes, and
// one that would write more stops at its cap and leaves no skin behind.
TEST_F(SkinManagerTest, SkinArchiveThatExpandsPastItsCapsIsRefused)
{
    const std::string archive = clientFolder() + "/SkinImages.zip";
    const std::string zeros(17u << 20, '\0');
    const std::string part(15u << 20, '\0');
    std::vector<std::pair<std::string, std::string>> many;
    for (int i = 0; i <= 2000; ++i)
        many.emplace_back("SkinImages/icon" + std::to_string(i) + ".png", "i");
    const struct {
        const char* what;
        std::vector<std::pair<std::string, std::string>> entries;
    } cases[] = {
        { "one entry of 17 MiB", { { "SkinImages/a.png", "a" }, { "SkinImages/bomb.png", zeros } } },
        { "75 MiB in all",
            { { "SkinImages/1.png", part }, { "SkinImages/2.png", part }, { "SkinImages/3.png", part },
                { "SkinImages/4.png", part }, { "SkinImages/5.png", part } } },
        { "2001 entries", many },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(clientFolder());
        std::filesystem::create_directories(clientFolder());
        writeZip(archive, c.entries);
        // The archive on the wire is small; what it would write is not.
        EXPECT_LT(std::filesystem::file_size(archive), 1u << 20);
        EXPECT_FALSE(SkinManager::sharedInstance()->initializeSkinImage());
        EXPECT_FALSE(std::filesystem::exists(skinFolder()));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(clientFolder()), {}), 1);
    }
}

TEST_F(SkinManagerTest, SampleSkinArchiveOfTheBuildUnpacksIntoTheSkinFolder)
{
    const std::filesystem::path sample
        = std::filesystem::path(CORVELLE_BUNDLE_DIR).parent_path() / "samples" / "SkinImages.zip";
    if (!std::filesystem::exists(sample))
        GTEST_SKIP() << "no sample skin archive at " << sample;
    std::filesystem::create_directories(clientFolder());
    std::filesystem::copy_file(sample, clientFolder() + "/SkinImages.zip");
    EXPECT_TRUE(SkinManager::sharedInstance()->initializeSkinImage());
    for (const char* name : { "topbar-bg.png", "btmbar-bg.png", "homelogo.png", "bg-home.png", "btn-home.png" }) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(SkinManager::hasCustomerImage(std::string(name)));
        EXPECT_TRUE(SkinManager::skinFromImageName(std::string(name)));
    }
    // The archive stays beside the folder it filled.
    EXPECT_TRUE(std::filesystem::exists(clientFolder() + "/SkinImages.zip"));
}

TEST_F(SkinManagerTest, ClientIdsThatCannotNameAFolderHaveNoSkin)
{
    writePNG(home.documents() + "/SkinImages/skin-test-escape.png", CGSizeMake(9, 9), UIColor::redColor());
    writePNG(home.path() + "/SkinImages/skin-test-escape.png", CGSizeMake(9, 9), UIColor::redColor());
    for (const char* id : { "", " ", ".", "..", "a/b", "..\\x" }) {
        SCOPED_TRACE(id);
        LoginMode::sharedInstance()->setClientID(std::string(id));
        EXPECT_FALSE(SkinManager::hasCustomerImage(std::string("skin-test-escape.png")));
        EXPECT_EQ(SkinManager::skinFromImageName(std::string("skin-test-escape.png")), nullptr);
        EXPECT_FALSE(SkinManager::sharedInstance()->initializeSkinImage());
    }
    LoginMode::sharedInstance()->setClientID(std::nullopt);
    EXPECT_FALSE(SkinManager::sharedInstance()->initializeSkinImage());
}

TEST_F(SkinManagerTest, DemoDataIsNeededUnlessBothFoldersExistAndNoUpdateIsAsked)
{
    auto skin = SkinManager::sharedInstance();
    struct Case {
        bool first;
        bool second;
        bool needUpdate;
        bool expected;
    };
    const Case cases[] = {
        { false, false, false, true },
        { true, false, false, true },
        { false, true, false, true },
        { true, true, false, false },
        { true, true, true, true },
    };
    for (const auto& c : cases) {
        std::filesystem::remove_all(home.documents() + "/dostrevik_");
        std::filesystem::remove_all(home.documents() + "/velloran_");
        if (c.first)
            std::filesystem::create_directories(home.documents() + "/dostrevik_");
        if (c.second)
            std::filesystem::create_directories(home.documents() + "/velloran_");
        skin->setNeedUpdateDemo(c.needUpdate);
        EXPECT_EQ(skin->needInitializeDemo(), c.expected);
    }
}

TEST_F(SkinManagerTest, DemoArchiveReplacesBothFoldersAndADamagedOneLeavesNone)
{
    writePNG(home.scratch() + "/in/db.png", CGSizeMake(2, 2), UIColor::redColor());
    std::filesystem::create_directories(home.documents() + "/dostrevik_");
    std::ofstream(home.documents() + "/dostrevik_/stale.txt") << "stale";
    // No archive in the bundle: NO, with a line, and nothing else happens.
    EXPECT_FALSE(SkinManager::sharedInstance()->initializeDemoZip());
    EXPECT_TRUE(logged("DEMO_Zh.zip"));

    writeSkinArchive(bundle + "/DEMO_Zh.zip",
        { { home.scratch() + "/in/db.png", "dostrevik_/a.png" },
            { home.scratch() + "/in/db.png", "velloran_/b.png" } });
    EXPECT_TRUE(SkinManager::sharedInstance()->initializeDemoZip());
    EXPECT_TRUE(std::filesystem::exists(home.documents() + "/dostrevik_/a.png"));
    EXPECT_TRUE(std::filesystem::exists(home.documents() + "/velloran_/b.png"));
    EXPECT_FALSE(std::filesystem::exists(home.documents() + "/dostrevik_/stale.txt"));
    EXPECT_FALSE(SkinManager::sharedInstance()->needInitializeDemo());

    writeSkinArchive(bundle + "/DEMO_Zh.zip",
        { { home.scratch() + "/in/db.png", "dostrevik_/a.png" },
            { home.scratch() + "/in/db.png", "../velloran_escape.png" } });
    EXPECT_FALSE(SkinManager::sharedInstance()->initializeDemoZip());
    EXPECT_FALSE(std::filesystem::exists(home.documents() + "/dostrevik_"));
    EXPECT_FALSE(std::filesystem::exists(home.path() + "/velloran_escape.png"));
    EXPECT_TRUE(SkinManager::sharedInstance()->needInitializeDemo());
}

TEST_F(SkinManagerTest, ImagesTravelAsBase64Jpeg)
{
    writePNG(home.scratch() + "/sig.png", CGSizeMake(20, 10), UIColor::blueColor());
    auto image = UIImage::imageWithContentsOfFile(home.scratch() + "/sig.png");
    auto text = SkinManager::image2String(image);
    ASSERT_TRUE(text);
    auto back = SkinManager::string2Image(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->size().width, 20);
    EXPECT_EQ(back->size().height, 10);
    EXPECT_FALSE(SkinManager::image2String(nullptr));
    EXPECT_EQ(SkinManager::string2Image(std::nullopt), nullptr);
    EXPECT_EQ(SkinManager::string2Image(std::string("QQ==")), nullptr);
    EXPECT_EQ(SkinManager::string2Image(std::string("@@")), nullptr);
}

}  // namespace
