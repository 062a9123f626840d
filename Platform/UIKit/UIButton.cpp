#include "Platform/UIKit/UIButton.h"

#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIGraphics.h"
#include "Platform/UIKit/UIImage.h"

#include <algorithm>

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

template <typename T> T UIButton::lookup(const std::map<unsigned, T>& m, unsigned state)
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

std::string UIButton::currentTitle() const { return lookup(m_titles, state()); }

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

std::shared_ptr<UIImage> UIButton::imageForState(unsigned state) const { return lookup(m_images, state); }

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

CGRect UIButton::contentRectForBounds(CGRect b) const { return UIEdgeInsetsInsetRect(b, contentEdgeInsets); }

UIButton::ContentLayout UIButton::layoutContent(CGRect content) const
{
    CGRect imageArea = UIEdgeInsetsInsetRect(content, imageEdgeInsets);
    CGRect titleArea = UIEdgeInsetsInsetRect(content, titleEdgeInsets);

    CGSize imageSize = CGSizeZero;
    if (auto image = currentImage()) {
        imageSize = image->size();
        CGFloat w = std::max<CGFloat>(0, imageArea.size.width), h = std::max<CGFloat>(0, imageArea.size.height);
        if (imageSize.width > w || imageSize.height > h) {
            CGFloat scale = std::min(
                imageSize.width > 0 ? w / imageSize.width : 1, imageSize.height > 0 ? h / imageSize.height : 1);
            imageSize = CGSizeMake(imageSize.width * scale, imageSize.height * scale);
        }
    }
    std::string title = currentTitle();
    CGSize textSize = title.empty() ? CGSizeZero : sizeWithFont(title, m_titleLabel->fontForDrawing());
    textSize.width = std::clamp<CGFloat>(textSize.width, 0, std::max<CGFloat>(0, titleArea.size.width));

    // Image then title, as one row aligned in each one's own area.
    CGFloat total = imageSize.width + textSize.width;
    CGFloat imageX, titleX;
    switch (contentHorizontalAlignment()) {
    case UIControlContentHorizontalAlignmentLeft:
        imageX = imageArea.origin.x;
        titleX = titleArea.origin.x + imageSize.width;
        break;
    case UIControlContentHorizontalAlignmentRight:
        imageX = CGRectGetMaxX(imageArea) - total;
        titleX = CGRectGetMaxX(titleArea) - textSize.width;
        break;
    default:
        imageX = imageArea.origin.x + (imageArea.size.width - total) / 2;
        titleX = titleArea.origin.x + (titleArea.size.width - total) / 2 + imageSize.width;
    }
    return {
        CGRectMake(imageX, imageArea.origin.y + (imageArea.size.height - imageSize.height) / 2, imageSize.width,
            imageSize.height),
        CGRectMake(titleX, titleArea.origin.y + (titleArea.size.height - textSize.height) / 2, textSize.width,
            textSize.height),
    };
}

CGRect UIButton::imageRectForContentRect(CGRect contentRect) const { return layoutContent(contentRect).image; }

CGRect UIButton::titleRectForContentRect(CGRect contentRect) const { return layoutContent(contentRect).title; }

void UIButton::drawRect(CGRect)
{
    CGRect b = bounds();
    if (auto bg = currentBackgroundImage())
        bg->drawInRect(b);
    ContentLayout layout = layoutContent(contentRectForBounds(b));
    if (auto image = currentImage(); image && layout.image.size.width > 0 && layout.image.size.height > 0) {
        CGFloat alpha = (!isEnabled() && adjustsImageWhenDisabled) ? 0.5f : 1;
        image->drawInRectBlendModeAlpha(layout.image, kCGBlendModeNormal, alpha);
    }
    std::string title = currentTitle();
    if (!title.empty()) {
        titleColorForState(state())->setFill();
        drawInRectWithFontLineBreakModeAlignment(
            title, layout.title, m_titleLabel->fontForDrawing(), UILineBreakModeTailTruncation, UITextAlignmentCenter);
    }
}
