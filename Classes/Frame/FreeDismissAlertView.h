#pragma once

// An alert a person can also dismiss by touching anywhere outside it: the
// dismissal then reports button index 0 and no click. The cover goes with
// the alert however the alert goes, so no invisible cover is left to swallow
// the next touch after a button closed it.

#include "Platform/UIKit/UIAlertView.h"

#include <memory>

class FreeDismissAlertView : public UIAlertView {
public:
    using UIAlertView::UIAlertView;
    void show();
    void didMoveToSuperview() override;

private:
    std::weak_ptr<UIView> m_cover;
};
