#pragma once

// The scroll view that carries the multi-column table's body sideways. It
// draws the column lines above the body, one at the left edge and one after
// each column.

#include "Platform/UIKit/UIScrollView.h"

#include <memory>
#include <vector>

class MultiColumnTableView;

class MultiColumnTableViewBGScrollView : public UIScrollView {
public:
    using UIScrollView::UIScrollView;

    std::shared_ptr<MultiColumnTableView> parent() const { return m_parent.lock(); }
    void setParent(std::weak_ptr<MultiColumnTableView> parent) { m_parent = std::move(parent); }
    const std::vector<std::shared_ptr<UIView>>& lines() const { return m_lines; }

    void redraw();

private:
    std::weak_ptr<MultiColumnTableView> m_parent;
    std::vector<std::shared_ptr<UIView>> m_lines;
};
