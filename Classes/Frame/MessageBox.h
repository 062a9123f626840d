#pragma once

// Alerts that belong to no one screen, each known by a tag that is never
// reused while the process runs: a plain alert with one button (type 0), a
// note that closes itself after two seconds (type 1), and a blocking wait box
// with a spinner (type 2), of which there is at most one, closed on request
// or after its time-out. The boxes on screen are kept by tag; each alert's
// callbacks are passed on, by tag, to the box's own delegate.
//
// A box may be asked for from any thread: its tag is given at once, and the
// alert is made and shown on the main thread. Everything else runs on the
// main thread.

#include "Classes/Frame/MessageBoxDelegate.h"
#include "Platform/UIKit/UIAlertView.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class childMsgBox;

class MessageBox : public UIAlertViewDelegate, public std::enable_shared_from_this<MessageBox> {
public:
    static constexpr int kWaitTextTag = 888;
    static constexpr double kNoteDuration = 2.0;

    static std::shared_ptr<MessageBox> sharedInstance();
    // Closes every box and forgets the instance and the tag counter; the
    // process keeps them for its whole life, only tests start afresh.
    static void resetSharedInstance();

    // The new box's tag; a type other than 0, 1 and 2 uses a tag and makes no box.
    int showMessageBoxWithTitleMessageDelegateCancelButtonTitleMsgBoxType(const std::string& title,
        const std::string& message, std::weak_ptr<MessageBoxDelegate> delegate,
        std::optional<std::string> cancelButtonTitle, int msgBoxType);

    void BeginBlockWait(const std::string& text, double timeout);
    void ChangeWaitMessage(const std::string& text);
    void EndBlockWait();
    void BlockWaitEnd(double delay);
    // Closes box `tag` after the delay in whole seconds (a delay that is not positive: the next turn).
    void dimissMsgBoxAfterDelay(int tag, double delay);
    void dimissMsgBoxWithStrtag(int tag);
    void dismissAllMsgBox();

    int waitMsgBoxtag() const { return m_waitMsgBoxtag; }
    // The box of `tag` on screen, if any.
    std::shared_ptr<childMsgBox> boxWithTag(int tag);

    void alertViewClickedButtonAtIndex(UIAlertView& alert, long buttonIndex) override;
    void alertViewCancel(UIAlertView& alert) override;
    void willPresentAlertView(UIAlertView& alert) override;
    void didPresentAlertView(UIAlertView& alert) override;
    void alertViewWillDismissWithButtonIndex(UIAlertView& alert, long buttonIndex) override;
    void alertViewDidDismissWithButtonIndex(UIAlertView& alert, long buttonIndex) override;

    ~MessageBox() override;

private:
    MessageBox() = default;
    void makeAndShow(int tag, int type, const std::string& title, const std::string& message,
        std::weak_ptr<MessageBoxDelegate> delegate, std::optional<std::string> cancelButtonTitle);
    std::shared_ptr<MessageBoxDelegate> delegateOf(const UIAlertView& alert);

    std::mutex m_lock;
    std::map<int, std::shared_ptr<childMsgBox>> m_msgBoxDic;
    std::atomic<int> m_waitMsgBoxtag { 0 };
    int m_tagCounter = 0;
};
