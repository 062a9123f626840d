#include "WindowFixture.h"

#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIActivityIndicatorView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UIKeyboard.h"
#include "Platform/UIKit/UIPageControl.h"
#include "Platform/UIKit/UIProgressView.h"
#include "Platform/UIKit/UISearchBar.h"
#include "Platform/UIKit/UISegmentedControl.h"
#include "Platform/UIKit/UISlider.h"
#include "Platform/UIKit/UISwitch.h"
#include "Platform/UIKit/UITextView.h"
#include "Platform/UIKit/UIToolbar.h"
#include "Platform/UIKit/UIViewContrastCheck.h"
#include "Platform/UIKit/UIViewRendering.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

class FieldLog : public UITextFieldDelegate {
public:
    std::vector<std::string> calls;
    bool allowBegin = true;
    bool allowEnd = true;
    std::string refuse;  // a replacement refused
    bool textFieldShouldBeginEditing(UITextField&) override
    {
        calls.push_back("shouldBegin");
        return allowBegin;
    }
    void textFieldDidBeginEditing(UITextField&) override { calls.push_back("didBegin"); }
    bool textFieldShouldEndEditing(UITextField&) override
    {
        calls.push_back("shouldEnd");
        return allowEnd;
    }
    void textFieldDidEndEditing(UITextField&) override { calls.push_back("didEnd"); }
    bool textFieldShouldChangeCharactersInRangeReplacementString(
        UITextField& f, NSRange r, const std::string& s) override
    {
        calls.push_back("change " + std::to_string(r.location) + "," + std::to_string(r.length) + " '" + s + "'");
        return s != refuse;
    }
    bool textFieldShouldClear(UITextField&) override
    {
        calls.push_back("shouldClear");
        return true;
    }
    bool textFieldShouldReturn(UITextField& f) override
    {
        calls.push_back("shouldReturn");
        f.resignFirstResponder();
        return true;
    }
};

class ControlsTest : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        UIKeyboard::reset();
        for (auto& name : { UIKeyboardWillShowNotification, UIKeyboardDidShowNotification,
                 UIKeyboardWillHideNotification, UIKeyboardDidHideNotification })
            NSNotificationCenter::defaultCenter().addObserver(this, name, [this](const NSNotification& n) {
                keyboard.push_back(n.name.substr(10) + " " + n.userInfo[UIKeyboardFrameEndUserInfoKey].stringValue());
            });
    }
    void TearDown() override
    {
        NSNotificationCenter::defaultCenter().removeObserver(this);
        WindowTest::TearDown();
        UIKeyboard::reset();
    }
    std::vector<std::string> keyboard;
};

TEST_F(ControlsTest, TextFieldEditsThroughItsDelegateAndMovesTheKeyboard)
{
    auto log = std::make_shared<FieldLog>();
    auto field = std::make_shared<UITextField>(CGRectMake(100, 100, 200, 31));
    auto other = std::make_shared<UITextField>(CGRectMake(100, 200, 200, 31));
    field->setDelegate(log);
    field->setClearButtonMode(UITextFieldViewModeWhileEditing);
    std::vector<std::string> events;
    field->addTarget(UIControlEventAllEvents & ~UIControlEventAllTouchEvents,
        [&events](UIControl& c, UIEvent*) { events.push_back(static_cast<UITextField&>(c).text()); });
    window->addSubview(field);
    window->addSubview(other);

    log->allowBegin = false;
    driver->tap(field);
    EXPECT_FALSE(field->isEditing());
    EXPECT_TRUE(keyboard.empty());

    log->allowBegin = true;
    log->refuse = "x";
    driver->tap(field);
    ASSERT_TRUE(field->isFirstResponder());
    driver->typeText("ab");
    driver->typeText("x");
    driver->typeText("é");
    driver->pressBackspace();
    EXPECT_EQ(field->text(), "ab");
    EXPECT_EQ(log->calls,
        (std::vector<std::string> { "shouldBegin", "shouldBegin", "didBegin", "change 0,0 'ab'", "change 2,0 'x'",
            "change 2,0 'é'", "change 2,1 ''" }));
    driver->advance(UIKeyboard::kAnimationDuration);
    ASSERT_EQ(keyboard.size(), 2u);
    EXPECT_EQ(keyboard[0], "WillShowNotification {{0, 416}, {1024, 352}}");

    // The clear button asks first; a hand-over to another field keeps the keyboard up.
    log->calls.clear();
    driver->tapAt(field->convertPointToView(
        CGPointMake(CGRectGetMidX(field->clearButtonRectForBounds(field->bounds())), 15), nullptr));
    EXPECT_EQ(field->text(), "");
    driver->tap(other);
    EXPECT_EQ(log->calls, (std::vector<std::string> { "shouldClear", "shouldEnd", "didEnd" }));
    EXPECT_EQ(keyboard.size(), 2u);
    EXPECT_TRUE(other->isEditing());

    // Return asks the delegate, which resigns: the keyboard goes.
    log->calls.clear();
    driver->tap(field);
    driver->typeText("q\n");
    EXPECT_EQ(log->calls,
        (std::vector<std::string> {
            "shouldBegin", "didBegin", "change 0,0 'q'", "shouldReturn", "shouldEnd", "didEnd" }));
    EXPECT_FALSE(UIKeyboard::isVisible());
    driver->advance(UIKeyboard::kAnimationDuration);
    ASSERT_EQ(keyboard.size(), 4u);
    EXPECT_EQ(keyboard[3], "DidHideNotification {{0, 768}, {1024, 352}}");
    // Editing events: begin, changed x2 (ab, é), deleted, cleared, end, begin, changed, end-on-exit, end.
    EXPECT_EQ(events, (std::vector<std::string> { "", "ab", "abé", "ab", "", "", "", "q", "q", "q" }));

    // A delegate that refuses to end keeps the field editing.
    driver->tap(field);
    log->allowEnd = false;
    EXPECT_FALSE(field->resignFirstResponder());
    EXPECT_TRUE(field->isEditing());
    log->allowEnd = true;
    field->removeAllTargets();
}

TEST_F(ControlsTest, KeyboardShowsAfterTheFieldBeganEditingAndSaysDidShowWhenItsAnimationEnds)
{
    // A delegate that notes did-begin and reads the note when the keyboard has shown.
    struct Flagging : FieldLog {
        bool editingAddress = false;
        void textFieldDidBeginEditing(UITextField& f) override
        {
            FieldLog::textFieldDidBeginEditing(f);
            editingAddress = true;
        }
    };
    auto log = std::make_shared<Flagging>();
    std::vector<std::string> flagAtShow;
    NSNotificationCenter::defaultCenter().addObserver(log.get(), UIKeyboardDidShowNotification,
        [&](const NSNotification&) { flagAtShow.push_back(log->editingAddress ? "set" : "unset"); });
    NSNotificationCenter::defaultCenter().addObserver(
        log.get(), UIKeyboardWillShowNotification, [&](const NSNotification&) { log->calls.push_back("willShow"); });
    auto field = std::make_shared<UITextField>(CGRectMake(100, 100, 200, 31));
    field->setDelegate(log);
    window->addSubview(field);

    driver->tap(field);
    EXPECT_EQ(log->calls, (std::vector<std::string> { "shouldBegin", "didBegin", "willShow" }));
    EXPECT_EQ(keyboard, (std::vector<std::string> { "WillShowNotification {{0, 416}, {1024, 352}}" }));
    driver->advance(UIKeyboard::kAnimationDuration / 2);
    EXPECT_EQ(keyboard.size(), 1u) << "did-show waits for the keyboard's animation";
    driver->advance(UIKeyboard::kAnimationDuration / 2);
    EXPECT_EQ(flagAtShow, (std::vector<std::string> { "set" }));
    ASSERT_EQ(keyboard.size(), 2u);
    EXPECT_EQ(keyboard[1], "DidShowNotification {{0, 416}, {1024, 352}}");

    // Hiding: did-end first, will-hide at once, did-hide after the animation.
    field->resignFirstResponder();
    EXPECT_EQ(log->calls.back(), "didEnd");
    EXPECT_EQ(keyboard.size(), 3u);
    driver->advance(UIKeyboard::kAnimationDuration);
    EXPECT_EQ(keyboard.back(), "DidHideNotification {{0, 768}, {1024, 352}}");

    // Shown and hidden again before the animation ends: every will still has its did, in order.
    keyboard.clear();
    field->becomeFirstResponder();
    field->resignFirstResponder();
    driver->advance(UIKeyboard::kAnimationDuration);
    EXPECT_EQ(keyboard,
        (std::vector<std::string> { "WillShowNotification {{0, 416}, {1024, 352}}",
            "DidShowNotification {{0, 416}, {1024, 352}}", "WillHideNotification {{0, 768}, {1024, 352}}",
            "DidHideNotification {{0, 768}, {1024, 352}}" }));
    NSNotificationCenter::defaultCenter().removeObserver(log.get());
}

TEST_F(ControlsTest, AFieldLimitedToTenCharactersTakesTenChineseCharacters)
{
    // The usual limit: refuse a change that would make the text longer than ten.
    struct Limit : UITextFieldDelegate {
        std::vector<std::string> ranges;
        bool textFieldShouldChangeCharactersInRangeReplacementString(
            UITextField& f, NSRange r, const std::string& s) override
        {
            ranges.push_back(std::to_string(r.location) + "," + std::to_string(r.length));
            return NSString::length(f.text()) - r.length + NSString::length(s) <= 10;
        }
    };
    auto limit = std::make_shared<Limit>();
    auto field = std::make_shared<UITextField>(CGRectMake(100, 100, 200, 31));
    field->setDelegate(limit);
    window->addSubview(field);
    driver->tap(field);
    for (const char* c : { "上", "海", "市", "浦", "东", "新", "区", "世", "纪", "大", "道" })
        driver->typeText(c);
    EXPECT_EQ(field->text(), "上海市浦东新区世纪大");
    EXPECT_EQ(NSString::length(field->text()), 10u);
    EXPECT_EQ(limit->ranges.back(), "10,0");
    driver->pressBackspace();
    EXPECT_EQ(limit->ranges.back(), "9,1");
    EXPECT_EQ(field->text(), "上海市浦东新区世纪");

    struct Case {
        const char* text;
        NSRange characters;
        NSRange bytes;
    } cases[] = {
        { "abc", NSMakeRange(1, 1), NSMakeRange(1, 1) },
        { "上海ab", NSMakeRange(1, 2), NSMakeRange(3, 4) },
        { "上海", NSMakeRange(1, 99), NSMakeRange(3, 3) },
        { "a😀b", NSMakeRange(1, 2), NSMakeRange(1, 4) },  // a character outside the BMP counts two
        { "ab", NSMakeRange(5, 1), NSMakeRange(2, 0) },
    };
    for (const auto& c : cases)
        EXPECT_EQ(NSString::byteRangeOfCharacterRange(c.text, c.characters), c.bytes) << c.text;
    EXPECT_EQ(NSString::length("a😀上"), 4u);
}

TEST_F(ControlsTest, ReturnInAFieldWithAnEndOnExitTargetResignsIt)
{
    struct Case {
        bool target;
        bool editingAfter;
    } cases[] = { { true, false }, { false, true } };
    for (const auto& c : cases) {
        auto field = std::make_shared<UITextField>(CGRectMake(100, 100, 200, 31));
        int exits = 0;
        if (c.target)
            field->addTarget(UIControlEventEditingDidEndOnExit, [&exits](UIControl&, UIEvent*) { ++exits; });
        window->addSubview(field);
        driver->tap(field);
        driver->typeText("ok\n");
        EXPECT_EQ(field->isEditing(), c.editingAfter) << c.target;
        EXPECT_EQ(exits, c.target ? 1 : 0);
        field->resignFirstResponder();
        field->removeFromSuperview();
    }
}

class SearchLog : public UISearchBarDelegate {
public:
    std::vector<std::string> calls;
    void searchBarTextDidBeginEditing(UISearchBar&) override { calls.push_back("begin"); }
    void searchBarTextDidEndEditing(UISearchBar&) override { calls.push_back("end"); }
    void searchBarTextDidChange(UISearchBar&, const std::string& t) override { calls.push_back("text " + t); }
    void searchBarSearchButtonClicked(UISearchBar& bar) override
    {
        calls.push_back("search");
        bar.resignFirstResponder();
    }
};

TEST_F(ControlsTest, SearchBarReportsEachChangeAndTheSearchKey)
{
    auto log = std::make_shared<SearchLog>();
    auto bar = std::make_shared<UISearchBar>(CGRectMake(0, 0, 300, 44));
    bar->setDelegate(log);
    bar->setPlaceholder("Search");
    window->addSubview(bar);
    driver->tap(bar);
    driver->typeText("ab");
    driver->typeText("c");
    driver->pressBackspace();
    driver->pressReturn();
    EXPECT_EQ(bar->text(), "ab");
    EXPECT_EQ(log->calls, (std::vector<std::string> { "begin", "text ab", "text abc", "text ab", "search", "end" }));
}

// An off switch on a light panel still shows where it is and where its knob is.
TEST_F(ControlsTest, AnOffSwitchIsSeenOnALightPanel)
{
    auto panel = std::make_shared<UIView>(CGRectMake(0, 0, 120, 60));
    panel->setBackgroundColor(UIColor::colorWithWhiteAlpha(0.9f, 1));
    auto sw = std::make_shared<UISwitch>(CGRectMake(20, 15, 0, 0));
    panel->addSubview(sw);
    for (bool on : { false, true }) {
        sw->setOn(on);
        auto picture = UIViewRenderToImage(*panel);
        ASSERT_TRUE(picture);
        const auto& pixels = *picture->CGImage();
        auto contrast = [&pixels](size_t x1, size_t y1, size_t x2, size_t y2) {
            const CGPixel p = pixels.pixelAt(x1, y1), q = pixels.pixelAt(x2, y2);
            return UIColorContrastRatio(
                p.red / 255.0, p.green / 255.0, p.blue / 255.0, q.red / 255.0, q.green / 255.0, q.blue / 255.0);
        };
        // The switch's left and right edges against the panel beside them.
        EXPECT_GT(contrast(20, 28, 10, 28), 1.5) << on;
        EXPECT_GT(contrast(98, 28, 110, 28), 1.5) << on;
        // The knob (25 high, 1 in from the ends) against the track beside it:
        // off, by its grey edge on the pale track; on, white on the colour.
        const size_t knob = on ? 20 + 79 - 25 - 1 + 3 : 20 + 1 + 25 - 1;
        const size_t track = on ? 20 + 79 - 25 - 1 - 4 : knob + 4;
        EXPECT_GT(contrast(knob, 28, track, 28), 1.5) << on;
    }
}

TEST_F(ControlsTest, ValueControlsChangeOnTapsAndNotByCode)
{
    auto sw = std::make_shared<UISwitch>(CGRectMake(10, 10, 5, 5));
    auto seg = std::make_shared<UISegmentedControl>(std::vector<std::string> { "A", "B", "C" });
    seg->setFrame(CGRectMake(10, 100, 300, 40));
    auto slider = std::make_shared<UISlider>(CGRectMake(10, 200, 223, 23));
    slider->setMaximumValue(10);
    auto pages = std::make_shared<UIPageControl>(CGRectMake(10, 300, 200, 36));
    pages->setNumberOfPages(5);
    pages->setCurrentPage(2);
    int changes = 0;
    for (std::shared_ptr<UIControl> c : std::initializer_list<std::shared_ptr<UIControl>> { sw, seg, slider, pages }) {
        window->addSubview(c);
        c->addTarget(UIControlEventValueChanged, [&](UIControl&, UIEvent*) { ++changes; });
    }
    EXPECT_EQ(sw->frame().size, CGSizeMake(UISwitch::kWidth, UISwitch::kHeight));

    sw->setOn(true);
    seg->setSelectedSegmentIndex(0);
    slider->setValue(20);
    EXPECT_EQ(slider->value(), 10);
    EXPECT_EQ(changes, 0);

    struct Case {
        CGPoint tap;
        std::function<bool()> holds;
        int changes;
    } cases[] = {
        { CGPointMake(40, 20), [&] { return !sw->isOn(); }, 1 },
        { CGPointMake(250, 120), [&] { return seg->selectedSegmentIndex() == 2; }, 2 },
        { CGPointMake(260, 120), [&] { return seg->selectedSegmentIndex() == 2; }, 2 },
        { CGPointMake(10 + 11.5f + 100, 211), [&] { return slider->value() == 5; }, 3 },
        { CGPointMake(190, 318), [&] { return pages->currentPage() == 3; }, 4 },
        { CGPointMake(20, 318), [&] { return pages->currentPage() == 2; }, 5 },
    };
    for (auto& k : cases) {
        driver->tapAt(k.tap);
        EXPECT_TRUE(k.holds()) << k.tap.x << "," << k.tap.y;
        EXPECT_EQ(changes, k.changes) << k.tap.x << "," << k.tap.y;
    }
}

TEST_F(ControlsTest, IndicatorsProgressAndToolbars)
{
    UIActivityIndicatorView spinner(UIActivityIndicatorViewStyleGray);
    EXPECT_TRUE(spinner.isHidden());
    spinner.startAnimating();
    EXPECT_TRUE(spinner.isAnimating() && !spinner.isHidden());
    spinner.stopAnimating();
    EXPECT_TRUE(spinner.isHidden());

    UIProgressView progress;
    for (auto [in, out] : std::vector<std::pair<float, float>> {
             { 0.5f, 0.5f }, { 1.5f, 1.0f }, { -1.0f, 0.0f }, { std::nanf(""), 0.0f } }) {
        progress.setProgress(in);
        EXPECT_EQ(progress.progress(), out);
    }
    // A frame of another height keeps the style's own.
    for (auto [style, height] : std::vector<std::pair<UIProgressViewStyle, CGFloat>> {
             { UIProgressViewStyleDefault, 9 }, { UIProgressViewStyleBar, 11 } }) {
        UIProgressView sized(style);
        sized.setFrame(CGRectMake(20, 30, 800, 30));
        EXPECT_TRUE(CGRectEqualToRect(sized.frame(), CGRectMake(20, 30, 800, height))) << height;
    }

    auto bar = std::make_shared<UIToolbar>(CGRectMake(0, 700, 1024, 44));
    int done = 0;
    auto left = std::make_shared<UIBarButtonItem>("Left", UIBarButtonItemStyleBordered, [](UIBarButtonItem&) {});
    left->width = 80;
    auto space = std::make_shared<UIBarButtonItem>(UIBarButtonSystemItemFlexibleSpace, nullptr);
    auto right = std::make_shared<UIBarButtonItem>("Done", UIBarButtonItemStyleDone, [&](UIBarButtonItem&) { ++done; });
    right->width = 60;
    bar->setItems({ left, space, right });
    window->addSubview(bar);
    EXPECT_EQ(bar->itemFrame(0), CGRectMake(10, 7, 80, 30));
    EXPECT_EQ(bar->itemFrame(2), CGRectMake(1024 - 70, 7, 60, 30));
    driver->tapAt(CGPointMake(1024 - 40, 720));
    EXPECT_EQ(done, 1);
    right->enabled = false;
    driver->tapAt(CGPointMake(1024 - 40, 720));
    EXPECT_EQ(done, 1);
}

TEST_F(ControlsTest, ImageViewPlacesItsImageByContentMode)
{
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(40, 20), false, 1);
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    ASSERT_NE(image, nullptr);
    UIImageView view(CGRectMake(0, 0, 100, 100));
    view.setImage(image);
    struct Case {
        UIViewContentMode mode;
        CGRect rect;
    } cases[] = {
        { UIViewContentModeScaleToFill, CGRectMake(0, 0, 100, 100) },
        { UIViewContentModeScaleAspectFit, CGRectMake(0, 25, 100, 50) },
        { UIViewContentModeScaleAspectFill, CGRectMake(-50, 0, 200, 100) },
        { UIViewContentModeCenter, CGRectMake(30, 40, 40, 20) },
        { UIViewContentModeBottomRight, CGRectMake(60, 80, 40, 20) },
        { UIViewContentModeTopLeft, CGRectMake(0, 0, 40, 20) },
    };
    for (auto& k : cases) {
        view.setContentMode(k.mode);
        EXPECT_EQ(view.imageRect(), k.rect) << k.mode;
    }
}

// A 40 x 20 red image.
std::shared_ptr<UIImage> redImage()
{
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(40, 20), false, 1);
    CGContextSetRGBFillColor(UIGraphicsGetCurrentContext(), 1, 0, 0, 1);
    CGContextFillRect(UIGraphicsGetCurrentContext(), CGRectMake(0, 0, 40, 20));
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return image;
}

TEST_F(ControlsTest, ButtonImageInsetsMoveItsAreaAndKeepTheImageAspect)
{
    auto button = std::make_shared<UIButton>(CGRectMake(0, 0, 100, 60));
    button->setImageForState(redImage(), UIControlStateNormal);
    struct Case {
        UIEdgeInsets insets;
        UIControlContentHorizontalAlignment align;
        CGRect image;
    } cases[] = {
        { UIEdgeInsetsZero, UIControlContentHorizontalAlignmentCenter, CGRectMake(30, 20, 40, 20) },
        // Room to spare: the image keeps its size.
        { UIEdgeInsetsMake(10, 10, 10, 10), UIControlContentHorizontalAlignmentCenter, CGRectMake(30, 20, 40, 20) },
        // Opposite insets move it.
        { UIEdgeInsetsMake(0, 20, 0, -20), UIControlContentHorizontalAlignmentCenter, CGRectMake(50, 20, 40, 20) },
        { UIEdgeInsetsMake(0, 10, 0, 0), UIControlContentHorizontalAlignmentLeft, CGRectMake(10, 20, 40, 20) },
        // An area of 30 x 10 takes the image at half size, not squeezed into 30 x 10.
        { UIEdgeInsetsMake(25, 35, 25, 35), UIControlContentHorizontalAlignmentCenter, CGRectMake(40, 25, 20, 10) },
    };
    for (auto& k : cases) {
        button->imageEdgeInsets = k.insets;
        button->setContentHorizontalAlignment(k.align);
        EXPECT_EQ(button->imageRectForContentRect(button->contentRectForBounds(button->bounds())), k.image)
            << k.insets.top << " " << k.insets.left << " " << k.insets.bottom << " " << k.insets.right;
    }

    // Drawn where laid out: red in the half-size image only.
    button->setContentHorizontalAlignment(UIControlContentHorizontalAlignmentCenter);
    button->setBackgroundColor(UIColor::clearColor());
    auto picture = UIViewRenderToImage(*button);
    ASSERT_NE(picture, nullptr);
    auto& pixels = *picture->CGImage();
    const CGPixel red { 255, 0, 0, 255 };
    EXPECT_EQ(pixels.pixelAt(41, 26), red);
    EXPECT_EQ(pixels.pixelAt(58, 33), red);
    EXPECT_NE(pixels.pixelAt(37, 30), red);
    EXPECT_NE(pixels.pixelAt(50, 37), red);
}

TEST_F(ControlsTest, ButtonTitleInsetsMoveTheTitleWithoutNarrowingIt)
{
    auto button = std::make_shared<UIButton>(CGRectMake(0, 0, 200, 40));
    button->setTitleForState("Sort", UIControlStateNormal);
    CGRect content = button->contentRectForBounds(button->bounds());
    CGRect plain = button->titleRectForContentRect(content);
    ASSERT_GT(plain.size.width, 0);
    button->titleEdgeInsets = UIEdgeInsetsMake(0, 5, 0, 35);
    CGRect moved = button->titleRectForContentRect(content);
    EXPECT_EQ(moved.size, plain.size);
    EXPECT_EQ(moved.origin.x, plain.origin.x - 15);
}

class NoteLog : public UITextViewDelegate {
public:
    std::vector<std::string> calls;
    void textViewDidBeginEditing(UITextView&) override { calls.push_back("begin"); }
    void textViewDidChange(UITextView& v) override { calls.push_back("changed " + v.text()); }
};

TEST_F(ControlsTest, TextViewsEditUnlessReadOnly)
{
    auto log = std::make_shared<NoteLog>();
    auto note = std::make_shared<UITextView>(CGRectMake(0, 0, 300, 100));
    note->setDelegate(log);
    window->addSubview(note);
    note->setEditable(false);
    driver->tap(note);
    EXPECT_FALSE(note->isEditing());
    note->setEditable(true);
    driver->tap(note);
    driver->typeText("line\n");
    EXPECT_EQ(log->calls, (std::vector<std::string> { "begin", "changed line\n" }));
    EXPECT_GT(note->contentSize().height, 2 * UITextView::kInset);
}

}  // namespace
