#include "Classes/Catalog/MultiColumnTableView.h"

#include "Classes/Catalog/MultiColumnTableViewBGScrollView.h"
#include "Classes/Catalog/MultiColumnTableViewCell.h"
#include "Classes/Catalog/MultiColumnTableViewContentBackgroundView.h"
#include "Classes/Catalog/UIViewAddLine.h"
#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/Foundation/NSLog.h"
#include "Platform/Foundation/NSNotificationCenter.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/QuartzCore/CATransaction.h"
#include "Platform/UIKit/UIApplication.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGestureRecognizer.h"
#include "Platform/UIKit/UIGraphics.h"

#include <algorithm>

namespace {

const std::string kRegularCellId = "MultiColumnCell";
const std::string kSectionHeaderCellId = "SectionHeaderCell";
const std::string kHeaderCellInSectionHeaderId = "HeaderCellInSectionHeader";
const std::string kHeaderCellId = "HeaderCell";
constexpr long kHeaderContentTag = -1;

std::shared_ptr<UIColor> white(int level) { return UIColor::colorWithWhiteAlpha(level / 255.0, 1); }

}  // namespace

std::shared_ptr<MultiColumnTableView> MultiColumnTableView::initWithFrame(CGRect frame)
{
    auto view = std::make_shared<MultiColumnTableView>(frame);
    view->setUp();
    return view;
}

MultiColumnTableView::MultiColumnTableView(CGRect frame)
    : UIView(frame)
{
    m_leftHeaderBackgroundColor = white(249);
    m_sectionHeaderBackgroundColor = white(241);
    m_normalSeperatorLineColor = white(223);
    m_boldSeperatorLineColor = white(223);
    m_topHeaderBackgroundColor = UIColor::whiteColor();
    m_sectionFoldingStatus.reserve(10);
}

MultiColumnTableView::~MultiColumnTableView() { NSNotificationCenter::defaultCenter().removeObserver(this); }

void MultiColumnTableView::setUp()
{
    layer()->setBorderColor(white(212)->CGColor());
    layer()->setCornerRadius(3);
    layer()->setBorderWidth(1);
    setClipsToBounds(true);
    setBackgroundColor(UIColor::clearColor());
    setContentMode(UIViewContentModeRedraw);

    auto self = protect<MultiColumnTableView>();
    m_scrlView = std::make_shared<MultiColumnTableViewBGScrollView>(bounds());
    m_scrlView->setParent(self);
    m_scrlView->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    addSubview(m_scrlView);

    m_tblView = std::make_shared<MultiColumnTableViewContentBackgroundView>(m_scrlView->bounds());
    m_tblView->setDataSource(std::static_pointer_cast<UITableViewDataSource>(self));
    m_tblView->setDelegate(std::static_pointer_cast<UITableViewDelegate>(self));
    m_tblView->setAutoresizingMask(UIViewAutoresizingFlexibleHeight);
    m_tblView->setSeparatorStyle(UITableViewCellSeparatorStyleNone);
    m_tblView->setBackgroundColor(UIColor::clearColor());
    m_scrlView->addSubview(m_tblView);

    auto press = std::make_shared<UILongPressGestureRecognizer>();
    press->minimumPressDuration = 1.0;
    std::weak_ptr<MultiColumnTableView> weak = self;
    press->addTarget([weak](UIGestureRecognizer& recognizer) {
        if (auto view = weak.lock())
            view->columnLongPressed(recognizer);
    });
    m_tblView->addGestureRecognizer(press);
    m_longPress = press;

    NSNotificationCenter::defaultCenter().addObserver(
        this, UIDeviceOrientationDidChangeNotification, [weak](const NSNotification&) {
            if (auto view = weak.lock())
                view->orientationChanged();
        });
}

void MultiColumnTableView::setDataSource(const std::shared_ptr<MultiColumnTableViewDataSource>& dataSource)
{
    if (dataSource == m_dataSource.lock() && !m_dataSource.expired())
        return;
    m_dataSource = dataSource;
    const bool has = dataSource != nullptr;
    m_respondsToReuseIdAtIndexPath = has && dataSource->implementsReuseIdForIndexPath();
    m_respondsToNumberOfSections = has && dataSource->implementsNumberOfSections();
    m_respondsToHeightForCell = has && dataSource->implementsHeightForCell();
    m_respondsToLeftHeaderCell = has && dataSource->implementsLeftHeaderCell();
    m_respondsToHeightForHeaderCell = has && dataSource->implementsHeightForHeaderCell();
    m_respondsToWidthForHeaderCell = has && dataSource->implementsWidthForHeaderCell();
    m_respondsToWidthForColumn = has && dataSource->implementsWidthForColumn();
    m_respondsToHeightForTopHeaderCell = has && dataSource->implementsHeightForTopHeaderCell();
    m_respondsToHeightForSectionHeaderCell = has && dataSource->implementsHeightForSectionHeaderCell();
    m_respondsToHeightForHeaderCellInSectionHeader = has && dataSource->implementsHeightForHeaderCellInSectionHeader();
    m_respondsToSetRowBackgroundColor = has && dataSource->implementsSetRowBackgroundColor();
    m_respondsToSetCellBackgroundColor = has && dataSource->implementsSetCellBackgroundColor();

    adjustWidth();
    m_sectionFoldingStatus.assign(static_cast<size_t>(std::max(0L, numberOfSections())), m_sectionFoldedByDefault);
    reset();
    if (m_respondsToLeftHeaderCell)
        setupHeaderTblView();
    m_tblView->reloadData();
}

void MultiColumnTableView::reloadData()
{
    reset();
    if (m_headerTblView)
        m_headerTblView->reloadData();
    m_tblView->reloadData();
    adjustWidth();
}

// Metrics.

CGFloat MultiColumnTableView::widthForColumn(long column)
{
    auto source = dataSource();
    return source && m_respondsToWidthForColumn ? source->tableViewWidthForColumn(*this, column) : m_cellWidth;
}

CGFloat MultiColumnTableView::heightForCellAtIndexPathColumn(const NSIndexPath& path, long column)
{
    auto source = dataSource();
    return source && m_respondsToHeightForCell ? source->tableViewHeightForCellAtIndexPathColumn(*this, path, column)
                                               : m_cellHeight;
}

CGFloat MultiColumnTableView::heightForHeaderCellAtIndexPath(const NSIndexPath& path)
{
    auto source = dataSource();
    return source && m_respondsToHeightForHeaderCell ? source->tableViewHeightForHeaderCellAtIndexPath(*this, path)
                                                     : m_sectionHeaderHeight;
}

CGFloat MultiColumnTableView::heightForTopHeaderCell()
{
    auto source = dataSource();
    return source && m_respondsToHeightForTopHeaderCell ? source->heightForHeaderCellOfTableView(*this)
                                                        : m_topHeaderHeight;
}

CGFloat MultiColumnTableView::heightForSectionHeaderCellAtSectionColumn(long section, long column)
{
    auto source = dataSource();
    return source && m_respondsToHeightForSectionHeaderCell
        ? source->tableViewHeightForSectionHeaderCellAtSectionColumn(*this, section, column)
        : m_sectionHeaderHeight;
}

CGFloat MultiColumnTableView::heightForHeaderCellInSectionHeaderAtSection(long section)
{
    auto source = dataSource();
    return source && m_respondsToHeightForHeaderCellInSectionHeader
        ? source->tableViewHeightForHeaderCellInSectionHeaderAtSection(*this, section)
        : m_cellHeight;
}

CGFloat MultiColumnTableView::widthForLeftHeaderCell()
{
    if (!m_respondsToLeftHeaderCell)
        return 0;
    auto source = dataSource();
    return source && m_respondsToWidthForHeaderCell ? source->widthForHeaderCellOfTableView(*this) : m_leftHeaderWidth;
}

long MultiColumnTableView::numberOfSections()
{
    auto source = dataSource();
    return source && m_respondsToNumberOfSections ? source->numberOfSectionsInTableView(*this) : 1;
}

long MultiColumnTableView::numberOfColumns()
{
    auto source = dataSource();
    return source ? std::max(0L, source->numberOfColumnsInTableView(*this)) : 0;
}

CGFloat MultiColumnTableView::contentWidth()
{
    const long columns = numberOfColumns();
    CGFloat width = 0;
    for (long c = 0; c < columns; ++c)
        width += widthForColumn(c) + m_normalSeperatorLineWidth;
    return columns > 0 ? width - m_normalSeperatorLineWidth : 0;
}

// Building.

void MultiColumnTableView::adjustWidth()
{
    const CGFloat width = contentWidth();
    m_scrlView->setContentSize(CGSizeMake(width, 0));
    CGRect frame = m_tblView->frame();
    frame.size.width = std::max(width, bounds().size.width - widthForLeftHeaderCell());
    m_tblView->setFrame(frame);
}

void MultiColumnTableView::setupHeaderTblView()
{
    if (m_headerTblView) {
        m_headerTblView->removeFromSuperview();
        m_headerTblView.reset();
    }
    const CGFloat L = widthForLeftHeaderCell();
    const CGFloat B = m_boldSeperatorLineWidth;
    const CGSize size = bounds().size;
    auto self = protect<MultiColumnTableView>();
    m_headerTblView = std::make_shared<UITableView>(CGRectMake(0, 0, L, size.height));
    m_headerTblView->setAutoresizingMask(UIViewAutoresizingFlexibleHeight);
    m_headerTblView->setDataSource(std::static_pointer_cast<UITableViewDataSource>(self));
    m_headerTblView->setDelegate(std::static_pointer_cast<UITableViewDelegate>(self));
    m_headerTblView->setSeparatorStyle(UITableViewCellSeparatorStyleNone);
    m_headerTblView->setShowsVerticalScrollIndicator(false);
    m_headerTblView->setBackgroundColor(m_leftHeaderBackgroundColor);
    insertSubviewAboveSubview(m_headerTblView, m_scrlView);
    m_scrlView->setFrame(CGRectMake(L + B, 0, size.width - L - B, size.height));
    setNeedsDisplay();
}

void MultiColumnTableView::drawRect(CGRect)
{
    if (!m_headerTblView)
        return;
    auto context = UIGraphicsGetCurrentContext();
    if (!context)
        return;
    const CGFloat B = m_boldSeperatorLineWidth;
    const CGFloat x = widthForLeftHeaderCell() + B / 2;
    CGContextSaveGState(context);
    CGContextSetShouldAntialias(context, false);
    CGContextSetStrokeColorWithColor(context, m_boldSeperatorLineColor->CGColor());
    CGContextSetLineWidth(context, B);
    CGContextMoveToPoint(context, x, 0);
    CGContextAddLineToPoint(context, x, bounds().size.height);
    CGContextStrokePath(context);
    CGContextRestoreGState(context);
}

void MultiColumnTableView::reset()
{
    if (m_sectionHeaderEnabled && m_sectionFoldingStatus.empty())
        m_sectionFoldingStatus.assign(static_cast<size_t>(std::max(0L, numberOfSections())), m_sectionFoldedByDefault);
    m_indexPathTable = {};
    m_indexPathTable.reserve(static_cast<size_t>(std::max(1L, numberOfSections())) * 5);
    rebuildIndexPathTable();
    m_scrlView->redraw();
}

void MultiColumnTableView::rebuildIndexPathTable()
{
    m_indexPathTable.clear();
    auto source = dataSource();
    if (!source)
        return;
    const long sections = numberOfSections();
    for (long s = 0; s < sections; ++s) {
        if (m_sectionHeaderEnabled) {
            m_indexPathTable.push_back(NSIndexPath::indexPathWithIndex(static_cast<NSUInteger>(s)));
            // A section the fold list does not know of shows open.
            const bool folded = s < static_cast<long>(m_sectionFoldingStatus.size())
                && m_sectionFoldingStatus[static_cast<size_t>(s)];
            if (folded)
                continue;
        }
        const long rows = source->tableViewNumberOfRowsInSection(*this, s);
        for (long r = 0; r < rows; ++r)
            m_indexPathTable.push_back(NSIndexPath::indexPathForRowInSection(r, s));
    }
}

const NSIndexPath* MultiColumnTableView::entryForRow(long row) const
{
    if (row < 0 || row >= static_cast<long>(m_indexPathTable.size()))
        return nullptr;
    return &m_indexPathTable[static_cast<size_t>(row)];
}

bool MultiColumnTableView::isSectionHeaderEntry(const NSIndexPath& entry) const
{
    return m_sectionHeaderEnabled && entry.length() == 1;
}

// The inner tables.

long MultiColumnTableView::tableViewNumberOfRowsInSection(UITableView&, long)
{
    return static_cast<long>(m_indexPathTable.size());
}

std::optional<CGFloat> MultiColumnTableView::tableViewHeightForRowAtIndexPath(UITableView&, const NSIndexPath& path)
{
    const NSIndexPath* entry = entryForRow(path.row());
    if (!entry)
        return m_cellHeight + m_normalSeperatorLineWidth;
    const long columns = numberOfColumns();
    CGFloat h;
    if (isSectionHeaderEntry(*entry)) {
        const long s = entry->section();
        h = heightForHeaderCellInSectionHeaderAtSection(s);
        for (long c = 0; c < columns; ++c)
            h = std::max(h, heightForSectionHeaderCellAtSectionColumn(s, c));
    } else {
        h = heightForHeaderCellAtIndexPath(*entry);
        for (long c = 0; c < columns; ++c)
            h = std::max(h, heightForCellAtIndexPathColumn(*entry, c));
    }
    return h + m_normalSeperatorLineWidth;
}

std::shared_ptr<UITableViewCell> MultiColumnTableView::tableViewCellForRowAtIndexPath(
    UITableView& tableView, const NSIndexPath& path)
{
    const NSIndexPath* entry = entryForRow(path.row());
    if (!entry)
        return std::make_shared<UITableViewCell>();
    if (&tableView == m_tblView.get())
        return isSectionHeaderEntry(*entry) ? tblViewSectionHeaderCellForRowAtIndexPath(*entry)
                                            : tblViewRegularCellForRowAtIndexPath(*entry);
    return headerTblViewCellForRowAtIndexPath(*entry);
}

template <class Make> void MultiColumnTableView::fitColumnViews(MultiColumnTableViewCell& cell, long columns, Make make)
{
    auto& views = cell.columnCells();
    const long k = static_cast<long>(views.size());
    if (k < columns) {
        CGFloat x = views.empty() ? 0 : CGRectGetMaxX(views.back()->frame());
        for (long c = k; c < columns; ++c) {
            auto view = make(c);
            // An empty stand-in keeps the columns after it in place.
            if (!view)
                view = std::make_shared<UIView>(CGRectZero);
            const CGRect own = view->frame();
            view->setFrame(CGRectMake(x + own.origin.x, own.origin.y, own.size.width, own.size.height));
            cell.contentView()->addSubview(view);
            views.push_back(view);
            x += widthForColumn(c) + m_normalSeperatorLineWidth;
        }
    } else {
        while (static_cast<long>(views.size()) > columns) {
            views.back()->removeFromSuperview();
            views.pop_back();
        }
    }
}

std::shared_ptr<UITableViewCell> MultiColumnTableView::tblViewRegularCellForRowAtIndexPath(const NSIndexPath& entry)
{
    auto source = dataSource();
    std::string reuseId = kRegularCellId;
    if (source && m_respondsToReuseIdAtIndexPath) {
        if (auto id = source->tableViewReuseIdForIndexPath(*this, entry))
            reuseId = *id;
    }
    auto cell
        = std::dynamic_pointer_cast<MultiColumnTableViewCell>(m_tblView->dequeueReusableCellWithIdentifier(reuseId));
    if (!cell) {
        cell = std::make_shared<MultiColumnTableViewCell>(UITableViewCellStyleDefault, reuseId);
        cell->setSelectionStyle(UITableViewCellSelectionStyleNone);
        addBottomLineWithWidthColor(*cell, m_normalSeperatorLineWidth, m_normalSeperatorLineColor);
    }
    if (!source)
        return cell;
    if (m_respondsToSetRowBackgroundColor)
        cell->contentView()->setBackgroundColor(source->backgroundColorAtIndexPath(*this, entry));
    const long columns = numberOfColumns();
    fitColumnViews(*cell, columns, [&](long c) { return source->tableViewCellForIndexPathColumn(*this, entry, c); });
    const auto& views = cell->columnCells();
    for (long c = 0; c < columns; ++c) {
        const auto& view = views[static_cast<size_t>(c)];
        if (m_respondsToSetCellBackgroundColor)
            view->setBackgroundColor(source->backgroundColorAtIndexPathAtColumn(*this, entry, c));
        source->tableViewSetContentForCellIndexPathColumn(*this, view, entry, c);
    }
    CGRect frame = cell->frame();
    frame.size.height += m_normalSeperatorLineWidth;
    cell->setFrame(frame);
    return cell;
}

std::shared_ptr<UITableViewCell> MultiColumnTableView::tblViewSectionHeaderCellForRowAtIndexPath(
    const NSIndexPath& entry)
{
    auto source = dataSource();
    const long section = entry.section();
    auto cell = std::dynamic_pointer_cast<MultiColumnTableViewCell>(
        m_tblView->dequeueReusableCellWithIdentifier(kSectionHeaderCellId));
    if (!cell) {
        cell = std::make_shared<MultiColumnTableViewCell>(UITableViewCellStyleDefault, kSectionHeaderCellId);
        cell->setSelectionStyle(UITableViewCellSelectionStyleNone);
        cell->contentView()->setBackgroundColor(m_sectionHeaderBackgroundColor);
        addBottomLineWithWidthColor(*cell, m_normalSeperatorLineWidth, m_normalSeperatorLineColor);
    }
    if (!source)
        return cell;
    const long columns = numberOfColumns();
    fitColumnViews(
        *cell, columns, [&](long c) { return source->tableViewSectionHeaderCellForSectionColumn(*this, section, c); });
    const auto& views = cell->columnCells();
    for (long c = 0; c < columns; ++c)
        source->tableViewSetContentForSectionHeaderCellSectionColumn(*this, views[static_cast<size_t>(c)], section, c);
    CGRect frame = cell->frame();
    frame.size.height += m_normalSeperatorLineWidth;
    cell->setFrame(frame);
    return cell;
}

std::shared_ptr<UITableViewCell> MultiColumnTableView::headerTblViewCellForRowAtIndexPath(const NSIndexPath& entry)
{
    auto source = dataSource();
    const bool sectionHeader = isSectionHeaderEntry(entry);
    const std::string& reuseId = sectionHeader ? kHeaderCellInSectionHeaderId : kHeaderCellId;
    auto cell = m_headerTblView->dequeueReusableCellWithIdentifier(reuseId);
    if (!cell) {
        cell = std::make_shared<UITableViewCell>(UITableViewCellStyleDefault, reuseId);
        cell->setSelectionStyle(UITableViewCellSelectionStyleNone);
        std::shared_ptr<UIView> content;
        if (source) {
            content = sectionHeader ? source->tableViewHeaderCellInSectionHeaderForSection(*this, entry.section())
                                    : source->tableViewHeaderCellForIndexPath(*this, entry);
        }
        if (sectionHeader)
            cell->contentView()->setBackgroundColor(m_sectionHeaderBackgroundColor);
        if (!content)
            content = std::make_shared<UIView>(CGRectZero);
        content->setTag(kHeaderContentTag);
        cell->contentView()->addSubview(content);
        addBottomLineWithWidthColor(*cell, m_normalSeperatorLineWidth, m_normalSeperatorLineColor);
    }
    if (source) {
        if (auto content = cell->contentView()->viewWithTag(kHeaderContentTag)) {
            if (sectionHeader)
                source->tableViewSetContentForHeaderCellInSectionHeaderAtSection(*this, content, entry.section());
            else
                source->tableViewSetContentForHeaderCellAtIndexPath(*this, content, entry);
        }
    }
    CGRect frame = cell->frame();
    frame.size.height += m_normalSeperatorLineWidth;
    cell->setFrame(frame);
    return cell;
}

std::shared_ptr<UIView> MultiColumnTableView::tableViewViewForHeaderInSection(UITableView& tableView, long)
{
    auto source = dataSource();
    const CGFloat B = m_boldSeperatorLineWidth;
    if (&tableView == m_tblView.get()) {
        m_tblViewHeader = std::make_shared<UIView>(CGRectZero);
        m_tblViewHeader->setClipsToBounds(true);
        m_tblViewHeader->setBackgroundColor(UIColor::clearColor());
        CGFloat height = 0;
        CGFloat x = 0;
        const long columns = numberOfColumns();
        for (long c = 0; c < columns; ++c) {
            const CGFloat w = widthForColumn(c);
            if (auto view = source ? source->tableViewHeaderCellForColumn(*this, c) : nullptr) {
                const CGRect own = view->frame();
                view->setFrame(CGRectMake(x, own.origin.y, own.size.width, own.size.height));
                m_tblViewHeader->addSubview(view);
                height = std::max(height, own.size.height);
            }
            x += w + m_normalSeperatorLineWidth;
        }
        m_tblViewHeader->setFrame(CGRectMake(0, 0, std::max(contentWidth(), m_tblView->bounds().size.width), height));
        m_tblViewHeader->setBackgroundColor(m_topHeaderBackgroundColor);
        addBottomLineWithWidthColor(*m_tblViewHeader, B, m_boldSeperatorLineColor);
        return m_tblViewHeader;
    }
    auto corner = source ? source->topleftHeaderCellOfTableView(*this) : nullptr;
    if (!corner)
        return std::make_shared<UIView>(CGRectZero);
    CGRect frame = corner->frame();
    frame.size.height = heightForTopHeaderCell();
    auto container = std::make_shared<UIView>(frame);
    container->addSubview(corner);
    addBottomLineWithWidthColor(*container, B, m_boldSeperatorLineColor);
    return container;
}

std::optional<CGFloat> MultiColumnTableView::tableViewHeightForHeaderInSection(UITableView&, long)
{
    return heightForTopHeaderCell() + m_boldSeperatorLineWidth;
}

void MultiColumnTableView::tableViewDidSelectRowAtIndexPath(UITableView& tableView, const NSIndexPath& path)
{
    if (&tableView != m_headerTblView.get() || !m_sectionHeaderEnabled)
        return;
    const NSIndexPath* entry = entryForRow(path.row());
    if (entry && isSectionHeaderEntry(*entry))
        toggleFoldOfSectionWithRowNumberRowAnimation(entry->section(), path.row(), UITableViewRowAnimationTop);
}

void MultiColumnTableView::scrollViewDidScroll(UIScrollView& scrollView)
{
    if (!m_headerTblView)
        return;
    UIScrollView* other = nullptr;
    if (&scrollView == m_tblView.get())
        other = m_headerTblView.get();
    else if (&scrollView == m_headerTblView.get())
        other = m_tblView.get();
    // Setting an equal offset would only bounce the call back.
    if (other && !CGPointEqualToPoint(other->contentOffset(), scrollView.contentOffset()))
        other->setContentOffset(scrollView.contentOffset());
}

// Folding.

std::vector<NSIndexPath> MultiColumnTableView::indexPathsOfSectionHeaderRow(long section, long headerRow)
{
    std::vector<NSIndexPath> paths;
    auto source = dataSource();
    const long rows = source ? source->tableViewNumberOfRowsInSection(*this, section) : 0;
    paths.reserve(static_cast<size_t>(std::max(0L, rows)));
    for (long r = 1; r <= rows; ++r)
        paths.push_back(NSIndexPath::indexPathForRowInSection(headerRow + r, 0));
    return paths;
}

void MultiColumnTableView::toggleFoldOfSectionWithRowNumberRowAnimation(
    long section, long row, UITableViewRowAnimation animation)
{
    std::lock_guard guard(m_lock);
    if (section < 0)
        return;
    if (section >= static_cast<long>(m_sectionFoldingStatus.size()))
        m_sectionFoldingStatus.resize(static_cast<size_t>(section + 1), false);
    const bool folded = !m_sectionFoldingStatus[static_cast<size_t>(section)];
    m_sectionFoldingStatus[static_cast<size_t>(section)] = folded;
    const auto paths = indexPathsOfSectionHeaderRow(section, row);
    rebuildIndexPathTable();
    std::vector<UITableView*> tables { m_tblView.get() };
    if (m_headerTblView)
        tables.push_back(m_headerTblView.get());
    for (auto* table : tables)
        table->beginUpdates();
    for (auto* table : tables) {
        if (folded)
            table->deleteRowsAtIndexPathsWithRowAnimation(paths, animation);
        else
            table->insertRowsAtIndexPathsWithRowAnimation(paths, animation);
    }
    for (auto* table : tables)
        table->endUpdates();
}

// Column dragging.

long MultiColumnTableView::columnOfPointInTblView(CGFloat x)
{
    const long columns = numberOfColumns();
    CGFloat right = 0;
    for (long c = 0; c < columns; ++c) {
        right += widthForColumn(c);
        if (x < right)
            return c;
    }
    return -1;
}

void MultiColumnTableView::columnLongPressed(UIGestureRecognizer& recognizer)
{
    auto source = dataSource();
    if (!source || !source->implementsSwapDataOfColumn())
        return;
    const CGPoint location = recognizer.locationInView(m_scrlView.get());
    switch (recognizer.state()) {
    case UIGestureRecognizerStateBegan:
        m_selectedColumn = columnOfPointInTblView(location.x);
        // A press right of every column drags nothing.
        if (m_selectedColumn >= 0)
            highlightColumn(m_selectedColumn);
        break;
    case UIGestureRecognizerStateChanged: {
        if (m_selectedColumn < 0)
            break;
        const long column = columnOfPointInTblView(location.x);
        if (column == -1 || column == m_selectedColumn)
            break;
        swapColumnAndColumn(m_selectedColumn, column);
        m_selectedColumn = column;
        highlightColumn(column);
        break;
    }
    case UIGestureRecognizerStateEnded:
    case UIGestureRecognizerStateCancelled:
        clearHighlightColumn();
        m_selectedColumn = -1;
        break;
    default:
        NSLog("recognizer.state: %d", static_cast<int>(recognizer.state()));
        break;
    }
}

void MultiColumnTableView::swapColumnAndColumn(long column1, long column2)
{
    if (auto source = dataSource())
        source->tableViewSwapDataOfColumnAndColumn(*this, column1, column2);
    m_tblView->reloadData();
    m_scrlView->redraw();
}

CGRect MultiColumnTableView::highlightRectForColumn(long column)
{
    CGFloat x = m_headerTblView ? m_headerTblView->frame().size.width : 0;
    x += -m_scrlView->contentOffset().x + m_boldSeperatorLineWidth;
    for (long c = 0; c < column; ++c)
        x += widthForColumn(c) + m_normalSeperatorLineWidth;
    return CGRectMake(x, 1, widthForColumn(column), bounds().size.height - 2);
}

void MultiColumnTableView::highlightColumn(long column)
{
    if (!m_highlightColumnLayer) {
        m_highlightColumnLayer = CALayer::layer();
        m_highlightColumnLayer->setBorderColor(
            UIColor::colorWithRedGreenBlueAlpha(232 / 255.0, 142 / 255.0, 20 / 255.0, 1)->CGColor());
        m_highlightColumnLayer->setBorderWidth(4);
        m_highlightColumnLayer->setShadowRadius(5);
        m_highlightColumnLayer->setShadowOpacity(0.5f);
        layer()->addSublayer(m_highlightColumnLayer);
    }
    CATransaction::begin();
    CATransaction::setDisableActions(true);
    m_highlightColumnLayer->setFrame(highlightRectForColumn(column));
    CATransaction::commit();
}

void MultiColumnTableView::clearHighlightColumn()
{
    if (!m_highlightColumnLayer)
        return;
    m_highlightColumnLayer->removeFromSuperlayer();
    m_highlightColumnLayer.reset();
}

void MultiColumnTableView::orientationChanged() { adjustWidth(); }
