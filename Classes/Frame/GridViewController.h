#pragma once

// A screen whose view is one grid view, serving as the grid's data source
// (with no items of its own) and delegate. Subclasses answer the data
// source; the controller reloads the grid when its view loads and can clear
// the selection each time it appears.

#include "Classes/Frame/GridView.h"
#include "Platform/UIKit/UIPopoverController.h"
#include "Platform/UIKit/UIViewController.h"

class GridViewController : public UIViewController,
                           public GridViewDataSource,
                           public GridViewDelegate,
                           public UIPopoverControllerDelegate {
public:
    GridViewController() = default;

    void loadView() override;
    void awakeFromNib();
    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewDidUnload() override { UIViewController::viewDidUnload(); }
    void didReceiveMemoryWarning() override { UIViewController::didReceiveMemoryWarning(); }
    bool shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation) override { return true; }
    virtual void willRotateToInterfaceOrientationDuration(UIInterfaceOrientation orientation, double duration);
    virtual void didRotateFromInterfaceOrientation(UIInterfaceOrientation orientation);

    // The view, as a grid view (null when the view is something else).
    std::shared_ptr<GridView> gridView();
    // Raises NSInvalidArgumentException for anything that is not a grid view.
    void setGridView(const std::shared_ptr<UIView>& view);

    bool clearsSelectionOnViewWillAppear() const { return m_clearsSelectionOnViewWillAppear; }
    void setClearsSelectionOnViewWillAppear(bool on) { m_clearsSelectionOnViewWillAppear = on; }
    bool isPopoverShowing() const { return m_popoverShowing; }
    void setPopoverShowing(bool on) { m_popoverShowing = on; }

    NSUInteger numberOfItemsInGridView(GridView&) override { return 0; }
    std::shared_ptr<GridViewCell> gridViewCellForItemAtIndex(GridView&, NSUInteger) override { return nullptr; }
    void popoverControllerDidDismissPopover(UIPopoverController&) override { m_popoverShowing = false; }

private:
    void setUpGridView();

    bool m_clearsSelectionOnViewWillAppear = false;
    bool m_popoverShowing = false;
};
