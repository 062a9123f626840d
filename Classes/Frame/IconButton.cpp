#include "Classes/Frame/IconButton.h"

#include "Classes/Frame/Language.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"

IconButton::IconButton(CGRect frame)
    : BadgeButton(frame)
{
    m_iconImageView = std::make_shared<UIImageView>(CGRectMake(frame.size.width - 36, 0, 36, 31));
    m_iconImageView->setHidden(true);
    addSubview(m_iconImageView);
}

void IconButton::setIconType(int type)
{
    struct Kind {
        const char* key;
        const char* image;
    };
    static const Kind kinds[] = {
        { "ADDTOORDER", "icon_addToOrder.png" },
        { "SAVEORDER", "icon_addToOrder.png" },
        { "PLAY", "icon_play.png" },
        { "VIEWFILE", "icon_file.png" },
        { "VIEWFILE", "icon_ppt.png" },
        { "VIEWFILE", "icon_ppt.png" },
    };
    m_iconType = type;
    m_iconImageView->setHidden(false);
    titleLabel()->setFont(UIFont::boldSystemFontOfSize(14));
    titleLabel()->setAdjustsFontSizeToFitWidth(true);
    if (type < 1 || type > 6) {
        m_iconImageView->setHidden(true);
        titleEdgeInsets = UIEdgeInsetsZero;
        return;
    }
    const Kind& kind = kinds[type - 1];
    setTitleForState(Language::stringOrKey(kind.key), UIControlStateNormal);
    titleEdgeInsets = UIEdgeInsetsMake(0, 5, 0, 35);
    if (auto image = UIImage::imageNamed(kind.image))
        m_iconImageView->setImage(image);
    setNeedsDisplay();
}
