#pragma once

// A grid of rows and columns whose body scrolls both ways: a body table inside
// a sideways scroll view, a top header row (the body table's only section
// header, so it stays on top and moves sideways with the body), an optional
// left header column (a second table kept at the body's vertical offset),
// optional foldable sections with a header row each, and column dragging by a
// long press when the data source can swap columns.
//
// Both inner tables have one section; the widget flattens its sections and
// rows into one list (indexPathTable) built once per reload or fold change, so
// a table row maps to a data source position by one lookup. Entries of one
// index are section header rows, entries of two (row, section) body rows.
//
// Make it with initWithFrame, set the look, set the data source last (that
// builds the table), add it to a screen and call reloadData when the data
// changed.

#include "Classes/Catalog/MultiColumnTableViewDataSource.h"
#include "Platform/UIKit/UITableView.h"
#include "Platform/UIKit/UIView.h"

#include <memory>
#include <mutex>
#include <vector>

class CALayer;
class MultiColumnTableViewBGScrollView;
class MultiColumnTableViewCell;
class MultiColumnTableViewContentBackgroundView;
class UIColor;
class UIGestureRecognizer;

class MultiColumnTableView : public UIView, public UITableViewDataSource, public UITableViewDelegate {
public:
    static std::shared_ptr<MultiColumnTableView> initWithFrame(CGRect frame);
    explicit MultiColumnTableView(CGRect frame);
    ~MultiColumnTableView() override;

    std::shared_ptr<MultiColumnTableViewDataSource> dataSource() const { return m_dataSource.lock(); }
    void setDataSource(const std::shared_ptr<MultiColumnTableViewDataSource>& dataSource);
    void reloadData();

    // Look; set before the data source.
    CGFloat cellHeight() const { return m_cellHeight; }
    void setCellHeight(CGFloat v) { m_cellHeight = v; }
    CGFloat cellWidth() const { return m_cellWidth; }
    void setCellWidth(CGFloat v) { m_cellWidth = v; }
    CGFloat topHeaderHeight() const { return m_topHeaderHeight; }
    void setTopHeaderHeight(CGFloat v) { m_topHeaderHeight = v; }
    CGFloat leftHeaderWidth() const { return m_leftHeaderWidth; }
    void setLeftHeaderWidth(CGFloat v) { m_leftHeaderWidth = v; }
    CGFloat sectionHeaderHeight() const { return m_sectionHeaderHeight; }
    void setSectionHeaderHeight(CGFloat v) { m_sectionHeaderHeight = v; }
    std::shared_ptr<UIColor> leftHeaderBackgroundColor() const { return m_leftHeaderBackgroundColor; }
    void setLeftHeaderBackgroundColor(std::shared_ptr<UIColor> c) { m_leftHeaderBackgroundColor = std::move(c); }
    std::shared_ptr<UIColor> sectionHeaderBackgroundColor() const { return m_sectionHeaderBackgroundColor; }
    void setSectionHeaderBackgroundColor(std::shared_ptr<UIColor> c) { m_sectionHeaderBackgroundColor = std::move(c); }
    bool sectionFoldedByDefault() const { return m_sectionFoldedByDefault; }
    void setSectionFoldedByDefault(bool v) { m_sectionFoldedByDefault = v; }
    bool sectionHeaderEnabled() const { return m_sectionHeaderEnabled; }
    void setSectionHeaderEnabled(bool v) { m_sectionHeaderEnabled = v; }
    std::shared_ptr<UIColor> normalSeperatorLineColor() const { return m_normalSeperatorLineColor; }
    void setNormalSeperatorLineColor(std::shared_ptr<UIColor> c) { m_normalSeperatorLineColor = std::move(c); }
    CGFloat normalSeperatorLineWidth() const { return m_normalSeperatorLineWidth; }
    void setNormalSeperatorLineWidth(CGFloat v) { m_normalSeperatorLineWidth = v; }
    std::shared_ptr<UIColor> boldSeperatorLineColor() const { return m_boldSeperatorLineColor; }
    void setBoldSeperatorLineColor(std::shared_ptr<UIColor> c) { m_boldSeperatorLineColor = std::move(c); }
    CGFloat boldSeperatorLineWidth() const { return m_boldSeperatorLineWidth; }
    void setBoldSeperatorLineWidth(CGFloat v) { m_boldSeperatorLineWidth = v; }
    std::shared_ptr<UIColor> topHeaderBackgroundColor() const { return m_topHeaderBackgroundColor; }
    void setTopHeaderBackgroundColor(std::shared_ptr<UIColor> c) { m_topHeaderBackgroundColor = std::move(c); }

    // Metrics: the data source's answer when it gives one, else the property.
    CGFloat widthForColumn(long column);
    CGFloat heightForCellAtIndexPathColumn(const NSIndexPath& path, long column);
    CGFloat heightForHeaderCellAtIndexPath(const NSIndexPath& path);
    CGFloat heightForTopHeaderCell();
    CGFloat heightForSectionHeaderCellAtSectionColumn(long section, long column);
    CGFloat heightForHeaderCellInSectionHeaderAtSection(long section);
    CGFloat widthForLeftHeaderCell();
    long numberOfSections();
    long numberOfColumns();

    // What the widget is made of, for its screen and for a look in tests.
    const std::shared_ptr<MultiColumnTableViewBGScrollView>& scrlView() const { return m_scrlView; }
    const std::shared_ptr<MultiColumnTableViewContentBackgroundView>& tblView() const { return m_tblView; }
    const std::shared_ptr<UITableView>& headerTblView() const { return m_headerTblView; }
    const std::vector<NSIndexPath>& indexPathTable() const { return m_indexPathTable; }
    const std::vector<bool>& sectionFoldingStatus() const { return m_sectionFoldingStatus; }
    long selectedColumn() const { return m_selectedColumn; }
    const std::shared_ptr<CALayer>& highlightColumnLayer() const { return m_highlightColumnLayer; }
    // The first column whose right edge (gaps not counted) lies right of x; -1 when none.
    long columnOfPointInTblView(CGFloat x);

    // The inner tables' data source and delegate.
    long tableViewNumberOfRowsInSection(UITableView& tableView, long section) override;
    std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(
        UITableView& tableView, const NSIndexPath& path) override;
    std::optional<CGFloat> tableViewHeightForRowAtIndexPath(UITableView& tableView, const NSIndexPath& path) override;
    std::shared_ptr<UIView> tableViewViewForHeaderInSection(UITableView& tableView, long section) override;
    std::optional<CGFloat> tableViewHeightForHeaderInSection(UITableView& tableView, long section) override;
    void tableViewDidSelectRowAtIndexPath(UITableView& tableView, const NSIndexPath& path) override;
    void scrollViewDidScroll(UIScrollView& scrollView) override;

    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }

private:
    void setUp();
    void reset();
    void adjustWidth();
    void setupHeaderTblView();
    void rebuildIndexPathTable();
    std::vector<NSIndexPath> indexPathsOfSectionHeaderRow(long section, long headerRow);
    void toggleFoldOfSectionWithRowNumberRowAnimation(long section, long row, UITableViewRowAnimation animation);
    void swapColumnAndColumn(long column1, long column2);
    void highlightColumn(long column);
    CGRect highlightRectForColumn(long column);
    void clearHighlightColumn();
    void columnLongPressed(UIGestureRecognizer& recognizer);
    void orientationChanged();
    // The entry of the row list a table row shows; null past its end.
    const NSIndexPath* entryForRow(long row) const;
    bool isSectionHeaderEntry(const NSIndexPath& entry) const;
    std::shared_ptr<UITableViewCell> tblViewCellForRowAtIndexPath(const NSIndexPath& path);
    std::shared_ptr<UITableViewCell> tblViewRegularCellForRowAtIndexPath(const NSIndexPath& entry);
    std::shared_ptr<UITableViewCell> tblViewSectionHeaderCellForRowAtIndexPath(const NSIndexPath& entry);
    std::shared_ptr<UITableViewCell> headerTblViewCellForRowAtIndexPath(const NSIndexPath& entry);
    // Makes the missing column views of a row (or drops surplus ones) so it holds one per column.
    template <class Make> void fitColumnViews(MultiColumnTableViewCell& cell, long columns, Make make);
    CGFloat contentWidth();

    std::weak_ptr<MultiColumnTableViewDataSource> m_dataSource;

    CGFloat m_cellHeight = 31;
    CGFloat m_cellWidth = 252;
    CGFloat m_topHeaderHeight = 298;
    CGFloat m_leftHeaderWidth = 111;
    CGFloat m_sectionHeaderHeight = 31;
    std::shared_ptr<UIColor> m_leftHeaderBackgroundColor;
    std::shared_ptr<UIColor> m_sectionHeaderBackgroundColor;
    bool m_sectionFoldedByDefault = false;
    bool m_sectionHeaderEnabled = false;
    std::shared_ptr<UIColor> m_normalSeperatorLineColor;
    CGFloat m_normalSeperatorLineWidth = 1;
    std::shared_ptr<UIColor> m_boldSeperatorLineColor;
    CGFloat m_boldSeperatorLineWidth = 3;
    std::shared_ptr<UIColor> m_topHeaderBackgroundColor;

    bool m_respondsToReuseIdAtIndexPath = false;
    bool m_respondsToNumberOfSections = false;
    bool m_respondsToHeightForCell = false;
    bool m_respondsToHeightForHeaderCell = false;
    bool m_respondsToLeftHeaderCell = false;
    bool m_respondsToWidthForHeaderCell = false;
    bool m_respondsToWidthForColumn = false;
    bool m_respondsToHeightForSectionHeaderCell = false;
    bool m_respondsToHeightForHeaderCellInSectionHeader = false;
    bool m_respondsToHeightForTopHeaderCell = false;
    bool m_respondsToSetRowBackgroundColor = false;
    bool m_respondsToSetCellBackgroundColor = false;

    long m_selectedColumn = -1;
    std::shared_ptr<MultiColumnTableViewBGScrollView> m_scrlView;
    std::shared_ptr<UITableView> m_headerTblView;
    std::shared_ptr<MultiColumnTableViewContentBackgroundView> m_tblView;
    std::vector<bool> m_sectionFoldingStatus;
    std::vector<NSIndexPath> m_indexPathTable;
    std::shared_ptr<UIView> m_tblViewHeader;
    std::shared_ptr<CALayer> m_highlightColumnLayer;
    std::shared_ptr<UIGestureRecognizer> m_longPress;
    std::recursive_mutex m_lock;
};
