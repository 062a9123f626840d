#include "Classes/Frame/GridViewController.h"

#include "Platform/Foundation/NSException.h"

#include <cxxabi.h>

#include <cstdlib>
#include <typeinfo>

namespace {

std::string classNameOf(const UIView* view)
{
    if (!view)
        return "(null)";
    const char* mangled = typeid(*view).name();
    int status = 0;
    char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : mangled;
    std::free(demangled);
    return name;
}

}  // namespace

void GridViewController::loadView()
{
    setGridView(std::make_shared<GridView>(CGRectZero));
    setUpGridView();
}

void GridViewController::awakeFromNib() { setUpGridView(); }

void GridViewController::setUpGridView()
{
    auto grid = gridView();
    if (!grid)
        return;
    grid->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    grid->setAutoresizesSubviews(true);
    auto self = protect<GridViewController>();
    grid->setDelegate(std::weak_ptr<GridViewDelegate>(self));
    grid->setDataSource(std::weak_ptr<GridViewDataSource>(self));
}

void GridViewController::viewDidLoad()
{
    UIViewController::viewDidLoad();
    if (auto grid = gridView())
        grid->reloadData();
    m_popoverShowing = false;
}

void GridViewController::viewWillAppear(bool animated)
{
    UIViewController::viewWillAppear(animated);
    if (!m_clearsSelectionOnViewWillAppear)
        return;
    if (auto grid = gridView())
        grid->deselectItemAtIndexAnimated(grid->indexOfSelectedItem(), false);
}

void GridViewController::willRotateToInterfaceOrientationDuration(UIInterfaceOrientation orientation, double)
{
    if (auto grid = gridView())
        grid->viewWillRotateToInterfaceOrientation(orientation);
}

void GridViewController::didRotateFromInterfaceOrientation(UIInterfaceOrientation)
{
    if (auto grid = gridView())
        grid->viewDidRotate();
}

std::shared_ptr<GridView> GridViewController::gridView() { return std::dynamic_pointer_cast<GridView>(view()); }

void GridViewController::setGridView(const std::shared_ptr<UIView>& view)
{
    if (!std::dynamic_pointer_cast<GridView>(view))
        NSException::raiseFormat(NSInvalidArgumentException, "-setGridView: called with non-GridView argument '%@'",
            classNameOf(view.get()));
    setView(view);
}
