#include "LibraryScreen.h"

#include "Classes/Frame/BrowserTab.h"
#include "Classes/Frame/BrowserTabView.h"
#include "Platform/Foundation/NSNotificationCenter.h"

#include <gtest/gtest.h>

using LibraryCategoryTree = LibraryScreen;

TEST_F(LibraryCategoryTree, CountsIncludeDescendantsAndTheWalkGoesDownAndBack)
{
    showLibrary();
    EXPECT_EQ(
        rowTitles(), (std::vector<std::string> { text("ALL"), "Brochures", "Empty", "Videos", text("UNCATEGORIZED") }));
    EXPECT_EQ(countOnRow(text("ALL")), "(5)");
    EXPECT_EQ(countOnRow("Brochures"), "(2)");
    EXPECT_EQ(countOnRow("Empty"), "(0)");
    EXPECT_EQ(countOnRow(text("UNCATEGORIZED")), "(2)");
    EXPECT_TRUE(tree()->btnBack()->isHidden());

    ASSERT_TRUE(appDriver->tapRow(tree()->catatable(), 1));
    appDriver->advance(0.5);
    // Inside: the trimmed name of the child, and the "ALL" of the category.
    EXPECT_EQ(rowTitles(), (std::vector<std::string> { text("ALL"), "Price lists" }));
    EXPECT_EQ(countOnRow(text("ALL")), "(2)");
    EXPECT_EQ(countOnRow("Price lists"), "(1)");
    EXPECT_FALSE(tree()->btnBack()->isHidden());
    EXPECT_EQ(tree()->catatitlelb()->text(), "Brochures");
    EXPECT_EQ(tree()->m_selectRow(), 0);
    EXPECT_EQ(shownTitles(), (std::vector<std::string> { "Catalogue", "Price list" }));
    // A category chosen: no download-all.
    EXPECT_TRUE(grid()->btnDownloadAll()->isHidden());

    ASSERT_TRUE(appDriver->tapRow(tree()->catatable(), 1));
    appDriver->advance(0.5);
    EXPECT_EQ(shownTitles(), std::vector<std::string> { "Price list" });

    appDriver->tap(tree()->btnBack());
    appDriver->advance(0.5);
    EXPECT_TRUE(tree()->btnBack()->isHidden());
    EXPECT_EQ(tree()->catatitlelb()->text(), text("CATEGORY"));
    EXPECT_EQ(shownTitles().size(), 5u);
    EXPECT_EQ(rowTitles().back(), text("UNCATEGORIZED"));
}

TEST_F(LibraryCategoryTree, CountsFollowWhatTheGridOfTheTabShows)
{
    showLibrary();
    appDriver->tap(frame()->tabController()->tabsArray()[1]);
    appDriver->advance(0.5);
    // The collection: Catalogue, Showroom tour and Order form are on the device.
    EXPECT_EQ(countOnRow(text("ALL")), "(3)");
    EXPECT_EQ(countOnRow("Brochures"), "(1)");
    EXPECT_EQ(countOnRow("Videos"), "(1)");
    EXPECT_EQ(countOnRow(text("UNCATEGORIZED")), "(1)");
    // An arrow only while a descendant has shown files.
    auto brochures = std::dynamic_pointer_cast<LibraryCatalogCell>(
        tree()->catatable()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(1, 0)));
    ASSERT_TRUE(brochures);
    EXPECT_TRUE(brochures->imgicon()->isHidden());

    appDriver->tap(frame()->tabController()->tabsArray()[0]);
    appDriver->advance(0.5);
    EXPECT_EQ(countOnRow(text("ALL")), "(5)");
    brochures = std::dynamic_pointer_cast<LibraryCatalogCell>(
        tree()->catatable()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(1, 0)));
    EXPECT_FALSE(brochures->imgicon()->isHidden());
}

TEST_F(LibraryCategoryTree, ALoopInTheServersParentLinksEndsTheWalks)
{
    addCategory(10, "Loop A", 11);
    addCategory(11, "Loop B", 10);
    addFiles({ { 6, "In the loop", "loop.pdf", "PDF", 10 } });
    showLibrary();
    // Counting and membership walk up the loop at most once and stop.
    EXPECT_EQ(countOnRow(text("ALL")), "(6)");
    auto inLoop = DataAccessManager::sharedDataModel()->getFilesByFileId(6);
    EXPECT_TRUE(grid()->fileIsInCategoryCategoryID(*inLoop, 10));
    EXPECT_FALSE(grid()->fileIsInCategoryCategoryID(*inLoop, 1));
}

TEST_F(LibraryCategoryTree, WithoutUncategorisedFilesThereIsNoSuchRow)
{
    ASSERT_TRUE(DataAccessManager::sharedDataModel()->saveToDatabaseLibraryFiles(
        EntityList<corvelle_library_files_Entity> { entity({ 4, "Order form", "orderform.docx", "WORD", 3 }),
            entity({ 5, "Loose notes", "notes.key", "KEYNOTE", 3 }) }));
    showLibrary();
    EXPECT_EQ(rowTitles(), (std::vector<std::string> { text("ALL"), "Brochures", "Empty", "Videos" }));
}
