#pragma once

// One row of the synchronisation panel: what kind of data it is, its
// progress bar with the percentage or state beside it, and the date of the
// last completed synchronisation. It follows the interface language.

#include "Classes/Frame/LanguageManagerDelegate.h"
#include "Platform/UIKit/UIView.h"

#include <memory>
#include <string>

class UILabel;
class UIProgressView;

class SyncInfoItem : public UIView, public LanguageManagerDelegate {
public:
    // `titleKey` names the row's title in the language tables; `titleFormat`
    // wraps it (the product row adds a colon).
    SyncInfoItem(CGRect frame, std::string titleKey, std::string titleFormat = "%@");
    static std::shared_ptr<SyncInfoItem> make(CGRect frame, std::string titleKey, std::string titleFormat = "%@");
    ~SyncInfoItem() override;

    float progress() const;
    // The bar's value; exactly 1 also shows "completed".
    void setProgress(float value);
    std::string lbprogressTxt() const;
    void setLbprogressTxt(const std::string& text);
    std::string dateText() const;
    void setDateText(const std::string& text);

    std::shared_ptr<UILabel> lbTittle() const { return m_lbTittle; }
    std::shared_ptr<UIProgressView> progressView() const { return m_progress; }

    void notifiChangelanguage() override;

private:
    void build();

    std::string m_titleKey;
    std::string m_titleFormat;
    std::shared_ptr<UILabel> m_lbTittle;
    std::shared_ptr<UILabel> m_lbDateTag;
    std::shared_ptr<UILabel> m_lbDatevalue;
    std::shared_ptr<UIProgressView> m_progress;
    std::shared_ptr<UILabel> m_lbprogressTxt;
    bool m_hasDate = false;
};
