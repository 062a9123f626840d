#pragma once

#include <memory>

class CompareCell;

// What a column of the compare screen reports; the screen decides.
class CompareCellDelegate {
public:
    virtual ~CompareCellDelegate() = default;
    virtual void addToOrder(const std::shared_ptr<CompareCell>& cell) = 0;
    virtual void didTapImage(const std::shared_ptr<CompareCell>&) { }
    virtual void didLongPressImage(const std::shared_ptr<CompareCell>&) { }
    virtual void didClickCellBackground(const std::shared_ptr<CompareCell>&) { }
};
