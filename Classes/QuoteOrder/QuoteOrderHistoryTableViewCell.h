#pragma once

// One row of the order list: order number, customer, discounted total,
// order time, note, a "signed" badge and, for an order not yet submitted,
// its submit button. A tint over the whole row marks it while a finger is
// on it or while its COPY / DELETE pop-up is open.

#include "Platform/UIKit/UITableViewCell.h"

#include <memory>
#include <optional>
#include <string>

class UIButton;
class UIImageView;
class UILabel;

class QuoteOrderHistoryTableViewCell : public UITableViewCell {
public:
    static constexpr const char* kReuseIdentifier = "historyOrdersTableViewCell";

    QuoteOrderHistoryTableViewCell(UITableViewCellStyle style, const std::optional<std::string>& reuseIdentifier);

    std::string oderNumber() const;
    void setOderNumber(const std::string& text);
    std::string customer() const;
    void setCustomer(const std::string& text);
    std::string strPrice() const;
    void setStrPrice(const std::string& text);
    std::string strOrderTime() const;
    // Takes "MM/dd/yyyy HH:mm:ss" and shows the time and the short date; other text shows nothing.
    void setStrOrderTime(const std::optional<std::string>& text);
    std::string note() const;
    void setNote(const std::string& text);
    bool isSigned() const { return m_isSigned; }
    void setIsSigned(bool isSigned);

    const std::shared_ptr<UILabel>& lblOrderNum() const { return m_lblOrderNum; }
    const std::shared_ptr<UIButton>& btnSubmit() const { return m_btnSubmit; }
    const std::shared_ptr<UIImageView>& signedBadge() const { return m_signedBadge; }
    const std::shared_ptr<UIView>& tintView() const { return m_tintView; }

    // The badge image follows the interface language.
    void updateLanguage();
    void layoutSubviews() override;

private:
    std::shared_ptr<UILabel> m_lblOrderNum;
    std::shared_ptr<UILabel> m_lblCustomer;
    std::shared_ptr<UIImageView> m_signedBadge;
    std::shared_ptr<UILabel> m_lblPrice;
    std::shared_ptr<UILabel> m_lblOrderTime;
    std::shared_ptr<UILabel> m_lblNote;
    std::shared_ptr<UIButton> m_btnSubmit;
    std::shared_ptr<UIView> m_tintView;
    bool m_isSigned = false;
};
