#include "App/TourLayoutCheck.h"

#include "Platform/UIKit/UIViewContrastCheck.h"
#include "Platform/UIKit/UIViewLayoutCheck.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Listed {
    const char* pictures;  // the pictures it is seen in (a name prefix; empty: all)
    const char* where;  // a part of the defect's description
    const char* reason;
    const char* with = "";  // a further part of it, where the first names only one of the views
};

// What the screens are meant to show: each is where the screens' layout
// tables put the views, with the frames that make it so.
const Listed intended[] = {
    { "", "TabBarItemButton/UIButton and UILabel",
        "a tab item's caption (-4, 34, 72, 22) reaches into its 40-point icon button; the icon pictures leave that "
        "strip empty" },
    { "", "TabBarItemButton/UIButton and UIImageView",
        "a tab's badge stands at x 50 - its width / 2, y -5, over the corner of the tab's icon button" },
    { "", "DetailCell/UIView/UILabel",
        "a tile's order badge is centred on the add button's right edge (149, 158, 34, 34) "
        "13 points above it, over the end of the name label's band (10, 125, 173, 30)",
        "\" and BadgeButton (covering" },
    { "", "GridView/DetailCell and DetailCell (covering ",
        "beside the category pane the grid's four columns are 193 points apart; a tile's divider (194, 10, 1, 192) "
        "and its order badge, centred on the add button's right edge at x 183, reach a few points into the next "
        "tile's blank left margin" },
    { "", "DetailCell/UIView/UIImageView and BadgeButton",
        "a tile's order badge reaches over the divider at x 194 (it is centred on the add button's right edge, x "
        "183)" },
    { "", "IconButton/UIImageView and UIImageView",
        "the add-to-order button's badge is centred on its right edge 13 points above it, over the cart icon's "
        "corner" },
    { "", "UIImageView and IconButton",
        "the add-to-order button's badge stands 13 points above the button, over the line above it" },
    { "", "QuoteOrderHistoryTableViewCell/UIView/UILabel",
        "an order row's signed stamp (340, 10, 62, 30) stands over the right end of the customer column (245, 0, 150, "
        "50)",
        "\" and UIImageView (covering" },
    { "customers", "CustomerInfoGroupView/UIButton \"choose me\"",
        "a group header's check box is 40 points wide and its 30-point picture comes before the title" },
    { "", "BrowserTabView/BrowserTab and BrowserTab",
        "the library's tabs overlap their neighbours by 28 points, as a browser's do" },
    { "", "BrowserTab/UILabel",
        "the chosen library tab's close mark stands at x 115 of the 167-point tab; a centred title "
        "wider than 63 points reaches it",
        "\" and UIImageView (covering" },
    { "", "UIImageView and BrowserTabView", "the library's tab strip stands on its top bar (244, 0, 1024, 44)" },
    { "", "LibraryDetailCell/UIView/UIView/UIImageView and UIImageView",
        "a file's new or update ribbon (4, 1, 83, 72) lies over the top left of its cover (35, 20, 110, 154)" },
    { "reader", "PdfTrackControl/PdfPagebarThumb and PdfPagebarThumb",
        "the current page's larger thumbnail stands over the page bar's small page marks" },
    { "reader", "UIScrollView and PdfMainToolbar", "the reader's tool bar lies over the page" },
    { "reader", "UIScrollView and PdfMainPagebar", "the reader's page bar lies over the page" },
    { "", "and UIImageView (covering 84.0 x",
        "a category pane's side shadow (160, 0, 84, 748) lies over the pane's right end" },
    { "", "UIView/UIView/UIView and UIView (covering 244.0 x 638.0 at",
        "the library's category panel (0, 0, 244, 768) lies over the left end of the grid pane (0, 64, 1024, 638), "
        "whose grid starts beside it at x 244" },
    { "", "DetailCell/UIView/UIImageView and UIImageView (hidden wholly",
        "a tile's placeholder picture (17, 10, 160, 110) waits under the product's picture of the same frame, which "
        "covers it once loaded" },

    { "", "UIView/UIView/UIView and UIView (covering 780.0 x 5.0 at 244.0 x 64.0)",
        "the library's tab strip (700, 5, 1024, 44) draws only its top 39 points; its empty last 5 reach past the "
        "top bar onto the grid pane at y 64" },
    { "", "UIImageView and UIView (covering 244.0 x 66.0 at 0.0 x 702.0)",
        "the category pane, 768 points high from y 20, covers the left end of the tab bar" },
};

// Texts the screens colour as they are meant to, a little under the readable
// contrast, each with its reason. An entry names the pictures it is seen in
// and the labels with their texts, and excuses no contrast below its floor,
// so a text drawn fainter still fails.
struct Faint {
    std::vector<std::string> pictures;
    std::vector<std::string> labels;  // parts of the description: the label's path and its text
    double atLeast;
    const char* reason;
};

const Faint faint[] = {
    { { "catalog", "catalog_full", "tab_1_catalog", "order_1_added_from_tile" },
        { "GridView/DetailCell/UIView/UILabel \"SKU-" }, 3.7,
        "a tile's SKU is grey Arial 13 (#808080, 3.95:1 on the white tile); a tile cut by the category pane shows "
        "only the lighter edges of its glyphs" },
    { { "order_4_editor", "order_5_customer", "order_6_line_discount", "order_7_order_discount", "order_12_saved" },
        { "QuoteOrderItemsTableViewCell/UIView/UILabel \"SKU-" }, 3.9,
        "an order line's SKU is grey system 14 (#808080, 3.95:1 on the white row)" },
    { {},
        { "TabBarItemButton/UILabel \"首页\"", "TabBarItemButton/UILabel \"产品目录\"",
            "TabBarItemButton/UILabel \"客户\"", "TabBarItemButton/UILabel \"库存\"",
            "TabBarItemButton/UILabel \"销售资料\"", "TabBarItemButton/UILabel \"订单\"",
            "TabBarItemButton/UILabel \"同步\"", "TabBarItemButton/UILabel \"设置\"" },
        4.0,
        "the chosen tab's caption is RGB (49, 122, 181) in system 12 on the white tab bar, 4.6:1 where the ink is "
        "full; the thin strokes of its Chinese captions never reach full ink, on every screen the tab bar shows" },
    { { "sync" }, { "ResourceUpdateView/SyncInfoItem/UILabel \"已完成\"" }, 4.0,
        "a sync row's state is RGB (36, 115, 211) on white, 4.7:1 where the ink is full; the thin strokes of its "
        "Chinese text never reach full ink" },
};

const Faint* find(const UIViewContrastDefect& defect, const std::string& picture, const std::string& description)
{
    for (const auto& entry : faint) {
        const bool inPicture = entry.pictures.empty()
            || std::find(entry.pictures.begin(), entry.pictures.end(), picture) != entry.pictures.end();
        const bool label = std::any_of(entry.labels.begin(), entry.labels.end(),
            [&](const std::string& part) { return description.find(part) != std::string::npos; });
        if (inPicture && label && defect.ratio >= entry.atLeast)
            return &entry;
    }
    return nullptr;
}

template <size_t N>
const Listed* find(const Listed (&list)[N], const std::string& picture, const std::string& description)
{
    for (const auto& entry : list)
        if (picture.rfind(entry.pictures, 0) == 0 && description.find(entry.where) != std::string::npos
            && description.find(entry.with) != std::string::npos)
            return &entry;
    return nullptr;
}

}  // namespace

namespace {

// Prints each finding as intended (with its reason) or as a defect, and
// counts the defects.
template <typename Defects, typename Describe, typename Find>
size_t reportFindings(
    const char* what, const std::string& picture, const Defects& defects, Describe describe, Find find)
{
    size_t unintended = 0;
    for (const auto& defect : defects) {
        const std::string description = describe(defect);
        if (auto entry = find(defect, description)) {
            std::printf("%s as intended in %s: %s (%s)\n", what, picture.c_str(), description.c_str(), entry->reason);
        } else {
            std::printf("%s defect in %s: %s\n", what, picture.c_str(), description.c_str());
            ++unintended;
        }
    }
    std::fflush(stdout);
    return unintended;
}

}  // namespace

size_t TourCheckLayout(const std::string& picture, const UIView& window)
{
    return reportFindings("Layout", picture, UIViewFindLayoutDefects(window), UIViewLayoutDefectDescription,
        [&](const UIViewLayoutDefect&, const std::string& description) {
            return find(intended, picture, description);
        });
}

size_t TourCheckContrast(const std::string& picture, UIView& window)
{
    return reportFindings("Contrast", picture, UIViewFindContrastDefects(window), UIViewContrastDefectDescription,
        [&](const UIViewContrastDefect& defect, const std::string& description) {
            return find(defect, picture, description);
        });
}
