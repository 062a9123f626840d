#include "Platform/Foundation/AppEnvironment.h"
#include "Platform/Foundation/ExtendedAttributes.h"
#include "Platform/Foundation/NSFileManager.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "support/TemporaryHome.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace {

NSFileManager& files() { return NSFileManager::defaultManager(); }

void writeText(const std::string& path, const std::string& text)
{
    ASSERT_TRUE(files().createFileAtPathContents(path, Data(text.begin(), text.end()))) << path;
}

std::string readText(const std::string& path)
{
    auto data = files().contentsAtPath(path);
    return data ? std::string(data->begin(), data->end()) : std::string("<missing>");
}

// Sets environment variables for one scope and puts the old values back.
class ScopedEnvironment {
public:
    explicit ScopedEnvironment(std::map<std::string, const char*> values)
    {
        for (auto& [name, value] : values) {
            const char* old = std::getenv(name.c_str());
            m_saved.emplace(name, old ? std::optional<std::string>(old) : std::nullopt);
            if (value)
                ::setenv(name.c_str(), value, 1);
            else
                ::unsetenv(name.c_str());
        }
    }
    ~ScopedEnvironment()
    {
        for (auto& [name, value] : m_saved) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }

private:
    std::map<std::string, std::optional<std::string>> m_saved;
};

using Files = TemporaryHomeTest;

}  // namespace

TEST_F(Files, HomeHasItsStandardFoldersAndLookups)
{
    EXPECT_EQ(NSHomeDirectory(), home.path());
    EXPECT_EQ(NSTemporaryDirectory(), home.path() + "/tmp/");
    for (auto folder : { home.documents(), home.caches(), home.preferences(), home.tmp() }) {
        bool isDirectory = false;
        EXPECT_TRUE(files().fileExistsAtPathIsDirectory(folder, &isDirectory) && isDirectory) << folder;
    }

    struct Case {
        NSSearchPathDirectory directory;
        std::string folder;
    } cases[] = {
        { NSDocumentDirectory, "/Documents" },
        { NSLibraryDirectory, "/Library" },
        { NSCachesDirectory, "/Library/Caches" },
        { NSApplicationSupportDirectory, "/Library/Application Support" },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NSSearchPathForDirectoriesInDomains(c.directory, NSUserDomainMask, true),
            std::vector<std::string> { home.path() + c.folder });
        EXPECT_EQ(NSSearchPathForDirectoriesInDomains(c.directory, NSUserDomainMask, false),
            std::vector<std::string> { "~" + c.folder });
    }
    EXPECT_TRUE(NSSearchPathForDirectoriesInDomains(NSDocumentDirectory, 2, true).empty());
    // Application Support is the caller's to create.
    EXPECT_FALSE(files().fileExistsAtPath(home.library() + "/Application Support"));
}

TEST(AppEnvironmentTest, ConfigureReadsOptionsThenEnvironment)
{
    TemporaryHome scratchHome;  // somewhere writable for the homes below
    std::string s = scratchHome.scratch();
    std::string envHome = s + "/env";
    ScopedEnvironment env({ { "CORVELLE_HOME", envHome.c_str() }, { "CORVELLE_BUNDLE", nullptr } });
    std::string a = s + "/a";
    std::string b = "--home=" + s + "/b/";
    struct Case {
        std::vector<const char*> argv;
        bool ok;
        std::string home;
        std::vector<std::string> rest;
    } cases[] = {
        { { "app", "--home", a.c_str(), "-x" }, true, s + "/a", { "app", "-x" } },
        { { "app", b.c_str() }, true, s + "/b", { "app" } },
        { { "app", "--gtest_filter=*" }, true, envHome, { "app", "--gtest_filter=*" } },
        { { "app", "--home" }, false, "", {} },
        { { "app", "--home=" }, false, "", {} },
    };
    for (const auto& c : cases) {
        AppEnvironment::reset();
        std::string error;
        bool ok = AppEnvironment::configure(static_cast<int>(c.argv.size()), c.argv.data(), "/fallback", &error);
        EXPECT_EQ(ok, c.ok) << c.argv.back();
        if (!ok) {
            EXPECT_NE(error.find("--home"), std::string::npos);
            continue;
        }
        EXPECT_EQ(NSHomeDirectory(), c.home);
        EXPECT_TRUE(files().fileExistsAtPath(c.home + "/Library/Preferences"));
        EXPECT_EQ(AppEnvironment::arguments(), c.rest);
    }

    AppEnvironment::reset();
    const char* relative[] = { "app", "--bundle", "some/bundle" };
    ASSERT_TRUE(AppEnvironment::configure(3, relative, "/fallback"));
    EXPECT_EQ(AppEnvironment::bundleDirectory().front(), '/');
    EXPECT_TRUE(AppEnvironment::bundleDirectory().ends_with("/some/bundle"));

    AppEnvironment::reset();
    const char* none[] = { "app" };
    ASSERT_TRUE(AppEnvironment::configure(1, none, "/fallback/bundle"));
    EXPECT_EQ(AppEnvironment::bundleDirectory(), "/fallback/bundle");
}

TEST(AppEnvironmentTest, PreferredLanguagesFromEnvironment)
{
    struct Case {
        const char* languages;
        const char* language;
        const char* lang;
        std::vector<std::string> expected;
    } cases[] = {
        { "zh-Hans, en", nullptr, "fr_FR.UTF-8", { "zh-Hans", "en" } },
        { nullptr, nullptr, "zh_CN.UTF-8", { "zh-Hans" } },
        { nullptr, nullptr, "zh_TW.Big5", { "zh-Hant" } },
        { nullptr, nullptr, "en_US.UTF-8", { "en" } },
        { nullptr, nullptr, "C", { "en" } },
        { nullptr, nullptr, nullptr, { "en" } },
        { nullptr, "de_DE:zh_CN", "en_US.UTF-8", { "de", "zh-Hans" } },
        { "", nullptr, "zh_SG", { "zh-Hans" } },
    };
    for (const auto& c : cases) {
        ScopedEnvironment env({ { "CORVELLE_LANGUAGES", c.languages }, { "LANGUAGE", c.language },
            { "LC_ALL", nullptr }, { "LC_MESSAGES", nullptr }, { "LANG", c.lang } });
        AppEnvironment::reset();
        EXPECT_EQ(AppEnvironment::preferredLanguages(), c.expected) << (c.lang ? c.lang : "(none)");
    }
    AppEnvironment::reset();
}

TEST_F(Files, CreateFolderAndExistence)
{
    std::string deep = home.documents() + "/client/Pdf/inner";
    std::string error;
    EXPECT_FALSE(files().createDirectoryAtPathWithIntermediateDirectories(deep, false, &error));
    EXPECT_NE(error.find(deep), std::string::npos);
    EXPECT_TRUE(files().createDirectoryAtPathWithIntermediateDirectories(deep, true));
    EXPECT_TRUE(files().createDirectoryAtPathWithIntermediateDirectories(deep, true));  // already there
    EXPECT_FALSE(files().createDirectoryAtPathWithIntermediateDirectories(deep, false));

    std::string file = home.documents() + "/plain";
    writeText(file, "x");
    EXPECT_FALSE(files().createDirectoryAtPathWithIntermediateDirectories(file, true, &error));
    EXPECT_FALSE(files().createDirectoryAtPathWithIntermediateDirectories(file + "/below", true));

    bool isDirectory = true;
    EXPECT_TRUE(files().fileExistsAtPathIsDirectory(file, &isDirectory));
    EXPECT_FALSE(isDirectory);
    EXPECT_FALSE(files().fileExistsAtPathIsDirectory(file + "-missing", &isDirectory));
    EXPECT_FALSE(files().fileExistsAtPath(""));
}

TEST_F(Files, CopyKeepsContentDateAndNeverReplaces)
{
    std::string source = home.documents() + "/template.sqlite";
    std::string target = home.documents() + "/copy.sqlite";
    writeText(source, "template");
    ASSERT_TRUE(files().setModificationDateOfItemAtPath(source, Date { 1'500'000'000.25 }));

    ASSERT_TRUE(files().copyItemAtPathToPath(source, target));
    EXPECT_EQ(readText(target), "template");
    EXPECT_NEAR(files().attributesOfItemAtPath(target)->fileModificationDate.secondsSince1970, 1'500'000'000.25, 1e-6);

    writeText(target, "mine");
    std::string error;
    EXPECT_FALSE(files().copyItemAtPathToPath(source, target, &error));
    EXPECT_NE(error.find(target), std::string::npos);
    EXPECT_EQ(readText(target), "mine");

    EXPECT_FALSE(files().copyItemAtPathToPath(home.documents() + "/missing", home.documents() + "/x", &error));
    EXPECT_FALSE(files().copyItemAtPathToPath(source, home.documents() + "/no/such/folder/x"));
    EXPECT_EQ(files().contentsOfDirectoryAtPath(home.documents()),
        (std::vector<std::string> { "copy.sqlite", "template.sqlite" }));
}

TEST_F(Files, CopyFolderTreeAndLeaveNothingOnFailure)
{
    std::string tree = home.tmp() + "/Client";
    ASSERT_TRUE(files().createDirectoryAtPathWithIntermediateDirectories(tree + "/Pdf", true));
    writeText(tree + "/Pdf/a.pdf", "pdf");
    writeText(tree + "/corvelle_lite.sqlite", "db");
    ASSERT_EQ(::symlink("Pdf/a.pdf", (tree + "/link").c_str()), 0);

    ASSERT_TRUE(files().copyItemAtPathToPath(tree, home.documents() + "/client"));
    EXPECT_EQ(readText(home.documents() + "/client/Pdf/a.pdf"), "pdf");
    EXPECT_EQ(readText(home.documents() + "/client/corvelle_lite.sqlite"), "db");
    EXPECT_EQ(files().attributesOfItemAtPath(home.documents() + "/client/link")->fileType,
        NSFileAttributes::Type::SymbolicLink);

    // A pipe cannot be copied: the copy fails part way and must not leave a
    // half-made folder behind, under the destination's name or any other.
    ASSERT_EQ(::mkfifo((tree + "/zz-pipe").c_str(), 0600), 0);
    std::string error;
    EXPECT_FALSE(files().copyItemAtPathToPath(tree, home.documents() + "/again", &error));
    EXPECT_NE(error.find("zz-pipe"), std::string::npos);
    EXPECT_EQ(files().contentsOfDirectoryAtPath(home.documents()), std::vector<std::string> { "client" });

    // Nor may a folder be copied into itself.
    EXPECT_FALSE(files().copyItemAtPathToPath(home.documents(), home.documents() + "/client/inner", &error));
    EXPECT_FALSE(files().fileExistsAtPath(home.documents() + "/client/inner"));
}

TEST_F(Files, MoveRenamesButNeverReplaces)
{
    std::string folder = home.documents() + "/ACME";
    ASSERT_TRUE(files().createDirectoryAtPathWithIntermediateDirectories(folder, true));
    writeText(folder + "/f", "1");

    ASSERT_TRUE(files().moveItemAtPathToPath(folder, home.documents() + "/acme"));
    EXPECT_FALSE(files().fileExistsAtPath(folder));
    EXPECT_EQ(readText(home.documents() + "/acme/f"), "1");

    struct Case {
        const char* what;
        bool targetIsFolder;
    } cases[] = { { "onto a file", false }, { "onto an empty folder", true } };
    for (const auto& c : cases) {
        std::string target = home.documents() + "/target";
        if (c.targetIsFolder) {
            ASSERT_TRUE(files().createDirectoryAtPathWithIntermediateDirectories(target, true));
        } else {
            writeText(target, "keep");
        }
        std::string error;
        EXPECT_FALSE(files().moveItemAtPathToPath(home.documents() + "/acme", target, &error)) << c.what;
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(files().fileExistsAtPath(home.documents() + "/acme/f")) << c.what;
        if (!c.targetIsFolder) {
            EXPECT_EQ(readText(target), "keep");
        }
        ASSERT_TRUE(files().removeItemAtPath(target));
    }
    EXPECT_FALSE(files().moveItemAtPathToPath(home.documents() + "/missing", home.documents() + "/x"));
}

// Replacing puts the new file in place in one step and leaves the old one
// whole whenever it cannot: a missing source, a missing folder, a folder in
// the way.
TEST_F(Files, ReplaceSwapsAFileInOneStepOrLeavesTheOldOneWhole)
{
    const std::string folder = home.documents() + "/pictures";
    ASSERT_TRUE(files().createDirectoryAtPathWithIntermediateDirectories(folder, true));
    const struct Case {
        const char* what;
        const char* before;  // at the destination; nullptr: nothing, "/": a folder
        bool sourceThere;
        bool folderThere;
        bool replaced;
    } cases[] = {
        { "onto nothing", nullptr, true, true, true },
        { "onto an old file", "old", true, true, true },
        { "from a missing source", "old", false, true, false },
        { "into a missing folder", nullptr, true, false, false },
        { "onto a folder", "/", true, true, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string into = c.folderThere ? folder : folder + "/missing";
        const std::string destination = into + "/chair.png";
        const std::string source = home.tmp() + "/chair.png";
        if (c.before && std::string(c.before) == "/") {
            ASSERT_TRUE(files().createDirectoryAtPathWithIntermediateDirectories(destination + "/inside", true));
        } else if (c.before) {
            writeText(destination, c.before);
        }
        if (c.sourceThere)
            writeText(source, "new");
        std::string error;
        EXPECT_EQ(files().replaceItemAtPathWithItemAtPath(destination, source, &error), c.replaced);
        EXPECT_EQ(error.empty(), c.replaced);
        if (c.replaced) {
            EXPECT_EQ(readText(destination), "new");
            EXPECT_FALSE(files().fileExistsAtPath(source));
        } else {
            EXPECT_EQ(files().fileExistsAtPath(source), c.sourceThere);
            if (c.before && std::string(c.before) == "/")
                EXPECT_TRUE(files().fileExistsAtPath(destination + "/inside"));
            else if (c.before)
                EXPECT_EQ(readText(destination), c.before);
            else
                EXPECT_FALSE(files().fileExistsAtPath(destination));
        }
        // Nothing is left beside the destination but the destination.
        auto left = files().contentsOfDirectoryAtPath(folder);
        ASSERT_TRUE(left);
        EXPECT_LE(left->size(), 1u);
        files().removeItemAtPath(destination);
        files().removeItemAtPath(source);
    }
    EXPECT_FALSE(files().replaceItemAtPathWithItemAtPath("", home.tmp() + "/x"));
}

TEST_F(Files, RemoveFileTreeAndLinkButNotMissing)
{
    std::string tree = home.documents() + "/tree";
    ASSERT_TRUE(files().createDirectoryAtPathWithIntermediateDirectories(tree + "/a/b", true));
    writeText(tree + "/a/b/c", "c");
    std::string outside = home.tmp() + "/outside";
    writeText(outside, "stays");
    ASSERT_EQ(::symlink(outside.c_str(), (home.documents() + "/link").c_str()), 0);

    EXPECT_TRUE(files().removeItemAtPath(tree));
    EXPECT_FALSE(files().fileExistsAtPath(tree));
    EXPECT_TRUE(files().removeItemAtPath(home.documents() + "/link"));
    EXPECT_EQ(readText(outside), "stays");

    std::string error;
    EXPECT_FALSE(files().removeItemAtPath(tree, &error));
    EXPECT_NE(error.find(tree), std::string::npos);
    EXPECT_FALSE(files().removeItemAtPath(""));
}

TEST_F(Files, ListAttributesAndSizes)
{
    writeText(home.documents() + "/b", "12345");
    writeText(home.documents() + "/A", "");
    writeText(home.documents() + "/.hidden", "h");
    ASSERT_TRUE(files().createDirectoryAtPathWithIntermediateDirectories(home.documents() + "/a", true));
    EXPECT_EQ(
        files().contentsOfDirectoryAtPath(home.documents()), (std::vector<std::string> { ".hidden", "A", "a", "b" }));

    std::string error;
    EXPECT_FALSE(files().contentsOfDirectoryAtPath(home.documents() + "/missing", &error));
    EXPECT_NE(error.find("missing"), std::string::npos);
    EXPECT_FALSE(files().contentsOfDirectoryAtPath(home.documents() + "/b"));  // a file is no folder

    auto attributes = files().attributesOfItemAtPath(home.documents() + "/b");
    ASSERT_TRUE(attributes);
    EXPECT_EQ(attributes->fileSize, 5u);
    EXPECT_EQ(attributes->fileType, NSFileAttributes::Type::Regular);
    EXPECT_EQ(files().attributesOfItemAtPath(home.documents() + "/a")->fileType, NSFileAttributes::Type::Directory);
    EXPECT_EQ(files().fileSizeAtPath(home.documents() + "/A"), 0u);
    EXPECT_EQ(files().fileSizeAtPath(home.documents() + "/nothing"), std::nullopt);
    EXPECT_FALSE(files().attributesOfItemAtPath(home.documents() + "/nothing"));

    ASSERT_TRUE(files().setModificationDateOfItemAtPath(home.documents() + "/a", Date { 1'000'000'000 }));
    EXPECT_EQ(files().attributesOfItemAtPath(home.documents() + "/a")->fileModificationDate, Date { 1'000'000'000 });
    EXPECT_FALSE(files().setModificationDateOfItemAtPath(home.documents() + "/nothing", Date { 1 }));
}

TEST_F(Files, WholeFileWriteReplacesAtomically)
{
    std::string path = home.documents() + "/state";
    writeText(path, "first");
    writeText(path, "second, longer");
    EXPECT_EQ(readText(path), "second, longer");
    // No temporary file is left beside it.
    EXPECT_EQ(files().contentsOfDirectoryAtPath(home.documents()), std::vector<std::string> { "state" });

    std::string error;
    EXPECT_FALSE(files().createFileAtPathContents(home.documents() + "/no/folder/file", Data { 1 }, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(files().contentsAtPath(home.documents() + "/nothing"));
    EXPECT_FALSE(files().contentsAtPath(home.documents()));  // a folder has no contents to read
}

TEST_F(Files, BackupExclusionMarkIsOneByte)
{
    std::string folder = home.documents();
    // Some file systems (tmpfs on older kernels) keep no user attributes at all.
    if (::setxattr(folder.c_str(), "user.corvelle.probe", "1", 1, 0) != 0 && errno == ENOTSUP)
        GTEST_SKIP() << "the temporary folder's file system keeps no user attributes";
    ::removexattr(folder.c_str(), "user.corvelle.probe");
    ASSERT_TRUE(ExtendedAttributes::setAttribute(folder, "com.example.Backup", Data { 1 }));
    EXPECT_EQ(ExtendedAttributes::attribute(folder, "com.example.Backup"), (Data { 1 }));

    EXPECT_FALSE(ExtendedAttributes::isExcludedFromBackup(folder));
    ASSERT_TRUE(ExtendedAttributes::setExcludedFromBackup(folder, true));
    EXPECT_TRUE(ExtendedAttributes::isExcludedFromBackup(folder));
    EXPECT_EQ(ExtendedAttributes::attribute(folder, NSURLIsExcludedFromBackupKey), (Data { 1 }));
    ASSERT_TRUE(ExtendedAttributes::setExcludedFromBackup(folder, false));
    EXPECT_FALSE(ExtendedAttributes::isExcludedFromBackup(folder));
    EXPECT_TRUE(ExtendedAttributes::setExcludedFromBackup(folder, false));  // already unmarked

    std::string error;
    EXPECT_FALSE(ExtendedAttributes::attribute(folder, "absent", &error));
    EXPECT_FALSE(ExtendedAttributes::setAttribute(home.documents() + "/missing", "x", Data { 1 }, &error));
    EXPECT_NE(error.find("missing"), std::string::npos);
    // A file system without user attributes says so.
    EXPECT_FALSE(ExtendedAttributes::setExcludedFromBackup("/proc/self/status", true, &error));
    EXPECT_NE(error.find("does not keep user attributes"), std::string::npos) << error;
}
