#pragma once

// One box of MessageBox: the platform alert it shows, its kind (0 plain
// alert, 1 self-closing note, 2 wait box) and whom to tell of it.

#include "Classes/Frame/MessageBoxDelegate.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>

class UIAlertView;
class UIAlertViewDelegate;

class childMsgBox {
public:
    childMsgBox(const std::string& title, const std::string& message, std::weak_ptr<MessageBoxDelegate> msgBoxDelegate,
        std::weak_ptr<UIAlertViewDelegate> delegate, std::optional<std::string> cancelButtonTitle);

    void show();
    // Dismisses the alert as if its cancel button were chosen, and drops it.
    void dimissAlert();

    std::shared_ptr<MessageBoxDelegate> msgBoxDelegate() const { return m_msgBoxDelegate.lock(); }
    const std::shared_ptr<UIAlertView>& av() const { return m_av; }
    void setAv(std::shared_ptr<UIAlertView> av) { m_av = std::move(av); }
    int msgBoxType() const { return m_msgBoxType; }
    void setMsgBoxType(int type) { m_msgBoxType = type; }

private:
    std::weak_ptr<MessageBoxDelegate> m_msgBoxDelegate;
    std::shared_ptr<UIAlertView> m_av;
    std::atomic<int> m_msgBoxType { 0 };
};
