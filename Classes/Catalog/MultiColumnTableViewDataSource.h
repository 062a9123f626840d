#pragma once

// Everything a multi-column table shows comes through this protocol. The four
// pure members are required; every other member is optional, and where the
// table's behaviour depends on whether one is implemented, a paired
// `implements...()` answers that (the table asks once, when the data source is
// set). Index paths carry a section and a row of the data source's own
// numbering (indexPathForRowInSection).

#include "Platform/Foundation/NSIndexPath.h"
#include "Platform/UIKit/UIGeometry.h"

#include <memory>
#include <optional>
#include <string>

class MultiColumnTableView;
class UIColor;
class UIView;

class MultiColumnTableViewDataSource {
public:
    virtual ~MultiColumnTableViewDataSource() = default;

    // A new view for one column of a body row; its frame gives its size and its offset inside the column.
    virtual std::shared_ptr<UIView> tableViewCellForIndexPathColumn(
        MultiColumnTableView&, const NSIndexPath&, long column)
        = 0;
    // Fills a column view every time its row is shown.
    virtual void tableViewSetContentForCellIndexPathColumn(
        MultiColumnTableView&, const std::shared_ptr<UIView>& cell, const NSIndexPath&, long column)
        = 0;
    virtual long tableViewNumberOfRowsInSection(MultiColumnTableView&, long section) = 0;
    virtual long numberOfColumnsInTableView(MultiColumnTableView&) = 0;

    virtual bool implementsHeightForCell() const { return false; }
    virtual CGFloat tableViewHeightForCellAtIndexPathColumn(MultiColumnTableView&, const NSIndexPath&, long column)
    {
        return 0;
    }
    virtual bool implementsWidthForColumn() const { return false; }
    virtual CGFloat tableViewWidthForColumn(MultiColumnTableView&, long column) { return 0; }
    // Answering nullopt (nil) is the same as not implementing it.
    virtual bool implementsReuseIdForIndexPath() const { return false; }
    virtual std::optional<std::string> tableViewReuseIdForIndexPath(MultiColumnTableView&, const NSIndexPath&)
    {
        return std::nullopt;
    }
    virtual bool implementsHeightForHeaderCell() const { return false; }
    virtual CGFloat tableViewHeightForHeaderCellAtIndexPath(MultiColumnTableView&, const NSIndexPath&) { return 0; }
    virtual bool implementsHeightForTopHeaderCell() const { return false; }
    virtual CGFloat heightForHeaderCellOfTableView(MultiColumnTableView&) { return 0; }
    virtual bool implementsWidthForHeaderCell() const { return false; }
    virtual CGFloat widthForHeaderCellOfTableView(MultiColumnTableView&) { return 0; }

    // Implementing this turns the left header column on.
    virtual bool implementsLeftHeaderCell() const { return false; }
    virtual std::shared_ptr<UIView> tableViewHeaderCellForIndexPath(MultiColumnTableView&, const NSIndexPath&)
    {
        return nullptr;
    }
    virtual void tableViewSetContentForHeaderCellAtIndexPath(
        MultiColumnTableView&, const std::shared_ptr<UIView>&, const NSIndexPath&)
    {
    }

    // Asked every time the top header row is built, once per column.
    virtual std::shared_ptr<UIView> tableViewHeaderCellForColumn(MultiColumnTableView&, long column) { return nullptr; }
    // Declared for data sources to answer, but never called: header views are asked for afresh instead.
    virtual void tableViewSetContentForHeaderCellAtColumn(
        MultiColumnTableView&, const std::shared_ptr<UIView>&, long column)
    {
    }
    // The top-left corner; null means an empty corner.
    virtual std::shared_ptr<UIView> topleftHeaderCellOfTableView(MultiColumnTableView&) { return nullptr; }

    virtual bool implementsSetRowBackgroundColor() const { return false; }
    virtual std::shared_ptr<UIColor> backgroundColorAtIndexPath(MultiColumnTableView&, const NSIndexPath&)
    {
        return nullptr;
    }
    virtual bool implementsSetCellBackgroundColor() const { return false; }
    virtual std::shared_ptr<UIColor> backgroundColorAtIndexPathAtColumn(
        MultiColumnTableView&, const NSIndexPath&, long column)
    {
        return nullptr;
    }

    // Without it there is no column dragging.
    virtual bool implementsSwapDataOfColumn() const { return false; }
    virtual void tableViewSwapDataOfColumnAndColumn(MultiColumnTableView&, long column1, long column2) { }

    virtual bool implementsNumberOfSections() const { return false; }
    virtual long numberOfSectionsInTableView(MultiColumnTableView&) { return 1; }

    virtual std::shared_ptr<UIView> tableViewSectionHeaderCellForSectionColumn(
        MultiColumnTableView&, long section, long column)
    {
        return nullptr;
    }
    virtual void tableViewSetContentForSectionHeaderCellSectionColumn(
        MultiColumnTableView&, const std::shared_ptr<UIView>&, long section, long column)
    {
    }
    virtual bool implementsHeightForSectionHeaderCell() const { return false; }
    virtual CGFloat tableViewHeightForSectionHeaderCellAtSectionColumn(MultiColumnTableView&, long section, long column)
    {
        return 0;
    }
    virtual std::shared_ptr<UIView> tableViewHeaderCellInSectionHeaderForSection(MultiColumnTableView&, long section)
    {
        return nullptr;
    }
    virtual void tableViewSetContentForHeaderCellInSectionHeaderAtSection(
        MultiColumnTableView&, const std::shared_ptr<UIView>&, long section)
    {
    }
    virtual bool implementsHeightForHeaderCellInSectionHeader() const { return false; }
    virtual CGFloat tableViewHeightForHeaderCellInSectionHeaderAtSection(MultiColumnTableView&, long section)
    {
        return 0;
    }
};
