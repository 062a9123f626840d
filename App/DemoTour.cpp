#include "App/DemoTour.h"

#include "App/TourLayoutCheck.h"

#include "Classes/Catalog/CatalogViewController.h"
#include "Classes/Catalog/InventoryViewController.h"
#include "Classes/Catalog/MultiColumnTableView.h"
#include "Classes/Catalog/MultiColumnTableViewCell.h"
#include "Classes/Catalog/MultiColumnTableViewContentBackgroundView.h"
#include "Classes/Catalog/ProductDetailController.h"
#include "Classes/Catalog/ProductRelatedFileController.h"
#include "Classes/Customer/CustomerViewController.h"
#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/LanguageManager.h"
#include "Classes/Frame/TabBarItemButton.h"
#include "Classes/Frame/BrowserTab.h"
#include "Classes/Frame/BrowserTabView.h"
#include "Classes/Frame/UITabBarControllerExt.h"
#include "Classes/Library/SaleslibraryController.h"
#include "Classes/Library/PdfDocument.h"
#include "Classes/Library/PdfViewController.h"
#include "Database/ConfigManager.h"
#include "Platform/Foundation/Dispatch.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSPathUtilities.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UINavigationController.h"
#include "Platform/UIKit/UIViewRendering.h"
#include "Platform/UIKit/UIWindow.h"

#include <cstdio>
#include <filesystem>

namespace {

// A touch down and up at the centre of `view`, as a person taps it.
void tapAtCentre(const std::shared_ptr<UIView>& view, long finger)
{
    auto window = UIApplication::sharedApplication()->keyWindow();
    if (!view || !window)
        return;
    const CGRect b = view->bounds();
    const CGPoint centre = view->convertPointToView(CGPointMake(CGRectGetMidX(b), CGRectGetMidY(b)), nullptr);
    window->handleTouch(static_cast<int>(finger), UITouchPhaseBegan, centre);
    window->handleTouch(static_cast<int>(finger), UITouchPhaseEnded, centre);
}

std::shared_ptr<UITabBarControllerExt> tabBar()
{
    auto app = CorvelleAppDelegate::sharedAppDelegate();
    return app ? app->tabBarController() : nullptr;
}

}  // namespace

DemoTour::DemoTour(std::string folder)
    : m_folder(std::move(folder))
{
}

void DemoTour::addStep(std::string picture, std::function<void()> action, double settle)
{
    m_steps.push_back({ std::move(picture), std::move(action), settle, nullptr });
}

void DemoTour::addStepUntil(
    std::string picture, std::function<void()> action, std::function<bool()> done, double timeout)
{
    m_steps.push_back({ std::move(picture), std::move(action), timeout, std::move(done) });
}

void DemoTour::waitFor(size_t index, double left)
{
    std::weak_ptr<DemoTour> weakSelf = shared_from_this();
    NSTimer::scheduledTimerWithTimeInterval(0.1, false, [weakSelf, index, left](NSTimer&) {
        auto self = weakSelf.lock();
        if (!self)
            return;
        const Step& step = self->m_steps[index];
        if (!step.done() && left > 0.1) {
            self->waitFor(index, left - 0.1);
            return;
        }
        if (!step.picture.empty())
            self->takePicture(step.picture);
        self->run(index + 1);
    });
}

void DemoTour::start()
{
    std::error_code ignored;
    std::filesystem::create_directories(m_folder, ignored);
    std::weak_ptr<DemoTour> weakSelf = shared_from_this();
    dispatch_async(dispatch_get_main_queue(), [weakSelf]() {
        if (auto self = weakSelf.lock())
            self->run(0);
    });
}

void DemoTour::run(size_t index)
{
    if (index >= m_steps.size()) {
        if (m_layoutDefects > 0)
            std::printf("Layout check failed: %zu defects not intended\n", m_layoutDefects);
        if (m_contrastDefects > 0)
            std::printf("Contrast check failed: %zu texts not readable\n", m_contrastDefects);
        std::printf("Tour finished: %zu pictures in %s\n", m_pictures.size(), m_folder.c_str());
        std::fflush(stdout);
        UIApplication::sharedApplication()->terminate();
        return;
    }
    const Step& step = m_steps[index];
    if (step.action)
        step.action();
    if (step.done) {
        waitFor(index, step.settle);
        return;
    }
    std::weak_ptr<DemoTour> weakSelf = shared_from_this();
    NSTimer::scheduledTimerWithTimeInterval(step.settle, false, [weakSelf, index](NSTimer&) {
        auto self = weakSelf.lock();
        if (!self)
            return;
        if (!self->m_steps[index].picture.empty())
            self->takePicture(self->m_steps[index].picture);
        self->run(index + 1);
    });
}

void DemoTour::takePicture(const std::string& name)
{
    auto window = UIApplication::sharedApplication()->keyWindow();
    if (!window)
        return;
    const std::string path = m_folder + "/" + name + ".png";
    if (UIViewRenderToPNG(*window, path)) {
        m_pictures.push_back(path);
        std::printf("%s\n", path.c_str());
        std::fflush(stdout);
        m_layoutDefects += TourCheckLayout(name, *window);
        m_contrastDefects += TourCheckContrast(name, *window);
    } else {
        NSLog("The tour could not write %@", path);
    }
}

void DemoTour::addFrameSteps()
{
    auto enterMain = []() {
        auto app = CorvelleAppDelegate::sharedAppDelegate();
        if (!app)
            return;
        // Until sign-in has filled the configuration, a usual one: every
        // module but the inventory.
        auto config = ConfigManager::sharedInstance();
        if (!config->modelDescArray())
            config->setModelDescArray(std::vector<std::string> { "1", "1", "1", "0", "1", "1", "1" });
        if (!app->tabBarController())
            app->showMainController();
        // After the order road the orders tab is up: the picture is of home.
        if (auto bar = app->tabBarController())
            bar->selectTab(UITabBarControllerExt::TabHome);
    };
    // The settings button is tapped as a person would: a touch down and up at its centre.
    auto openSettings = []() {
        auto bar = tabBar();
        tapAtCentre(bar ? bar->settingsBtn() : nullptr, 900);
    };
    auto closeSettings = []() {
        auto app = CorvelleAppDelegate::sharedAppDelegate();
        if (auto bar = app ? app->tabBarController() : nullptr) {
            if (bar->presentedViewController())
                bar->dismissViewControllerAnimatedCompletion(false, nullptr);
            bar->deselectButton();
        }
    };
    for (int language : { 1, 2 }) {
        const std::string suffix = language == 1 ? "en" : "cn";
        addStep("home_" + suffix, [enterMain, language]() {
            LanguageManager::sharedInstance()->setCurrentLanguage(language);
            enterMain();
        });
        addStep("settings_" + suffix, openSettings);
        addStep("", closeSettings, 0.1);
    }
}

void DemoTour::addCustomerSteps()
{
    auto openCustomers = []() {
        auto bar = tabBar();
        tapAtCentre(bar ? bar->customerBtn() : nullptr, 901);
    };
    auto showFirstCustomer = []() {
        auto bar = tabBar();
        auto navigation
            = bar ? std::dynamic_pointer_cast<UINavigationController>(bar->selectedViewController()) : nullptr;
        auto screen
            = navigation ? std::dynamic_pointer_cast<CustomerViewController>(navigation->topViewController()) : nullptr;
        if (!screen || !screen->customerList())
            return;
        const auto& rows = CustomerDataModel::sharedInstance()->customerInfoDic();
        if (!rows.empty())
            screen->customerList()->selectedCustomer(rows.begin()->first);
    };
    addStep("", openCustomers, 0.3);
    addStep("customers", showFirstCustomer);
}

void DemoTour::addCatalogSteps()
{
    auto catalogue = []() -> std::shared_ptr<CatalogViewController> {
        auto bar = tabBar();
        auto navigation
            = bar ? std::dynamic_pointer_cast<UINavigationController>(bar->selectedViewController()) : nullptr;
        return navigation ? std::dynamic_pointer_cast<CatalogViewController>(navigation->topViewController()) : nullptr;
    };
    addStep(
        "",
        []() {
            auto bar = tabBar();
            tapAtCentre(bar ? bar->catalogBtn() : nullptr, 902);
        },
        0.3);
    addStep("catalog", []() {});
    addStep(
        "catalog_full",
        [catalogue]() {
            if (auto screen = catalogue())
                tapAtCentre(screen->btnMenu(), 903);
        },
        0.5);
    addStep(
        "",
        [catalogue]() {
            if (auto screen = catalogue())
                tapAtCentre(screen->btnMenu(), 904);
        },
        0.5);
}

void DemoTour::addQuoteOrderSteps()
{
    auto openOrders = []() {
        auto bar = tabBar();
        tapAtCentre(bar ? bar->quoteOrderBtn() : nullptr, 905);
    };
    addStep("orders", openOrders);
}

void DemoTour::addProductSteps()
{
    auto selected = []() -> std::shared_ptr<UINavigationController> {
        auto bar = tabBar();
        return bar ? std::dynamic_pointer_cast<UINavigationController>(bar->selectedViewController()) : nullptr;
    };
    addStep(
        "inventory",
        []() {
            auto bar = tabBar();
            tapAtCentre(bar ? bar->inventoryBtn() : nullptr, 910);
        },
        1.0);
    addStep(
        "product_detail",
        [selected]() {
            auto navigation = selected();
            auto inventory = navigation
                ? std::dynamic_pointer_cast<InventoryViewController>(navigation->topViewController())
                : nullptr;
            if (!inventory || !inventory->tblView())
                return;
            auto body = inventory->tblView()->tblView();
            body->layoutIfNeeded();
            auto row = std::dynamic_pointer_cast<MultiColumnTableViewCell>(
                body->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(0, 0)));
            if (row && row->columnCells().size() > 1 && !row->columnCells()[1]->subviews().empty())
                tapAtCentre(row->columnCells()[1]->subviews().front(), 911);
        },
        1.0);
    // The product's documents, when it has any, come up over the whole window.
    auto rootNavigation = []() -> std::shared_ptr<UINavigationController> {
        auto app = CorvelleAppDelegate::sharedAppDelegate();
        return app ? std::dynamic_pointer_cast<UINavigationController>(app->window()->rootViewController()) : nullptr;
    };
    addStep(
        "related_documents",
        [selected]() {
            auto navigation = selected();
            auto detail = navigation
                ? std::dynamic_pointer_cast<ProductDetailController>(navigation->topViewController())
                : nullptr;
            if (detail && !detail->relatedFileBtn()->isHidden())
                tapAtCentre(detail->relatedFileBtn(), 912);
        },
        1.0);
    addStep(
        "",
        [rootNavigation]() {
            auto navigation = rootNavigation();
            auto documents = navigation
                ? std::dynamic_pointer_cast<ProductRelatedFileController>(navigation->topViewController())
                : nullptr;
            if (documents)
                tapAtCentre(documents->btnClose(), 913);
        },
        0.5);
    addStep(
        "",
        [selected]() {
            auto navigation = selected();
            if (navigation && std::dynamic_pointer_cast<ProductDetailController>(navigation->topViewController()))
                navigation->popViewControllerAnimated(false);
        },
        0.3);
}

namespace {

// A three-page brochure to read, in Documents where the reader keeps its
// files: the sample company's documents are only fetched when a person asks.
bool writeBrochure(const std::string& path)
{
    if (!UIGraphicsBeginPDFContextToFile(path, CGRectMake(0, 0, 612, 792)))
        return false;
    const char* titles[] = { "Corvelle", "Products", "Prices" };
    for (int page = 0; page < 3; ++page) {
        UIGraphicsBeginPDFPage();
        auto ctx = UIGraphicsGetCurrentContext();
        CGContextSetFillColorWithColor(ctx,
            UIColor::colorWithRedGreenBlueAlpha(0.15f, 0.35f + 0.2f * static_cast<CGFloat>(page), 0.6f, 1)->CGColor());
        CGContextFillRect(ctx, CGRectMake(0, 0, 612, 160));
        CGContextSetFillColorWithColor(ctx, UIColor::blackColor()->CGColor());
        drawInRectWithFont(titles[page], CGRectMake(60, 220, 492, 80), UIFont::boldSystemFontOfSize(48));
        drawInRectWithFont(
            "Page " + std::to_string(page + 1) + " of 3", CGRectMake(60, 700, 492, 30), UIFont::systemFontOfSize(18));
    }
    UIGraphicsEndPDFContext();
    return true;
}

// The reader tells its opener when it is done; the tour's opener takes it off.
class TourReaderOpener : public PdfViewControllerDelegate {
public:
    void dismissReaderViewController(PdfViewController& reader) override
    {
        if (auto navigation = reader.navigationController())
            navigation->popViewControllerAnimated(false);
    }
};

}  // namespace

void DemoTour::addReaderSteps()
{
    auto opener = std::make_shared<TourReaderOpener>();
    auto open = [opener]() {
        auto app = CorvelleAppDelegate::sharedAppDelegate();
        auto navigation
            = app ? std::dynamic_pointer_cast<UINavigationController>(app->window()->rootViewController()) : nullptr;
        const std::string path
            = NSSearchPathForDirectoriesInDomains(NSDocumentDirectory, NSUserDomainMask, true).front()
            + "/Brochure.pdf";
        if (!navigation || !writeBrochure(path))
            return;
        auto document = PdfDocument::withDocumentFilePathPassword(path, std::nullopt);
        if (!document)
            return;
        auto reader = PdfViewController::initWithReaderDocumentDocumentName(document, "Brochure");
        reader->setDelegate(opener);
        navigation->pushViewControllerAnimated(reader, true);
    };
    auto close = [opener]() {
        auto app = CorvelleAppDelegate::sharedAppDelegate();
        auto navigation
            = app ? std::dynamic_pointer_cast<UINavigationController>(app->window()->rootViewController()) : nullptr;
        if (navigation && std::dynamic_pointer_cast<PdfViewController>(navigation->topViewController()))
            navigation->popViewControllerAnimated(false);
    };
    addStep("reader", open, 1.5);
    addStep("", close, 0.3);
}

void DemoTour::addLibrarySteps()
{
    auto library = []() -> std::shared_ptr<SaleslibraryController> {
        auto bar = tabBar();
        if (!bar)
            return nullptr;
        auto navigation = std::dynamic_pointer_cast<UINavigationController>(
            bar->viewControllers().at(UITabBarControllerExt::TabSalesLibrary));
        return navigation ? std::dynamic_pointer_cast<SaleslibraryController>(navigation->viewControllers().front())
                          : nullptr;
    };
    addStep("library", []() {
        auto bar = tabBar();
        if (bar && ConfigManager::sharedInstance()->isOnShow(UITabBarControllerExt::TabSalesLibrary))
            tapAtCentre(bar->salesLibraryBtn(), 910);
    });
    auto tapTab = [library](size_t index) {
        return [library, index]() {
            auto screen = library();
            if (screen && screen->tabController() && screen->tabController()->tabsArray().size() > index)
                tapAtCentre(screen->tabController()->tabsArray()[index], 911);
        };
    };
    addStep("library_collection", tapTab(1));
    addStep("", tapTab(0), 0.1);
}
