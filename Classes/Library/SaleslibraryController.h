#pragma once

// The screen of the sales-library tab: a top bar with a button that slides
// the category panel out and in and two tabs, "MYLIBRARY" (every published
// file) and "MYCOLLECTION" (the files on the device). It owns the category
// panel and the file grid, each in a navigation controller of its own; the
// two panes are laid on the tab bar controller's view while the library tab
// is selected (the tab bar tells the screen as its library delegate) and
// taken off when another tab is chosen. The grid's swipe posts
// "ShowLibraryMasterView" / "HideLibraryMasterView", which this screen obeys.

#include "Classes/Frame/BaseViewController.h"
#include "Classes/Frame/BrowserTabViewDelegate.h"
#include "Classes/Frame/UITabBarControllerExt.h"

#include <memory>
#include <vector>

class BrowserTabView;
class LibraryCatalogController;
class LibraryDetailController;
class UIButton;
class UIImageView;
class UINavigationController;
class UITabBarControllerExt;

class SaleslibraryController : public BaseViewController, public LibraryViewDelegate, public BrowserTabViewDelegate {
public:
    static constexpr long kMasterViewTag = 6003;
    static constexpr long kDetailViewTag = 6004;

    SaleslibraryController();
    ~SaleslibraryController() override;

    void viewDidLoad() override;
    void viewAfterFirstDidLoad() override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;
    void hightVersionViewDidUnload() override;
    void viewDidUnload() override;
    void viewWillAppear(bool animated) override;
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o) override
    {
        return o == UIInterfaceOrientationPortrait;
    }

    void addLibraryView() override;
    void removeLibraryView() override;
    void ShowMasterView();
    void HideMasterView();
    void ControlMasterClicked();
    bool isMasterViewHiddened() const { return m_isMasterViewHidden; }
    void showMasterViewWithDetailViewChanging();
    void hiddenMasterViewWithDetailViewChanging();

    void BrowserTabViewDidSelecedAtIndex(BrowserTabView& tabView, unsigned index) override;
    void BrowserTabViewDidRemoveTabAtIndex(BrowserTabView&, unsigned) override { }
    void BrowserTabViewExchangeTabAtIndexWithTabAtIndex(BrowserTabView&, unsigned, unsigned) override { }
    void changeTitleLabel() { }

    const std::shared_ptr<UIButton>& ControlMasterBtn() const { return m_ControlMasterBtn; }
    const std::shared_ptr<UINavigationController>& masterController() const { return m_masterController; }
    const std::shared_ptr<UINavigationController>& detailController() const { return m_detailController; }
    const std::vector<std::shared_ptr<LibraryDetailController>>& detailViewsArray() const { return m_detailViewsArray; }
    const std::shared_ptr<BrowserTabView>& tabController() const { return m_tabController; }
    int tabIndex() const { return m_tabIndex; }

private:
    std::shared_ptr<UITabBarControllerExt> tabBar() const;
    void applyGeometry(bool hidden);
    static void layOutGrid(LibraryDetailController& grid, bool hidden);

    std::shared_ptr<BrowserTabView> m_tabController;
    std::shared_ptr<UIButton> m_ControlMasterBtn;
    std::shared_ptr<UINavigationController> m_masterController;
    std::shared_ptr<UINavigationController> m_detailController;
    std::vector<std::shared_ptr<LibraryDetailController>> m_detailViewsArray;
    bool m_isMasterViewHidden = false;
    int m_tabIndex = 0;
    std::shared_ptr<UIImageView> m_catalogNavBgImageView;
};
