#include "Platform/UIKit/UISearchBar.h"

#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"

class UISearchBar::FieldDelegate : public UITextFieldDelegate {
public:
    explicit FieldDelegate(UISearchBar* bar)
        : m_bar(bar)
    {
    }
    bool textFieldShouldBeginEditing(UITextField&) override
    {
        auto d = m_bar->delegate();
        return !d || d->searchBarShouldBeginEditing(*m_bar);
    }
    void textFieldDidBeginEditing(UITextField&) override
    {
        if (auto d = m_bar->delegate())
            d->searchBarTextDidBeginEditing(*m_bar);
    }
    bool textFieldShouldEndEditing(UITextField&) override
    {
        auto d = m_bar->delegate();
        return !d || d->searchBarShouldEndEditing(*m_bar);
    }
    void textFieldDidEndEditing(UITextField&) override
    {
        if (auto d = m_bar->delegate())
            d->searchBarTextDidEndEditing(*m_bar);
    }
    bool textFieldShouldReturn(UITextField&) override
    {
        if (auto d = m_bar->delegate())
            d->searchBarSearchButtonClicked(*m_bar);
        return false;
    }

private:
    UISearchBar* m_bar;  // owns this delegate
};

UISearchBar::UISearchBar(CGRect frame)
    : UIView(frame)
    , m_field(std::make_shared<UITextField>(CGRectZero))
    , m_fieldDelegate(std::make_shared<FieldDelegate>(this))
{
    m_field->setBorderStyle(UITextBorderStyleRoundedRect);
    m_field->setFont(UIFont::systemFontOfSize(14));
    m_field->setClearButtonMode(UITextFieldViewModeWhileEditing);
    m_field->setContentVerticalAlignment(UIControlContentVerticalAlignmentCenter);
    m_field->returnKeyType = UIReturnKeySearch;
    m_field->setDelegate(m_fieldDelegate);
    addSubview(m_field);
    m_field->addTarget(UIControlEventEditingChanged, [this](UIControl&, UIEvent*) {
        if (auto d = delegate())
            d->searchBarTextDidChange(*this, m_field->text());
    });
    layoutSubviews();
}

UISearchBar::~UISearchBar()
{
    m_field->removeAllTargets();
    m_field->setDelegate({});
}

std::string UISearchBar::text() const { return m_field->text(); }

void UISearchBar::setText(const std::string& text) { m_field->setText(text); }

std::string UISearchBar::placeholder() const { return m_field->placeholder(); }

void UISearchBar::setPlaceholder(const std::string& text) { m_field->setPlaceholder(text); }

void UISearchBar::setShowsCancelButton(bool on)
{
    if (on == showsCancelButton())
        return;
    if (!on) {
        m_cancelButton->removeFromSuperview();
        m_cancelButton.reset();
    } else {
        m_cancelButton = std::make_shared<UIButton>(CGRectZero);
        m_cancelButton->setTitleForState("Cancel", UIControlStateNormal);
        m_cancelButton->setTitleColorForState(UIColor::whiteColor(), UIControlStateNormal);
        m_cancelButton->addTarget(UIControlEventTouchUpInside, [this](UIControl&, UIEvent*) {
            if (auto d = delegate())
                d->searchBarCancelButtonClicked(*this);
        });
        addSubview(m_cancelButton);
    }
    layoutSubviews();
}

void UISearchBar::layoutSubviews()
{
    CGRect b = bounds();
    CGFloat right = b.size.width - 8;
    if (m_cancelButton) {
        m_cancelButton->setFrame(CGRectMake(right - 64, (b.size.height - 30) / 2, 64, 30));
        right -= 72;
    }
    m_field->setFrame(CGRectMake(8, (b.size.height - 30) / 2, std::max<CGFloat>(0, right - 8), 30));
}

void UISearchBar::drawRect(CGRect)
{
    if (m_backgroundImage) {
        m_backgroundImage->drawInRect(bounds());
        return;
    }
    if (auto c = UIGraphicsGetCurrentContext()) {
        UIColor::colorWithRedGreenBlueAlpha(0.69f, 0.74f, 0.79f, 1)->setFill();
        CGContextFillRect(c, bounds());
    }
}
