#pragma once

// A row of the grouped customer list: the customer's name, or a contact's
// first and last name side by side (last name first in Chinese), and a
// "LOCAL" badge for customers not yet on the server. Highlighted and selected
// rows draw their names white; otherwise they take the row's normal colour.

#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UITableViewCell.h"

#include <memory>
#include <optional>
#include <string>

class CustomerListCell : public UITableViewCell {
public:
    CustomerListCell(UITableViewCellStyle style, const std::optional<std::string>& reuseIdentifier);

    const std::shared_ptr<UILabel>& lbcustomer_name() const { return m_lbcustomer_name; }
    const std::shared_ptr<UILabel>& fristNameLabel() const { return m_fristNameLabel; }
    const std::shared_ptr<UILabel>& lastNameLabel() const { return m_lastNameLabel; }
    const std::shared_ptr<UIButton>& tagLocal() const { return m_tagLocal; }
    const std::shared_ptr<UIColor>& normalColor() const { return m_normalColor; }
    void setNormalColor(std::shared_ptr<UIColor> color) { m_normalColor = std::move(color); }

    void setCellValue(const std::optional<std::string>& name);
    void setFristNameWithLastName(const std::string& fristName, const std::string& lastName);
    void setFristNameLastNameColor(const std::shared_ptr<UIColor>& color);

    void setHighlightedAnimated(bool highlighted, bool animated) override;
    void setSelectedAnimated(bool selected, bool animated) override;

    // The ordinary customer colour (53, 107, 168).
    static std::shared_ptr<UIColor> nameColor();

private:
    void colourLabels(const std::shared_ptr<UIColor>& color);

    std::shared_ptr<UILabel> m_lbcustomer_name;
    std::shared_ptr<UILabel> m_fristNameLabel;
    std::shared_ptr<UILabel> m_lastNameLabel;
    std::shared_ptr<UIButton> m_tagLocal;
    std::shared_ptr<UIColor> m_normalColor;
};
