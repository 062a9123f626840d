#pragma once

// The layout of one column's cell in the inventory table: the kind of its one
// control, the control's insets, its font and alignment, and what it shows of
// a product (`message`: the text, or for an image cell the image file's path).

#include "Platform/UIKit/UIGeometry.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

class UIFont;
struct corvelle_product_Entity;

class MultiColumnTableCellInfo {
public:
    // cellType values.
    enum { Label = 0, ImageButton = 1, TextButton = 2, SingleLineLabel = 3 };

    CGFloat leftMargin = 0;
    CGFloat rightMargin = 0;
    CGFloat topMargin = 0;
    CGFloat bottomMargin = 0;
    int cellType = Label;
    int alignment = 0;
    CGFloat cellWidth = 0;
    CGFloat cellHeight = 0;
    std::shared_ptr<UIFont> textFont;
    std::function<std::optional<std::string>(const corvelle_product_Entity&)> message;

    CGFloat contentWidth() const { return cellWidth - leftMargin - rightMargin; }
    CGFloat contentHeight() const { return cellHeight - topMargin - bottomMargin; }
};
