#pragma once

// The tour's look at each screen it pictures: texts cut short and views
// partly over one another are printed, and any that is not one of the few
// the screens mean to have (each listed with its reason) fails the tour.

#include <string>

class UIView;

// Prints the screen's defects; answers how many are not intended.
size_t TourCheckLayout(const std::string& picture, const UIView& window);
