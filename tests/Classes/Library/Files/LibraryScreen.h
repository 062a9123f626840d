#pragma once

// The sales-library tab as a person meets it: the main screen of a signed-in
// client with the library tab chosen, over a small library of five files in
// four categories, in different states:
//   1 "Catalogue"     catalogue.pdf  Brochures        on the device, a favourite
//   2 "Price list"    pricelist.pdf  Price lists      new, not on the device
//   3 "Showroom tour" showroom.mp4   Videos           on the device
//   4 "Order form"    orderform.docx (no category)    on the device as its old
//                                                      version, an update waits
//   5 "Loose notes"   notes.key      (no category)    not on the device
// "Price lists" lies inside "Brochures"; "Empty" has no files.

#include "LibraryFixture.h"

#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/Language.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Classes/Library/LibraryCatalogCell.h"
#include "Classes/Library/LibraryCatalogController.h"
#include "Classes/Library/LibraryDetailCell.h"
#include "Classes/Library/LibraryDetailController.h"
#include "Classes/Library/SaleslibraryController.h"
#include "Database/ConfigManager.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIProgressView.h"
#include "Platform/UIKit/UITableView.h"

#include <algorithm>

class LibraryScreen : public LibraryFixture {
protected:
    void SetUp() override
    {
        LibraryFixture::SetUp();
        addCategory(1, "Brochures", 0);
        addCategory(2, "  Price lists ", 1);
        addCategory(3, "Videos", 0);
        addCategory(4, "Empty", 0);
        addFiles({ { 1, "Catalogue", "catalogue.pdf", "PDF", 1, 0, "PDF/2.5 M" },
            { 2, "Price list", "pricelist.pdf", "PDF", 2, 1, "PDF/0.25 M" },
            { 3, "Showroom tour", "showroom.mp4", "VEDIO", 3, 0, "MP4/12 M,1:30" },
            { 4, "Order form", "orderform.docx", "WORD", 0, 0, "DOCX/0.5 M" },
            { 5, "Loose notes", "notes.key", "KEYNOTE", 0, 0, "KEY/0.25 M" } });
        putOnDisk("catalogue.pdf", "PDF", "not really a PDF");
        putOnDisk("showroom.mp4", "VEDIO");
        putOnDisk("orderform_v1.docx", "WORD");
        addPendingUpdate(4, "orderform_v1.docx", "WORD");
        ASSERT_TRUE(
            DataAccessManager::sharedDataModel()->saveToDatabaseLibraryFavoriteName(1, std::string("catalogue.pdf")));
    }

    void TearDown() override
    {
        appDriver.reset();
        if (app)
            app->window()->setRootViewController(nullptr);
        app.reset();
        LibraryFixture::TearDown();
    }

    // The main screen with the library tab chosen.
    void showLibrary()
    {
        ConfigManager::sharedInstance()->setModelDescArray(
            std::vector<std::string> { "1", "1", "1", "0", "1", "1", "1" });
        app = std::make_shared<CorvelleAppDelegate>();
        UIApplication::sharedApplication()->setDelegate(app);
        UIApplication::sharedApplication()->launch();
        app->showMainController();
        appDriver = std::make_unique<UIDriver>(app->window());
        appDriver->settle();
        appDriver->advance(0.5);
        app->tabBarController()->selectTab(UITabBarControllerExt::TabSalesLibrary);
        appDriver->settle();
        appDriver->advance(0.5);
    }

    std::shared_ptr<SaleslibraryController> frame() const
    {
        auto navigation = std::dynamic_pointer_cast<UINavigationController>(
            app->tabBarController()->viewControllers()[UITabBarControllerExt::TabSalesLibrary]);
        return std::dynamic_pointer_cast<SaleslibraryController>(navigation->viewControllers().front());
    }
    std::shared_ptr<LibraryDetailController> grid(size_t tab = 0) const { return frame()->detailViewsArray().at(tab); }
    std::shared_ptr<LibraryCatalogController> tree() const
    {
        return std::dynamic_pointer_cast<LibraryCatalogController>(
            frame()->masterController()->viewControllers().front());
    }

    // The titles the grid of `tab` shows, in order.
    std::vector<std::string> shownTitles(size_t tab = 0) const
    {
        std::vector<std::string> titles;
        for (const auto& f : grid(tab)->libfilesArray())
            titles.push_back(f->title.value_or(""));
        return titles;
    }

    // The cell of the file titled `title` in the grid of `tab` (it must be on screen).
    std::shared_ptr<LibraryDetailCell> cellOf(const std::string& title, size_t tab = 0) const
    {
        auto g = grid(tab);
        const auto& files = g->libfilesArray();
        for (size_t i = 0; i < files.size(); ++i) {
            if (files[i]->title == title)
                return std::dynamic_pointer_cast<LibraryDetailCell>(g->productShowView()->cellForItemAtIndex(i));
        }
        return nullptr;
    }

    // Taps the cover of a file's book, as a person opens it, scrolling the grid to it first when it is out of view.
    void tapFile(const std::string& title, size_t tab = 0)
    {
        auto cell = cellOf(title, tab);
        const auto& files = grid(tab)->libfilesArray();
        for (size_t i = 0; !cell && i < files.size(); ++i)
            if (files[i]->title == title) {
                grid(tab)->productShowView()->scrollToItemAtIndexAtScrollPositionAnimated(
                    i, GridViewScrollPositionTop, false);
                appDriver->settle();
                cell = cellOf(title, tab);
            }
        ASSERT_TRUE(cell) << title;
        appDriver->tap(cell->fileImageView());
        appDriver->settle();
    }

    // The count the category panel shows on the row reading `name` ("ALL" for row 0).
    std::string countOnRow(const std::string& name) const
    {
        auto table = tree()->catatable();
        for (const auto& cell : table->visibleCells()) {
            auto row = std::dynamic_pointer_cast<LibraryCatalogCell>(cell);
            if (row && row->lbTitle()->text() == name)
                return row->lbcount()->text();
        }
        return "no row " + name;
    }

    std::vector<std::string> rowTitles() const
    {
        std::vector<std::string> titles;
        auto table = tree()->catatable();
        for (long r = 0; r < table->numberOfRowsInSection(0); ++r) {
            auto cell = std::dynamic_pointer_cast<LibraryCatalogCell>(
                table->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(r, 0)));
            titles.push_back(cell ? cell->lbTitle()->text() : std::string("?"));
        }
        return titles;
    }

    static bool shows(const std::shared_ptr<UIImageView>& view, const char* name)
    {
        return view->image() && view->image() == UIImage::imageNamed(name);
    }

    std::shared_ptr<CorvelleAppDelegate> app;
    std::unique_ptr<UIDriver> appDriver;
};
