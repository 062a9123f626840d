#pragma once

// The owner of a pop-up screen, asked to dismiss it when its Close is tapped.

class PopControllerDelegate {
public:
    virtual ~PopControllerDelegate() = default;
    virtual void dismissPopController(bool animated) = 0;
};
