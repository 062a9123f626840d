#pragma once

// A table is a scroll view of rows in sections, each section with an
// optional header and footer, between an optional table header view and
// table footer view. The geometry is kept as numbers: the top of each
// section, and per section either one row height or the running sum of the
// delegate's heights, so a row's rect and the rows under an offset are found
// without walking the rows. Only the rows that intersect the bounds have
// cells: laying out (on the layout pass, or when visible cells are asked
// for) asks the data source for the cells that came into view and puts the
// ones that left into the reuse queue of their identifier, from which the
// data source takes them back (`dequeueReusableCellWithIdentifier`).
//
// A tap on a row selects it and tells the delegate; selecting or deselecting
// by code does not. A horizontal swipe over a row that can be edited, in a
// table whose data source commits edits, shows the row's delete button; its
// tap commits the delete. Inserting and deleting rows (alone or batched
// between beginUpdates and endUpdates) keeps the cells and selection of the
// other rows; a change that does not match the data source's new counts is
// logged and answered with a full reload.

#include "Platform/Foundation/NSIndexPath.h"
#include "Platform/UIKit/UIScrollView.h"
#include "Platform/UIKit/UITableViewCell.h"

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>

class UITableView;

enum UITableViewStyle { UITableViewStylePlain, UITableViewStyleGrouped };

enum UITableViewScrollPosition {
    UITableViewScrollPositionNone,
    UITableViewScrollPositionTop,
    UITableViewScrollPositionMiddle,
    UITableViewScrollPositionBottom,
};

enum UITableViewRowAnimation {
    UITableViewRowAnimationFade,
    UITableViewRowAnimationRight,
    UITableViewRowAnimationLeft,
    UITableViewRowAnimationTop,
    UITableViewRowAnimationBottom,
    UITableViewRowAnimationNone,
    UITableViewRowAnimationMiddle,
    UITableViewRowAnimationAutomatic = 100,
};

class UITableViewDataSource {
public:
    virtual ~UITableViewDataSource() = default;
    virtual long numberOfSectionsInTableView(UITableView&) { return 1; }
    virtual long tableViewNumberOfRowsInSection(UITableView&, long section) = 0;
    virtual std::shared_ptr<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView&, const NSIndexPath&) = 0;
    virtual std::optional<std::string> tableViewTitleForHeaderInSection(UITableView&, long) { return std::nullopt; }
    virtual std::optional<std::string> tableViewTitleForFooterInSection(UITableView&, long) { return std::nullopt; }
    virtual bool tableViewCanEditRowAtIndexPath(UITableView&, const NSIndexPath&) { return true; }
    // Rows can be swiped to delete only when this is implemented.
    virtual bool implementsCommitEditingStyle() const { return false; }
    virtual void tableViewCommitEditingStyleForRowAtIndexPath(
        UITableView&, UITableViewCellEditingStyle, const NSIndexPath&)
    {
    }
};

// Heights answered as nullopt are "not implemented": the table's own values apply.
class UITableViewDelegate : public UIScrollViewDelegate {
public:
    virtual std::optional<CGFloat> tableViewHeightForRowAtIndexPath(UITableView&, const NSIndexPath&)
    {
        return std::nullopt;
    }
    virtual std::optional<CGFloat> tableViewHeightForHeaderInSection(UITableView&, long) { return std::nullopt; }
    virtual std::optional<CGFloat> tableViewHeightForFooterInSection(UITableView&, long) { return std::nullopt; }
    virtual std::shared_ptr<UIView> tableViewViewForHeaderInSection(UITableView&, long) { return nullptr; }
    virtual std::shared_ptr<UIView> tableViewViewForFooterInSection(UITableView&, long) { return nullptr; }
    virtual void tableViewWillDisplayCellForRowAtIndexPath(UITableView&, UITableViewCell&, const NSIndexPath&) { }
    // The row to select instead; nullopt refuses the selection.
    virtual std::optional<NSIndexPath> tableViewWillSelectRowAtIndexPath(UITableView&, const NSIndexPath& p)
    {
        return p;
    }
    virtual void tableViewDidSelectRowAtIndexPath(UITableView&, const NSIndexPath&) { }
    virtual void tableViewDidDeselectRowAtIndexPath(UITableView&, const NSIndexPath&) { }
    virtual void tableViewAccessoryButtonTappedForRowWithIndexPath(UITableView&, const NSIndexPath&) { }
    virtual UITableViewCellEditingStyle tableViewEditingStyleForRowAtIndexPath(UITableView&, const NSIndexPath&)
    {
        return UITableViewCellEditingStyleDelete;
    }
    virtual std::optional<std::string> tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(
        UITableView&, const NSIndexPath&)
    {
        return std::nullopt;
    }
    virtual void tableViewWillBeginEditingRowAtIndexPath(UITableView&, const NSIndexPath&) { }
    virtual void tableViewDidEndEditingRowAtIndexPath(UITableView&, const NSIndexPath&) { }
};

class UITableView : public UIScrollView {
public:
    static constexpr CGFloat kDefaultRowHeight = 44;
    static constexpr CGFloat kPlainTitleHeaderHeight = 22;
    static constexpr CGFloat kGroupedHeaderHeight = 10;
    static constexpr CGFloat kGroupedTitleHeaderHeight = 46;
    // A finger that moves this far sideways over a row, and less than half as far up or down, swipes it.
    static constexpr CGFloat kSwipeDistance = 30;

    explicit UITableView(CGRect frame = CGRectZero, UITableViewStyle style = UITableViewStylePlain);
    ~UITableView() override;

    UITableViewStyle style() const { return m_style; }

    std::shared_ptr<UITableViewDataSource> dataSource() const { return m_dataSource.lock(); }
    void setDataSource(std::weak_ptr<UITableViewDataSource> dataSource);
    std::shared_ptr<UITableViewDelegate> delegate() const { return m_tableDelegate.lock(); }
    void setDelegate(std::weak_ptr<UITableViewDelegate> delegate);

    CGFloat rowHeight() const { return m_rowHeight; }
    void setRowHeight(CGFloat h);
    CGFloat sectionHeaderHeight() const { return m_sectionHeaderHeight; }
    void setSectionHeaderHeight(CGFloat h);
    CGFloat sectionFooterHeight() const { return m_sectionFooterHeight; }
    void setSectionFooterHeight(CGFloat h);
    UITableViewCellSeparatorStyle separatorStyle() const { return m_separatorStyle; }
    void setSeparatorStyle(UITableViewCellSeparatorStyle s);
    std::shared_ptr<UIColor> separatorColor() const { return m_separatorColor; }
    void setSeparatorColor(std::shared_ptr<UIColor> c);
    std::shared_ptr<UIView> tableHeaderView() const { return m_tableHeaderView; }
    void setTableHeaderView(std::shared_ptr<UIView> view);
    std::shared_ptr<UIView> tableFooterView() const { return m_tableFooterView; }
    void setTableFooterView(std::shared_ptr<UIView> view);
    // Stays behind the rows, filling the bounds.
    std::shared_ptr<UIView> backgroundView() const { return m_backgroundView; }
    void setBackgroundView(std::shared_ptr<UIView> view);

    bool allowsSelection() const { return m_allowsSelection; }
    void setAllowsSelection(bool on) { m_allowsSelection = on; }
    bool allowsSelectionDuringEditing() const { return m_allowsSelectionDuringEditing; }
    void setAllowsSelectionDuringEditing(bool on) { m_allowsSelectionDuringEditing = on; }
    bool allowsMultipleSelection() const { return m_allowsMultipleSelection; }
    void setAllowsMultipleSelection(bool on) { m_allowsMultipleSelection = on; }

    // Data.
    void reloadData();
    void reloadRowsAtIndexPathsWithRowAnimation(const std::vector<NSIndexPath>& paths, UITableViewRowAnimation);
    void reloadSectionsWithRowAnimation(const std::vector<long>& sections, UITableViewRowAnimation);
    void beginUpdates();
    void endUpdates();
    // Told, besides the log line, of every row or section update that does
    // not match the data source's new counts. The platform would stop the
    // application; this one reloads the table instead, so the application
    // carries on while a test fixture can fail the test that caused it.
    static void setInconsistentUpdateHandler(std::function<void(const std::string& message)> handler);
    void insertRowsAtIndexPathsWithRowAnimation(const std::vector<NSIndexPath>& paths, UITableViewRowAnimation);
    void deleteRowsAtIndexPathsWithRowAnimation(const std::vector<NSIndexPath>& paths, UITableViewRowAnimation);
    void insertSectionsWithRowAnimation(const std::vector<long>& sections, UITableViewRowAnimation);
    void deleteSectionsWithRowAnimation(const std::vector<long>& sections, UITableViewRowAnimation);
    std::shared_ptr<UITableViewCell> dequeueReusableCellWithIdentifier(const std::string& identifier);

    // Geometry, in content coordinates.
    long numberOfSections() const { return static_cast<long>(m_sections.size()); }
    long numberOfRowsInSection(long section) const;
    CGRect rectForSection(long section) const;
    CGRect rectForHeaderInSection(long section) const;
    CGRect rectForFooterInSection(long section) const;
    CGRect rectForRowAtIndexPath(const NSIndexPath& path) const;
    std::optional<NSIndexPath> indexPathForRowAtPoint(CGPoint point) const;
    std::vector<NSIndexPath> indexPathsForRowsInRect(CGRect rect) const;

    // The cells on screen, top to bottom (laid out first when due).
    std::vector<std::shared_ptr<UITableViewCell>> visibleCells();
    std::vector<NSIndexPath> indexPathsForVisibleRows();
    // The cell of a visible row; null for a row off screen.
    std::shared_ptr<UITableViewCell> cellForRowAtIndexPath(const NSIndexPath& path);
    std::optional<NSIndexPath> indexPathForCell(const UITableViewCell& cell) const;
    // The header or footer view shown for a section, when it is on screen.
    std::shared_ptr<UIView> headerViewForSection(long section) const;

    void scrollToRowAtIndexPathAtScrollPositionAnimated(
        const NSIndexPath& path, UITableViewScrollPosition position, bool animated);
    void scrollToNearestSelectedRowAtScrollPositionAnimated(UITableViewScrollPosition position, bool animated);

    // Selection by code: the delegate is not told.
    std::optional<NSIndexPath> indexPathForSelectedRow() const;
    std::vector<NSIndexPath> indexPathsForSelectedRows() const;
    void selectRowAtIndexPathAnimatedScrollPosition(
        const NSIndexPath& path, bool animated, UITableViewScrollPosition position);
    void deselectRowAtIndexPathAnimated(const NSIndexPath& path, bool animated);

    // Editing.
    bool isEditing() const { return m_editing; }
    void setEditing(bool editing) { setEditingAnimated(editing, false); }
    void setEditingAnimated(bool editing, bool animated);
    // The row whose delete button shows, if any.
    std::optional<NSIndexPath> rowShowingDeleteConfirmation() const { return m_confirming; }

    void layoutSubviews() override;
    void setFrame(CGRect frame) override;
    void setBounds(CGRect bounds) override;

    void touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesMovedWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesCancelledWithEvent(const UITouchSet& touches, UIEvent* event) override;

private:
    struct Section {
        CGFloat top = 0;
        CGFloat headerHeight = 0;
        CGFloat footerHeight = 0;
        long rows = 0;
        // Empty when every row has the table's height; else the top of each row
        // relative to the first row's, with one more entry for the end.
        std::vector<CGFloat> rowTops;
        CGFloat rowsHeight = 0;
        std::optional<std::string> headerTitle;
        std::optional<std::string> footerTitle;
    };
    struct Update {
        bool insert;
        bool isSection;
        NSIndexPath path;
    };

    // The cells on screen by row, in order: a screenful, so a flat list
    // searched by halving rather than a tree of nodes made and freed as
    // rows come and go.
    class VisibleCells {
    public:
        using Entry = std::pair<NSIndexPath, std::shared_ptr<UITableViewCell>>;
        using iterator = std::vector<Entry>::iterator;
        using const_iterator = std::vector<Entry>::const_iterator;

        iterator begin() { return m_rows.begin(); }
        iterator end() { return m_rows.end(); }
        const_iterator begin() const { return m_rows.begin(); }
        const_iterator end() const { return m_rows.end(); }
        size_t size() const { return m_rows.size(); }
        void clear() { m_rows.clear(); }
        Entry& at(size_t i) { return m_rows[i]; }
        iterator find(const NSIndexPath& path);
        iterator erase(iterator it) { return m_rows.erase(it); }
        // The row's slot, made empty when the row has none yet.
        std::shared_ptr<UITableViewCell>& operator[](const NSIndexPath& path);

    private:
        iterator lowerBound(const NSIndexPath& path);
        std::vector<Entry> m_rows;
    };

    void computeGeometry();
    Section measureSection(long section);
    void restack(long fromSection);
    CGFloat rowTop(const Section& s, long row) const;
    CGFloat rowHeightAt(const Section& s, long row) const;
    long rowAtY(const Section& s, CGFloat y) const;
    long sectionAtY(CGFloat y) const;
    CGFloat contentHeight() const;
    void rowsInRect(CGRect rect, std::vector<NSIndexPath>& out) const;
    void updateContentSize();
    void layoutCells();
    void placeCell(UITableViewCell& cell, const NSIndexPath& path);
    void placeSupplementaryViews(long first, long last);
    void enqueue(const std::shared_ptr<UITableViewCell>& cell);
    void enqueueAllCells();
    void submitUpdates(std::vector<Update> updates);
    void applyUpdates(std::vector<Update> updates);
    void tapRow(const NSIndexPath& path);
    void swipeRow(const NSIndexPath& path);
    void endDeleteConfirmation();
    bool canSwipeToDelete(const NSIndexPath& path);
    void setCellSelected(const NSIndexPath& path, bool selected);
    CGFloat groupedInset() const;

    UITableViewStyle m_style;
    std::weak_ptr<UITableViewDataSource> m_dataSource;
    std::weak_ptr<UITableViewDelegate> m_tableDelegate;
    CGFloat m_rowHeight = kDefaultRowHeight;
    CGFloat m_sectionHeaderHeight;
    CGFloat m_sectionFooterHeight;
    UITableViewCellSeparatorStyle m_separatorStyle = UITableViewCellSeparatorStyleSingleLine;
    std::shared_ptr<UIColor> m_separatorColor;
    std::shared_ptr<UIView> m_tableHeaderView;
    std::shared_ptr<UIView> m_tableFooterView;
    std::shared_ptr<UIView> m_backgroundView;
    bool m_allowsSelection = true;
    bool m_allowsSelectionDuringEditing = false;
    bool m_allowsMultipleSelection = false;
    bool m_editing = false;

    bool m_loaded = false;
    std::vector<Section> m_sections;
    VisibleCells m_visible;
    // The rows wanted by the last layout, kept to lay out the next without allocating.
    std::vector<NSIndexPath> m_wantedRows;
    std::map<long, std::shared_ptr<UIView>> m_headers;
    std::map<long, std::shared_ptr<UIView>> m_footers;
    std::unordered_map<std::string, std::vector<std::shared_ptr<UITableViewCell>>> m_reuse;
    std::set<NSIndexPath> m_selected;
    int m_updateDepth = 0;
    std::vector<Update> m_pending;
    std::optional<NSIndexPath> m_confirming;

    // The finger on a row.
    std::optional<NSIndexPath> m_touchedRow;
    CGPoint m_touchStart {};
    bool m_touchMoved = false;
    bool m_swiped = false;
};
