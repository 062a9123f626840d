#include "Classes/Frame/MessageBox.h"

#include "Classes/Frame/childMsgBox.h"
#include "Platform/Foundation/NSThread.h"
#include "Platform/Foundation/PerformRequests.h"
#include "Platform/UIKit/UIActivityIndicatorView.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIMainThread.h"

#include <cmath>
#include <vector>

namespace {

std::mutex& classLock()
{
    static std::mutex lock;
    return lock;
}

std::shared_ptr<MessageBox>& slot()
{
    static std::shared_ptr<MessageBox> instance;
    return instance;
}

std::shared_ptr<UILabel> whiteBoldLabel(CGRect frame, const std::string& text)
{
    auto label = std::make_shared<UILabel>(frame);
    label->setFont(UIFont::boldSystemFontOfSize(14));
    label->setTextAlignment(UITextAlignmentCenter);
    label->setTextColor(UIColor::whiteColor());
    label->setBackgroundColor(UIColor::clearColor());
    label->setText(text);
    return label;
}

}  // namespace

std::shared_ptr<MessageBox> MessageBox::sharedInstance()
{
    std::lock_guard guard(classLock());
    if (!slot())
        slot() = std::shared_ptr<MessageBox>(new MessageBox());
    return slot();
}

void MessageBox::resetSharedInstance()
{
    std::shared_ptr<MessageBox> old;
    {
        std::lock_guard guard(classLock());
        old.swap(slot());
    }
    if (old)
        old->dismissAllMsgBox();
}

MessageBox::~MessageBox() { PerformRequests::cancelPreviousPerformRequests(this); }

int MessageBox::showMessageBoxWithTitleMessageDelegateCancelButtonTitleMsgBoxType(const std::string& title,
    const std::string& message, std::weak_ptr<MessageBoxDelegate> delegate,
    std::optional<std::string> cancelButtonTitle, int msgBoxType)
{
    int tag;
    {
        std::lock_guard guard(m_lock);
        tag = ++m_tagCounter;
    }
    // Another kind takes its tag but makes no box.
    if (msgBoxType < 0 || msgBoxType > 2)
        return tag;
    if (NSThread::isMainThread()) {
        makeAndShow(tag, msgBoxType, title, message, std::move(delegate), std::move(cancelButtonTitle));
    } else {
        // The alert is the main thread's to make; the caller has its tag already.
        std::weak_ptr<MessageBox> weak = weak_from_this();
        NSThread::performOnMainThread(
            [weak, tag, msgBoxType, title, message, delegate, cancelButtonTitle] {
                if (auto self = weak.lock())
                    self->makeAndShow(tag, msgBoxType, title, message, delegate, cancelButtonTitle);
            },
            false);
    }
    return tag;
}

void MessageBox::makeAndShow(int tag, int type, const std::string& title, const std::string& message,
    std::weak_ptr<MessageBoxDelegate> delegate, std::optional<std::string> cancelButtonTitle)
{
    UIKIT_CHECK_MAIN_THREAD();
    std::weak_ptr<UIAlertViewDelegate> self = weak_from_this();
    std::shared_ptr<childMsgBox> box;
    if (type == 2) {
        EndBlockWait();
        box = std::make_shared<childMsgBox>("         ", message, std::move(delegate), self, std::nullopt);
        auto spinner = std::make_shared<UIActivityIndicatorView>(UIActivityIndicatorViewStyleWhite);
        spinner->setFrame(CGRectMake(132, 33.5, 20, 20));
        spinner->startAnimating();
        box->av()->addSubview(spinner);
        auto label = whiteBoldLabel(CGRectMake(0, 56.5, 280, 44), title);
        label->setNumberOfLines(2);
        label->setTag(kWaitTextTag);
        box->av()->addSubview(label);
    } else if (type == 1) {
        box = std::make_shared<childMsgBox>("", "", std::move(delegate), self, std::nullopt);
        box->av()->addSubview(whiteBoldLabel(CGRectMake(40, 22, 197, 24), message));
        dimissMsgBoxAfterDelay(tag, kNoteDuration);
    } else {
        box = std::make_shared<childMsgBox>(title, message, std::move(delegate), self, std::move(cancelButtonTitle));
    }
    box->av()->setTag(tag);
    box->setMsgBoxType(type);
    {
        std::lock_guard guard(m_lock);
        m_msgBoxDic[tag] = box;
    }
    // Shown on the next turn, as a perform on the main thread that does not wait.
    std::weak_ptr<childMsgBox> weakBox = box;
    NSThread::performOnMainThread(
        [weakBox] {
            if (auto b = weakBox.lock())
                b->show();
        },
        false);
}

void MessageBox::BeginBlockWait(const std::string& text, double timeout)
{
    const int tag = showMessageBoxWithTitleMessageDelegateCancelButtonTitleMsgBoxType(text, "", {}, std::nullopt, 2);
    m_waitMsgBoxtag = tag;
    dimissMsgBoxAfterDelay(tag, timeout);
}

void MessageBox::ChangeWaitMessage(const std::string& text)
{
    auto box = boxWithTag(m_waitMsgBoxtag);
    if (!box || !box->av())
        return;
    if (auto label = std::dynamic_pointer_cast<UILabel>(box->av()->viewWithTag(kWaitTextTag)))
        label->setText(text);
}

void MessageBox::EndBlockWait()
{
    dimissMsgBoxWithStrtag(m_waitMsgBoxtag);
    m_waitMsgBoxtag = 0;
}

void MessageBox::BlockWaitEnd(double delay)
{
    if (m_waitMsgBoxtag != 0)
        dimissMsgBoxAfterDelay(m_waitMsgBoxtag, delay);
}

void MessageBox::dimissMsgBoxAfterDelay(int tag, double delay)
{
    const double seconds = delay > 0 ? std::trunc(delay) : 0;
    std::weak_ptr<MessageBox> weak = weak_from_this();
    PerformRequests::performAfterDelay(
        this, "dimissMsgBoxWithStrtag:" + std::to_string(tag),
        [weak, tag] {
            if (auto self = weak.lock())
                self->dimissMsgBoxWithStrtag(tag);
        },
        seconds);
}

void MessageBox::dimissMsgBoxWithStrtag(int tag)
{
    std::shared_ptr<childMsgBox> box;
    {
        std::lock_guard guard(m_lock);
        if (auto it = m_msgBoxDic.find(tag); it != m_msgBoxDic.end()) {
            box = it->second;
            m_msgBoxDic.erase(it);
        }
    }
    if (box)
        box->dimissAlert();
}

void MessageBox::dismissAllMsgBox()
{
    std::map<int, std::shared_ptr<childMsgBox>> boxes;
    {
        std::lock_guard guard(m_lock);
        boxes.swap(m_msgBoxDic);
    }
    for (auto& [tag, box] : boxes)
        box->dimissAlert();
}

std::shared_ptr<childMsgBox> MessageBox::boxWithTag(int tag)
{
    std::lock_guard guard(m_lock);
    auto it = m_msgBoxDic.find(tag);
    return it == m_msgBoxDic.end() ? nullptr : it->second;
}

std::shared_ptr<MessageBoxDelegate> MessageBox::delegateOf(const UIAlertView& alert)
{
    auto box = boxWithTag(static_cast<int>(alert.tag()));
    return box ? box->msgBoxDelegate() : nullptr;
}

void MessageBox::alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex)
{
    const int tag = static_cast<int>(alert.tag());
    if (auto d = delegateOf(alert))
        d->msgBoxClickedButtonAtIndex(tag, static_cast<int>(buttonIndex));
    std::lock_guard guard(m_lock);
    m_msgBoxDic.erase(tag);
}

void MessageBox::alertViewCancel(UIAlertView& alert)
{
    if (auto d = delegateOf(alert))
        d->msgBoxCancel(static_cast<int>(alert.tag()));
}

void MessageBox::willPresentAlertView(UIAlertView& alert)
{
    if (auto d = delegateOf(alert))
        d->willPresentMsgBox(static_cast<int>(alert.tag()));
}

void MessageBox::didPresentAlertView(UIAlertView& alert)
{
    if (auto d = delegateOf(alert))
        d->didPresentMsgBox(static_cast<int>(alert.tag()));
}

void MessageBox::alertViewWillDismissWithButtonIndex(UIAlertView& alert, long buttonIndex)
{
    if (auto d = delegateOf(alert))
        d->msgBoxWillDismissWithButtonIndex(static_cast<int>(alert.tag()), static_cast<int>(buttonIndex));
}

void MessageBox::alertViewDidDismissWithButtonIndex(UIAlertView& alert, long buttonIndex)
{
    if (auto d = delegateOf(alert))
        d->msgBoxDidDismissWithButtonIndex(static_cast<int>(alert.tag()), static_cast<int>(buttonIndex));
}
