#pragma once

// The small pop-up a long press on an order row opens: COPY and DELETE,
// each reported to the delegate with the row the pop-up was opened for.

#include "Classes/Frame/BaseViewController.h"
#include "Classes/QuoteOrder/HistoryEditPopControllerDelegate.h"

#include <memory>

class UIButton;

class HistoryEditPopController : public BaseViewController {
public:
    static constexpr long kCopyTag = 1000;
    static constexpr long kDeleteTag = 1001;

    void viewDidLoad() override;
    void updateLanguage(const std::shared_ptr<UIResponder>& sender) override;

    int cellTag = 0;
    std::shared_ptr<HistoryEditPopControllerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<HistoryEditPopControllerDelegate> delegate) { m_delegate = std::move(delegate); }

    const std::shared_ptr<UIButton>& btnCopy() const { return m_btnCopy; }
    const std::shared_ptr<UIButton>& btnDelete() const { return m_btnDelete; }

private:
    void buttonClick(long tag);

    std::weak_ptr<HistoryEditPopControllerDelegate> m_delegate;
    std::shared_ptr<UIButton> m_btnCopy;
    std::shared_ptr<UIButton> m_btnDelete;
};
