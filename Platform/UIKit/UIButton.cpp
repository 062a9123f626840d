#include "Platform/UIKit/UIButton.h"

#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"

UIButton::UIButton(CGRect frame)
    : UIControl(frame)
    , m_titleLabel(std::make_shared<UILabel>())
{
    m_titleLabel->setFont(UIFont::boldSystemFontOfSize(15));
    m_titleLabel->setTextAlignment(UITextAlignmentCenter);
    m_titleLabel->setBackgroundColor(UIColor::clearColor());
}

std::shared_ptr<UIButton> UIButton::buttonWithType(UIButtonType type)
{
    auto b = std::make_shared<UIButton>();
    b->m_type = type;
    if (type == UIButtonTypeRoundedRect) {
        b->setBackgroundColor(UIColor::whiteColor());
        b->layer()->setCornerRadius(8);
        b->layer()->setBorderWidth(1);
        b->layer()->setBorderColor(CGColorCreateGenericGray(0.6f, 1));
        b->setTitleColorForState(UIColor::colorWithRedGreenBlueAlpha(0.2f, 0.3f, 0.5f, 1), UIControlStateNormal);
    }
    return b;
}

template<typename T> T UIButton::lookup(const std::map<unsigned, T>& m, unsigned state)
{
    if (auto it = m.find(state); it != m.end())
        return it->second;
    // Highlighted-and-selected falls back to selected, then to normal.
    if (state & UIControlStateSelected)
        if (auto it = m.find(UIControlStateSelected); it != m.end())
            return it->second;
    if (auto it = m.find(UIControlStateNormal); it != m.end())
        return it->second;
    return T {};
}

void UIButton::setTitleForState(const std::string& title, unsigned state)
{
    m_titles[state] = title;
    setNeedsDisplay();
}

std::optional<std::string> UIButton::titleForState(unsigned state) const
{
    if (auto it = m_titles.find(state); it != m_titles.end())
        return it->second;
    if (auto it = m_titles.find(UIControlStateNormal); it != m_titles.end())
        return it->second;
    return std::nullopt;
}

std::string UIButton::currentTitle() const
{
    return lookup(m_titles, state());
}

void UIButton::setTitleColorForState(std::shared_ptr<UIColor> color, unsigned state)
{
    m_titleColors[state] = std::move(color);
    setNeedsDisplay();
}

std::shared_ptr<UIColor> UIButton::titleColorForState(unsigned state) const
{
    auto c = lookup(m_titleColors, state);
    return c ? c : UIColor::whiteColor();
}

void UIButton::setImageForState(std::shared_ptr<UIImage> image, unsigned state)
{
    m_images[state] = std::move(image);
    setNeedsDisplay();
}

std::shared_ptr<UIImage> UIButton::imageForState(unsigned state) const
{
    return lookup(m_images, state);
}

void UIButton::setBackgroundImageForState(std::shared_ptr<UIImage> image, unsigned state)
{
    m_backgrounds[state] = std::move(image);
    setNeedsDisplay();
}

std::shared_ptr<UIImage> UIButton::backgroundImageForState(unsigned state) const
{
    return lookup(m_backgrounds, state);
}

CGSize UIButton::sizeThatFits(CGSize) const
{
    CGSize text = sizeWithFont(currentTitle(), m_titleLabel->font());
    CGSize image = currentImage() ? currentImage()->size() : CGSizeZero;
    return CGSizeMake(text.width + image.width + contentEdgeInsets.left + contentEdgeInsets.right,
                      std::max(text.height, image.height) + contentEdgeInsets.top + contentEdgeInsets.bottom);
}

void UIButton::drawRect(CGRect)
{
    CGRect b = bounds();
    if (auto bg = currentBackgroundImage())
        bg->drawInRect(b);
    CGRect content = UIEdgeInsetsInsetRect(b, contentEdgeInsets);
    std::string title = currentTitle();
    auto font = m_titleLabel->fontForDrawing();
    CGSize textSize = title.empty() ? CGSizeZero : sizeWithFont(title, font);
    textSize.width = std::min(textSize.width, content.size.width);
    auto image = currentImage();
    CGSize imageSize = image ? image->size() : CGSizeZero;
    CGFloat total = textSize.width + imageSize.width;
    CGFloat x;
    switch (contentHorizontalAlignment()) {
    case UIControlContentHorizontalAlignmentLeft:
        x = content.origin.x;
        break;
    case UIControlContentHorizontalAlignmentRight:
        x = CGRectGetMaxX(content) - total;
        break;
    default:
        x = content.origin.x + (content.size.width - total) / 2;
    }
    if (image) {
        CGRect r = CGRectMake(x, content.origin.y + (content.size.height - imageSize.height) / 2, imageSize.width,
                              imageSize.height);
        r = UIEdgeInsetsInsetRect(r, imageEdgeInsets);
        CGFloat alpha = (!isEnabled() && adjustsImageWhenDisabled) ? 0.5f : 1;
        image->drawInRectBlendModeAlpha(r, kCGBlendModeNormal, alpha);
    }
    if (!title.empty()) {
        CGRect r = CGRectMake(x + imageSize.width, content.origin.y + (content.size.height - textSize.height) / 2,
                              textSize.width, textSize.height);
        r = UIEdgeInsetsInsetRect(r, titleEdgeInsets);
        titleColorForState(state())->setFill();
        drawInRectWithFontLineBreakModeAlignment(title, r, font, UILineBreakModeTailTruncation, UITextAlignmentCenter);
    }
}
