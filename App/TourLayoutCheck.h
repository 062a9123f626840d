#pragma once

// The tour's look at each screen it pictures: texts cut short, views partly
// over one another and texts too faint against what lies behind them are
// printed, and any that is not one of the few the screens mean to have (each
// listed with its reason) fails the tour.

#include <string>

class UIView;

// Prints the screen's defects; answers how many are not intended.
size_t TourCheckLayout(const std::string& picture, const UIView& window);
// Prints the screen's texts that cannot be read well; answers how many are not intended.
size_t TourCheckContrast(const std::string& picture, UIView& window);
