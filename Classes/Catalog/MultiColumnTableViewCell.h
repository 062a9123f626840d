#pragma once

// A body row (or section header row) of the multi-column table: one view per
// column, side by side in the content view. A reused cell keeps its column
// views, so showing a row again only refills them.

#include "Platform/UIKit/UITableViewCell.h"

#include <memory>
#include <vector>

class MultiColumnTableViewCell : public UITableViewCell {
public:
    using UITableViewCell::UITableViewCell;

    std::vector<std::shared_ptr<UIView>>& columnCells() { return m_columnCells; }
    const std::vector<std::shared_ptr<UIView>>& columnCells() const { return m_columnCells; }

private:
    std::vector<std::shared_ptr<UIView>> m_columnCells;
};
