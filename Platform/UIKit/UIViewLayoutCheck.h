#pragma once

// Looks over a view tree for what a person would see as broken: a label or a
// button title whose text does not fit the room it is drawn in (so it is cut
// or shortened with an ellipsis), and two visible sibling views whose drawn
// areas partly cover each other. A view wholly inside its sibling (a badge on
// a picture, a caption on a background) is layering, not a defect, unless a
// sibling laid over it paints all of it out of sight; hidden,
// fully transparent and clipped-away views are not seen and not checked.

#include "Platform/CoreGraphics/CGGeometry.h"

#include <string>
#include <vector>

class UIView;

struct UIViewLayoutDefect {
    enum Kind { TextDoesNotFit, SiblingsOverlap };
    Kind kind = TextDoesNotFit;
    // The views involved, each named by its class and its text when it has
    // one, as a path of the last few ancestors ("LoginCheckBox/UIButton
    // \"Create login shortcut\"").
    std::string where;
    std::string other;  // the second view of an overlap
    std::string detail;  // the sizes involved, for a person reading the report
};

std::vector<UIViewLayoutDefect> UIViewFindLayoutDefects(const UIView& root);

// A view named for a report: its class and text, after the classes of its
// last few ancestors below `root`.
std::string UIViewPathForReport(const UIView& view, const UIView& root);

// One line for a report ("text does not fit: ..." / "overlap: ...").
std::string UIViewLayoutDefectDescription(const UIViewLayoutDefect& defect);
