#include "Classes/Catalog/ProductDescView.h"

#include "Classes/Catalog/AttributedStringView.h"
#include "Classes/Catalog/NODescriptionView.h"
#include "Classes/Frame/Language.h"
#include "Platform/CoreText/CoreText.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIFont.h"

ProductDescView::ProductDescView(CGRect frame)
    : UIScrollView(frame)
{
    m_headerAttributes.font = *CTFontCreateWithName(UIFont::italicSystemFontOfSize(16)->fontName(), 16, nullptr);
    m_headerAttributes.foregroundColor = UIColor::grayColor()->components();
    m_normalAttributes.font = *CTFontCreateWithName(UIFont::systemFontOfSize(14)->fontName(), 14, nullptr);
    m_normalAttributes.foregroundColor = UIColor::blackColor()->components();
    buildHeaders();
    m_attributedDesc = NSMutableAttributedString::create();
    setBackgroundColor(UIColor::clearColor());
}

void ProductDescView::buildHeaders()
{
    m_descriptionHeader = NSAttributedString::initWithStringAttributes(
        Language::stringOrKey("DESCRIPTION") + ":\n", m_headerAttributes);
    m_longDescriptionHeader = NSAttributedString::initWithStringAttributes(
        "\n" + Language::stringOrKey("DETAILS") + ":\n", m_headerAttributes);
}

void ProductDescView::setShortDesc(std::optional<std::string> text)
{
    m_shortDesc = std::move(text);
    m_descIsDrity = true;
}

void ProductDescView::setLongDesc(std::optional<std::string> text)
{
    m_longDesc = std::move(text);
    m_descIsDrity = true;
}

std::shared_ptr<NSAttributedString> ProductDescView::getAttributedStringWithNormalString(const std::string& text) const
{
    return NSAttributedString::initWithStringAttributes(text, m_normalAttributes);
}

std::shared_ptr<NSMutableAttributedString> ProductDescView::getAttributedDesc()
{
    if (m_descIsDrity) {
        m_descIsDrity = false;
        m_attributedDesc = NSMutableAttributedString::create();
        if (m_shortDesc && !m_shortDesc->empty()) {
            m_attributedDesc->appendAttributedString(m_descriptionHeader);
            m_attributedDesc->appendAttributedString(getAttributedStringWithNormalString(*m_shortDesc + "\n"));
        }
        if (m_longDesc && !m_longDesc->empty()) {
            m_attributedDesc->appendAttributedString(m_longDescriptionHeader);
            m_attributedDesc->appendAttributedString(getAttributedStringWithNormalString(*m_longDesc));
        }
    }
    return m_attributedDesc;
}

void ProductDescView::drawRect(CGRect rect)
{
    UIScrollView::drawRect(rect);
    // Every render calls this; the content is built once, and again only after a language change dropped it.
    if (m_contentView)
        return;
    setScrollEnabled(false);
    auto text = getAttributedDesc();
    const CGRect box = bounds();
    if (text->length() > 0) {
        auto framesetter = CTFramesetterCreateWithAttributedString(text->attributedText());
        const CGSize suggested = CTFramesetterSuggestFrameSizeWithConstraints(
            framesetter, CFRangeMake(0, 0), CGSizeMake(box.size.width - 4, 0), nullptr);
        if (suggested.height > box.size.height) {
            setScrollEnabled(true);
            setContentSize(suggested);
        }
        auto view = std::make_shared<AttributedStringView>(
            CGRectMake(box.origin.x, box.origin.y - 3, suggested.width, suggested.height), text);
        view->setBackgroundColor(UIColor::clearColor());
        m_contentView = view;
    } else {
        m_contentView = NODescriptionView::initWithFrame(CGRectInset(box, 2, 2));
    }
    addSubview(m_contentView);
}

void ProductDescView::updateLanguage()
{
    buildHeaders();
    if (m_contentView)
        m_contentView->removeFromSuperview();
    m_contentView.reset();
    m_descIsDrity = true;
    setNeedsDisplay();
}
