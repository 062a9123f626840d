#include "Classes/Frame/Base64Coding.h"
#include "Classes/Frame/ZipWrapper.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSLog.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>
#include <minizip/zip.h>

#include <filesystem>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>

namespace {

std::string readText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeText(const std::string& path, const std::string& text)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// An archive written straight through minizip, so that entry names the
// wrapper itself would never write can be tried.
void writeArchive(
    const std::string& path, const std::vector<std::pair<std::string, std::string>>& entries, int method = Z_DEFLATED)
{
    zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    ASSERT_NE(zip, nullptr);
    for (const auto& [name, contents] : entries) {
        zip_fileinfo info {};
        info.tmz_date = { 0, 30, 10, 7, 4, 2013 };
        ASSERT_EQ(zipOpenNewFileInZip(
                      zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method, Z_DEFAULT_COMPRESSION),
            ZIP_OK);
        ASSERT_EQ(zipWriteInFileInZip(zip, contents.data(), static_cast<unsigned>(contents.size())), ZIP_OK);
        ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
    }
    ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
}

class RecordingDelegate : public ZipWrapperDelegate {
public:
    bool implementsErrorMessage() const override { return true; }
    void ErrorMessage(const std::string& message) override { errors.push_back(message); }
    bool implementsOverWriteOperation() const override { return true; }
    bool OverWriteOperation(const std::string& path) override
    {
        asked.push_back(path);
        return answer;
    }
    std::vector<std::string> errors;
    std::vector<std::string> asked;
    bool answer = false;
};

class ZipWrapperTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        NSLogSetCapture([this](const std::string& line) { log.push_back(line); });
    }
    void TearDown() override { NSLogSetCapture(nullptr); }
    std::string scratch(const std::string& name) const { return home.scratch() + "/" + name; }
    TemporaryHome home;
    std::vector<std::string> log;
};

TEST_F(ZipWrapperTest, WrittenArchiveUnpacksWithFoldersBackslashesAndDates)
{
    writeText(scratch("in/a.png"), "alpha");
    writeText(scratch("in/b.png"), std::string(10000, 'b'));
    ZipWrapper writer;
    ASSERT_TRUE(writer.CreateZipFile2(scratch("skin.zip")));
    EXPECT_TRUE(writer.addFileToZipNewname(scratch("in/a.png"), "SkinImages/a.png"));
    EXPECT_TRUE(writer.addFileToZipNewname(scratch("in/b.png"), "SkinImages\\deep\\b.png"));
    EXPECT_FALSE(writer.addFileToZipNewname(scratch("in/missing.png"), "SkinImages/missing.png"));
    EXPECT_TRUE(writer.CloseZipFile2());
    EXPECT_FALSE(writer.CloseZipFile2());

    ZipWrapper reader;
    ASSERT_TRUE(reader.UnzipOpenFile(scratch("skin.zip")));
    EXPECT_TRUE(reader.UnzipFileToOverWrite(scratch("out"), true));
    EXPECT_TRUE(reader.UnzipCloseFile());
    EXPECT_EQ(readText(scratch("out/SkinImages/a.png")), "alpha");
    EXPECT_EQ(readText(scratch("out/SkinImages/deep/b.png")), std::string(10000, 'b'));
    EXPECT_NE(std::find(log.begin(), log.end(), "2 entries in the zip file"), log.end());

    writeArchive(scratch("dated.zip"), { { "d.txt", "x" } });
    ZipWrapper dated;
    ASSERT_TRUE(dated.UnzipOpenFile(scratch("dated.zip")));
    ASSERT_TRUE(dated.UnzipFileToOverWrite(scratch("dated"), true));
    auto attributes = NSFileManager::defaultManager().attributesOfItemAtPath(scratch("dated/d.txt"));
    ASSERT_TRUE(attributes);
    // The entry's local date and time, 7 May 2013 10:30, becomes the file's.
    const auto seconds = static_cast<std::time_t>(attributes->fileModificationDate.secondsSince1970);
    std::tm local {};
    localtime_r(&seconds, &local);
    EXPECT_EQ(local.tm_year + 1900, 2013);
    EXPECT_EQ(local.tm_mon, 4);
    EXPECT_EQ(local.tm_mday, 7);
    EXPECT_EQ(local.tm_hour, 10);
    EXPECT_EQ(local.tm_min, 30);
}

TEST_F(ZipWrapperTest, EncryptedEntryThatDoesNotOpenAnswersNo)
{
    writeText(scratch("secret.txt"), "hidden text");
    ZipWrapper writer;
    ASSERT_TRUE(writer.CreateZipFile2Password(scratch("locked.zip"), "pw"));
    ASSERT_TRUE(writer.addFileToZipNewname(scratch("secret.txt"), "secret.txt"));
    ASSERT_TRUE(writer.CloseZipFile2());

    // Debian's minizip reads no encrypted entry; what matters is that a
    // failed one leaves nothing behind and answers NO.
    ZipWrapper bad;
    ASSERT_TRUE(bad.UnzipOpenFilePassword(scratch("locked.zip"), "wrong"));
    EXPECT_FALSE(bad.UnzipFileToOverWrite(scratch("bad"), true));
    EXPECT_FALSE(std::filesystem::exists(scratch("bad/secret.txt")));
}

TEST_F(ZipWrapperTest, EntriesLeavingTheDestinationAreRefused)
{
    struct Case {
        const char* name;
        const char* escapesTo;  // where the entry would land, relative to the scratch folder
    };
    const Case cases[] = {
        { "../evil.txt", "evil.txt" },
        { "SkinImages/../../evil2.txt", "evil2.txt" },
        { "..\\evil3.txt", "evil3.txt" },
        { "/tmp-absolute-evil.txt", nullptr },
        { "C:/evil4.txt", nullptr },
        // Climbing is refused even when it would come back inside.
        { "a/./b/../c.txt", "dest/a/c.txt" },
        { "SkinImages/../ok2.png", "dest/ok2.png" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string archive = scratch("bad.zip");
        std::filesystem::remove(archive);
        writeArchive(archive, { { "SkinImages/ok.png", "ok" }, { c.name, "evil" } });
        auto delegate = std::make_shared<RecordingDelegate>();
        ZipWrapper zip;
        zip.delegate = delegate;
        ASSERT_TRUE(zip.UnzipOpenFile(archive));
        EXPECT_FALSE(zip.UnzipFileToOverWrite(scratch("dest"), true));
        if (c.escapesTo) {
            EXPECT_FALSE(std::filesystem::exists(scratch(c.escapesTo)));
        }
        EXPECT_FALSE(std::filesystem::exists("/tmp-absolute-evil.txt"));
        EXPECT_FALSE(delegate->errors.empty());
    }
    // A name with empty and "." parts is written where it plainly points.
    writeArchive(scratch("wander.zip"), { { "a/./b//c.txt", "c" } });
    ZipWrapper zip;
    ASSERT_TRUE(zip.UnzipOpenFile(scratch("wander.zip")));
    EXPECT_TRUE(zip.UnzipFileToOverWrite(scratch("wander"), true));
    EXPECT_EQ(readText(scratch("wander/a/b/c.txt")), "c");
}

TEST_F(ZipWrapperTest, WithAllowedFoldersAnyOtherEntryRefusesTheArchive)
{
    const char* const refused[] = { "corvelle_lite.sqlite", "ProductImages/chair.png", "SkinImagesX/a.png",
        "SkinImages", "Other/", "./corvelle_lite.sqlite" };
    for (const char* name : refused) {
        SCOPED_TRACE(name);
        const std::string archive = scratch("mixed.zip");
        std::filesystem::remove(archive);
        std::filesystem::remove_all(scratch("dest"));
        writeArchive(archive, { { "SkinImages/", "" }, { "SkinImages/a.png", "a" }, { name, "intruder" } });
        ZipWrapper zip;
        zip.allowedFolders = { "SkinImages" };
        ASSERT_TRUE(zip.UnzipOpenFile(archive));
        EXPECT_FALSE(zip.UnzipFileToOverWrite(scratch("dest"), true));
        EXPECT_FALSE(std::filesystem::exists(scratch("dest/corvelle_lite.sqlite")));
        EXPECT_FALSE(std::filesystem::exists(scratch("dest/ProductImages")));
        EXPECT_FALSE(std::filesystem::exists(scratch("dest/SkinImagesX")));
    }
    writeArchive(scratch("skin.zip"), { { "SkinImages/", "" }, { "SkinImages\\deep\\b.png", "b" } });
    ZipWrapper zip;
    zip.allowedFolders = { "SkinImages" };
    ASSERT_TRUE(zip.UnzipOpenFile(scratch("skin.zip")));
    EXPECT_TRUE(zip.UnzipFileToOverWrite(scratch("skin"), true));
    EXPECT_EQ(readText(scratch("skin/SkinImages/deep/b.png")), "b");
}

// An archive expands: past each cap the unpacking stops with NO, and no file
// beyond the cap, nor a cut one, is left behind.
TEST_F(ZipWrapperTest, UnpackingStopsAtTheCaps)
{
    const std::string big(6000, 'z');
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> entries;
        const char* kept;  // written before the cap was met
        const char* absent;  // the entry that met the cap
    };
    const Case cases[] = {
        { "entries", { { "a.txt", "a" }, { "b.txt", "b" }, { "c.txt", "c" }, { "d.txt", "d" } }, nullptr, "a.txt" },
        { "one entry", { { "a.txt", "a" }, { "big.txt", big } }, "a.txt", "big.txt" },
        { "the total",
            { { "a.txt", std::string(4000, 'a') }, { "b.txt", std::string(4000, 'b') },
                { "c.txt", std::string(4000, 'c') } },
            "b.txt", "c.txt" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string archive = scratch("capped.zip");
        std::filesystem::remove(archive);
        std::filesystem::remove_all(scratch("dest"));
        writeArchive(archive, c.entries);
        auto delegate = std::make_shared<RecordingDelegate>();
        ZipWrapper zip;
        zip.delegate = delegate;
        zip.limits = { 3, 5000, 10000 };
        ASSERT_TRUE(zip.UnzipOpenFile(archive));
        EXPECT_FALSE(zip.UnzipFileToOverWrite(scratch("dest"), true));
        EXPECT_FALSE(delegate->errors.empty());
        if (c.kept) {
            EXPECT_TRUE(std::filesystem::exists(scratch("dest/") + c.kept));
        }
        EXPECT_FALSE(std::filesystem::exists(scratch("dest/") + c.absent));
    }
    // At the caps exactly, everything unpacks.
    writeArchive(scratch("full.zip"),
        { { "a.txt", std::string(5000, 'a') }, { "b.txt", std::string(5000, 'b') }, { "c/", "" } });
    ZipWrapper zip;
    zip.limits = { 3, 5000, 10000 };
    ASSERT_TRUE(zip.UnzipOpenFile(scratch("full.zip")));
    EXPECT_TRUE(zip.UnzipFileToOverWrite(scratch("full"), true));
    EXPECT_EQ(readText(scratch("full/b.txt")), std::string(5000, 'b'));
}

TEST_F(ZipWrapperTest, DamagedEntryAnswersNoAndLeavesNoPartialFile)
{
    const std::string body(5000, 'k');
    writeArchive(scratch("stored.zip"), { { "first.txt", "fine" }, { "second.txt", body } }, 0);
    // Flip one byte of the stored body: the data reads but its CRC fails.
    std::string bytes = readText(scratch("stored.zip"));
    const size_t at = bytes.find(body);
    ASSERT_NE(at, std::string::npos);
    bytes[at + 100] = 'X';
    writeText(scratch("stored.zip"), bytes);

    ZipWrapper zip;
    ASSERT_TRUE(zip.UnzipOpenFile(scratch("stored.zip")));
    EXPECT_FALSE(zip.UnzipFileToOverWrite(scratch("dest"), true));
    EXPECT_EQ(readText(scratch("dest/first.txt")), "fine");
    EXPECT_FALSE(std::filesystem::exists(scratch("dest/second.txt")));

    // Truncated archives and non-archives do not open.
    writeText(scratch("half.zip"), bytes.substr(0, bytes.size() / 2));
    writeText(scratch("text.zip"), "not a zip at all");
    ZipWrapper other;
    EXPECT_FALSE(other.UnzipOpenFile(scratch("text.zip")));
    EXPECT_FALSE(other.UnzipOpenFile(scratch("half.zip")));
    EXPECT_FALSE(other.UnzipOpenFile(scratch("absent.zip")));
}

TEST_F(ZipWrapperTest, WithoutOverwriteTheDelegateDecides)
{
    writeArchive(scratch("one.zip"), { { "f.txt", "new" } });
    struct Case {
        bool withDelegate;
        bool answer;
        const char* expected;
    };
    for (const auto& c : { Case { false, false, "new" }, Case { true, false, "old" }, Case { true, true, "new" } }) {
        writeText(scratch("dest/f.txt"), "old");
        auto delegate = std::make_shared<RecordingDelegate>();
        delegate->answer = c.answer;
        ZipWrapper zip;
        if (c.withDelegate)
            zip.delegate = delegate;
        ASSERT_TRUE(zip.UnzipOpenFile(scratch("one.zip")));
        EXPECT_TRUE(zip.UnzipFileToOverWrite(scratch("dest"), false));
        EXPECT_EQ(readText(scratch("dest/f.txt")), c.expected);
        EXPECT_EQ(delegate->asked.size(), c.withDelegate ? 1u : 0u);
    }
}

TEST(Base64Coding, DecodesByTheAlphabetSkippingSpaceAndPadding)
{
    struct Case {
        const char* text;
        std::optional<std::string> bytes;
    };
    const Case cases[] = {
        { "QQ==", std::string("A") },
        { "Q Q = =", std::string("A") },
        { "Q", std::nullopt },
        { "", std::string() },
        { "Zm9v", std::string("foo") },
        { "Zm9vYg", std::string("foob") },
        { "Zm9=vYmE=", std::string("fooba") },
        { "Zm9v\nYmFy", std::string("foobar") },
        { "Zm9v!", std::nullopt },
        { "Zm9vY", std::nullopt },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto data = Base64Coding::dataWithBase64EncodedString(c.text);
        ASSERT_EQ(data.has_value(), c.bytes.has_value());
        if (data) {
            EXPECT_EQ(std::string(data->begin(), data->end()), *c.bytes);
        }
    }
    for (const char* text : { "", "f", "fo", "foo", "foob", "\xff\x80" }) {
        Data data(text, text + std::strlen(text));
        auto back = Base64Coding::dataWithBase64EncodedString(Base64Coding::base64Encoding(data));
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, data);
    }
    EXPECT_EQ(Base64Coding::base64Encoding(Data { 'f', 'o' }), "Zm8=");
    EXPECT_EQ(Base64Coding::base64Encoding(Data {}), "");
}

}  // namespace
