#include "Classes/Frame/GridViewUpdateItem.h"

#include "Platform/Foundation/Format.h"

NSUInteger GridViewUpdateItem::index() const
{
    if (m_offset < 0 && static_cast<NSUInteger>(-m_offset) > m_originalIndex)
        return 0;
    return static_cast<NSUInteger>(static_cast<NSInteger>(m_originalIndex) + m_offset);
}

int GridViewUpdateItem::compare(const GridViewUpdateItem& other) const
{
    if (m_originalIndex == other.m_originalIndex)
        return 0;
    return m_originalIndex < other.m_originalIndex ? -1 : 1;
}

const char* GridViewUpdateItem::nameOfAction(long action)
{
    switch (action) {
    case GridViewUpdateActionInsert:
        return "Insert";
    case GridViewUpdateActionDelete:
        return "Delete";
    case GridViewUpdateActionMove:
        return "Move";
    case GridViewUpdateActionReload:
        return "Reload";
    default:
        return "<Unknown>";
    }
}

const char* GridViewUpdateItem::nameOfAnimation(long animation)
{
    switch (animation) {
    case GridViewItemAnimationFade:
        return "Fade";
    case GridViewItemAnimationRight:
        return "Right";
    case GridViewItemAnimationLeft:
        return "Left";
    case GridViewItemAnimationTop:
        return "Top";
    case GridViewItemAnimationBottom:
        return "Bottom";
    case GridViewItemAnimationNone:
        return "None";
    case GridViewItemAnimationMiddle:
        return "Middle";
    default:
        return "<Unknown>";
    }
}

std::string GridViewUpdateItem::description() const
{
    return stringWithFormat("<GridViewUpdateItem: %p> index: %lu, action: %s, animation: %s, offset: %ld",
        static_cast<const void*>(this), index(), nameOfAction(m_action), nameOfAnimation(m_animation), m_offset);
}
