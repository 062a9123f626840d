#pragma once

// Looks over a view tree for texts a person cannot read well: each label's
// text, as drawn, is weighed against what is drawn behind it (the tree drawn
// once more without the labels' texts), and a ratio below the readable one
// is reported: 4.5 to 1 for
// body text, 3 to 1 for large text (18 points, or 14 points bold). Hidden,
// fully transparent, clipped-away and covered labels are not seen and not
// checked; so are labels wholly under a see-through view drawn after them
// (the dimming behind an alert or a sheet).

#include <string>
#include <vector>

class UIView;

struct UIViewContrastDefect {
    // The label, as a path of its last few ancestors ("LibraryCatalogCell/UILabel \"ALL\"").
    std::string where;
    std::string textColour;  // "#rrggbb", the text's ink as drawn
    std::string backgroundColour;  // "#rrggbb", what lies behind the text
    double ratio = 0;
    double needed = 0;
};

// Draws `root` twice, with and without its labels' texts; the tree is left as it was.
std::vector<UIViewContrastDefect> UIViewFindContrastDefects(UIView& root);

// One line for a report ("low contrast: ... (#555555 on #3d73a8, 1.5:1, needs 3:1)").
std::string UIViewContrastDefectDescription(const UIViewContrastDefect& defect);

// The ratio of two colours' relative luminances, lighter over darker, each
// plus 0.05: from 1 (the same) to 21 (black on white). Components 0 to 1.
double UIColorContrastRatio(double r1, double g1, double b1, double r2, double g2, double b2);
