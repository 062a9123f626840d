#pragma once

// The description box of the product detail: the short and the long
// description as one text, each under a heading in the current language, or
// the "no description" view when the product has neither. The content is
// built by the first draw after the descriptions are set; a language change
// drops it and asks for a new draw. The box scrolls only when the text is
// taller than it.

#include "Platform/UIKit/NSAttributedString.h"
#include "Platform/UIKit/UIScrollView.h"

#include <memory>
#include <optional>
#include <string>

class ProductDescView : public UIScrollView {
public:
    explicit ProductDescView(CGRect frame);

    const std::optional<std::string>& shortDesc() const { return m_shortDesc; }
    void setShortDesc(std::optional<std::string> text);
    const std::optional<std::string>& longDesc() const { return m_longDesc; }
    void setLongDesc(std::optional<std::string> text);
    bool descIsDrity() const { return m_descIsDrity; }

    std::shared_ptr<NSMutableAttributedString> getAttributedDesc();
    std::shared_ptr<NSAttributedString> getAttributedStringWithNormalString(const std::string& text) const;
    void updateLanguage();

    const std::shared_ptr<UIView>& contentView() const { return m_contentView; }
    void setContentView(std::shared_ptr<UIView> view) { m_contentView = std::move(view); }

    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }

private:
    void buildHeaders();

    std::optional<std::string> m_shortDesc;
    std::optional<std::string> m_longDesc;
    bool m_descIsDrity = false;
    std::shared_ptr<NSMutableAttributedString> m_attributedDesc;
    std::shared_ptr<NSAttributedString> m_descriptionHeader;
    std::shared_ptr<NSAttributedString> m_longDescriptionHeader;
    NSTextAttributes m_headerAttributes;
    NSTextAttributes m_normalAttributes;
    std::shared_ptr<UIView> m_contentView;
};
