#include "Classes/Customer/SectionHeaderView.h"

#include "Classes/Frame/SkinManager.h"
#include "Platform/Foundation/NSString.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIGestureRecognizer.h"

SectionHeaderView::SectionHeaderView(
    CGRect frame, const std::string& title, int section, bool opened, std::weak_ptr<SectionHeaderViewDelegate> delegate)
    : UIView(frame)
    , m_delegate(std::move(delegate))
    , m_section(section)
    , m_opened(opened)
{
    setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(207 / 255.0, 207 / 255.0, 207 / 255.0, 1));

    m_sectionbg = std::make_shared<UIImageView>(CGRectMake(-2.0, 0, 1026.0, 50.0));
    m_sectionbg->setImage(SkinManager::skinFromImageName(std::string("titlebar.png")));
    addSubview(m_sectionbg);

    CGRect titleFrame = bounds();
    titleFrame.origin.x += 35.0;
    titleFrame.size.width -= 35.0;
    titleFrame.origin.y += 5.0;
    titleFrame.size.height -= 10.0;
    m_titleLabel = std::make_shared<UILabel>(titleFrame);
    m_titleLabel->setText(NSString::uppercaseString(title));
    m_titleLabel->setFont(UIFont::boldSystemFontOfSize(24));
    m_titleLabel->setTextColor(UIColor::blackColor());
    m_titleLabel->setBackgroundColor(UIColor::clearColor());
    addSubview(m_titleLabel);

    m_disclosureButton = UIButton::buttonWithType(UIButtonTypeCustom);
    m_disclosureButton->setFrame(CGRectMake(0.0, 0.0, 35.0, 35.0));
    m_disclosureButton->setSelected(opened);
    m_disclosureButton->setUserInteractionEnabled(false);
    addSubview(m_disclosureButton);
}

std::shared_ptr<SectionHeaderView> SectionHeaderView::make(
    CGRect frame, const std::string& title, int section, bool opened, std::weak_ptr<SectionHeaderViewDelegate> delegate)
{
    auto header = std::make_shared<SectionHeaderView>(frame, title, section, opened, std::move(delegate));
    std::weak_ptr<SectionHeaderView> weak = header;
    header->addGestureRecognizer(std::make_shared<UITapGestureRecognizer>([weak](UIGestureRecognizer&) {
        if (auto self = weak.lock())
            self->toggleAction();
    }));
    return header;
}

void SectionHeaderView::toggleAction()
{
    auto protector = sharedView();
    m_disclosureButton->setSelected(!m_disclosureButton->isSelected());
    auto delegate = m_delegate.lock();
    if (!delegate)
        return;
    if (m_disclosureButton->isSelected())
        delegate->sectionHeaderViewSectionOpened(*this, m_section);
    else
        delegate->sectionHeaderViewSectionClosed(*this, m_section);
}
