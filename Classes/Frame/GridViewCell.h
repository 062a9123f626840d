#pragma once

// The base of every cell a grid view shows. Subclasses fill `contentView`;
// the grid view sets the display index, selection, highlight, editing and the
// separator look, and takes cells back for reuse by their identifier.
//
// Highlighting shows either a glow (a shadow round the content view's layer)
// or a selection image behind the content. For the image, every opaque
// subview is made transparent and every subview with a highlighted look is
// switched to it; what was changed is saved per subview and put back exactly
// when the highlight goes.

#include "Platform/UIKit/UIView.h"
#include "Platform/Foundation/NSRange.h"

#include <map>
#include <memory>
#include <optional>
#include <string>

class UIColor;
class NSTimer;

enum GridViewCellSeparatorStyle : unsigned {
    GridViewCellSeparatorStyleNone = 0,
    GridViewCellSeparatorStyleEmptySpace = 1,
    GridViewCellSeparatorStyleSingleLine = 2,
};

enum GridViewCellSelectionStyle : unsigned {
    GridViewCellSelectionStyleNone = 0,
    GridViewCellSelectionStyleBlue = 1,
    GridViewCellSelectionStyleGray = 2,
    GridViewCellSelectionStyleBlueGray = 3,
    GridViewCellSelectionStyleGreen = 4,
    GridViewCellSelectionStyleRed = 5,
    GridViewCellSelectionStyleGlow = 6,
};

enum GridViewCellSeparatorEdge : unsigned {
    GridViewCellSeparatorEdgeBottom = 1 << 0,
    GridViewCellSeparatorEdgeRight = 1 << 1,
};

// The separator colour of cells that have none of their own.
std::shared_ptr<UIColor> DefaultGridCellSeparatorColor();

class GridViewCell : public UIView {
public:
    GridViewCell(CGRect frame, const std::string& reuseIdentifier);
    // The set-up of a cell made from an interface file: as above but without
    // a glow radius.
    void awakeFromNib();

    std::shared_ptr<GridViewCell> sharedCell() { return protect<GridViewCell>(); }

    std::shared_ptr<UIView> contentView();
    void setContentView(std::shared_ptr<UIView> view) { m_contentView = std::move(view); }
    std::shared_ptr<UIView> backgroundView() const { return m_backgroundView; }
    void setBackgroundView(std::shared_ptr<UIView> view);
    std::shared_ptr<UIView> selectedBackgroundView() const { return m_selectedBackgroundView; }
    void setSelectedBackgroundView(std::shared_ptr<UIView> view);

    const std::string& reuseIdentifier() const { return m_reuseIdentifier; }
    void setReuseIdentifier(const std::string& identifier) { m_reuseIdentifier = identifier; }

    unsigned selectionStyle() const { return m_selectionStyle; }
    void setSelectionStyle(unsigned style);
    unsigned separatorStyle() const { return m_separatorStyle; }
    void setSeparatorStyle(unsigned style);
    unsigned separatorEdge() const { return m_separatorEdge; }
    void setSeparatorEdge(unsigned edge);
    std::shared_ptr<UIColor> separatorColor() const { return m_separatorColor; }
    void setSeparatorColor(std::shared_ptr<UIColor> color);
    std::shared_ptr<UIColor> selectionGlowColor() const { return m_selectionGlowColor; }
    void setSelectionGlowColor(std::shared_ptr<UIColor> color);
    CGFloat selectionGlowShadowRadius() const { return m_selectionGlowShadowRadius; }
    void setSelectionGlowShadowRadius(CGFloat radius) { m_selectionGlowShadowRadius = radius; }

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected) { setSelectedAnimated(selected, false); }
    virtual void setSelectedAnimated(bool selected, bool animated);
    bool isHighlighted() const { return m_highlighted; }
    void setHighlighted(bool highlighted) { setHighlightedAnimated(highlighted, false); }
    virtual void setHighlightedAnimated(bool highlighted, bool animated);
    bool isEditing() const { return m_editing; }
    void setEditing(bool editing) { setEditingAnimated(editing, false); }
    virtual void setEditingAnimated(bool editing, bool animated) { m_editing = editing; }

    NSUInteger displayIndex() const { return m_displayIndex; }
    void setDisplayIndex(NSUInteger index) { m_displayIndex = index; }
    bool hiddenForAnimation() const { return m_hiddenForAnimation; }
    void setHiddenForAnimation(bool hidden);

    // Subclasses reset their own content; the base only rebuilds the glow's
    // shadow path at next use.
    virtual void prepareForReuse() { m_setShadowPath = false; }
    // By frame origin, y first: -1 when this cell comes first, 1 when later.
    int compareOriginAgainstCell(const GridViewCell& other) const;

    // The content view's layer (null while there is no content view).
    std::shared_ptr<CALayer> glowSelectionLayer() const;

    void layoutSubviews() override;

    // While an animated highlight change runs, and the separator lines.
    bool isAnimatingSelection() const { return m_animatingSelection; }
    std::shared_ptr<UIView> bottomSeparatorView() const { return m_bottomSeparatorView; }
    std::shared_ptr<UIView> rightSeparatorView() const { return m_rightSeparatorView; }

private:
    struct SavedValues {
        std::shared_ptr<UIView> view;  // held while it is a key
        bool hasBackgroundColor = false;
        std::shared_ptr<UIColor> backgroundColor;  // null stands for no colour
        std::optional<bool> highlighted;
    };

    void setUp();
    void highlightAnimationStopped();
    void beginBackgroundHighlight(bool highlighted, bool animated);
    void glowHighlight(bool highlighted);
    void flipHighlight(bool highlighted);
    void makeSubviewsOfViewNonOpaqueWithBackgroundColor(UIView& view, const std::shared_ptr<UIColor>& color);
    void makeSubviewsOfViewOpaqueAgain(UIView& view);
    void highlightSubviewsOfView(UIView& view);
    void resetHighlightForSubviewsOfView(UIView& view);
    SavedValues& savedValuesFor(const std::shared_ptr<UIView>& view);
    CGRect backgroundFrame() const;

    std::string m_reuseIdentifier;
    std::shared_ptr<UIView> m_contentView;
    std::shared_ptr<UIView> m_backgroundView;
    std::shared_ptr<UIView> m_selectedBackgroundView;
    std::shared_ptr<UIColor> m_separatorColor;
    std::shared_ptr<UIColor> m_selectionGlowColor;
    CGFloat m_selectionGlowShadowRadius = 0;
    std::shared_ptr<UIView> m_bottomSeparatorView;
    std::shared_ptr<UIView> m_rightSeparatorView;
    std::shared_ptr<NSTimer> m_fadeTimer;
    std::map<const UIView*, SavedValues> m_selectionColorInfo;
    NSUInteger m_displayIndex = 0;

    unsigned m_separatorStyle = GridViewCellSeparatorStyleEmptySpace;
    unsigned m_selectionStyle = GridViewCellSelectionStyleGlow;
    unsigned m_separatorEdge = 0;
    bool m_animatingSelection = false;
    bool m_selectionGlowColorSet = false;
    bool m_usingDefaultSelectedBackgroundView = true;
    bool m_selected = false;
    bool m_highlighted = false;
    bool m_becomingHighlighted = false;
    bool m_setShadowPath = false;
    bool m_editing = false;
    bool m_hiddenForAnimation = false;
};
