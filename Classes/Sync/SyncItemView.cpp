#include "Classes/Sync/SyncItemView.h"

#include "Classes/Frame/SkinManager.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"

SyncItemView::SyncItemView(CGRect frame)
    : UIView(frame)
{
}

void SyncItemView::initializationView(CGRect frame)
{
    setBackgroundColor(UIColor::whiteColor());
    m_imatitle = std::make_shared<UIImageView>(CGRectMake(0, 0, frame.size.width, 55));
    m_imatitle->setImage(SkinManager::skinFromImageName("titlebar.png"));
    addSubview(m_imatitle);
    m_lblTitle = std::make_shared<UILabel>(CGRectMake(20, 10, frame.size.width - 40, 35));
    m_lblTitle->setFont(UIFont::fontWithNameSize("Helvetica-Bold", 18));
    m_lblTitle->setTextColor(UIColor::blackColor());
    m_lblTitle->setTextAlignment(UITextAlignmentCenter);
    m_lblTitle->setBackgroundColor(UIColor::clearColor());
    addSubview(m_lblTitle);
}

std::string SyncItemView::title() const { return m_lblTitle ? m_lblTitle->text() : std::string(); }

void SyncItemView::setTitle(const std::optional<std::string>& title)
{
    if (m_lblTitle)
        m_lblTitle->setText(title.value_or(std::string()));
}
