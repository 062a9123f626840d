// The layout check reports what a person would see as broken (cut texts,
// views partly over one another) and keeps quiet about layering that is meant.

#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UIView.h"
#include "Platform/UIKit/UIViewLayoutCheck.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

std::shared_ptr<UIView> screen()
{
    auto root = std::make_shared<UIView>(CGRectMake(0, 0, 400, 300));
    root->setBackgroundColor(UIColor::whiteColor());
    return root;
}

std::shared_ptr<UILabel> label(CGRect frame, const std::string& text)
{
    auto l = std::make_shared<UILabel>(frame);
    l->setFont(UIFont::fontWithNameSize("Helvetica", 16));
    l->setText(text);
    return l;
}

std::shared_ptr<UIView> box(CGRect frame)
{
    auto v = std::make_shared<UIView>(frame);
    v->setBackgroundColor(UIColor::blueColor());
    return v;
}

std::vector<std::string> report(const UIView& root)
{
    std::vector<std::string> lines;
    for (const auto& d : UIViewFindLayoutDefects(root))
        lines.push_back(UIViewLayoutDefectDescription(d));
    return lines;
}

}  // namespace

TEST(LayoutCheck, ReportsTextsThatDoNotFitTheirRoom)
{
    const std::string text = "Forgot password";
    const CGFloat width = sizeWithFont(text, UIFont::fontWithNameSize("Helvetica", 16)).width;
    struct Case {
        const char* label;
        std::function<std::shared_ptr<UIView>()> make;
        bool reported;
    };
    const Case cases[] = {
        { "label with room", [&] { return label(CGRectMake(10, 10, width + 2, 20), text); }, false },
        { "label cut short", [&] { return label(CGRectMake(10, 10, width - 12, 20), text); }, true },
        { "label that shrinks to fit",
            [&] {
                auto l = label(CGRectMake(10, 10, width - 12, 20), text);
                l->setAdjustsFontSizeToFitWidth(true);
                l->setMinimumFontSize(10);
                return l;
            },
            false },
        { "two lines in room for one",
            [&] {
                auto l = label(CGRectMake(10, 10, width * 0.6f, 20), text);
                l->setNumberOfLines(0);
                return l;
            },
            true },
        { "two lines in room for two",
            [&] {
                auto l = label(CGRectMake(10, 10, width * 0.6f, 44), text);
                l->setNumberOfLines(0);
                return l;
            },
            false },
        { "button title cut short",
            [&] {
                auto b = std::make_shared<UIButton>(CGRectMake(10, 10, width - 12, 30));
                b->titleLabel()->setFont(UIFont::fontWithNameSize("Helvetica", 16));
                b->setTitleForState(text, UIControlStateNormal);
                return b;
            },
            true },
        { "hidden label cut short",
            [&] {
                auto l = label(CGRectMake(10, 10, width - 12, 20), text);
                l->setHidden(true);
                return l;
            },
            false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto root = screen();
        root->addSubview(c.make());
        auto lines = report(*root);
        ASSERT_EQ(lines.size(), c.reported ? 1u : 0u) << (lines.empty() ? "" : lines.front());
        if (c.reported) {
            EXPECT_NE(lines.front().find("text does not fit"), std::string::npos);
            EXPECT_NE(lines.front().find("\"Forgot password\""), std::string::npos) << lines.front();
        }
    }
}

TEST(LayoutCheck, ReportsSiblingsPartlyOverOneAnother)
{
    struct Case {
        const char* label;
        CGRect first;
        CGRect second;
        bool reported;
    };
    const Case cases[] = {
        { "side by side", CGRectMake(10, 10, 100, 30), CGRectMake(110, 10, 100, 30), false },
        { "one inside the other", CGRectMake(10, 10, 200, 100), CGRectMake(20, 20, 50, 30), false },
        { "one under a later one that paints all over it", CGRectMake(20, 20, 50, 30), CGRectMake(10, 10, 200, 100),
            true },
        { "partly over", CGRectMake(10, 10, 180, 35), CGRectMake(150, 12, 150, 35), true },
        { "touching by less than a point", CGRectMake(10, 10, 100.5f, 30), CGRectMake(110, 10, 100, 30), false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto root = screen();
        root->addSubview(box(c.first));
        root->addSubview(box(c.second));
        auto lines = report(*root);
        ASSERT_EQ(lines.size(), c.reported ? 1u : 0u) << (lines.empty() ? "" : lines.front());
        if (c.reported) {
            EXPECT_NE(lines.front().find("overlap: UIView and UIView"), std::string::npos) << lines.front();
        }
    }
}

// What is drawn counts, not the frames: an empty, clear container over
// another view covers nothing, but what it holds does.
TEST(LayoutCheck, JudgesContainersByWhatTheyDraw)
{
    auto root = screen();
    auto target = box(CGRectMake(10, 10, 100, 40));
    root->addSubview(target);
    auto container = std::make_shared<UIView>(CGRectMake(60, 0, 300, 200));
    container->setBackgroundColor(UIColor::clearColor());
    root->addSubview(container);
    EXPECT_TRUE(report(*root).empty());

    auto inside = box(CGRectMake(100, 100, 50, 50));
    container->addSubview(inside);
    EXPECT_TRUE(report(*root).empty()) << "drawn far from the target";

    inside->setFrame(CGRectMake(0, 20, 50, 50));
    auto lines = report(*root);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines.front().find("covering 50.0 x 30.0 at 60.0 x 20.0"), std::string::npos) << lines.front();

    inside->setAlpha(0);
    EXPECT_TRUE(report(*root).empty()) << "a transparent view is not seen";

    // A clear container whose pieces lie round the target hides nothing; one
    // that holds a picture or a background over all of it does.
    inside->setAlpha(1);
    inside->setFrame(CGRectMake(-60, 150, 50, 50));
    auto corner = box(CGRectMake(100, 0, 10, 10));
    container->addSubview(corner);
    EXPECT_TRUE(report(*root).empty());
    corner->setFrame(CGRectMake(-60, 0, 200, 100));
    lines = report(*root);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines.front().find("hidden wholly, 100.0 x 40.0 at 10.0 x 10.0"), std::string::npos) << lines.front();
    corner->setBackgroundColor(UIColor::colorWithWhiteAlpha(0, 0.4f));
    EXPECT_TRUE(report(*root).empty()) << "a dimming veil lets what is under it show";
    corner->removeFromSuperview();
    inside->removeFromSuperview();

    // A label without a background draws its text only: a frame wider than
    // the text may reach under a neighbour while the letters stay clear.
    auto caption = label(CGRectMake(120, 10, 150, 40), "Ship to");
    caption->setBackgroundColor(UIColor::clearColor());
    root->addSubview(caption);
    auto mark = box(CGRectMake(240, 15, 40, 30));
    root->addSubview(mark);
    EXPECT_TRUE(report(*root).empty());
    caption->setTextAlignment(UITextAlignmentRight);
    lines = report(*root);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines.front().find("UILabel \"Ship to\" and UIView"), std::string::npos) << lines.front();
}

// A clipping view shows only what lies within it; what it cuts away is not on
// screen and is neither compared nor measured.
TEST(LayoutCheck, IgnoresWhatAClippingViewCutsAway)
{
    auto root = screen();
    auto clip = std::make_shared<UIView>(CGRectMake(0, 0, 200, 100));
    clip->setClipsToBounds(true);
    root->addSubview(clip);
    clip->addSubview(box(CGRectMake(10, 150, 100, 40)));
    clip->addSubview(box(CGRectMake(50, 160, 100, 40)));
    clip->addSubview(label(CGRectMake(10, 200, 5, 20), "Not Submitted"));
    EXPECT_TRUE(report(*root).empty());

    clip->setClipsToBounds(false);
    EXPECT_EQ(report(*root).size(), 2u);
}
