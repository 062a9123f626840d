#pragma once

// Text with runs of attributes (font and foreground colour), as the text
// frames lay it out. Positions are in bytes of the UTF-8 text, like the
// platform layer's other string ranges.

#include "Platform/CoreGraphics/TextLayout.h"

#include <memory>
#include <optional>
#include <string>

struct NSTextAttributes {
    std::optional<TextFont> font;
    std::optional<CGColor> foregroundColor;
};

class NSAttributedString {
public:
    NSAttributedString() = default;
    explicit NSAttributedString(std::string text, const NSTextAttributes& attributes = {});
    virtual ~NSAttributedString() = default;

    static std::shared_ptr<NSAttributedString> initWithString(std::string text);
    static std::shared_ptr<NSAttributedString> initWithStringAttributes(
        std::string text, const NSTextAttributes& attributes);

    const std::string& string() const { return m_text.text; }
    size_t length() const { return m_text.text.size(); }
    // The attributes in force at a position (empty past the end).
    NSTextAttributes attributesAtIndex(size_t index) const;
    const AttributedText& attributedText() const { return m_text; }

protected:
    AttributedText m_text;
};

class NSMutableAttributedString : public NSAttributedString {
public:
    using NSAttributedString::NSAttributedString;
    static std::shared_ptr<NSMutableAttributedString> create();

    void appendAttributedString(const std::shared_ptr<NSAttributedString>& other);
    void setAttributedString(const std::shared_ptr<NSAttributedString>& other);
};
