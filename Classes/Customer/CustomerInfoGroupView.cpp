#include "Classes/Customer/CustomerInfoGroupView.h"

#include "Classes/Frame/SkinManager.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"

std::shared_ptr<CustomerInfoGroupView> CustomerInfoGroupView::make(CGRect frame)
{
    auto view = std::make_shared<CustomerInfoGroupView>(frame);
    view->setUp();
    return view;
}

CustomerInfoGroupView::CustomerInfoGroupView(CGRect frame)
    : UIView(frame)
{
}

void CustomerInfoGroupView::setUp()
{
    auto weak = weakSelf<CustomerInfoGroupView>();
    m_lblGroupName = std::make_shared<UILabel>(CGRectMake(45, 15, 190, 25));
    m_lblGroupName->setFont(UIFont::boldSystemFontOfSize(18));
    m_lblGroupName->setTextColor(UIColor::colorWithRedGreenBlueAlpha(65 / 255.0, 93 / 255.0, 128 / 255.0, 1));
    m_lblGroupName->setBackgroundColor(UIColor::clearColor());
    addSubview(m_lblGroupName);

    m_btnSelect = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnSelect->setFrame(CGRectMake(205, 7, 40, 40));
    m_btnSelect->setImageForState(
        SkinManager::skinFromImageName(std::string("checkbox-off.png")), UIControlStateNormal);
    m_btnSelect->setImageForState(
        SkinManager::skinFromImageName(std::string("checkbox-on.png")), UIControlStateDisabled);
    m_btnSelect->setTitleForState("choose me", UIControlStateNormal);
    m_btnSelect->setTitleForState("select", UIControlStateSelected);
    m_btnSelect->addTarget(UIControlEventTouchUpInside, [weak](UIControl& button, UIEvent*) {
        auto self = weak.lock();
        if (!self || self->m_isSelect)
            return;
        button.setSelected(true);
        if (auto listener = self->delegate.lock())
            listener->groupViewClickWithType(self->indexId, self->type);
    });
    addSubview(m_btnSelect);

    m_deleteButton = UIButton::buttonWithType(UIButtonTypeCustom);
    m_deleteButton->setFrame(CGRectMake(frame().size.width - 80, 5, 50, 50));
    m_deleteButton->setImageForState(SkinManager::skinFromImageName(std::string("file-del.png")), UIControlStateNormal);
    m_deleteButton->imageEdgeInsets = UIEdgeInsetsMake(10, 10, 10, 10);
    m_deleteButton->setHidden(true);
    m_deleteButton->addTarget(UIControlEventTouchUpInside, [weak](UIControl&, UIEvent*) {
        auto self = weak.lock();
        if (!self)
            return;
        if (auto listener = self->delegate.lock())
            listener->deleteSectionWithType(self->indexId, self->type);
    });
    addSubview(m_deleteButton);
}

void CustomerInfoGroupView::setIsSelect(bool isDefault)
{
    m_isSelect = isDefault;
    m_btnSelect->setEnabled(!isDefault);
}

void CustomerInfoGroupView::selectButtonHidden() { m_btnSelect->setHidden(true); }
