#pragma once

// Colours of the interface: device RGB with alpha, shared by reference.

#include "Platform/CoreGraphics/CGColor.h"

#include <memory>

class UIColor {
public:
    explicit UIColor(::CGColor color)
        : m_color(color)
    {
    }

    static std::shared_ptr<UIColor> colorWithRedGreenBlueAlpha(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha);
    static std::shared_ptr<UIColor> colorWithWhiteAlpha(CGFloat white, CGFloat alpha);
    static std::shared_ptr<UIColor> colorWithCGColor(const CGColorRef& color);

    static std::shared_ptr<UIColor> blackColor();
    static std::shared_ptr<UIColor> darkGrayColor();  // white 1/3
    static std::shared_ptr<UIColor> lightGrayColor();  // white 2/3
    static std::shared_ptr<UIColor> whiteColor();
    static std::shared_ptr<UIColor> grayColor();  // white 1/2
    static std::shared_ptr<UIColor> redColor();
    static std::shared_ptr<UIColor> greenColor();
    static std::shared_ptr<UIColor> blueColor();
    static std::shared_ptr<UIColor> cyanColor();
    static std::shared_ptr<UIColor> yellowColor();
    static std::shared_ptr<UIColor> magentaColor();
    static std::shared_ptr<UIColor> orangeColor();
    static std::shared_ptr<UIColor> purpleColor();  // 0.5, 0, 0.5
    static std::shared_ptr<UIColor> brownColor();
    static std::shared_ptr<UIColor> clearColor();
    // A textured pattern on the platform; a plain dark grey here.
    static std::shared_ptr<UIColor> scrollViewTexturedBackgroundColor();
    static std::shared_ptr<UIColor> groupTableViewBackgroundColor();

    std::shared_ptr<UIColor> colorWithAlphaComponent(CGFloat alpha) const;
    CGColorRef CGColor() const;
    const ::CGColor& components() const { return m_color; }
    bool getRedGreenBlueAlpha(CGFloat* red, CGFloat* green, CGFloat* blue, CGFloat* alpha) const;
    bool isEqual(const std::shared_ptr<UIColor>& other) const;

    // Make this the fill and stroke colour (or one of them) of the current context.
    void set() const;
    void setFill() const;
    void setStroke() const;

private:
    ::CGColor m_color;
};
