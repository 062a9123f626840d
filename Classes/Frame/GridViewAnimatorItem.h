#pragma once

// A view an update animation moves: a cell, or a picture of a cell that is
// leaving (whose index is then NSNotFound), with the item it shows after the
// change. Items are equal when their indices are.

#include "Platform/Foundation/NSRange.h"
#include "Platform/UIKit/UIView.h"

#include <memory>

class GridViewAnimatorItem {
public:
    GridViewAnimatorItem(std::shared_ptr<UIView> view, NSUInteger index)
        : m_animatingView(std::move(view))
        , m_index(index)
    {
    }
    static std::shared_ptr<GridViewAnimatorItem> itemWithViewIndex(std::shared_ptr<UIView> view, NSUInteger index)
    {
        return std::make_shared<GridViewAnimatorItem>(std::move(view), index);
    }

    const std::shared_ptr<UIView>& animatingView() const { return m_animatingView; }
    void setAnimatingView(std::shared_ptr<UIView> view) { m_animatingView = std::move(view); }
    NSUInteger index() const { return m_index; }
    void setIndex(NSUInteger index) { m_index = index; }

    NSUInteger hash() const { return m_index; }
    bool isEqual(const GridViewAnimatorItem& other) const { return m_index == other.m_index; }
    int compare(const GridViewAnimatorItem& other) const
    {
        return m_index == other.m_index ? 0 : (m_index < other.m_index ? -1 : 1);
    }

private:
    std::shared_ptr<UIView> m_animatingView;
    NSUInteger m_index;
};
