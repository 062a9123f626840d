#pragma once

// A two-segment switch of two skinned buttons (0 left, 1 right), chosen on
// touch-down. The delegate hears every change; for a touch it hears it while
// currentIndex still holds the previous segment.

#include "Classes/Frame/SwitchButtonDelegate.h"
#include "Platform/UIKit/UIView.h"

#include <memory>
#include <string>

class UIButton;

class SwitchButton : public UIView {
public:
    explicit SwitchButton(CGRect frame);

    std::string leftTittle() const;
    void setLeftTittle(const std::string& title);
    std::string rightTittle() const;
    void setRightTittle(const std::string& title);
    int currentIndex() const { return m_currentIndex; }
    void setCurrentIndex(int index);
    void btnClick(UIButton& segment);
    std::shared_ptr<SwitchButtonDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<SwitchButtonDelegate> d) { m_delegate = std::move(d); }

    const std::shared_ptr<UIButton>& btnLeft() const { return m_btnLeft; }
    const std::shared_ptr<UIButton>& btnRight() const { return m_btnRight; }

private:
    void selectSegments(int index);

    std::shared_ptr<UIButton> m_btnLeft;
    std::shared_ptr<UIButton> m_btnRight;
    std::weak_ptr<SwitchButtonDelegate> m_delegate;
    int m_currentIndex = 0;
};
