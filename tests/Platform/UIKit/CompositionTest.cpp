#include "WindowFixture.h"

#include "Platform/CoreGraphics/CGImage.h"
#include "Platform/UIKit/UIAlertView.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UITabBarController.h"
#include "Platform/UIKit/UITableView.h"
#include "Platform/UIKit/UITextField.h"
#include "Platform/UIKit/UIViewRendering.h"

#include <gtest/gtest.h>

namespace {

using Log = std::vector<std::string>;

class Screen : public UIViewController {
public:
    Screen(std::string name, std::shared_ptr<Log> log)
        : m_name(std::move(name))
        , m_log(std::move(log))
    {
    }
    void viewDidLoad() override { note("didLoad"); }
    void viewWillAppear(bool) override { note("willAppear"); }
    void viewDidAppear(bool) override { note("didAppear"); }
    void viewWillDisappear(bool) override { note("willDisappear"); }
    void viewDidDisappear(bool) override { note("didDisappear"); }
    void note(const std::string& what) { m_log->push_back(m_name + " " + what); }

protected:
    std::string m_name;
    std::shared_ptr<Log> m_log;
};

// The form sheet: a field to type into and a button that closes the sheet.
class FormScreen : public Screen {
public:
    using Screen::Screen;
    void viewDidLoad() override
    {
        Screen::viewDidLoad();
        view()->setBackgroundColor(UIColor::whiteColor());
        field = std::make_shared<UITextField>(CGRectMake(20, 60, 500, 31));
        field->setBorderStyle(UITextBorderStyleRoundedRect);
        field->setPlaceholder("Customer");
        field->setFont(UIFont::systemFontOfSize(17));
        view()->addSubview(field);
        done = std::make_shared<UIButton>(CGRectMake(420, 10, 100, 40));
        done->setTitleForState("Done", UIControlStateNormal);
        done->setTitleColorForState(UIColor::blueColor(), UIControlStateNormal);
        auto weak = weakSelf<FormScreen>();
        done->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
            if (auto self = weak.lock())
                self->dismissViewControllerAnimatedCompletion(true, [weak] {
                    if (auto s = weak.lock())
                        s->note("dismissal completed");
                });
        });
        view()->addSubview(done);
    }
    std::shared_ptr<UITextField> field;
    std::shared_ptr<UIButton> done;
};

// The pushed screen: a button that opens a popover whose button asks for confirmation in an alert.
class DetailScreen : public Screen, public UIPopoverControllerDelegate, public UIAlertViewDelegate {
public:
    using Screen::Screen;
    void viewDidLoad() override
    {
        Screen::viewDidLoad();
        view()->setBackgroundColor(UIColor::colorWithWhiteAlpha(0.95f, 1));
        options = std::make_shared<UIButton>(CGRectMake(40, 40, 160, 44));
        options->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(0.2f, 0.4f, 0.8f, 1));
        options->setTitleForState("Options", UIControlStateNormal);
        auto weak = weakSelf<DetailScreen>();
        options->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
            if (auto self = weak.lock())
                self->showOptions();
        });
        view()->addSubview(options);
    }
    void showOptions()
    {
        auto content = std::make_shared<UIViewController>();
        content->view()->setBackgroundColor(UIColor::whiteColor());
        deleteButton = std::make_shared<UIButton>(CGRectMake(20, 20, 223, 44));
        deleteButton->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(0.85f, 0.2f, 0.2f, 1));
        deleteButton->setTitleForState("Delete", UIControlStateNormal);
        auto weak = weakSelf<DetailScreen>();
        deleteButton->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
            if (auto self = weak.lock()) {
                auto alert = std::make_shared<UIAlertView>("Delete?", "The order goes for good.",
                    std::static_pointer_cast<UIAlertViewDelegate>(self), std::string("Cancel"),
                    std::vector<std::string> { "OK" });
                alert->setTag(1009);
                alert->show();
            }
        });
        content->view()->addSubview(deleteButton);
        popover = std::make_shared<UIPopoverController>(content);
        popover->setPopoverContentSize(CGSizeMake(263, 200));
        popover->setDelegate(protect<DetailScreen>());
        popover->presentPopoverFromRectInViewPermittedArrowDirectionsAnimated(
            options->frame(), view(), UIPopoverArrowDirectionAny, true);
    }
    void popoverControllerDidDismissPopover(UIPopoverController&) override { note("popover dismissed by touch"); }
    void alertViewClickedButtonAtIndex(UIAlertView& a, long i) override
    {
        note("alert " + std::to_string(a.tag()) + " clicked " + std::to_string(i));
    }
    void alertViewDidDismissWithButtonIndex(UIAlertView&, long i) override
    {
        note("alert dismissed " + std::to_string(i));
    }
    std::shared_ptr<UIButton> options;
    std::shared_ptr<UIButton> deleteButton;
    std::shared_ptr<UIPopoverController> popover;
};

// The list: a table of 100,000 rows; choosing a row pushes its detail screen.
class ListScreen : public Screen, public UITableViewDataSource, public UITableViewDelegate {
public:
    static constexpr long kRows = 100000;
    using Screen::Screen;
    void loadView() override
    {
        table = std::make_shared<UITableView>(CGRectMake(0, 0, 1024, 600), UITableViewStylePlain);
        table->setRowHeight(60);
        auto self = protect<ListScreen>();
        table->setDataSource(std::static_pointer_cast<UITableViewDataSource>(self));
        table->setDelegate(std::static_pointer_cast<UITableViewDelegate>(self));
        setView(table);
    }
    long tableViewNumberOfRowsInSection(UITableView&, long) override { return kRows; }
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView& t, const NSIndexPath& p) override
    {
        auto cell = t.dequeueReusableCellWithIdentifier("historyOrdersTableViewCell");
        if (!cell) {
            cell = std::make_shared<UITableViewCell>(UITableViewCellStyleSubtitle, "historyOrdersTableViewCell");
            cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
            ++cellsMade;
        }
        cell->textLabel()->setText("Order " + std::to_string(p.row()));
        cell->detailTextLabel()->setText("Quote for customer " + std::to_string(p.row() % 97));
        return cell;
    }
    void tableViewDidSelectRowAtIndexPath(UITableView&, const NSIndexPath& p) override
    {
        note("selected " + std::to_string(p.row()));
        detail = std::make_shared<DetailScreen>("detail", m_log);
        detail->setTitle("Order " + std::to_string(p.row()));
        navigationController()->pushViewControllerAnimated(detail, true);
    }
    void scrollViewDidEndDecelerating(UIScrollView&) override { note("decelerated"); }
    std::shared_ptr<UITableView> table;
    std::shared_ptr<DetailScreen> detail;
    int cellsMade = 0;
};

class CompositionTest : public WindowTest { };

// A filled circle, as a tab's picture.
std::shared_ptr<UIImage> disc(const std::shared_ptr<UIColor>& colour)
{
    UIGraphicsBeginImageContextWithOptions(CGSizeMake(26, 26), false, 1);
    colour->setFill();
    CGContextFillEllipseInRect(UIGraphicsGetCurrentContext(), CGRectMake(1, 1, 24, 24));
    auto image = UIGraphicsGetImageFromCurrentImageContext();
    UIGraphicsEndImageContext();
    return image;
}

TEST_F(CompositionTest, TabsNavigationTableSheetPopoverAndAlertDrivenLikeAPerson)
{
    auto log = std::make_shared<Log>();
    auto list = std::make_shared<ListScreen>("list", log);
    list->setTitle("Orders");
    auto nav = UINavigationController::withRootViewController(list);
    auto form = std::make_shared<FormScreen>("form", log);
    form->setModalPresentationStyle(UIModalPresentationFormSheet);
    std::weak_ptr<ListScreen> weakList = list;
    list->navigationItem()->rightBarButtonItem
        = std::make_shared<UIBarButtonItem>("New", UIBarButtonItemStyleBordered, [weakList, form](UIBarButtonItem&) {
              if (auto l = weakList.lock())
                  l->tabBarController()->presentViewControllerAnimatedCompletion(form, true, nullptr);
          });
    auto other = std::make_shared<Screen>("other", log);
    other->setTitle("Library");
    auto tabs = std::make_shared<UITabBarController>();
    tabs->setViewControllers({ nav, other });
    tabs->tabBar()->items[0]->title = "Orders";
    tabs->tabBar()->items[0]->image = disc(UIColor::whiteColor());
    tabs->tabBar()->items[1]->title = "Library";
    tabs->tabBar()->items[1]->image = disc(UIColor::lightGrayColor());
    window->setRootViewController(tabs);
    driver->settle();
    EXPECT_EQ(*log, (Log { "list didLoad", "list willAppear", "list didAppear" }));
    log->clear();

    // Below the status bar: the navigation bar, the table, then the tab bar.
    struct Frame {
        std::shared_ptr<UIView> view;
        CGRect inWindow;
    } frames[] = {
        { tabs->view(), CGRectMake(0, 20, 1024, 748) },
        { tabs->tabBar(), CGRectMake(0, 719, 1024, 49) },
        { nav->view(), CGRectMake(0, 20, 1024, 699) },
        { nav->navigationBar(), CGRectMake(0, 20, 1024, 44) },
        { list->table, CGRectMake(0, 64, 1024, 655) },
    };
    for (auto& f : frames)
        EXPECT_EQ(f.view->convertRectToView(f.view->bounds(), nullptr), f.inWindow);

    // The table: geometry from the row height, rows from the offset.
    auto table = list->table;
    EXPECT_EQ(table->contentSize().height, 60.0f * ListScreen::kRows);
    CGRect tableInWindow = table->convertRectToView(table->bounds(), nullptr);
    driver->dragFrom(
        CGPointMake(500, tableInWindow.origin.y + 500), CGPointMake(500, tableInWindow.origin.y + 100), 8, 0.4);
    driver->advance(UIScrollView::kDecelerationDuration);
    CGFloat offset = table->contentOffset().y;
    EXPECT_GE(offset, 400);
    EXPECT_EQ(log->back(), "list decelerated");
    auto visible = table->indexPathsForVisibleRows();
    ASSERT_FALSE(visible.empty());
    EXPECT_EQ(visible.front().row(), static_cast<long>(offset / 60));
    EXPECT_LE(list->cellsMade, 13);
    std::string listPicture = UIDriver::snapshotPath("composition-list.png");
    ASSERT_TRUE(driver->renderToPNG(listPicture));
    auto listImage = UIImage::imageWithContentsOfFile(listPicture);
    ASSERT_NE(listImage, nullptr);
    auto& pixels = *listImage->CGImage();
    auto brightness = [&](CGFloat x, CGFloat y) {
        CGPixel p = pixels.pixelAt(static_cast<size_t>(x), static_cast<size_t>(y));
        return (p.red + p.green + p.blue) / 3;
    };
    auto brightPixelsIn = [&](CGRect r) {
        int n = 0;
        for (CGFloat y = r.origin.y; y < CGRectGetMaxY(r); ++y)
            for (CGFloat x = r.origin.x; x < CGRectGetMaxX(r); ++x)
                n += brightness(x, y) > 230;
        return n;
    };
    // The bars are drawn, with their texts, and the table stays between them.
    CGRect navBar = nav->navigationBar()->convertRectToView(nav->navigationBar()->bounds(), nullptr);
    CGRect tabBar = tabs->tabBar()->convertRectToView(tabs->tabBar()->bounds(), nullptr);
    EXPECT_LT(brightness(3, navBar.origin.y + 40), 200);
    EXPECT_LT(brightness(3, tabBar.origin.y + 40), 100);
    EXPECT_GT(brightPixelsIn(CGRectMake(462, navBar.origin.y + 8, 100, 28)), 20);  // the title
    CGRect rightItem = nav->navigationBar()->convertRectToView(nav->navigationBar()->rightItemFrame(), nullptr);
    EXPECT_GT(brightPixelsIn(rightItem), 20);
    CGRect firstTab = tabs->tabBar()->convertRectToView(tabs->tabBar()->itemFrame(0), nullptr);
    EXPECT_GT(brightPixelsIn(firstTab), 20);  // the selected item's image

    // A tap on a row chooses the row under the finger and pushes its screen.
    log->clear();
    CGFloat y = tableInWindow.origin.y + 90;
    long expectedRow = static_cast<long>((offset + 90) / 60);
    driver->tapAt(CGPointMake(300, y));
    driver->advance(UIViewController::kTransitionDuration);
    EXPECT_EQ(*log,
        (Log { "list selected " + std::to_string(expectedRow), "detail didLoad", "list willDisappear",
            "detail willAppear", "list didDisappear", "detail didAppear" }));
    auto detail = list->detail;
    ASSERT_EQ(nav->topViewController(), detail);

    // The popover: a touch outside closes it and tells the delegate.
    log->clear();
    driver->tap(detail->options);
    ASSERT_TRUE(detail->popover->isPopoverVisible());
    EXPECT_EQ(detail->popover->popoverArrowDirection(), UIPopoverArrowDirectionUp);
    driver->tapAt(CGPointMake(900, 600));
    EXPECT_FALSE(detail->popover->isPopoverVisible());
    EXPECT_EQ(*log, (Log { "detail popover dismissed by touch" }));

    // Again; its button asks in an alert, answered by title.
    log->clear();
    driver->tap(detail->options);
    driver->tap(detail->deleteButton);
    driver->advance(UIAlertView::kTransitionDuration);
    ASSERT_NE(driver->visibleAlert(), nullptr);
    EXPECT_EQ(driver->visibleAlert()->message(), "The order goes for good.");

    std::string snapshot = UIDriver::snapshotPath("composition.png");
    ASSERT_TRUE(driver->renderToPNG(snapshot));
    auto picture = UIImage::imageWithContentsOfFile(snapshot);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->size(), CGSizeMake(1024, 768));

    ASSERT_TRUE(driver->tapAlertButton("OK"));
    driver->advance(UIAlertView::kTransitionDuration);
    EXPECT_EQ(*log, (Log { "detail alert 1009 clicked 1", "detail alert dismissed 1" }));
    detail->popover->dismissPopoverAnimated(false);

    // Back, then the form sheet from the bar's button; typing goes into its field.
    log->clear();
    nav->popViewControllerAnimated(false);
    driver->settle();
    CGRect right = nav->navigationBar()->convertRectToView(nav->navigationBar()->rightItemFrame(), nullptr);
    driver->tapAt(CGPointMake(CGRectGetMidX(right), CGRectGetMidY(right)));
    driver->advance(UIViewController::kTransitionDuration);
    ASSERT_EQ(tabs->presentedViewController(), form);
    EXPECT_EQ(form->view()->convertRectToView(form->view()->bounds(), nullptr),
        CGRectMake((1024 - 540) / 2, (768 - 620) / 2, 540, 620));
    driver->tap(form->field);
    driver->typeText("Acme Tr");
    driver->pressBackspace();
    driver->typeText("rading");
    EXPECT_EQ(form->field->text(), "Acme Trading");
    EXPECT_TRUE(driver->renderToPNG(UIDriver::snapshotPath("composition-sheet.png")));
    driver->tap(form->done);
    driver->advance(UIViewController::kTransitionDuration);
    EXPECT_EQ(tabs->presentedViewController(), nullptr);
    EXPECT_EQ(log->back(), "form dismissal completed");

    // The second tab replaces the first, with the appearance calls.
    log->clear();
    CGRect item = tabs->tabBar()->convertRectToView(tabs->tabBar()->itemFrame(1), nullptr);
    driver->tapAt(CGPointMake(CGRectGetMidX(item), CGRectGetMidY(item)));
    driver->settle();
    EXPECT_EQ(tabs->selectedIndex(), 1);
    // The new screen's view is made before either screen hears of the switch.
    EXPECT_EQ(*log,
        (Log { "other didLoad", "list willDisappear", "other willAppear", "list didDisappear", "other didAppear" }));
    EXPECT_EQ(other->view()->convertRectToView(other->view()->bounds(), nullptr), CGRectMake(0, 20, 1024, 699));
}

}  // namespace
