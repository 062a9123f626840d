#include "Platform/UIKit/UIFont.h"

std::shared_ptr<UIFont> UIFont::systemFontOfSize(CGFloat size)
{
    return std::make_shared<UIFont>(TextFont::systemFont(size));
}

std::shared_ptr<UIFont> UIFont::boldSystemFontOfSize(CGFloat size)
{
    return std::make_shared<UIFont>(TextFont::boldSystemFont(size));
}

std::shared_ptr<UIFont> UIFont::italicSystemFontOfSize(CGFloat size)
{
    return std::make_shared<UIFont>(TextFont::italicSystemFont(size));
}

std::shared_ptr<UIFont> UIFont::fontWithNameSize(std::string_view name, CGFloat size)
{
    auto font = TextFont::named(name, size);
    return font ? std::make_shared<UIFont>(*font) : nullptr;
}

std::shared_ptr<UIFont> UIFont::fontWithSize(CGFloat size) const
{
    TextFont f = m_font;
    f.size = size;
    return std::make_shared<UIFont>(f);
}

CGFloat UIFont::ascender() const { return m_font.metrics().ascender; }
CGFloat UIFont::descender() const { return m_font.metrics().descender; }
CGFloat UIFont::lineHeight() const { return m_font.metrics().lineHeight; }
