#include "Classes/Sync/ResourceUpdateView.h"

#include "Classes/Frame/Language.h"
#include "Classes/Frame/LanguageManager.h"
#include "Classes/Frame/PublicFunction.h"
#include "Platform/Foundation/Format.h"
#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIActivityIndicatorView.h"
#include "Platform/UIKit/UIButton.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"
#include "Platform/UIKit/UILabel.h"

namespace {

constexpr CGFloat kRowX = 20;
constexpr CGFloat kRowWidth = 900;
constexpr CGFloat kRowHeight = 45;
constexpr CGFloat kFirstRowY = 70;
constexpr CGFloat kRowStep = 65;
constexpr int kMaxMinutesShown = 1000;

}  // namespace

ResourceUpdateView::ResourceUpdateView(CGRect frame)
    : SyncItemView(frame)
{
}

std::shared_ptr<ResourceUpdateView> ResourceUpdateView::make(CGRect frame)
{
    auto view = std::make_shared<ResourceUpdateView>(frame);
    view->initializationView(frame);
    return view;
}

ResourceUpdateView::~ResourceUpdateView()
{
    if (auto languages = LanguageManager::existingInstance())
        languages->unRegisterLanugageNotification(this);
}

void ResourceUpdateView::initializationView(CGRect frame)
{
    SyncItemView::initializationView(frame);
    m_syncInfoProduc = SyncInfoItem::make(CGRectMake(kRowX, kFirstRowY, kRowWidth, kRowHeight), "PRODUCT", "%@:");
    addSubview(m_syncInfoProduc);
    m_syncInfoIcon
        = SyncInfoItem::make(CGRectMake(kRowX, kFirstRowY + kRowStep, kRowWidth, kRowHeight), "SAVEMATERIAL");
    addSubview(m_syncInfoIcon);
    m_syncInfoCustomer
        = SyncInfoItem::make(CGRectMake(kRowX, kFirstRowY + 2 * kRowStep, kRowWidth, kRowHeight), "CUSTOMERPOINT");
    addSubview(m_syncInfoCustomer);

    m_lblRemainTime = std::make_shared<UILabel>(CGRectMake(20, 260, 300, 45));
    m_lblRemainTime->setBackgroundColor(UIColor::clearColor());
    m_lblRemainTime->setHidden(true);
    addSubview(m_lblRemainTime);
    m_activityIndicator = std::make_shared<UIActivityIndicatorView>(UIActivityIndicatorViewStyleGray);
    m_activityIndicator->setFrame(CGRectMake(0, 12, 20, 20));
    m_lblRemainTime->addSubview(m_activityIndicator);

    m_btnsync = UIButton::buttonWithType(UIButtonTypeCustom);
    m_btnsync->setFrame(CGRectMake(450, 260, 127, 34));
    PublicFunction::initializeToButtonHeight34(m_btnsync);
    m_btnsync->setTitleColorForState(UIColor::whiteColor(), UIControlStateNormal);
    m_btnsync->setTitleForState(text("GETUPDATES"), UIControlStateNormal);
    auto weak = weakSelf<ResourceUpdateView>();
    m_btnsync->addTarget(UIControlEventTouchUpInside, [weak](UIControl& sender, UIEvent*) {
        if (auto self = weak.lock())
            self->btnSyncClick(sender.protect<UIButton>());
    });
    addSubview(m_btnsync);

    m_labelBgDownload = std::make_shared<UILabel>(CGRectMake(600, 262, 400, 30));
    m_labelBgDownload->setBackgroundColor(UIColor::clearColor());
    m_labelBgDownload->setTextColor(UIColor::grayColor());
    m_labelBgDownload->setText(text("HELPBACKGROUNDDOWNLOAD"));
    m_labelBgDownload->setAlpha(0);
    addSubview(m_labelBgDownload);

    setTitle(text("DATEUPDATES"));
    LanguageManager::sharedInstance()->registerLanugageNotification(weak.lock());
}

void ResourceUpdateView::btnSyncClick(const std::shared_ptr<UIButton>& sender)
{
    if (auto d = m_delegate.lock())
        d->btnSyncClick(sender);
}

void ResourceUpdateView::setBtnSyncEnabled(bool enabled)
{
    m_btnSyncEnabled = enabled;
    m_btnsync->setEnabled(enabled);
    m_lblRemainTime->setHidden(enabled);
    if (enabled)
        m_activityIndicator->stopAnimating();
}

void ResourceUpdateView::setSyncDate(const std::string& date)
{
    m_syncDate = date;
    for (const auto& row : { m_syncInfoProduc, m_syncInfoIcon, m_syncInfoCustomer })
        row->setDateText(date);
}

void ResourceUpdateView::setRemainTime(int seconds)
{
    m_remainTime = seconds;
    m_activityIndicator->startAnimating();
    showRemainTime();
}

void ResourceUpdateView::showRemainTime()
{
    if (m_remainTime <= 60) {
        m_lblRemainTime->setText(text("TIMEREMAININGLESSAMINUTE"));
        return;
    }
    const int minutes = (m_remainTime + 59) / 60;
    if (minutes > kMaxMinutesShown)
        return;
    m_lblRemainTime->setText(stringWithFormat(text("TIMEREMAININGXXMINUTES"), minutes));
}

void ResourceUpdateView::setIsCatalogOnshow(bool on)
{
    m_isCatalogOnshow = on;
    layoutRows();
}

void ResourceUpdateView::setIsCustomerOnShow(bool on)
{
    m_isCustomerOnShow = on;
    layoutRows();
}

void ResourceUpdateView::setIsSalesLibraryOnShow(bool on)
{
    m_isSalesLibraryOnShow = on;
    layoutRows();
}

void ResourceUpdateView::layoutRows()
{
    m_syncInfoProduc->setHidden(!m_isCatalogOnshow);
    m_syncInfoIcon->setHidden(!m_isSalesLibraryOnShow);
    m_syncInfoCustomer->setHidden(!m_isCustomerOnShow);
    const CGFloat materialsY = m_isCatalogOnshow ? kFirstRowY + kRowStep : kFirstRowY;
    const CGFloat customerY = m_isSalesLibraryOnShow ? materialsY + kRowStep : materialsY;
    m_syncInfoProduc->setFrame(CGRectMake(kRowX, kFirstRowY, kRowWidth, kRowHeight));
    m_syncInfoIcon->setFrame(CGRectMake(kRowX, materialsY, kRowWidth, kRowHeight));
    m_syncInfoCustomer->setFrame(CGRectMake(kRowX, customerY, kRowWidth, kRowHeight));
}

void ResourceUpdateView::resetProgress()
{
    for (const auto& row : { m_syncInfoProduc, m_syncInfoIcon, m_syncInfoCustomer }) {
        row->setProgress(0);
        row->setLbprogressTxt("0%");
    }
}

void ResourceUpdateView::showHelp()
{
    auto hint = m_labelBgDownload;
    UIView::animateWithDuration(
        0.25, 3.0, UIViewAnimationOptionAllowUserInteraction, [hint]() { hint->setAlpha(1); }, nullptr);
}

void ResourceUpdateView::hideHelp()
{
    layer()->removeAllAnimations();
    m_labelBgDownload->layer()->removeAllAnimations();
    m_labelBgDownload->setAlpha(0);
}

void ResourceUpdateView::notifiChangelanguage()
{
    setTitle(text("DATEUPDATES"));
    m_btnsync->setTitleForState(text("GETUPDATES"), UIControlStateNormal);
    m_labelBgDownload->setText(text("HELPBACKGROUNDDOWNLOAD"));
    showRemainTime();
}
