#pragma once

// The synchronisation panel: a row per kind of data the client's modules use
// (products, materials, customers) with its progress and last date, the
// remaining time with a spinner, the start button and a hint that the run may
// go on in the background. The screen that holds it drives it; a tap on the
// button goes to the delegate.

#include "Classes/Frame/LanguageManagerDelegate.h"
#include "Classes/Sync/SyncInfoItem.h"
#include "Classes/Sync/SyncItemView.h"

#include <memory>
#include <string>

class UIActivityIndicatorView;
class UIButton;
class UILabel;

class ResourceUpdateDelegate {
public:
    virtual ~ResourceUpdateDelegate() = default;
    virtual void btnSyncClick(const std::shared_ptr<UIButton>& sender) = 0;
};

class ResourceUpdateView : public SyncItemView, public LanguageManagerDelegate {
public:
    explicit ResourceUpdateView(CGRect frame);
    static std::shared_ptr<ResourceUpdateView> make(CGRect frame);
    ~ResourceUpdateView() override;

    std::shared_ptr<ResourceUpdateDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<ResourceUpdateDelegate> d) { m_delegate = std::move(d); }

    void setBtnSyncEnabled(bool enabled);
    bool btnSyncEnabled() const { return m_btnSyncEnabled; }
    void setSyncDate(const std::string& date);
    const std::string& syncDate() const { return m_syncDate; }
    void setRemainTime(int seconds);
    int remainTime() const { return m_remainTime; }
    void setIsCatalogOnshow(bool on);
    void setIsCustomerOnShow(bool on);
    void setIsSalesLibraryOnShow(bool on);
    void resetProgress();
    void showHelp();
    void hideHelp();
    void notifiChangelanguage() override;
    void btnSyncClick(const std::shared_ptr<UIButton>& sender);

    std::shared_ptr<SyncInfoItem> syncInfoProduc() const { return m_syncInfoProduc; }
    std::shared_ptr<SyncInfoItem> syncInfoIcon() const { return m_syncInfoIcon; }
    std::shared_ptr<SyncInfoItem> syncInfoCustomer() const { return m_syncInfoCustomer; }
    std::shared_ptr<UILabel> lblRemainTime() const { return m_lblRemainTime; }
    std::shared_ptr<UIActivityIndicatorView> activityIndicator() const { return m_activityIndicator; }
    std::shared_ptr<UIButton> btnsync() const { return m_btnsync; }
    std::shared_ptr<UILabel> labelBgDownload() const { return m_labelBgDownload; }

protected:
    void initializationView(CGRect frame) override;

private:
    void layoutRows();
    void showRemainTime();

    std::shared_ptr<SyncInfoItem> m_syncInfoProduc;
    std::shared_ptr<SyncInfoItem> m_syncInfoIcon;
    std::shared_ptr<SyncInfoItem> m_syncInfoCustomer;
    std::shared_ptr<UILabel> m_lblRemainTime;
    std::shared_ptr<UIActivityIndicatorView> m_activityIndicator;
    std::shared_ptr<UIButton> m_btnsync;
    std::shared_ptr<UILabel> m_labelBgDownload;
    std::string m_syncDate;
    int m_remainTime = 0;
    bool m_btnSyncEnabled = true;
    bool m_isCatalogOnshow = true;
    bool m_isCustomerOnShow = true;
    bool m_isSalesLibraryOnShow = true;
    std::weak_ptr<ResourceUpdateDelegate> m_delegate;
};
