#include "Classes/Catalog/MultiColumnTableViewBGScrollView.h"

#include "Classes/Catalog/MultiColumnTableView.h"
#include "Classes/Catalog/UIViewAddLine.h"
#include "Platform/UIKit/UIColor.h"

void MultiColumnTableViewBGScrollView::redraw()
{
    for (const auto& line : m_lines)
        line->removeFromSuperview();
    m_lines.clear();
    auto owner = parent();
    if (!owner)
        return;
    if (m_lines.capacity() < 10)
        m_lines.reserve(10);
    const CGFloat n = owner->normalSeperatorLineWidth();
    const auto color = owner->normalSeperatorLineColor();
    auto first = std::make_shared<UIView>(CGRectMake(-n, 0, n, bounds().size.height));
    first->setBackgroundColor(color);
    first->setAutoresizingMask(UIViewAutoresizingFlexibleHeight | UIViewAutoresizingFlexibleRightMargin);
    addSubview(first);
    m_lines.push_back(first);
    CGFloat x = -n;
    const long columns = owner->numberOfColumns();
    for (long c = 0; c < columns; ++c) {
        x += owner->widthForColumn(c) + n;
        m_lines.push_back(addVerticalLineWithWidthColorAtX(*this, n, color, x));
    }
}
