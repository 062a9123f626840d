#include "LibraryFixture.h"

#include "Classes/Frame/Language.h"
#include "Classes/Library/LibrarySearchCell.h"
#include "Classes/Library/librarySearchViewcontroller.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UITableView.h"

#include <gtest/gtest.h>

namespace {

class Chooser : public LibrarySearchDelegate {
public:
    void didselectSearchResult(const std::shared_ptr<corvelle_library_files_Entity>& file) override
    {
        chosen.push_back(file);
    }
    std::vector<std::shared_ptr<corvelle_library_files_Entity>> chosen;
};

}  // namespace

using LibrarySearchList = LibraryFixture;

TEST_F(LibrarySearchList, NoFilesShowOneRowSayingSoThatChoosesNothing)
{
    auto list = std::make_shared<librarySearchViewcontroller>();
    auto chooser = std::make_shared<Chooser>();
    list->setDelegate(chooser);
    showRoot(list);
    auto table = list->tableView();
    ASSERT_EQ(table->numberOfRowsInSection(0), 1);
    auto row = table->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 0));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->textLabel()->text(), text("NORESULT"));
    driver->tapRow(table, 0);
    EXPECT_TRUE(chooser->chosen.empty());
}

TEST_F(LibrarySearchList, RowsShowTheirFileAndOnlyVideosADuration)
{
    auto list = std::make_shared<librarySearchViewcontroller>();
    auto chooser = std::make_shared<Chooser>();
    list->setDelegate(chooser);
    showRoot(list);
    // A video first, then a document in the same reused row.
    auto video = entity({ 3, "Showroom tour", "showroom.mp4", "VEDIO", 0, 0, "MP4/12 M,1:30", "01/05/26 10:00:00" });
    auto document = entity({ 1, "Catalogue", "catalogue.pdf", "PDF", 0, 0, "PDF/2.5 M", "2026-01-05 10:00:00" });
    list->setSearchFilestArray({ video });
    list->tableView()->reloadData();
    auto row = std::dynamic_pointer_cast<LibrarySearchCell>(
        list->tableView()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 0)));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->fileNameContentLabel()->text(), "Showroom tour");
    EXPECT_EQ(row->infoContentLabel()->text(), "MP4/12 M");
    EXPECT_EQ(row->dateContentLabel()->text(), "01/05/26");
    EXPECT_FALSE(row->durationContentLabel()->isHidden());
    EXPECT_EQ(row->durationContentLabel()->text(), "1:30");

    list->setSearchFilestArray({ document });
    list->tableView()->reloadData();
    row = std::dynamic_pointer_cast<LibrarySearchCell>(
        list->tableView()->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 0)));
    ASSERT_TRUE(row);
    EXPECT_TRUE(row->durationContentLabel()->isHidden());
    // The server's date form is not the list's pattern: no date rather than a wrong one.
    EXPECT_EQ(row->dateContentLabel()->text(), "");
    driver->tapRow(list->tableView(), 0);
    ASSERT_EQ(chooser->chosen.size(), 1u);
    EXPECT_EQ(chooser->chosen[0], document);
}
