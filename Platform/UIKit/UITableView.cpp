#include "Platform/UIKit/UITableView.h"

#include "Platform/Foundation/NSLog.h"
#include "Platform/UIKit/UIColor.h"

#include <algorithm>
#include <cmath>

namespace {

// The header or footer made for a section title.
std::shared_ptr<UIView> titleView(
    const std::string& title, UITableViewStyle style, CGFloat width, CGFloat height, bool header)
{
    auto view = std::make_shared<UIView>(CGRectMake(0, 0, width, height));
    auto label = std::make_shared<UILabel>(
        CGRectMake(style == UITableViewStylePlain ? 12 : 54, 0, std::max<CGFloat>(0, width - 66), height));
    label->setText(title);
    label->setBackgroundColor(UIColor::clearColor());
    if (style == UITableViewStylePlain) {
        view->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(0.6f, 0.65f, 0.7f, 0.9f));
        label->setFont(UIFont::boldSystemFontOfSize(18));
        label->setTextColor(UIColor::whiteColor());
    } else {
        label->setFont(header ? UIFont::boldSystemFontOfSize(17) : UIFont::systemFontOfSize(15));
        label->setTextColor(UIColor::colorWithRedGreenBlueAlpha(0.3f, 0.34f, 0.42f, 1));
        label->setTextAlignment(header ? UITextAlignmentLeft : UITextAlignmentCenter);
    }
    label->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    view->addSubview(label);
    return view;
}

}  // namespace

UITableView::UITableView(CGRect frame, UITableViewStyle style)
    : UIScrollView(frame)
    , m_style(style)
    , m_sectionHeaderHeight(style == UITableViewStylePlain ? kPlainTitleHeaderHeight : kGroupedHeaderHeight)
    , m_sectionFooterHeight(style == UITableViewStylePlain ? kPlainTitleHeaderHeight : kGroupedHeaderHeight)
{
    setAlwaysBounceVertical(true);
    setBackgroundColor(
        style == UITableViewStylePlain ? UIColor::whiteColor() : UIColor::groupTableViewBackgroundColor());
    if (style == UITableViewStyleGrouped)
        m_separatorStyle = UITableViewCellSeparatorStyleSingleLineEtched;
}

UITableView::~UITableView() = default;

void UITableView::setDataSource(std::weak_ptr<UITableViewDataSource> dataSource)
{
    m_dataSource = std::move(dataSource);
    m_loaded = false;
    setNeedsLayout();
}

void UITableView::setDelegate(std::weak_ptr<UITableViewDelegate> delegate)
{
    m_tableDelegate = delegate;
    if (auto d = delegate.lock())
        UIScrollView::setDelegate(
            std::weak_ptr<UIScrollViewDelegate>(std::static_pointer_cast<UIScrollViewDelegate>(d)));
    else
        UIScrollView::setDelegate({});
    m_loaded = false;
    setNeedsLayout();
}

void UITableView::setRowHeight(CGFloat h)
{
    m_rowHeight = std::max<CGFloat>(0, h);
    m_loaded = false;
    setNeedsLayout();
}

void UITableView::setSectionHeaderHeight(CGFloat h)
{
    m_sectionHeaderHeight = std::max<CGFloat>(0, h);
    m_loaded = false;
    setNeedsLayout();
}

void UITableView::setSectionFooterHeight(CGFloat h)
{
    m_sectionFooterHeight = std::max<CGFloat>(0, h);
    m_loaded = false;
    setNeedsLayout();
}

void UITableView::setSeparatorStyle(UITableViewCellSeparatorStyle s)
{
    m_separatorStyle = s;
    for (auto& [p, cell] : m_visible)
        cell->setSeparator(s, m_separatorColor);
}

void UITableView::setSeparatorColor(std::shared_ptr<UIColor> c)
{
    m_separatorColor = std::move(c);
    for (auto& [p, cell] : m_visible)
        cell->setSeparator(m_separatorStyle, m_separatorColor);
}

void UITableView::setTableHeaderView(std::shared_ptr<UIView> view)
{
    if (m_tableHeaderView)
        m_tableHeaderView->removeFromSuperview();
    m_tableHeaderView = std::move(view);
    if (m_tableHeaderView)
        addSubview(m_tableHeaderView);
    if (m_loaded) {
        restack(0);
        setNeedsLayout();
    }
}

void UITableView::setTableFooterView(std::shared_ptr<UIView> view)
{
    if (m_tableFooterView)
        m_tableFooterView->removeFromSuperview();
    m_tableFooterView = std::move(view);
    if (m_tableFooterView)
        addSubview(m_tableFooterView);
    if (m_loaded) {
        updateContentSize();
        setNeedsLayout();
    }
}

void UITableView::setBackgroundView(std::shared_ptr<UIView> view)
{
    if (m_backgroundView)
        m_backgroundView->removeFromSuperview();
    m_backgroundView = std::move(view);
    if (m_backgroundView) {
        m_backgroundView->setFrame(bounds());
        insertSubviewAtIndex(m_backgroundView, 0);
    }
}

CGFloat UITableView::groupedInset() const
{
    if (m_style != UITableViewStyleGrouped)
        return 0;
    return bounds().size.width > 600 ? 45 : 10;
}

// Geometry.

UITableView::Section UITableView::measureSection(long index)
{
    Section s;
    auto ds = dataSource();
    auto d = delegate();
    s.rows = ds ? std::max(0L, ds->tableViewNumberOfRowsInSection(*this, index)) : 0;
    if (ds) {
        s.headerTitle = ds->tableViewTitleForHeaderInSection(*this, index);
        s.footerTitle = ds->tableViewTitleForFooterInSection(*this, index);
    }
    auto height = [&](std::optional<CGFloat> asked, const std::optional<std::string>& title, CGFloat plain) {
        if (asked)
            return std::max<CGFloat>(0, *asked);
        if (m_style == UITableViewStylePlain)
            return title ? plain : CGFloat(0);
        return title ? kGroupedTitleHeaderHeight : plain;
    };
    s.headerHeight = height(
        d ? d->tableViewHeightForHeaderInSection(*this, index) : std::nullopt, s.headerTitle, m_sectionHeaderHeight);
    s.footerHeight = height(
        d ? d->tableViewHeightForFooterInSection(*this, index) : std::nullopt, s.footerTitle, m_sectionFooterHeight);
    // A delegate that answers no height for the first row answers none: every row then has the table's.
    std::optional<CGFloat> first;
    if (d && s.rows > 0)
        first = d->tableViewHeightForRowAtIndexPath(*this, NSIndexPath::indexPathForRowInSection(0, index));
    if (!first) {
        s.rowsHeight = m_rowHeight * static_cast<CGFloat>(s.rows);
        return s;
    }
    s.rowTops.resize(static_cast<size_t>(s.rows) + 1);
    CGFloat y = 0;
    for (long r = 0; r < s.rows; ++r) {
        s.rowTops[static_cast<size_t>(r)] = y;
        auto h = r == 0 ? first
                        : d->tableViewHeightForRowAtIndexPath(*this, NSIndexPath::indexPathForRowInSection(r, index));
        y += std::max<CGFloat>(0, h.value_or(m_rowHeight));
    }
    s.rowTops.back() = y;
    s.rowsHeight = y;
    return s;
}

void UITableView::restack(long fromSection)
{
    CGFloat y = fromSection > 0 && fromSection <= numberOfSections()
        ? m_sections[static_cast<size_t>(fromSection - 1)].top
            + m_sections[static_cast<size_t>(fromSection - 1)].headerHeight
            + m_sections[static_cast<size_t>(fromSection - 1)].rowsHeight
            + m_sections[static_cast<size_t>(fromSection - 1)].footerHeight
        : (m_tableHeaderView ? m_tableHeaderView->frame().size.height : 0);
    if (fromSection <= 0)
        fromSection = 0;
    for (size_t i = static_cast<size_t>(fromSection); i < m_sections.size(); ++i) {
        m_sections[i].top = y;
        y += m_sections[i].headerHeight + m_sections[i].rowsHeight + m_sections[i].footerHeight;
    }
    updateContentSize();
}

void UITableView::computeGeometry()
{
    m_loaded = true;
    auto ds = dataSource();
    long n = ds ? std::max(0L, ds->numberOfSectionsInTableView(*this)) : 0;
    m_sections.clear();
    m_sections.reserve(static_cast<size_t>(n));
    for (long i = 0; i < n; ++i)
        m_sections.push_back(measureSection(i));
    restack(0);
}

CGFloat UITableView::contentHeight() const
{
    CGFloat y = m_tableHeaderView ? m_tableHeaderView->frame().size.height : 0;
    if (!m_sections.empty()) {
        auto& s = m_sections.back();
        y = s.top + s.headerHeight + s.rowsHeight + s.footerHeight;
    }
    if (m_tableFooterView)
        y += m_tableFooterView->frame().size.height;
    return y;
}

void UITableView::updateContentSize() { setContentSize(CGSizeMake(bounds().size.width, contentHeight())); }

CGFloat UITableView::rowTop(const Section& s, long row) const
{
    if (s.rowTops.empty())
        return m_rowHeight * static_cast<CGFloat>(row);
    return s.rowTops[static_cast<size_t>(std::clamp(row, 0L, s.rows))];
}

CGFloat UITableView::rowHeightAt(const Section& s, long row) const
{
    if (s.rowTops.empty())
        return m_rowHeight;
    return s.rowTops[static_cast<size_t>(row) + 1] - s.rowTops[static_cast<size_t>(row)];
}

long UITableView::rowAtY(const Section& s, CGFloat y) const
{
    // y relative to the first row; clamped into the section's rows.
    if (s.rows == 0)
        return -1;
    if (s.rowTops.empty()) {
        if (m_rowHeight <= 0)
            return 0;
        return std::clamp(static_cast<long>(std::floor(y / m_rowHeight)), 0L, s.rows - 1);
    }
    auto it = std::upper_bound(s.rowTops.begin(), s.rowTops.end() - 1, y);
    long r = static_cast<long>(it - s.rowTops.begin()) - 1;
    return std::clamp(r, 0L, s.rows - 1);
}

long UITableView::sectionAtY(CGFloat y) const
{
    if (m_sections.empty())
        return -1;
    auto it = std::upper_bound(
        m_sections.begin(), m_sections.end(), y, [](CGFloat v, const Section& s) { return v < s.top; });
    return std::max(0L, static_cast<long>(it - m_sections.begin()) - 1);
}

long UITableView::numberOfRowsInSection(long section) const
{
    if (section < 0 || section >= numberOfSections())
        return 0;
    return m_sections[static_cast<size_t>(section)].rows;
}

CGRect UITableView::rectForSection(long section) const
{
    if (section < 0 || section >= numberOfSections())
        return CGRectZero;
    auto& s = m_sections[static_cast<size_t>(section)];
    return CGRectMake(0, s.top, bounds().size.width, s.headerHeight + s.rowsHeight + s.footerHeight);
}

CGRect UITableView::rectForHeaderInSection(long section) const
{
    if (section < 0 || section >= numberOfSections())
        return CGRectZero;
    auto& s = m_sections[static_cast<size_t>(section)];
    return CGRectMake(0, s.top, bounds().size.width, s.headerHeight);
}

CGRect UITableView::rectForFooterInSection(long section) const
{
    if (section < 0 || section >= numberOfSections())
        return CGRectZero;
    auto& s = m_sections[static_cast<size_t>(section)];
    return CGRectMake(0, s.top + s.headerHeight + s.rowsHeight, bounds().size.width, s.footerHeight);
}

CGRect UITableView::rectForRowAtIndexPath(const NSIndexPath& path) const
{
    long section = path.section(), row = path.row();
    if (path.length() < 2 || section < 0 || section >= numberOfSections())
        return CGRectZero;
    auto& s = m_sections[static_cast<size_t>(section)];
    if (row < 0 || row >= s.rows)
        return CGRectZero;
    return CGRectMake(0, s.top + s.headerHeight + rowTop(s, row), bounds().size.width, rowHeightAt(s, row));
}

std::optional<NSIndexPath> UITableView::indexPathForRowAtPoint(CGPoint point) const
{
    if (point.x < 0 || point.x >= bounds().size.width)
        return std::nullopt;
    long section = sectionAtY(point.y);
    if (section < 0)
        return std::nullopt;
    auto& s = m_sections[static_cast<size_t>(section)];
    CGFloat y = point.y - s.top - s.headerHeight;
    if (y < 0 || y >= s.rowsHeight)
        return std::nullopt;
    long row = rowAtY(s, y);
    if (row < 0)
        return std::nullopt;
    return NSIndexPath::indexPathForRowInSection(row, section);
}

std::vector<NSIndexPath> UITableView::indexPathsForRowsInRect(CGRect rect) const
{
    std::vector<NSIndexPath> out;
    rowsInRect(rect, out);
    return out;
}

void UITableView::rowsInRect(CGRect rect, std::vector<NSIndexPath>& out) const
{
    if (rect.size.height <= 0 || m_sections.empty())
        return;
    CGFloat top = rect.origin.y, bottom = rect.origin.y + rect.size.height;
    for (long section = std::max(0L, sectionAtY(top)); section < numberOfSections(); ++section) {
        auto& s = m_sections[static_cast<size_t>(section)];
        if (s.top >= bottom)
            break;
        CGFloat rowsTop = s.top + s.headerHeight;
        if (s.rows == 0 || rowsTop + s.rowsHeight <= top || rowsTop >= bottom)
            continue;
        long first = rowAtY(s, std::max<CGFloat>(0, top - rowsTop));
        long last = rowAtY(s, bottom - rowsTop);
        for (long r = first; r <= last; ++r) {
            CGFloat y = rowsTop + rowTop(s, r);
            CGFloat h = rowHeightAt(s, r);
            if (h > 0 && y < bottom && y + h > top)
                out.push_back(NSIndexPath::indexPathForRowInSection(r, section));
        }
    }
}

// Cells.

UITableView::VisibleCells::iterator UITableView::VisibleCells::lowerBound(const NSIndexPath& path)
{
    return std::lower_bound(
        m_rows.begin(), m_rows.end(), path, [](const Entry& e, const NSIndexPath& p) { return e.first < p; });
}

UITableView::VisibleCells::iterator UITableView::VisibleCells::find(const NSIndexPath& path)
{
    auto it = lowerBound(path);
    return it != m_rows.end() && it->first == path ? it : m_rows.end();
}

std::shared_ptr<UITableViewCell>& UITableView::VisibleCells::operator[](const NSIndexPath& path)
{
    auto it = lowerBound(path);
    if (it == m_rows.end() || !(it->first == path))
        it = m_rows.insert(it, Entry { path, nullptr });
    return it->second;
}

std::shared_ptr<UITableViewCell> UITableView::dequeueReusableCellWithIdentifier(const std::string& identifier)
{
    auto it = m_reuse.find(identifier);
    if (it == m_reuse.end() || it->second.empty())
        return nullptr;
    auto cell = it->second.back();
    it->second.pop_back();
    cell->prepareForReuse();
    return cell;
}

void UITableView::enqueue(const std::shared_ptr<UITableViewCell>& cell)
{
    cell->removeFromSuperview();
    cell->setHighlighted(false);
    if (cell->reuseIdentifier())
        m_reuse[*cell->reuseIdentifier()].push_back(cell);
}

void UITableView::enqueueAllCells()
{
    for (auto& [p, cell] : m_visible)
        enqueue(cell);
    m_visible.clear();
    for (auto& [s, v] : m_headers)
        v->removeFromSuperview();
    for (auto& [s, v] : m_footers)
        v->removeFromSuperview();
    m_headers.clear();
    m_footers.clear();
}

void UITableView::placeCell(UITableViewCell& cell, const NSIndexPath& path)
{
    cell.setGroupedInset(groupedInset());
    cell.setFrame(rectForRowAtIndexPath(path));
}

void UITableView::layoutCells()
{
    auto keep = shared_from_this();
    if (!m_loaded)
        computeGeometry();
    CGRect b = bounds();
    if (m_backgroundView)
        m_backgroundView->setFrame(b);
    if (m_tableHeaderView) {
        CGRect f = m_tableHeaderView->frame();
        m_tableHeaderView->setFrame(CGRectMake(0, 0, b.size.width, f.size.height));
    }
    if (m_tableFooterView) {
        CGRect f = m_tableFooterView->frame();
        CGFloat y = contentHeight() - f.size.height;
        m_tableFooterView->setFrame(CGRectMake(0, y, b.size.width, f.size.height));
    }

    // In order of section and row, so looked up by halving. The buffer is
    // taken, not shared, so that a layout started from a data source call
    // inside this one works on its own.
    std::vector<NSIndexPath> wanted = std::move(m_wantedRows);
    wanted.clear();
    rowsInRect(b, wanted);
    // By position, since a cell's leaving may call back into the table.
    for (size_t i = 0; i < m_visible.size();) {
        if (std::binary_search(wanted.begin(), wanted.end(), m_visible.at(i).first)) {
            ++i;
            continue;
        }
        auto cell = std::move(m_visible.at(i).second);
        m_visible.erase(m_visible.begin() + static_cast<long>(i));
        enqueue(cell);
    }
    auto ds = dataSource();
    auto d = delegate();
    for (auto& path : wanted) {
        auto found = m_visible.find(path);
        if (found != m_visible.end()) {
            placeCell(*found->second, path);
            continue;
        }
        std::shared_ptr<UITableViewCell> cell = ds ? ds->tableViewCellForRowAtIndexPath(*this, path) : nullptr;
        if (!cell) {
            // The platform stops the application here; an empty row keeps it running.
            NSLog("UITableView dataSource returned no cell for row %ld in section %ld", path.row(), path.section());
            cell = std::make_shared<UITableViewCell>();
        }
        cell->setSeparator(m_separatorStyle, m_separatorColor);
        cell->setEditing(m_editing);
        cell->setSelected(m_selected.count(path) > 0);
        placeCell(*cell, path);
        long index = m_backgroundView ? 1 : 0;
        insertSubviewAtIndex(cell, index);
        m_visible[path] = cell;
        if (d)
            d->tableViewWillDisplayCellForRowAtIndexPath(*this, *cell, path);
    }

    long first = wanted.empty() ? sectionAtY(b.origin.y) : wanted.front().section();
    long last = wanted.empty() ? first : wanted.back().section();
    // Sections without rows in view may still show a header or footer.
    if (!m_sections.empty()) {
        first = std::min(first, std::max(0L, sectionAtY(b.origin.y)));
        last = std::max(last, std::max(0L, sectionAtY(b.origin.y + b.size.height)));
    }
    m_wantedRows = std::move(wanted);
    placeSupplementaryViews(first, last);
}

void UITableView::placeSupplementaryViews(long first, long last)
{
    CGRect b = bounds();
    auto d = delegate();
    auto place = [&](std::map<long, std::shared_ptr<UIView>>& shown, bool header) {
        for (auto it = shown.begin(); it != shown.end();) {
            if (it->first < first || it->first > last || it->first >= numberOfSections()) {
                it->second->removeFromSuperview();
                it = shown.erase(it);
            } else {
                ++it;
            }
        }
        for (long section = std::max(0L, first); section <= last && section < numberOfSections(); ++section) {
            auto& s = m_sections[static_cast<size_t>(section)];
            CGRect r = header ? rectForHeaderInSection(section) : rectForFooterInSection(section);
            if (r.size.height <= 0)
                continue;
            auto& view = shown[section];
            if (!view) {
                if (d)
                    view = header ? d->tableViewViewForHeaderInSection(*this, section)
                                  : d->tableViewViewForFooterInSection(*this, section);
                const auto& title = header ? s.headerTitle : s.footerTitle;
                if (!view && title)
                    view = titleView(*title, m_style, b.size.width, r.size.height, header);
                if (!view) {
                    shown.erase(section);
                    continue;
                }
            }
            if (m_style == UITableViewStylePlain && header) {
                // Plain headers stay at the top while their section scrolls under them.
                CGFloat end = s.top + s.headerHeight + s.rowsHeight - r.size.height;
                r.origin.y = std::max(r.origin.y, std::min(b.origin.y, end));
            }
            view->setFrame(r);
            if (view->superview().get() != this)
                addSubview(view);
            else
                bringSubviewToFront(view);
        }
    };
    place(m_headers, true);
    place(m_footers, false);
}

void UITableView::layoutSubviews() { layoutCells(); }

void UITableView::setFrame(CGRect frame)
{
    CGFloat oldWidth = bounds().size.width;
    UIScrollView::setFrame(frame);
    if (m_loaded && bounds().size.width != oldWidth)
        updateContentSize();
}

void UITableView::setBounds(CGRect b)
{
    CGFloat oldWidth = bounds().size.width;
    UIScrollView::setBounds(b);
    if (m_loaded && bounds().size.width != oldWidth)
        updateContentSize();
}

std::vector<std::shared_ptr<UITableViewCell>> UITableView::visibleCells()
{
    layoutCells();
    std::vector<std::shared_ptr<UITableViewCell>> out;
    out.reserve(m_visible.size());
    for (auto& [p, cell] : m_visible)
        out.push_back(cell);
    return out;
}

std::vector<NSIndexPath> UITableView::indexPathsForVisibleRows()
{
    layoutCells();
    std::vector<NSIndexPath> out;
    for (auto& [p, cell] : m_visible)
        out.push_back(p);
    return out;
}

std::shared_ptr<UITableViewCell> UITableView::cellForRowAtIndexPath(const NSIndexPath& path)
{
    layoutCells();
    auto it = m_visible.find(path);
    return it == m_visible.end() ? nullptr : it->second;
}

std::optional<NSIndexPath> UITableView::indexPathForCell(const UITableViewCell& cell) const
{
    for (auto& [p, c] : m_visible)
        if (c.get() == &cell)
            return p;
    return std::nullopt;
}

std::shared_ptr<UIView> UITableView::headerViewForSection(long section) const
{
    auto it = m_headers.find(section);
    return it == m_headers.end() ? nullptr : it->second;
}

// Data.

void UITableView::reloadData()
{
    auto keep = shared_from_this();
    if (m_confirming)
        endDeleteConfirmation();
    enqueueAllCells();
    m_selected.clear();
    m_pending.clear();
    computeGeometry();
    setNeedsLayout();
}

void UITableView::reloadRowsAtIndexPathsWithRowAnimation(const std::vector<NSIndexPath>& paths, UITableViewRowAnimation)
{
    if (!m_loaded) {
        reloadData();
        return;
    }
    std::set<long> sections;
    for (auto& p : paths) {
        if (auto it = m_visible.find(p); it != m_visible.end()) {
            enqueue(it->second);
            m_visible.erase(it);
        }
        sections.insert(p.section());
    }
    for (long s : sections)
        if (s >= 0 && s < numberOfSections()) {
            CGFloat top = m_sections[static_cast<size_t>(s)].top;
            m_sections[static_cast<size_t>(s)] = measureSection(s);
            m_sections[static_cast<size_t>(s)].top = top;
        }
    if (!sections.empty())
        restack(std::max(0L, *sections.begin()));
    layoutCells();
}

void UITableView::reloadSectionsWithRowAnimation(const std::vector<long>& sections, UITableViewRowAnimation a)
{
    std::vector<NSIndexPath> paths;
    for (auto& [p, cell] : m_visible)
        if (std::find(sections.begin(), sections.end(), p.section()) != sections.end())
            paths.push_back(p);
    for (long s : sections)
        if (auto it = m_headers.find(s); it != m_headers.end()) {
            it->second->removeFromSuperview();
            m_headers.erase(it);
        }
    reloadRowsAtIndexPathsWithRowAnimation(paths, a);
}

void UITableView::beginUpdates() { ++m_updateDepth; }

namespace {

std::function<void(const std::string&)>& inconsistentUpdateHandler()
{
    static std::function<void(const std::string&)> handler;
    return handler;
}

}  // namespace

void UITableView::setInconsistentUpdateHandler(std::function<void(const std::string& message)> handler)
{
    inconsistentUpdateHandler() = std::move(handler);
}

void UITableView::endUpdates()
{
    if (m_updateDepth <= 0)
        return;
    if (--m_updateDepth == 0) {
        auto updates = std::move(m_pending);
        m_pending.clear();
        applyUpdates(std::move(updates));
    }
}

void UITableView::insertRowsAtIndexPathsWithRowAnimation(const std::vector<NSIndexPath>& paths, UITableViewRowAnimation)
{
    std::vector<Update> updates;
    for (auto& p : paths)
        updates.push_back({ true, false, p });
    submitUpdates(std::move(updates));
}

void UITableView::deleteRowsAtIndexPathsWithRowAnimation(const std::vector<NSIndexPath>& paths, UITableViewRowAnimation)
{
    std::vector<Update> updates;
    for (auto& p : paths)
        updates.push_back({ false, false, p });
    submitUpdates(std::move(updates));
}

void UITableView::insertSectionsWithRowAnimation(const std::vector<long>& sections, UITableViewRowAnimation)
{
    std::vector<Update> updates;
    for (long s : sections)
        updates.push_back({ true, true, NSIndexPath::indexPathWithIndex(static_cast<NSUInteger>(s)) });
    submitUpdates(std::move(updates));
}

void UITableView::deleteSectionsWithRowAnimation(const std::vector<long>& sections, UITableViewRowAnimation)
{
    std::vector<Update> updates;
    for (long s : sections)
        updates.push_back({ false, true, NSIndexPath::indexPathWithIndex(static_cast<NSUInteger>(s)) });
    submitUpdates(std::move(updates));
}

void UITableView::submitUpdates(std::vector<Update> updates)
{
    // Inside begin and end updates they wait for the end; otherwise they apply now.
    if (m_updateDepth > 0)
        m_pending.insert(m_pending.end(), updates.begin(), updates.end());
    else
        applyUpdates(std::move(updates));
}

void UITableView::applyUpdates(std::vector<Update> updates)
{
    auto keep = shared_from_this();
    if (!m_loaded) {
        reloadData();
        return;
    }
    // Deletions name rows and sections as they were, insertions as they will be.
    std::set<long> deletedSections, insertedSections;
    std::map<long, std::set<long>> deletedRows, insertedRows;
    for (auto& u : updates) {
        long first = static_cast<long>(u.path.indexAtPosition(0));
        if (u.isSection)
            (u.insert ? insertedSections : deletedSections).insert(first);
        else
            (u.insert ? insertedRows : deletedRows)[u.path.section()].insert(u.path.row());
    }
    auto mapSection = [&](long old) -> long {
        if (deletedSections.count(old))
            return -1;
        long s = old - static_cast<long>(std::distance(deletedSections.begin(), deletedSections.lower_bound(old)));
        for (long ins : insertedSections)
            if (ins <= s)
                ++s;
        return s;
    };
    auto mapPath = [&](const NSIndexPath& p) -> std::optional<NSIndexPath> {
        long s = mapSection(p.section());
        if (s < 0)
            return std::nullopt;
        auto& dels = deletedRows[p.section()];
        if (dels.count(p.row()))
            return std::nullopt;
        long r = p.row() - static_cast<long>(std::distance(dels.begin(), dels.lower_bound(p.row())));
        for (long ins : insertedRows[s])
            if (ins <= r)
                ++r;
        return NSIndexPath::indexPathForRowInSection(r, s);
    };

    // The data source must now answer the counts the changes lead to.
    auto ds = dataSource();
    long oldSections = numberOfSections();
    long newSections = ds ? ds->numberOfSectionsInTableView(*this) : 0;
    bool consistent = newSections
        == oldSections - static_cast<long>(deletedSections.size()) + static_cast<long>(insertedSections.size());
    std::vector<long> expected(static_cast<size_t>(std::max(0L, newSections)), -1);
    for (long old = 0; consistent && old < oldSections; ++old) {
        long s = mapSection(old);
        if (s < 0)
            continue;
        if (s >= newSections) {
            consistent = false;
            break;
        }
        expected[static_cast<size_t>(s)] = m_sections[static_cast<size_t>(old)].rows
            - static_cast<long>(deletedRows[old].size()) + static_cast<long>(insertedRows[s].size());
    }
    for (long s = 0; consistent && s < newSections; ++s) {
        long rows = ds->tableViewNumberOfRowsInSection(*this, s);
        if (expected[static_cast<size_t>(s)] >= 0 && rows != expected[static_cast<size_t>(s)])
            consistent = false;
    }
    if (!consistent) {
        // The platform stops the application on such a change; the table shows the data as it now is instead.
        const std::string message
            = "Invalid table update: the number of rows or sections does not match the changes made";
        NSLog("%@", message);
        if (auto& handler = inconsistentUpdateHandler())
            handler(message);
        reloadData();
        return;
    }

    VisibleCells visible;
    for (auto& [p, cell] : m_visible) {
        if (auto q = mapPath(p))
            visible[*q] = cell;
        else
            enqueue(cell);
    }
    m_visible = std::move(visible);
    std::set<NSIndexPath> selected;
    for (auto& p : m_selected)
        if (auto q = mapPath(p))
            selected.insert(*q);
    m_selected = std::move(selected);
    if (m_confirming) {
        if (auto q = mapPath(*m_confirming))
            m_confirming = q;
        else
            m_confirming.reset();
    }
    for (auto& [s, v] : m_headers)
        v->removeFromSuperview();
    for (auto& [s, v] : m_footers)
        v->removeFromSuperview();
    m_headers.clear();
    m_footers.clear();
    computeGeometry();
    layoutCells();
}

// Scrolling and selection.

void UITableView::scrollToRowAtIndexPathAtScrollPositionAnimated(
    const NSIndexPath& path, UITableViewScrollPosition position, bool animated)
{
    if (!m_loaded)
        computeGeometry();
    CGRect r = rectForRowAtIndexPath(path);
    if (r.size.height <= 0 && r.origin.y == 0 && !(path.section() == 0 && path.row() == 0))
        return;
    CGRect b = bounds();
    CGPoint o = contentOffset();
    // A plain table's section header stays pinned at the top, so a row
    // brought to the top goes just below it, not under it.
    CGFloat pinned = 0;
    if (m_style == UITableViewStylePlain && path.section() >= 0 && path.section() < numberOfSections())
        pinned = m_sections[static_cast<size_t>(path.section())].headerHeight;
    switch (position) {
    case UITableViewScrollPositionTop:
        o.y = r.origin.y - pinned;
        break;
    case UITableViewScrollPositionMiddle:
        o.y = r.origin.y + r.size.height / 2 - b.size.height / 2;
        break;
    case UITableViewScrollPositionBottom:
        o.y = r.origin.y + r.size.height - b.size.height;
        break;
    case UITableViewScrollPositionNone:
        if (r.origin.y - pinned < o.y)
            o.y = r.origin.y - pinned;
        else if (r.origin.y + r.size.height > o.y + b.size.height)
            o.y = r.origin.y + r.size.height - b.size.height;
        break;
    }
    o.y = std::clamp(o.y, minimumContentOffset().y, maximumContentOffset().y);
    setContentOffsetAnimated(o, animated);
}

void UITableView::scrollToNearestSelectedRowAtScrollPositionAnimated(UITableViewScrollPosition position, bool animated)
{
    if (auto p = indexPathForSelectedRow())
        scrollToRowAtIndexPathAtScrollPositionAnimated(*p, position, animated);
}

std::optional<NSIndexPath> UITableView::indexPathForSelectedRow() const
{
    if (m_selected.empty())
        return std::nullopt;
    return *m_selected.begin();
}

std::vector<NSIndexPath> UITableView::indexPathsForSelectedRows() const
{
    return { m_selected.begin(), m_selected.end() };
}

void UITableView::setCellSelected(const NSIndexPath& path, bool selected)
{
    if (selected)
        m_selected.insert(path);
    else
        m_selected.erase(path);
    if (auto it = m_visible.find(path); it != m_visible.end()) {
        it->second->setSelected(selected);
        it->second->setHighlighted(false);
    }
}

void UITableView::selectRowAtIndexPathAnimatedScrollPosition(
    const NSIndexPath& path, bool animated, UITableViewScrollPosition position)
{
    if (!m_loaded)
        computeGeometry();
    if (path.section() < 0 || path.section() >= numberOfSections() || path.row() < 0
        || path.row() >= numberOfRowsInSection(path.section()))
        return;
    if (!m_allowsMultipleSelection) {
        for (auto old : std::set<NSIndexPath>(m_selected))
            if (!(old == path))
                setCellSelected(old, false);
    }
    setCellSelected(path, true);
    if (position != UITableViewScrollPositionNone)
        scrollToRowAtIndexPathAtScrollPositionAnimated(path, position, animated);
}

void UITableView::deselectRowAtIndexPathAnimated(const NSIndexPath& path, bool) { setCellSelected(path, false); }

void UITableView::tapRow(const NSIndexPath& tapped)
{
    auto keep = shared_from_this();
    if (!m_allowsSelection || (m_editing && !m_allowsSelectionDuringEditing))
        return;
    auto d = delegate();
    std::optional<NSIndexPath> path = tapped;
    if (d)
        path = d->tableViewWillSelectRowAtIndexPath(*this, tapped);
    if (!path)
        return;
    if (m_allowsMultipleSelection && m_selected.count(*path)) {
        setCellSelected(*path, false);
        if (d)
            d->tableViewDidDeselectRowAtIndexPath(*this, *path);
        return;
    }
    if (!m_allowsMultipleSelection) {
        for (auto old : std::set<NSIndexPath>(m_selected)) {
            if (old == *path)
                continue;
            setCellSelected(old, false);
            if (d)
                d->tableViewDidDeselectRowAtIndexPath(*this, old);
        }
    }
    setCellSelected(*path, true);
    if (d)
        d->tableViewDidSelectRowAtIndexPath(*this, *path);
}

// Editing.

bool UITableView::canSwipeToDelete(const NSIndexPath& path)
{
    auto ds = dataSource();
    if (m_editing || !ds || !ds->implementsCommitEditingStyle() || !ds->tableViewCanEditRowAtIndexPath(*this, path))
        return false;
    auto d = delegate();
    return !d || d->tableViewEditingStyleForRowAtIndexPath(*this, path) == UITableViewCellEditingStyleDelete;
}

void UITableView::swipeRow(const NSIndexPath& path)
{
    auto keep = shared_from_this();
    bool fromEditingControl = m_editing;
    if (!fromEditingControl && !canSwipeToDelete(path))
        return;
    if (m_confirming) {
        if (*m_confirming == path)
            return;
        endDeleteConfirmation();
    }
    auto d = delegate();
    if (d && !fromEditingControl)
        d->tableViewWillBeginEditingRowAtIndexPath(*this, path);
    m_confirming = path;
    std::string title = "Delete";
    if (d)
        if (auto t = d->tableViewTitleForDeleteConfirmationButtonForRowAtIndexPath(*this, path))
            title = *t;
    auto cell = cellForRowAtIndexPath(path);
    if (!cell)
        return;
    auto weak = weakSelf<UITableView>();
    cell->showDeleteConfirmation(title, [weak] {
        auto self = weak.lock();
        if (!self || !self->m_confirming)
            return;
        NSIndexPath row = *self->m_confirming;
        bool swiped = !self->m_editing;
        if (auto ds = self->dataSource())
            ds->tableViewCommitEditingStyleForRowAtIndexPath(*self, UITableViewCellEditingStyleDelete, row);
        // The commit usually deletes the row, which takes its delete button away.
        if (self->m_confirming)
            if (auto c = self->cellForRowAtIndexPath(*self->m_confirming))
                c->hideDeleteConfirmation();
        self->m_confirming.reset();
        if (swiped)
            if (auto editingDelegate = self->delegate())
                editingDelegate->tableViewDidEndEditingRowAtIndexPath(*self, row);
    });
}

void UITableView::endDeleteConfirmation()
{
    if (!m_confirming)
        return;
    NSIndexPath row = *m_confirming;
    m_confirming.reset();
    if (auto it = m_visible.find(row); it != m_visible.end())
        it->second->hideDeleteConfirmation();
    if (!m_editing)
        if (auto d = delegate())
            d->tableViewDidEndEditingRowAtIndexPath(*this, row);
}

void UITableView::setEditingAnimated(bool editing, bool animated)
{
    if (m_confirming)
        endDeleteConfirmation();
    m_editing = editing;
    for (auto& [p, cell] : m_visible)
        cell->setEditingAnimated(editing, animated);
}

// Touches that reach the table from its rows.

void UITableView::touchesBeganWithEvent(const UITouchSet& touches, UIEvent*)
{
    if (touches.empty())
        return;
    m_touchStart = touches.front()->locationInView(this);
    m_touchMoved = false;
    m_swiped = false;
    m_touchedRow = indexPathForRowAtPoint(m_touchStart);
    if (m_touchedRow && !m_confirming && m_allowsSelection && (!m_editing || m_allowsSelectionDuringEditing))
        if (auto it = m_visible.find(*m_touchedRow); it != m_visible.end())
            it->second->setHighlighted(true);
}

void UITableView::touchesMovedWithEvent(const UITouchSet& touches, UIEvent*)
{
    if (touches.empty() || !m_touchedRow || m_swiped)
        return;
    CGPoint p = touches.front()->locationInView(this);
    CGFloat dx = p.x - m_touchStart.x, dy = p.y - m_touchStart.y;
    if (std::fabs(dx) < 10 && std::fabs(dy) < 10)
        return;
    // A finger that moved is no tap.
    m_touchMoved = true;
    if (auto it = m_visible.find(*m_touchedRow); it != m_visible.end())
        it->second->setHighlighted(false);
    if (std::fabs(dx) >= kSwipeDistance && std::fabs(dy) * 2 < std::fabs(dx)) {
        m_swiped = true;
        swipeRow(*m_touchedRow);
    }
}

void UITableView::touchesEndedWithEvent(const UITouchSet& touches, UIEvent*)
{
    auto keep = shared_from_this();
    auto row = m_touchedRow;
    m_touchedRow.reset();
    if (!row)
        return;
    if (auto it = m_visible.find(*row); it != m_visible.end())
        it->second->setHighlighted(false);
    if (m_touchMoved)
        return;
    if (m_confirming) {
        // A tap anywhere but the delete button only takes the button away.
        endDeleteConfirmation();
        return;
    }
    if (m_editing) {
        CGPoint p = touches.empty() ? m_touchStart : touches.front()->locationInView(this);
        auto ds = dataSource();
        auto d = delegate();
        bool deletable = ds && ds->tableViewCanEditRowAtIndexPath(*this, *row)
            && (!d || d->tableViewEditingStyleForRowAtIndexPath(*this, *row) == UITableViewCellEditingStyleDelete);
        if (deletable && p.x < groupedInset() + 38) {
            swipeRow(*row);
            return;
        }
    }
    tapRow(*row);
}

void UITableView::touchesCancelledWithEvent(const UITouchSet&, UIEvent*)
{
    if (m_touchedRow)
        if (auto it = m_visible.find(*m_touchedRow); it != m_visible.end())
            it->second->setHighlighted(false);
    m_touchedRow.reset();
}
