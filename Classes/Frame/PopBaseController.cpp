#include "Classes/Frame/PopBaseController.h"

#include "Classes/Frame/PublicFunction.h"
#include "Classes/Frame/SkinManager.h"
#include "Classes/Frame/Language.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"

PopBaseController::PopBaseController() = default;
PopBaseController::~PopBaseController() = default;

void PopBaseController::viewDidLoad()
{
    BaseViewController::viewDidLoad();

    auto background = std::make_shared<UIImageView>(CGRectMake(0, 0, 1024, 44));
    background->setImage(SkinManager::skinFromImageName(std::string("topbar-bg.png")));

    lblTittle = std::make_shared<UILabel>(CGRectMake(0, 7, 1024, 30));
    lblTittle->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 20));
    lblTittle->setBackgroundColor(UIColor::clearColor());
    lblTittle->setTextColor(UIColor::whiteColor());
    lblTittle->setTextAlignment(UITextAlignmentCenter);
    lblTittle->setText("");

    auto close = UIButton::buttonWithType(UIButtonTypeCustom);
    close->setFrame(CGRectMake(949, 5, 60, 34));
    PublicFunction::initializeToButtonHeight34(close);
    close->setTitleForState(Language::stringOrKey("CLOSE"), UIControlStateNormal);
    std::weak_ptr<PopBaseController> weak = weakSelf<PopBaseController>();
    close->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        if (auto self = weak.lock())
            self->close();
    });
    m_btnClose = close;

    auto bar = std::make_shared<UIImageView>(CGRectMake(0, 0, 1024, 44));
    bar->setUserInteractionEnabled(true);
    bar->addSubview(background);
    bar->addSubview(lblTittle);
    bar->addSubview(close);
    m_titlebar = bar;
    view()->addSubview(bar);
}

void PopBaseController::didReceiveMemoryWarning()
{
    BaseViewController::didReceiveMemoryWarning();
    // The label stays in the title bar; writes through lblTittle stop until
    // the view is built again.
    lblTittle.reset();
}

bool PopBaseController::shouldAutorotateToInterfaceOrientation(UIInterfaceOrientation o)
{
    return o == UIInterfaceOrientationLandscapeLeft || o == UIInterfaceOrientationLandscapeRight;
}

unsigned PopBaseController::supportedInterfaceOrientations() const { return UIInterfaceOrientationMaskLandscape; }

void PopBaseController::close()
{
    if (auto d = delegate())
        d->dismissPopController(true);
}

void PopBaseController::updateLanguage()
{
    if (m_btnClose)
        m_btnClose->setTitleForState(Language::stringOrKey("CLOSE"), UIControlStateNormal);
}
