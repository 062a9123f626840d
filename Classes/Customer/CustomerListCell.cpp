#include "Classes/Customer/CustomerListCell.h"

#include "Classes/Frame/LanguageManager.h"
#include "Classes/Frame/SkinManager.h"
#include "Platform/UIKit/NSStringDrawing.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"

#include <algorithm>

namespace {

constexpr CGFloat kNameLineWidth = 250;

std::shared_ptr<UILabel> nameLabel(const std::shared_ptr<UIFont>& font)
{
    auto label = std::make_shared<UILabel>(CGRectMake(15, 10, kNameLineWidth, 35));
    label->setFont(font);
    label->setTextAlignment(UITextAlignmentLeft);
    label->setBackgroundColor(UIColor::clearColor());
    label->setTextColor(CustomerListCell::nameColor());
    return label;
}

}  // namespace

std::shared_ptr<UIColor> CustomerListCell::nameColor()
{
    return UIColor::colorWithRedGreenBlueAlpha(53 / 255.0, 107 / 255.0, 168 / 255.0, 1);
}

CustomerListCell::CustomerListCell(UITableViewCellStyle style, const std::optional<std::string>& reuseIdentifier)
    : UITableViewCell(style, reuseIdentifier)
    , m_normalColor(nameColor())
{
    m_lbcustomer_name = nameLabel(UIFont::boldSystemFontOfSize(20));
    m_fristNameLabel = nameLabel(UIFont::systemFontOfSize(20));
    m_lastNameLabel = nameLabel(UIFont::boldSystemFontOfSize(20));

    m_tagLocal = std::make_shared<UIButton>(CGRectMake(280, 17, 68, 30));
    m_tagLocal->setBackgroundImageForState(
        SkinManager::skinFromImageName(std::string("Icon_Local_68x30.png")), UIControlStateNormal);
    m_tagLocal->setTitleColorForState(UIColor::whiteColor(), UIControlStateNormal);
    m_tagLocal->setTitleColorForState(UIColor::whiteColor(), UIControlStateDisabled);
    m_tagLocal->titleLabel()->setFont(UIFont::fontWithNameSize("Copperplate", 15));
    m_tagLocal->adjustsImageWhenDisabled = false;
    m_tagLocal->setEnabled(false);
    m_tagLocal->setHidden(true);

    contentView()->addSubview(m_lbcustomer_name);
    contentView()->addSubview(m_fristNameLabel);
    contentView()->addSubview(m_lastNameLabel);
    contentView()->addSubview(m_tagLocal);
}

void CustomerListCell::setCellValue(const std::optional<std::string>& name)
{
    m_fristNameLabel->setText("");
    m_lastNameLabel->setText("");
    m_lbcustomer_name->setText(name.value_or(std::string()));
}

void CustomerListCell::setFristNameWithLastName(const std::string& fristName, const std::string& lastName)
{
    m_lbcustomer_name->setText("");
    m_fristNameLabel->setText(fristName);
    m_lastNameLabel->setText(lastName);
    const CGSize limit = CGSizeMake(2500, 35);
    CGFloat wf = sizeWithFontConstrainedToSize(fristName, m_fristNameLabel->font(), limit).width;
    CGFloat wl = sizeWithFontConstrainedToSize(lastName, m_lastNameLabel->font(), limit).width;
    const long language = LanguageManager::sharedInstance()->currentLanguage();
    if (language == 0 || language == 1) {
        if (wf > kNameLineWidth) {
            wf = kNameLineWidth;
            wl = 0;
        } else if (wf + wl > kNameLineWidth) {
            wl = kNameLineWidth - wf;
        }
        m_fristNameLabel->setFrame(CGRectMake(15, 10, wf, 35));
        m_lastNameLabel->setFrame(CGRectMake(wf + 18, 10, wl, 35));
    } else if (language == 2) {
        if (wl > kNameLineWidth) {
            wl = kNameLineWidth;
            wf = 0;
        } else if (wf + wl > kNameLineWidth) {
            wf = kNameLineWidth - wl;
        }
        m_lastNameLabel->setFrame(CGRectMake(15, 10, wl, 35));
        m_fristNameLabel->setFrame(CGRectMake(wl + 25, 10, wf, 35));
    }
}

void CustomerListCell::setFristNameLastNameColor(const std::shared_ptr<UIColor>& color)
{
    m_fristNameLabel->setTextColor(color);
    m_lastNameLabel->setTextColor(color);
}

void CustomerListCell::colourLabels(const std::shared_ptr<UIColor>& color)
{
    m_lbcustomer_name->setTextColor(color);
    setFristNameLastNameColor(color);
}

void CustomerListCell::setHighlightedAnimated(bool highlighted, bool animated)
{
    UITableViewCell::setHighlightedAnimated(highlighted, animated);
    if (highlighted)
        colourLabels(UIColor::whiteColor());
    else if (!isSelected())
        colourLabels(m_normalColor);
}

void CustomerListCell::setSelectedAnimated(bool selected, bool animated)
{
    UITableViewCell::setSelectedAnimated(selected, animated);
    colourLabels(selected ? UIColor::whiteColor() : m_normalColor);
}
