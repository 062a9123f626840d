#include "Classes/Frame/FreeDismissAlertView.h"

#include "Classes/Frame/FreeDismissAlertViewCover.h"
#include "Platform/UIKit/UIColor.h"

void FreeDismissAlertView::show()
{
    UIAlertView::show();
    auto parent = superview();
    if (!parent)
        return;
    auto cover = std::make_shared<FreeDismissAlertViewCover>(CGRectMake(0, 0, 1024, 768));
    cover->setUserInteractionEnabled(true);
    cover->setBackgroundColor(UIColor::clearColor());
    cover->setAlpha(0.01);
    cover->setDelegate(protect<UIAlertView>());
    parent->addSubview(cover);
    m_cover = cover;
}

void FreeDismissAlertView::didMoveToSuperview()
{
    UIAlertView::didMoveToSuperview();
    if (superview())
        return;
    if (auto cover = m_cover.lock())
        cover->removeFromSuperview();
}
