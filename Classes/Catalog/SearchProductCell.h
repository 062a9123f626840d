#pragma once

// One row of the product search list: thumbnail, name, price and SKU.
// Setting the product id fills the price from the product's price row.

#include "Platform/UIKit/UITableViewCell.h"

#include <memory>
#include <optional>
#include <string>

class SearchProductCell : public UITableViewCell {
public:
    SearchProductCell(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier);

    // The cell's own image view, in place of the platform cell's.
    const std::shared_ptr<UIImageView>& searchImageView() const { return m_imageView; }
    const std::shared_ptr<UILabel>& productName() const { return m_productName; }
    const std::shared_ptr<UILabel>& productPrice() const { return m_productPrice; }
    const std::shared_ptr<UILabel>& productSKU() const { return m_productSKU; }
    int productId() const { return m_productId; }
    void setProductId(int productId);

private:
    std::shared_ptr<UIImageView> m_imageView;
    std::shared_ptr<UILabel> m_productName;
    std::shared_ptr<UILabel> m_productPrice;
    std::shared_ptr<UILabel> m_productSKU;
    int m_productId = 0;
};
