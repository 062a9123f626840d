#include "Classes/Sync/SyncInfoItem.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "Platform/Foundation/Format.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UIProgressView.h"

namespace {

std::shared_ptr<UILabel> makeLabel(CGRect frame, const std::shared_ptr<UIFont>& font)
{
    auto label = std::make_shared<UILabel>(frame);
    label->setFont(font);
    label->setBackgroundColor(UIColor::clearColor());
    return label;
}

}  // namespace

SyncInfoItem::SyncInfoItem(CGRect frame, std::string titleKey, std::string titleFormat)
    : UIView(frame)
    , m_titleKey(std::move(titleKey))
    , m_titleFormat(std::move(titleFormat))
{
}

std::shared_ptr<SyncInfoItem> SyncInfoItem::make(CGRect frame, std::string titleKey, std::string titleFormat)
{
    auto item = std::make_shared<SyncInfoItem>(frame, std::move(titleKey), std::move(titleFormat));
    item->build();
    return item;
}

SyncInfoItem::~SyncInfoItem()
{
    if (auto languages = LanguageManager::existingInstance())
        languages->unRegisterLanugageNotification(this);
}

void SyncInfoItem::build()
{
    setBackgroundColor(UIColor::clearColor());
    m_lbTittle = makeLabel(CGRectMake(0, 0, 100, 20), UIFont::fontWithNameSize("Helvetica", 14));
    addSubview(m_lbTittle);
    m_lbDateTag = makeLabel(CGRectMake(820, 0, 70, 20), UIFont::fontWithNameSize("Helvetica", 12));
    addSubview(m_lbDateTag);
    m_lbDatevalue = makeLabel(CGRectMake(890, 0, 100, 20), UIFont::fontWithNameSize("Helvetica", 12));
    addSubview(m_lbDatevalue);
    m_progress = std::make_shared<UIProgressView>();
    m_progress->setFrame(CGRectMake(0, 30, 800, 30));
    addSubview(m_progress);
    m_lbprogressTxt = makeLabel(CGRectMake(820, 23, 180, 20), UIFont::fontWithNameSize("Helvetica", 12));
    m_lbprogressTxt->setTextColor(UIColor::colorWithRedGreenBlueAlpha(36 / 255.0, 115 / 255.0, 211 / 255.0, 1));
    addSubview(m_lbprogressTxt);
    m_lbTittle->setText(stringWithFormat(m_titleFormat, text(m_titleKey)));
    m_lbDateTag->setText(text("LASTSYNC"));
    m_lbDatevalue->setText(text("NORECORD"));
    LanguageManager::sharedInstance()->registerLanugageNotification(protect<SyncInfoItem>());
}

float SyncInfoItem::progress() const { return m_progress->progress(); }

void SyncInfoItem::setProgress(float value)
{
    m_progress->setProgress(value);
    if (value == 1.0f)
        m_lbprogressTxt->setText(text("COMPLETED"));
}

std::string SyncInfoItem::lbprogressTxt() const { return m_lbprogressTxt->text(); }

void SyncInfoItem::setLbprogressTxt(const std::string& value) { m_lbprogressTxt->setText(value); }

std::string SyncInfoItem::dateText() const { return m_lbDatevalue->text(); }

void SyncInfoItem::setDateText(const std::string& value)
{
    m_hasDate = true;
    m_lbDatevalue->setText(value);
}

void SyncInfoItem::notifiChangelanguage()
{
    m_lbTittle->setText(stringWithFormat(m_titleFormat, text(m_titleKey)));
    m_lbDateTag->setText(text("LASTSYNC"));
    // A date already shown stays: a language change does not undo a synchronisation.
    if (!m_hasDate)
        m_lbDatevalue->setText(text("NORECORD"));
    if (m_progress->progress() == 1.0f)
        m_lbprogressTxt->setText(text("COMPLETED"));
}
