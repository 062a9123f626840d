#include "Classes/QuoteOrder/QuoteOrderHistoryTableViewCell.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "Classes/Frame/PublicFunction.h"
#include "Platform/Foundation/NSDateFormatter.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"

namespace {

std::shared_ptr<UILabel> rowLabel()
{
    auto label = std::make_shared<UILabel>(CGRectZero);
    label->setBackgroundColor(UIColor::clearColor());
    return label;
}

}  // namespace

QuoteOrderHistoryTableViewCell::QuoteOrderHistoryTableViewCell(
    UITableViewCellStyle style, const std::optional<std::string>& reuseIdentifier)
    : UITableViewCell(style, reuseIdentifier)
{
    m_lblOrderNum = rowLabel();
    m_lblOrderNum->setTextAlignment(UITextAlignmentCenter);
    m_lblCustomer = rowLabel();
    m_lblCustomer->setTextAlignment(UITextAlignmentCenter);
    m_signedBadge = std::make_shared<UIImageView>(CGRectZero);
    m_signedBadge->setHidden(true);
    m_lblPrice = rowLabel();
    m_lblPrice->setTextAlignment(UITextAlignmentRight);
    m_lblPrice->setNumberOfLines(1);
    m_lblPrice->setAdjustsFontSizeToFitWidth(true);
    m_lblPrice->setMinimumFontSize(10);
    m_lblOrderTime = rowLabel();
    m_lblNote = rowLabel();
    m_lblNote->setNumberOfLines(2);
    m_lblNote->setTextAlignment(UITextAlignmentCenter);
    m_btnSubmit = std::make_shared<UIButton>(CGRectMake(860, 10, 90, 30));
    PublicFunction::initializeToButtonHeight30(m_btnSubmit);
    m_btnSubmit->titleLabel()->setFont(UIFont::boldSystemFontOfSize(14));
    m_btnSubmit->setTitleForState(Language::stringOrKey("SUBMIT"), UIControlStateNormal);
    m_tintView = std::make_shared<UIView>(CGRectZero);
    m_tintView->setHidden(true);
    m_tintView->setUserInteractionEnabled(false);
    auto tint = PublicFunction::colorOfMainTheme();
    m_tintView->setBackgroundColor(tint ? tint->colorWithAlphaComponent(0.5) : UIColor::colorWithWhiteAlpha(0.5, 0.5));

    for (const auto& v : std::initializer_list<std::shared_ptr<UIView>> {
             m_lblOrderNum, m_lblCustomer, m_signedBadge, m_lblPrice, m_lblOrderTime, m_lblNote, m_btnSubmit })
        contentView()->addSubview(v);
    addSubview(m_tintView);
    setSelectionStyle(UITableViewCellSelectionStyleNone);
    setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
    updateLanguage();
}

std::string QuoteOrderHistoryTableViewCell::oderNumber() const { return m_lblOrderNum->text(); }
void QuoteOrderHistoryTableViewCell::setOderNumber(const std::string& text) { m_lblOrderNum->setText(text); }
std::string QuoteOrderHistoryTableViewCell::customer() const { return m_lblCustomer->text(); }
void QuoteOrderHistoryTableViewCell::setCustomer(const std::string& text) { m_lblCustomer->setText(text); }
std::string QuoteOrderHistoryTableViewCell::strPrice() const { return m_lblPrice->text(); }
void QuoteOrderHistoryTableViewCell::setStrPrice(const std::string& text) { m_lblPrice->setText(text); }
std::string QuoteOrderHistoryTableViewCell::strOrderTime() const { return m_lblOrderTime->text(); }
std::string QuoteOrderHistoryTableViewCell::note() const { return m_lblNote->text(); }
void QuoteOrderHistoryTableViewCell::setNote(const std::string& text) { m_lblNote->setText(text); }

void QuoteOrderHistoryTableViewCell::setStrOrderTime(const std::optional<std::string>& text)
{
    std::optional<Date> date;
    if (text)
        date = NSDateFormatter("MM/dd/yyyy HH:mm:ss").dateFromString(*text);
    m_lblOrderTime->setText(
        date ? NSDateFormatter("HH:mm " + PublicFunction::getFormateString()).stringFromDate(*date) : std::string());
}

void QuoteOrderHistoryTableViewCell::setIsSigned(bool isSigned)
{
    m_isSigned = isSigned;
    m_signedBadge->setHidden(!isSigned);
}

void QuoteOrderHistoryTableViewCell::updateLanguage()
{
    const bool chinese = LanguageManager::sharedInstance()->currentLanguage() == 2;
    m_signedBadge->setImage(UIImage::imageNamed(chinese ? "icon_signed_small_cn.png" : "icon_signed_small_en.png"));
    m_btnSubmit->setTitleForState(Language::stringOrKey("SUBMIT"), UIControlStateNormal);
}

void QuoteOrderHistoryTableViewCell::layoutSubviews()
{
    UITableViewCell::layoutSubviews();
    m_lblOrderNum->setFrame(CGRectMake(5, 10, 235, 30));
    m_lblCustomer->setFrame(CGRectMake(245, 0, 150, 50));
    m_signedBadge->setFrame(CGRectMake(340, 10, 62, 30));
    m_lblPrice->setFrame(CGRectMake(395, 10, 120, 30));
    m_lblOrderTime->setFrame(CGRectMake(540, 10, 120, 30));
    m_lblNote->setFrame(CGRectMake(680, 0, 150, 50));
    m_btnSubmit->setFrame(CGRectMake(860, 10, 90, 30));
    m_tintView->setFrame(bounds());
    bringSubviewToFront(m_tintView);
}
