#include "Platform/UIKit/UIActionSheet.h"

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UILabel.h"

// Holds the sheet in the pop-over and hears touches outside it.
class UIActionSheet::Host : public UIViewController, public UIPopoverControllerDelegate {
public:
    explicit Host(UIActionSheet* sheet)
        : m_sheet(sheet)
    {
    }
    bool popoverControllerShouldDismissPopover(UIPopoverController&) override
    {
        m_sheet->userClickedButtonAtIndex(m_sheet->cancelButtonIndex());
        return false;
    }

private:
    UIActionSheet* m_sheet;  // owns the host
};

UIActionSheet::UIActionSheet(std::optional<std::string> title, std::weak_ptr<UIActionSheetDelegate> delegate,
    std::optional<std::string> cancelButtonTitle, std::optional<std::string> destructiveButtonTitle,
    std::vector<std::string> otherButtonTitles)
    : UIView(CGRectMake(0, 0, kWidth, 0))
    , m_title(std::move(title))
    , m_delegate(std::move(delegate))
{
    if (destructiveButtonTitle) {
        m_destructiveIndex = 0;
        m_titles.push_back(*destructiveButtonTitle);
    }
    for (auto& t : otherButtonTitles)
        m_titles.push_back(t);
    if (cancelButtonTitle) {
        m_cancelIndex = static_cast<long>(m_titles.size());
        m_titles.push_back(*cancelButtonTitle);
    }
    setBackgroundColor(UIColor::whiteColor());
}

UIActionSheet::~UIActionSheet()
{
    if (m_popover)
        m_popover->setDelegate({});
}

long UIActionSheet::addButtonWithTitle(const std::string& title)
{
    m_titles.push_back(title);
    return numberOfButtons() - 1;
}

std::string UIActionSheet::buttonTitleAtIndex(long index) const
{
    return index >= 0 && index < numberOfButtons() ? m_titles[static_cast<size_t>(index)] : std::string();
}

long UIActionSheet::firstOtherButtonIndex() const
{
    for (long i = 0; i < numberOfButtons(); ++i)
        if (i != m_cancelIndex && i != m_destructiveIndex)
            return i;
    return -1;
}

std::shared_ptr<UIButton> UIActionSheet::buttonAtIndex(long index) const
{
    return index >= 0 && index < static_cast<long>(m_buttons.size()) ? m_buttons[static_cast<size_t>(index)] : nullptr;
}

void UIActionSheet::build()
{
    for (auto& b : m_buttons)
        b->removeFromSuperview();
    m_buttons.clear();
    for (auto& v : std::vector<std::shared_ptr<UIView>>(subviews()))
        v->removeFromSuperview();
    CGFloat y = 0;
    if (m_title) {
        auto label = std::make_shared<UILabel>(CGRectMake(10, 0, kWidth - 20, 36));
        label->setText(*m_title);
        label->setTextAlignment(UITextAlignmentCenter);
        label->setTextColor(UIColor::grayColor());
        label->setFont(UIFont::systemFontOfSize(13));
        addSubview(label);
        y = 36;
    }
    auto weak = weakSelf<UIActionSheet>();
    for (long i = 0; i < numberOfButtons(); ++i) {
        auto b = std::make_shared<UIButton>(CGRectMake(0, y, kWidth, kButtonHeight));
        b->setTitleForState(m_titles[static_cast<size_t>(i)], UIControlStateNormal);
        b->setTitleColorForState(
            i == m_destructiveIndex ? UIColor::redColor() : UIColor::colorWithRedGreenBlueAlpha(0, 0.48f, 1, 1),
            UIControlStateNormal);
        b->layer()->setBorderWidth(0.5f);
        b->layer()->setBorderColor(CGColorCreateGenericGray(0.8f, 1));
        b->addTarget(UIControlEventTouchUpInside, [weak, i](UIControl&, UIEvent*) {
            if (auto self = weak.lock())
                self->userClickedButtonAtIndex(i);
        });
        addSubview(b);
        m_buttons.push_back(b);
        y += kButtonHeight;
    }
    setFrame(CGRectMake(0, 0, kWidth, y));
}

void UIActionSheet::present(CGRect rect, const std::shared_ptr<UIView>& view)
{
    if (m_visible || !view)
        return;
    auto keep = shared_from_this();
    if (auto d = delegate())
        d->willPresentActionSheet(*this);
    build();
    if (!m_host) {
        m_host = std::make_shared<Host>(this);
        m_host->setView(std::make_shared<UIView>(bounds()));
    }
    m_host->view()->setFrame(bounds());
    m_host->view()->addSubview(sharedView());
    m_host->setContentSizeForViewInPopover(bounds().size);
    m_popover = std::make_shared<UIPopoverController>(m_host);
    m_popover->setDelegate(m_host);
    m_visible = true;
    m_popover->presentPopoverFromRectInViewPermittedArrowDirectionsAnimated(
        rect, view, UIPopoverArrowDirectionAny, true);
    auto weak = weakSelf<UIActionSheet>();
    NSRunLoop::mainRunLoop()->performBlock([weak] {
        if (auto self = weak.lock(); self && self->m_visible)
            if (auto d = self->delegate())
                d->didPresentActionSheet(*self);
    });
}

void UIActionSheet::showFromRectInViewAnimated(CGRect rect, const std::shared_ptr<UIView>& view, bool)
{
    present(rect, view);
}

void UIActionSheet::showFromBarButtonItemAnimated(const std::shared_ptr<UIBarButtonItem>& item, bool)
{
    if (item && item->shownInView())
        present(item->shownFrame(), item->shownInView());
}

void UIActionSheet::showInView(const std::shared_ptr<UIView>& view)
{
    if (!view)
        return;
    CGRect b = view->bounds();
    present(CGRectMake(CGRectGetMidX(b), CGRectGetMidY(b), 0, 0), view);
}

void UIActionSheet::finish(long index)
{
    auto keep = shared_from_this();
    if (auto d = delegate())
        d->actionSheetWillDismissWithButtonIndex(*this, index);
    m_visible = false;
    if (m_popover) {
        m_popover->dismissPopoverAnimated(false);
        m_popover->setDelegate({});
        m_popover.reset();
    }
    removeFromSuperview();
    if (auto d = delegate())
        d->actionSheetDidDismissWithButtonIndex(*this, index);
}

void UIActionSheet::dismissWithClickedButtonIndexAnimated(long index, bool)
{
    if (m_visible)
        finish(index);
}

void UIActionSheet::userClickedButtonAtIndex(long index)
{
    if (!m_visible)
        return;
    auto keep = shared_from_this();
    if (auto d = delegate())
        d->actionSheetClickedButtonAtIndex(*this, index);
    if (m_visible)
        finish(index);
}
