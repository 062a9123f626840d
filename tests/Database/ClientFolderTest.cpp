#include "DatabaseFixture.h"

#include "Classes/Frame/PublicFunction.h"
#include "Database/ClientFolder.h"

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

}  // namespace
