#include "Classes/Frame/PlaceholderViewController.h"

#include "Classes/Frame/Language.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UILabel.h"

PlaceholderViewController::PlaceholderViewController(std::string screenName, std::string titleKey)
    : m_screenName(std::move(screenName))
    , m_titleKey(std::move(titleKey))
{
}

void PlaceholderViewController::viewDidLoad()
{
    view()->setBackgroundColor(UIColor::whiteColor());
    m_label = std::make_shared<UILabel>(CGRectMake(0, 300, 1024, 60));
    m_label->setTextAlignment(UITextAlignmentCenter);
    m_label->setFont(UIFont::boldSystemFontOfSize(28));
    m_label->setTextColor(UIColor::grayColor());
    m_label->setBackgroundColor(UIColor::clearColor());
    view()->addSubview(m_label);
}

void PlaceholderViewController::viewWillAppear(bool)
{
    const std::string title = Language::stringWithName(m_titleKey).value_or(m_titleKey);
    setTitle(title);
    m_label->setText(title);
}
