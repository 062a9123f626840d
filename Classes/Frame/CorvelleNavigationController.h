#pragma once

// The navigation controller that holds the main tab bar: it asks its top
// screen how to rotate, and adds nothing else.

#include "Platform/UIKit/UINavigationController.h"

class CorvelleNavigationController : public UINavigationController {
public:
    static std::shared_ptr<CorvelleNavigationController> withRootViewController(
        const std::shared_ptr<UIViewController>& root);

    bool shouldAutorotate() const override;
    unsigned supportedInterfaceOrientations() const override;
};
