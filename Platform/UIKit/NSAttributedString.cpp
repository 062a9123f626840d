#include "Platform/UIKit/NSAttributedString.h"

NSAttributedString::NSAttributedString(std::string text, const NSTextAttributes& attributes)
{
    m_text.append(text, attributes.font, attributes.foregroundColor);
}

std::shared_ptr<NSAttributedString> NSAttributedString::initWithString(std::string text)
{
    return std::make_shared<NSAttributedString>(std::move(text));
}

std::shared_ptr<NSAttributedString> NSAttributedString::initWithStringAttributes(
    std::string text, const NSTextAttributes& attributes)
{
    return std::make_shared<NSAttributedString>(std::move(text), attributes);
}

NSTextAttributes NSAttributedString::attributesAtIndex(size_t index) const
{
    NSTextAttributes result;
    for (auto& run : m_text.runs)
        if (index >= run.start && index < run.start + run.length) {
            if (run.font)
                result.font = run.font;
            if (run.color)
                result.foregroundColor = run.color;
        }
    return result;
}

std::shared_ptr<NSMutableAttributedString> NSMutableAttributedString::create()
{
    return std::make_shared<NSMutableAttributedString>();
}

void NSMutableAttributedString::appendAttributedString(const std::shared_ptr<NSAttributedString>& other)
{
    if (other)
        m_text.append(other->attributedText());
}

void NSMutableAttributedString::setAttributedString(const std::shared_ptr<NSAttributedString>& other)
{
    m_text = other ? other->attributedText() : AttributedText {};
}
