#include "Classes/Frame/CorvelleNavigationController.h"

std::shared_ptr<CorvelleNavigationController> CorvelleNavigationController::withRootViewController(
    const std::shared_ptr<UIViewController>& root)
{
    auto navigation = std::make_shared<CorvelleNavigationController>();
    navigation->setViewControllersAnimated({ root }, false);
    return navigation;
}

bool CorvelleNavigationController::shouldAutorotate() const
{
    auto top = topViewController();
    return top ? top->shouldAutorotate() : UINavigationController::shouldAutorotate();
}

unsigned CorvelleNavigationController::supportedInterfaceOrientations() const
{
    auto top = topViewController();
    return top ? top->supportedInterfaceOrientations() : UINavigationController::supportedInterfaceOrientations();
}
