#include "Classes/Catalog/ProductBigCatalog.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/SkinManager.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"

ProductBigCatalog::ProductBigCatalog(UITableViewCellStyle style, std::optional<std::string> reuseIdentifier)
    : UITableViewCell(style, std::move(reuseIdentifier))
{
    // The pane's own background shows through the rows.
    setBackgroundColor(UIColor::clearColor());
    contentView()->setBackgroundColor(UIColor::clearColor());

    m_lbTitle = std::make_shared<UILabel>(CGRectMake(15, 10, 160, 40));
    m_lbTitle->setTextAlignment(UITextAlignmentLeft);
    m_lbTitle->setLineBreakMode(UILineBreakModeTailTruncation);
    m_lbTitle->setNumberOfLines(2);
    m_lbTitle->setTextColor(UIColor::whiteColor());
    m_lbTitle->setBackgroundColor(UIColor::clearColor());
    contentView()->addSubview(m_lbTitle);

    m_lbcount = std::make_shared<UILabel>(CGRectMake(180, 20, 45, 20));
    m_lbcount->setTextAlignment(UITextAlignmentRight);
    m_lbcount->setTextColor(UIColor::whiteColor());
    m_lbcount->setBackgroundColor(UIColor::clearColor());
    contentView()->addSubview(m_lbcount);

    m_imgline = std::make_shared<UIImageView>(CGRectMake(1, 60, 242, 2));
    m_imgline->setImage(SkinManager::skinFromImageName(std::string("line-h.png")));
    contentView()->addSubview(m_imgline);

    m_imgicon = std::make_shared<UIImageView>(CGRectMake(225, 24, 15, 15));
    m_imgicon->setImage(UIImage::imageNamed("icon-arrowrgt.png"));
    m_imgicon->setHidden(true);
    contentView()->addSubview(m_imgicon);

    auto selected = std::make_shared<UIImageView>(CGRectMake(0, 0, 240, 58));
    selected->setImage(SkinManager::skinFromImageName(std::string("navon-bg.png")));
    setSelectedBackgroundView(selected);
}

void ProductBigCatalog::setIsFirstLine(bool first)
{
    m_isFirstLine = first;
    if (!first)
        return;
    m_lbTitle->setText(text("ALL"));
    m_lbTitle->setFont(UIFont::boldSystemFontOfSize(16));
    m_lbcount->setFont(UIFont::boldSystemFontOfSize(16));
}
