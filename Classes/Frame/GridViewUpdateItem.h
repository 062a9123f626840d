#pragma once

// One change of an update batch: an item inserted, deleted, moved or
// reloaded, with the animation asked for. Cleanup corrects an item's index
// by an offset for the changes below it.

#include "Classes/Frame/GridView.h"

#include <string>

enum GridViewUpdateAction : long {
    GridViewUpdateActionInsert = 0,
    GridViewUpdateActionDelete = 1,
    GridViewUpdateActionMove = 2,
    GridViewUpdateActionReload = 3,
};

class GridViewUpdateItem {
public:
    GridViewUpdateItem(NSUInteger originalIndex, GridViewUpdateAction action, GridViewItemAnimation animation)
        : m_originalIndex(originalIndex)
        , m_action(action)
        , m_animation(animation)
    {
    }

    NSUInteger originalIndex() const { return m_originalIndex; }
    NSUInteger newIndex() const { return m_newIndex; }
    void setNewIndex(NSUInteger index) { m_newIndex = index; }
    GridViewUpdateAction action() const { return m_action; }
    GridViewItemAnimation animation() const { return m_animation; }
    NSInteger offset() const { return m_offset; }
    void setOffset(NSInteger offset) { m_offset = offset; }
    // The original index corrected by the offset; 0 when a negative offset is larger.
    NSUInteger index() const;

    // By original index: -1, 0 or 1.
    int compare(const GridViewUpdateItem& other) const;
    int inverseCompare(const GridViewUpdateItem& other) const { return -compare(other); }
    std::string description() const;

    static const char* nameOfAction(long action);
    static const char* nameOfAnimation(long animation);

private:
    NSUInteger m_originalIndex;
    NSUInteger m_newIndex = 0;
    GridViewUpdateAction m_action;
    GridViewItemAnimation m_animation;
    NSInteger m_offset = 0;
};
