#include "Classes/Frame/AboutViewController.h"

#include "Classes/Frame/CorvelleAppDelegate.h"
#include "Classes/Frame/Language.h"
#include "Platform/Foundation/NSBundle.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UINavigationController.h"

namespace {

std::shared_ptr<UILabel> makeLabel(CGRect frame, const std::shared_ptr<UIFont>& font, UITextAlignment alignment)
{
    auto label = std::make_shared<UILabel>(frame);
    label->setFont(font);
    label->setTextAlignment(alignment);
    label->setBackgroundColor(UIColor::clearColor());
    return label;
}

}  // namespace

void AboutViewController::viewDidLoad()
{
    BaseViewController::viewDidLoad();
    const CGFloat w = viewWidth;
    view()->setBackgroundColor(UIColor::groupTableViewBackgroundColor());
    m_icon = std::make_shared<UIImageView>(CGRectMake((w - 72) / 2, 90, 72, 72));
    m_icon->setImage(UIImage::imageNamed("icon_app.png"));
    view()->addSubview(m_icon);

    const Value name = NSBundle::mainBundle()->objectForInfoDictionaryKey("CFBundleDisplayName");
    m_name = makeLabel(
        CGRectMake((w - 235) / 2, 230, 235, 30), UIFont::fontWithNameSize("Helvetica-Bold", 30), UITextAlignmentCenter);
    m_name->setText(name.isString() ? name.stringValue() : std::string());

    m_versionTitle
        = makeLabel(CGRectMake((w - 110) / 2, 280, 60, 30), UIFont::systemFontOfSize(16), UITextAlignmentLeft);
    m_versionTitle->setTextColor(UIColor::darkGrayColor());
    m_version
        = makeLabel(CGRectMake((w - 110) / 2 + 60, 280, 50, 30), UIFont::systemFontOfSize(16), UITextAlignmentRight);
    m_version->setTextColor(UIColor::darkGrayColor());
    if (auto app = CorvelleAppDelegate::sharedAppDelegate())
        m_version->setText(app->currentVersion());

    m_companyInfo
        = makeLabel(CGRectMake((w - 280) / 2, 430, 280, 30), UIFont::systemFontOfSize(16), UITextAlignmentCenter);
    m_companyRights
        = makeLabel(CGRectMake((w - 280) / 2, 460, 280, 30), UIFont::systemFontOfSize(16), UITextAlignmentCenter);
    for (const auto& label : { m_name, m_versionTitle, m_version, m_companyInfo, m_companyRights })
        view()->addSubview(label);

    auto weak = weakSelf<AboutViewController>();
    m_doneButton = std::make_shared<UIBarButtonItem>(text("DONE"), UIBarButtonItemStyleDone, [weak](UIBarButtonItem&) {
        if (auto self = weak.lock())
            self->doneButtonTapped();
    });
    navigationItem()->rightBarButtonItem = m_doneButton;
    updateLanguage(nullptr);
}

void AboutViewController::updateLanguage(const std::shared_ptr<UIResponder>&)
{
    setTitle(text("ABOUT"));
    if (m_versionTitle)
        m_versionTitle->setText(text("VERSION"));
    if (m_companyInfo)
        m_companyInfo->setText(text("COMPANYNAMEINFO"));
    if (m_companyRights)
        m_companyRights->setText(text("COMPANYRIGHTS"));
    if (m_doneButton)
        m_doneButton->title = text("DONE");
}

void AboutViewController::doneButtonTapped()
{
    auto navigation = navigationController();
    auto presenting = navigation ? navigation->presentingViewController() : presentingViewController();
    auto delegate = m_delegate.lock();
    if (presenting)
        presenting->dismissViewControllerAnimatedCompletion(true, nullptr);
    if (delegate)
        delegate->deselectButton();
}
