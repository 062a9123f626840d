#include "Classes/Frame/SwitchButton.h"

#include "Classes/Frame/SkinManager.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"

SwitchButton::SwitchButton(CGRect frame)
    : UIView(frame)
{
    const CGFloat half = frame.size.width / 2, height = frame.size.height;
    auto make = [&](CGRect f, long tag, const char* normal, const char* selected) {
        auto b = std::make_shared<UIButton>(f);
        b->setTag(tag);
        b->setBackgroundImageForState(SkinManager::skinFromImageName(std::string(normal)), UIControlStateNormal);
        b->setBackgroundImageForState(SkinManager::skinFromImageName(std::string(selected)), UIControlStateSelected);
        // The segment finds its switch through the view tree, which the switch owns.
        b->addTarget(UIControlEventTouchDown, [](UIControl& c, UIEvent*) {
            if (auto owner = std::dynamic_pointer_cast<SwitchButton>(c.superview()))
                owner->btnClick(static_cast<UIButton&>(c));
        });
        addSubview(b);
        return b;
    };
    m_btnLeft = make(CGRectMake(0, 0, half, height), 0, "catalogswitch_left.png", "catalogswitch_left_on.png");
    m_btnRight = make(CGRectMake(half, 0, half, height), 1, "catalogswitch_right.png", "catalogswitch_right_on.png");
    setBackgroundColor(UIColor::clearColor());
    m_btnLeft->setSelected(true);
}

std::string SwitchButton::leftTittle() const { return m_btnLeft->titleForState(UIControlStateNormal).value_or(""); }

void SwitchButton::setLeftTittle(const std::string& title)
{
    m_btnLeft->setTitleForState(title, UIControlStateNormal);
    m_btnLeft->setTitleColorForState(UIColor::whiteColor(), UIControlStateNormal);
}

std::string SwitchButton::rightTittle() const { return m_btnRight->titleForState(UIControlStateNormal).value_or(""); }

void SwitchButton::setRightTittle(const std::string& title)
{
    m_btnRight->setTitleForState(title, UIControlStateNormal);
    m_btnRight->setTitleColorForState(UIColor::whiteColor(), UIControlStateNormal);
}

void SwitchButton::selectSegments(int index)
{
    m_btnLeft->setSelected(index == 0);
    m_btnRight->setSelected(index != 0);
}

void SwitchButton::btnClick(UIButton& segment)
{
    const int tag = static_cast<int>(segment.tag());
    if (tag == m_currentIndex)
        return;
    selectSegments(tag);
    if (auto d = delegate())
        d->selectSwitchButtonIndex(*this, tag);
    m_currentIndex = tag;
}

void SwitchButton::setCurrentIndex(int index)
{
    if (index == m_currentIndex)
        return;
    m_currentIndex = index;
    selectSegments(index);
    if (auto d = delegate())
        d->selectSwitchButtonIndex(*this, index);
}
