#include "Classes/Catalog/NODescriptionView.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UILabel.h"

std::shared_ptr<NODescriptionView> NODescriptionView::initWithFrame(CGRect frame)
{
    auto view = std::make_shared<NODescriptionView>(frame);
    LanguageManager::sharedInstance()->registerLanugageNotification(view);
    return view;
}

NODescriptionView::NODescriptionView(CGRect frame)
    : UIView(frame)
{
    m_noDescriptionLabel = std::make_shared<UILabel>(CGRectMake(0, 50, frame.size.width, 50));
    m_noDescriptionLabel->setBackgroundColor(UIColor::clearColor());
    m_noDescriptionLabel->setTextColor(UIColor::grayColor());
    m_noDescriptionLabel->setTextAlignment(UITextAlignmentCenter);
    addSubview(m_noDescriptionLabel);
    notifiChangelanguage();
}

NODescriptionView::~NODescriptionView()
{
    if (auto manager = LanguageManager::existingInstance())
        manager->unRegisterLanugageNotification(this);
}

void NODescriptionView::notifiChangelanguage()
{
    const bool chinese = LanguageManager::sharedInstance()->currentLanguage() == 2;
    m_noDescriptionLabel->setText(text("NODESCRIPTION"));
    m_noDescriptionLabel->setFont(UIFont::fontWithNameSize("Zapfino", chinese ? 35 : 25));
}
