#include "Classes/Catalog/SearchProductCell.h"

#include "Database/DataAccessManager.h"
#include "Database/corvelle_product_price_Entity.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"

namespace {

std::shared_ptr<UILabel> makeLabel(CGRect frame, const char* font, CGFloat size)
{
    auto label = std::make_shared<UILabel>(frame);
    label->setFont(UIFont::fontWithNameSize(font, size));
    label->setBackgroundColor(UIColor::clearColor());
    return label;
}

}  // namespace

SearchProductCell::SearchProductCell(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier)
    : UITableViewCell(style, std::move(reuseIdentifier))
{
    m_imageView = std::make_shared<UIImageView>(CGRectMake(0, 0, 78, 81));
    m_imageView->setContentMode(UIViewContentModeScaleAspectFit);
    contentView()->addSubview(m_imageView);
    m_productName = makeLabel(CGRectMake(85, 5, 180, 30), "Arial-BoldMT", 12);
    m_productName->setTextColor(UIColor::blackColor());
    m_productName->setNumberOfLines(0);
    contentView()->addSubview(m_productName);
    m_productPrice = makeLabel(CGRectMake(85, 33, 195, 21), "Arial", 16);
    contentView()->addSubview(m_productPrice);
    m_productSKU = makeLabel(CGRectMake(85, 54, 195, 21), "Arial", 12);
    m_productSKU->setTextColor(UIColor::blackColor());
    contentView()->addSubview(m_productSKU);
}

void SearchProductCell::setProductId(int productId)
{
    m_productId = productId;
    auto price = DataAccessManager::sharedDataModel()->getPriceEntityByProductId(productId);
    m_productPrice->setText(price ? price->strPrice() : "");
}
