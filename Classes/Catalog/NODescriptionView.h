#pragma once

// What product detail shows in place of a description when the product has
// none: a grey line of text centred near the top. It follows language changes
// (the font differs for Chinese), so it registers with the language service
// when made and leaves it when it goes.

#include "Classes/Frame/LanguageManagerDelegate.h"
#include "Platform/UIKit/UIView.h"

class UILabel;

class NODescriptionView : public UIView, public LanguageManagerDelegate {
public:
    // Makes the view and registers it with the language service.
    static std::shared_ptr<NODescriptionView> initWithFrame(CGRect frame);

    explicit NODescriptionView(CGRect frame);
    ~NODescriptionView() override;

    const std::shared_ptr<UILabel>& noDescriptionLabel() const { return m_noDescriptionLabel; }
    void notifiChangelanguage() override;

private:
    std::shared_ptr<UILabel> m_noDescriptionLabel;
};
