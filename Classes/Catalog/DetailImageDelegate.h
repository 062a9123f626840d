#pragma once

// What the full-screen image viewer asks of the product detail that opened
// it: to step to the previous (1) or next (2) product of its list, refilling
// the viewer before it returns, and to close it.

#include "Classes/Frame/PopControllerDelegate.h"

class DetailImageDelegate : public PopControllerDelegate {
public:
    virtual void changeProductSlideshow(int direction, bool slideShow) = 0;
    virtual void preloadProductFirstImage(int) { }
};
