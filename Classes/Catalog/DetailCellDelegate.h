#pragma once

#include <memory>

class DetailCell;

// What a product tile reports to the screen that shows it; the screen decides.
class DetailCellDelegate {
public:
    virtual ~DetailCellDelegate() = default;
    // The thumbnail area was tapped.
    virtual void didSelectedImage(const std::shared_ptr<DetailCell>& cell) = 0;
    // The add-to-order button was pressed.
    virtual void addToOrder(const std::shared_ptr<DetailCell>& cell) = 0;
};
