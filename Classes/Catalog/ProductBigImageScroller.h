#pragma once

// The image pager as a page of it sees it: a single tap on a page shows or
// hides the pager's controls.
class ProductBigImageScroller {
public:
    virtual ~ProductBigImageScroller() = default;
    virtual void toggleChromeDisplay() = 0;
};
