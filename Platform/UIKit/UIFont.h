#pragma once

// Fonts by the platform's names, each standing for an installed face through
// the text engine's one table. Unknown names give no font, as on the platform.

#include "Platform/CoreGraphics/TextLayout.h"

#include <memory>
#include <string>
#include <string_view>

class UIFont {
public:
    explicit UIFont(TextFont font)
        : m_font(std::move(font))
    {
    }

    static std::shared_ptr<UIFont> systemFontOfSize(CGFloat size);
    static std::shared_ptr<UIFont> boldSystemFontOfSize(CGFloat size);
    static std::shared_ptr<UIFont> italicSystemFontOfSize(CGFloat size);
    static std::shared_ptr<UIFont> fontWithNameSize(std::string_view name, CGFloat size);
    std::shared_ptr<UIFont> fontWithSize(CGFloat size) const;

    const std::string& fontName() const { return m_font.name; }
    std::string familyName() const { return m_font.familyName(); }
    CGFloat pointSize() const { return m_font.size; }
    CGFloat ascender() const;
    CGFloat descender() const;
    CGFloat lineHeight() const;

    const TextFont& textFont() const { return m_font; }

private:
    TextFont m_font;
};
