#include "Platform/UIKit/UIAlertView.h"

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIWindow.h"

namespace {

void afterDelay(double seconds, std::function<void()> fn)
{
    auto timer = NSTimer::timerWithTimeInterval(seconds, false, [fn = std::move(fn)](NSTimer&) { fn(); });
    NSRunLoop::currentRunLoop()->addTimer(timer, NSRunLoopCommonModes);
}

}  // namespace

UIAlertView::UIAlertView(std::string title, std::string message, std::weak_ptr<UIAlertViewDelegate> delegate,
    std::optional<std::string> cancelButtonTitle, std::vector<std::string> otherButtonTitles)
    : UIView(CGRectMake(0, 0, kWidth, 120))
    , m_title(std::move(title))
    , m_message(std::move(message))
    , m_delegate(std::move(delegate))
{
    if (cancelButtonTitle) {
        m_buttonTitles.push_back(*cancelButtonTitle);
        m_cancelIndex = 0;
    }
    for (auto& t : otherButtonTitles)
        m_buttonTitles.push_back(t);
    setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(0.1f, 0.17f, 0.35f, 0.95f));
    layer()->setCornerRadius(10);
    layer()->setBorderWidth(2);
    layer()->setBorderColor(CGColorCreateGenericGray(1, 0.8f));
    m_titleLabel = std::make_shared<UILabel>();
    m_messageLabel = std::make_shared<UILabel>();
    for (auto& l : { m_titleLabel, m_messageLabel }) {
        l->setBackgroundColor(UIColor::clearColor());
        l->setTextColor(UIColor::whiteColor());
        l->setTextAlignment(UITextAlignmentCenter);
        l->setNumberOfLines(0);
        l->setLineBreakMode(UILineBreakModeWordWrap);
    }
    m_titleLabel->setFont(UIFont::boldSystemFontOfSize(18));
    m_messageLabel->setFont(UIFont::systemFontOfSize(16));
}

void UIAlertView::setTitle(const std::string& t)
{
    m_title = t;
    rebuild();
}

void UIAlertView::setMessage(const std::string& m)
{
    m_message = m;
    rebuild();
}

long UIAlertView::addButtonWithTitle(const std::string& title)
{
    m_buttonTitles.push_back(title);
    rebuild();
    return static_cast<long>(m_buttonTitles.size()) - 1;
}

std::string UIAlertView::buttonTitleAtIndex(long index) const
{
    if (index < 0 || index >= numberOfButtons())
        return {};
    return m_buttonTitles[static_cast<size_t>(index)];
}

long UIAlertView::firstOtherButtonIndex() const
{
    long first = m_cancelIndex == 0 ? 1 : 0;
    return first < numberOfButtons() ? first : -1;
}

std::shared_ptr<UIButton> UIAlertView::buttonAtIndex(long index) const
{
    if (index < 0 || index >= static_cast<long>(m_buttons.size()))
        return nullptr;
    return m_buttons[static_cast<size_t>(index)];
}

void UIAlertView::rebuild()
{
    if (!m_visible)
        return;
    // The labels and buttons are the alert's first subviews, in this order;
    // subviews a caller added stay above them.
    m_titleLabel->setText(m_title);
    m_messageLabel->setText(m_message);
    if (!m_titleLabel->superview())
        insertSubviewAtIndex(m_titleLabel, 0);
    if (!m_messageLabel->superview())
        insertSubviewAtIndex(m_messageLabel, 1);
    for (auto& b : m_buttons)
        b->removeFromSuperview();
    m_buttons.clear();
    auto weak = weakSelf<UIAlertView>();
    for (long i = 0; i < numberOfButtons(); ++i) {
        auto b = UIButton::buttonWithType(UIButtonTypeRoundedRect);
        b->setTitleForState(m_buttonTitles[static_cast<size_t>(i)], UIControlStateNormal);
        b->addTarget(UIControlEventTouchUpInside, [weak, i](UIControl&, UIEvent*) {
            if (auto self = weak.lock())
                self->userClickedButtonAtIndex(i);
        });
        insertSubviewAtIndex(b, 2 + i);
        m_buttons.push_back(b);
    }
    layoutSubviews();
}

void UIAlertView::layoutSubviews()
{
    const CGFloat inner = kWidth - 24;
    CGFloat y = 16;
    CGSize t = m_title.empty() ? CGSizeZero : m_titleLabel->sizeThatFits(CGSizeMake(inner, 1e6f));
    m_titleLabel->setFrame(CGRectMake(12, y, inner, t.height));
    y += t.height + (m_title.empty() ? 0 : 6);
    CGSize m = m_message.empty() ? CGSizeZero : m_messageLabel->sizeThatFits(CGSizeMake(inner, 1e6f));
    m_messageLabel->setFrame(CGRectMake(12, y, inner, m.height));
    y += m.height + 10;
    long n = static_cast<long>(m_buttons.size());
    if (n == 2) {
        // Two buttons share a row, cancel on the left.
        CGFloat w = (inner - 8) / 2;
        m_buttons[0]->setFrame(CGRectMake(12, y, w, 43));
        m_buttons[1]->setFrame(CGRectMake(12 + w + 8, y, w, 43));
        y += 43 + 8;
    } else {
        for (long i = 0; i < n; ++i) {
            // Stacked, with the cancel button last.
            long slot = (i == m_cancelIndex) ? n - 1 : (m_cancelIndex >= 0 && i > m_cancelIndex ? i - 1 : i);
            m_buttons[static_cast<size_t>(i)]->setFrame(CGRectMake(12, y + slot * 51, inner, 43));
        }
        y += n * 51;
    }
    CGFloat h = std::max<CGFloat>(y + 8, 100);
    CGRect b = bounds();
    if (b.size.height != h) {
        b.size.height = h;
        UIView::setBounds(b);
        if (auto s = superview())
            setCenter(CGPointMake(s->bounds().size.width / 2, s->bounds().size.height / 2));
    }
}

void UIAlertView::show()
{
    if (m_visible)
        return;
    auto window = UIWindow::keyWindow();
    if (!window) {
        auto all = UIWindow::allWindows();
        if (!all.empty())
            window = all.front();
    }
    auto self = protect<UIAlertView>();
    if (auto d = delegate())
        d->willPresentAlertView(*this);
    m_visible = true;
    rebuild();
    if (window) {
        m_dimming = std::make_shared<UIView>(window->bounds());
        m_dimming->setBackgroundColor(UIColor::colorWithWhiteAlpha(0, 0.4f));
        window->addSubview(m_dimming);
        window->addSubview(self);
        layoutSubviews();
        setCenter(CGPointMake(window->bounds().size.width / 2, window->bounds().size.height / 2));
    }
    std::weak_ptr<UIAlertView> weak = self;
    afterDelay(kTransitionDuration, [weak] {
        if (auto s = weak.lock(); s && s->m_visible)
            if (auto d = s->delegate())
                d->didPresentAlertView(*s);
    });
}

void UIAlertView::finishDismiss(long index, bool animated)
{
    auto self = protect<UIAlertView>();
    if (auto d = delegate())
        d->alertViewWillDismissWithButtonIndex(*this, index);
    m_visible = false;
    removeFromSuperview();
    if (m_dimming) {
        m_dimming->removeFromSuperview();
        m_dimming.reset();
    }
    auto tell = [self, index] {
        if (auto d = self->delegate())
            d->alertViewDidDismissWithButtonIndex(*self, index);
    };
    if (animated)
        afterDelay(kTransitionDuration, tell);
    else
        tell();
}

void UIAlertView::dismissWithClickedButtonIndexAnimated(long index, bool animated)
{
    if (!m_visible)
        return;
    finishDismiss(index, animated);
}

void UIAlertView::userClickedButtonAtIndex(long index)
{
    if (!m_visible)
        return;
    auto self = shared_from_this();
    if (auto d = delegate())
        d->alertViewClickedButtonAtIndex(*this, index);
    if (m_visible)
        finishDismiss(index, true);
}
