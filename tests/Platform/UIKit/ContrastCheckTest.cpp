// The contrast check weighs each label's text against what is drawn behind
// it, and reports a text a person cannot read well.

#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIViewContrastCheck.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

std::shared_ptr<UIColor> rgb(unsigned hex)
{
    return UIColor::colorWithRedGreenBlueAlpha(
        ((hex >> 16) & 0xff) / 255.0f, ((hex >> 8) & 0xff) / 255.0f, (hex & 0xff) / 255.0f, 1);
}

std::shared_ptr<UIView> panel(CGRect frame, unsigned hex)
{
    auto v = std::make_shared<UIView>(frame);
    v->setBackgroundColor(rgb(hex));
    return v;
}

// A label as the screens make theirs: clear, so what lies behind shows.
std::shared_ptr<UILabel> caption(CGRect frame, const std::string& text, unsigned colour, UIFontRef font)
{
    auto l = std::make_shared<UILabel>(frame);
    l->setBackgroundColor(UIColor::clearColor());
    l->setFont(std::move(font));
    l->setTextColor(rgb(colour));
    l->setText(text);
    return l;
}

UIFontRef body() { return UIFont::systemFontOfSize(16); }

std::vector<std::string> report(UIView& root)
{
    std::vector<std::string> lines;
    for (const auto& d : UIViewFindContrastDefects(root))
        lines.push_back(UIViewContrastDefectDescription(d));
    return lines;
}

std::shared_ptr<UIImage> solidPicture(CGSize size, unsigned hex)
{
    UIGraphicsBeginImageContextWithOptions(size, true, 1);
    rgb(hex)->setFill();
    UIRectFill(CGRectMake(0, 0, size.width, size.height));
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return image;
}

}  // namespace

TEST(ContrastCheck, RatioOfKnownColours)
{
    EXPECT_NEAR(UIColorContrastRatio(0, 0, 0, 1, 1, 1), 21.0, 1e-9);
    EXPECT_NEAR(UIColorContrastRatio(1, 1, 1, 0, 0, 0), 21.0, 1e-9);
    EXPECT_NEAR(UIColorContrastRatio(0.5, 0.2, 0.9, 0.5, 0.2, 0.9), 1.0, 1e-9);
    // #767676 is the lightest grey that still reads on white as body text.
    const double grey = 0x76 / 255.0;
    EXPECT_NEAR(UIColorContrastRatio(grey, grey, grey, 1, 1, 1), 4.54, 0.01);
}

// The fixture: a category pane of two rows on a light screen; the readable
// row is white on the pane's dark blue, the unreadable one dark grey on the
// selected row's blue.
TEST(ContrastCheck, ReportsTheUnreadableLabelOfAPane)
{
    auto root = panel(CGRectMake(0, 0, 400, 300), 0xf4f6f8);
    auto pane = panel(CGRectMake(0, 0, 244, 300), 0x2f5d8c);
    root->addSubview(pane);
    auto selected = panel(CGRectMake(0, 60, 244, 58), 0x3d73a8);
    pane->addSubview(selected);
    auto readable = caption(CGRectMake(15, 10, 160, 40), "Brakes", 0xffffff, body());
    pane->addSubview(readable);
    auto unreadable = caption(CGRectMake(15, 10, 160, 40), "Pumps", 0x555555, body());
    selected->addSubview(unreadable);

    auto lines = report(*root);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines.front().find("UIView/UILabel \"Pumps\""), std::string::npos) << lines.front();
    EXPECT_NE(lines.front().find(" on #3d73a8"), std::string::npos) << lines.front();
    EXPECT_NE(lines.front().find("needs 4.5:1"), std::string::npos) << lines.front();

    // The check draws the tree once without the texts; it leaves them as they were.
    EXPECT_EQ(readable->textColor()->components(), UIColor::whiteColor()->components());
    EXPECT_EQ(unreadable->textColor()->components(), rgb(0x555555)->components());

    unreadable->setTextColor(UIColor::whiteColor());
    EXPECT_TRUE(report(*root).empty());
}

// White on #5b8fc4 reads 3.4 to 1: enough for large text, not for body text.
TEST(ContrastCheck, LargeTextNeedsLess)
{
    struct Case {
        const char* label;
        UIFontRef font;
        bool reported;
    };
    const Case cases[] = {
        { "system 16", UIFont::systemFontOfSize(16), true },
        { "bold system 13", UIFont::boldSystemFontOfSize(13), true },
        { "bold system 14", UIFont::boldSystemFontOfSize(14), false },
        { "system 18", UIFont::systemFontOfSize(18), false },
        { "Helvetica-Bold 17", UIFont::fontWithNameSize("Helvetica-Bold", 17), false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto root = panel(CGRectMake(0, 0, 300, 100), 0x5b8fc4);
        root->addSubview(caption(CGRectMake(10, 10, 200, 40), "MYLIBRARY", 0xffffff, c.font));
        auto lines = report(*root);
        EXPECT_EQ(lines.size(), c.reported ? 1u : 0u) << (lines.empty() ? "" : lines.front());
    }
}

// What is drawn behind the text counts: a sibling, a picture, the label's own
// background, a fade; not what an ancestor's colour alone would suggest.
TEST(ContrastCheck, WeighsWhatIsDrawnBehindTheText)
{
    struct Case {
        const char* label;
        std::function<void(UIView& root, const std::shared_ptr<UILabel>& text)> arrange;
        bool reported;
    };
    const Case cases[] = {
        { "white on the light screen", [](UIView&, auto&) {}, true },
        { "over a dark sibling",
            [](UIView& root, auto&) { root.insertSubviewAtIndex(panel(CGRectMake(0, 0, 300, 60), 0x1f3f60), 0); },
            false },
        { "beside a dark sibling",
            [](UIView& root, auto&) { root.insertSubviewAtIndex(panel(CGRectMake(0, 70, 300, 60), 0x1f3f60), 0); },
            true },
        { "over a dark picture",
            [](UIView& root, auto&) {
                auto image = std::make_shared<UIImageView>(solidPicture(CGSizeMake(300, 60), 0x24476b));
                root.insertSubviewAtIndex(image, 0);
            },
            false },
        { "over a light picture",
            [](UIView& root, auto&) {
                auto image = std::make_shared<UIImageView>(solidPicture(CGSizeMake(300, 60), 0xd5dee8));
                root.insertSubviewAtIndex(image, 0);
            },
            true },
        { "on its own dark background", [](UIView&, auto& text) { text->setBackgroundColor(rgb(0x24476b)); }, false },
        { "faded over a dark sibling",
            [](UIView& root, auto& text) {
                root.insertSubviewAtIndex(panel(CGRectMake(0, 0, 300, 60), 0x1f3f60), 0);
                text->setAlpha(0.3f);
            },
            true },
        { "hidden", [](UIView&, auto& text) { text->setHidden(true); }, false },
        { "covered by a later sibling",
            [](UIView& root, auto&) { root.addSubview(panel(CGRectMake(0, 0, 300, 60), 0xf4f6f8)); }, false },
        { "under a dimming view drawn after it",
            [](UIView& root, auto&) {
                auto dim = std::make_shared<UIView>(root.bounds());
                dim->setBackgroundColor(UIColor::colorWithWhiteAlpha(0, 0.4f));
                root.addSubview(dim);
            },
            false },
        { "only partly under a dimming view",
            [](UIView& root, auto&) {
                auto dim = std::make_shared<UIView>(CGRectMake(0, 0, 60, 200));
                dim->setBackgroundColor(UIColor::colorWithWhiteAlpha(0, 0.4f));
                root.addSubview(dim);
            },
            true },
        { "over a see-through view drawn before it",
            [](UIView& root, auto&) {
                auto tint = std::make_shared<UIView>(root.bounds());
                tint->setBackgroundColor(UIColor::colorWithWhiteAlpha(0, 0.04f));
                root.insertSubviewAtIndex(tint, 0);
            },
            true },
        { "on its own see-through background",
            [](UIView&, auto& text) { text->setBackgroundColor(UIColor::colorWithWhiteAlpha(1, 0.5f)); }, true },
        { "clipped away",
            [](UIView& root, auto& text) {
                auto clip = std::make_shared<UIView>(CGRectMake(0, 100, 300, 50));
                clip->setClipsToBounds(true);
                root.addSubview(clip);
                clip->addSubview(text);
                text->setFrame(CGRectMake(10, 60, 200, 40));
            },
            false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto root = panel(CGRectMake(0, 0, 300, 200), 0xf4f6f8);
        auto text = caption(CGRectMake(10, 10, 200, 40), "Order total", 0xffffff, body());
        root->addSubview(text);
        c.arrange(*root, text);
        auto lines = report(*root);
        EXPECT_EQ(lines.size(), c.reported ? 1u : 0u) << (lines.empty() ? "" : lines.front());
    }
}

// The fixture: an alert over a dimmed screen. The screen's texts are set
// aside under the dimming and not weighed; the alert's own texts are.
TEST(ContrastCheck, WeighsAnAlertNotTheScreenDimmedBehindIt)
{
    auto root = panel(CGRectMake(0, 0, 600, 400), 0xffffff);
    root->addSubview(caption(CGRectMake(10, 10, 200, 30), "SKU-00004", 0x808080, body()));
    root->addSubview(caption(CGRectMake(10, 50, 200, 30), "Original Total:", 0x000000, body()));
    auto dim = std::make_shared<UIView>(root->bounds());
    dim->setBackgroundColor(UIColor::colorWithWhiteAlpha(0, 0.4f));
    root->addSubview(dim);
    auto alert = panel(CGRectMake(150, 100, 300, 150), 0x24476b);
    root->addSubview(alert);
    alert->addSubview(caption(CGRectMake(20, 20, 260, 30), "Notice", 0xffffff, body()));
    alert->addSubview(caption(CGRectMake(20, 60, 260, 30), "The order has been submitted.", 0x3d5976, body()));

    auto lines = report(*root);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines.front().find("\"The order has been submitted.\""), std::string::npos) << lines.front();
    EXPECT_NE(lines.front().find(" on #24476b"), std::string::npos) << lines.front();

    // Once the alert and its dimming are gone, the screen's grey text is weighed again.
    alert->removeFromSuperview();
    dim->removeFromSuperview();
    lines = report(*root);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines.front().find("\"SKU-00004\""), std::string::npos) << lines.front();
}
