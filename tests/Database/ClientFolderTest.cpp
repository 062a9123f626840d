#include "DatabaseFixture.h"

#include "Classes/Frame/PublicFunction.h"
#include "Database/ClientFolder.h"
#include "Network/Protocol/ServerInfo.h"

namespace {

TEST(ClientFolderRule, RefusesIdsThatCouldLeaveDocuments)
{
    struct Case {
        std::string id;
        bool valid;
    };
    const Case cases[] = {
        { "Acme", true },
        { "acme-2.0", true },
        { "..acme", true },
        { "", false },
        { "   ", false },
        { ".", false },
        { "..", false },
        { "../../outside", false },
        { "a/b", false },
        { "/abs", false },
        { "a\\b", false },
        { std::string("ac\0me", 5), false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(ClientFolder::isValidClientID(c.id), c.valid) << c.id;
}

using ClientFolders = DatabaseFixture;

TEST_F(ClientFolders, AnEscapingClientIdOpensNoDatabaseAnywhere)
{
    const std::string outside = home + "/outside";
    for (const char* id : { "../../outside", "..", "", "../outside" }) {
        signIn(id, "sales01");
        auto manager = dam();
        EXPECT_TRUE(manager->dataModelList().empty()) << id;
        EXPECT_EQ(DataAccessManager::dataFilePath(), "") << id;
        EXPECT_EQ(PublicFunction::clientFolderPath(), "") << id;
        EXPECT_EQ(PublicFunction::filePathWithNameFiletype("a.png", PublicFunction::FileTypeProductImage), "") << id;
        EXPECT_EQ(db(), nullptr) << id;
    }
    EXPECT_FALSE(std::filesystem::exists(outside));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(home).parent_path() / "outside"));
    EXPECT_FALSE(std::filesystem::exists(home + "/Documents/corvelle_lite.sqlite"));
    EXPECT_FALSE(std::filesystem::exists(home + "/corvelle_lite.sqlite"));
    EXPECT_TRUE(logged("refused the client id"));

    PublicFunction::createDirectoryifNeed("../outside");
    PublicFunction::createDirectoryifNeed("..");
    PublicFunction::createDirectoryifNeed("acme/../../outside/");
    EXPECT_FALSE(std::filesystem::exists(outside));
    PublicFunction::createDirectoryifNeed("acme/ProductImages/");
    EXPECT_TRUE(std::filesystem::is_directory(home + "/Documents/acme/ProductImages"));

    // A sound id still works after refused ones.
    signIn("Acme", "sales01");
    EXPECT_EQ(dam()->dataModelList().size(), 17u);
    EXPECT_EQ(PublicFunction::clientFolderPath(), home + "/Documents/acme");
}

// The server's folders are named as the service spells them ("vedio" too), and
// the local ones as the client keeps them: either spelled otherwise is a file
// that never downloads or is never found.
TEST_F(ClientFolders, FileFoldersAreSpelledAsTheServiceAndTheClientSpellThem)
{
    struct Case {
        int type;
        const char* server;
        const char* local;
    };
    const Case cases[] = {
        { 1, "product", "ProductImages" },
        { 2, "CatalogImages", "CatalogImages" },
        { 3, "icon", "ConfigImages" },
        { 4, "library/cover_image", "LibraryImages" },
        { 5, "library/pdf", "Pdf" },
        { 6, "library/vedio", "Video" },
        { 7, "library/excel", "Excel" },
        { 8, "library/word", "Word" },
        { 9, "library/keynote", "Keynote" },
    };
    const std::string prefix = "http://" + PublicFunction::GetServer()->imageUrlStr() + "/images/Acme/";
    for (const auto& c : cases) {
        EXPECT_EQ(PublicFunction::fileURLWithNameFiletype(std::string("f.x"), c.type), prefix + c.server + "/f.x")
            << c.type;
        EXPECT_EQ(PublicFunction::filePathWithNameFiletype("f.x", c.type), home + "/Documents/acme/" + c.local + "/f.x")
            << c.type;
    }
    // No folder part for a code outside them.
    EXPECT_EQ(PublicFunction::fileURLWithNameFiletype(std::string("f.x"), 10), prefix + "f.x");
    EXPECT_EQ(PublicFunction::filePathWithNameFiletype("f.x", 0), home + "/Documents/acme/f.x");
}

}  // namespace
