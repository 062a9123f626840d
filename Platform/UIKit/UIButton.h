#pragma once

// A button keeps a title, a title colour, an image and a background image
// per control state and shows the one for its current state, falling back to
// the normal state's; the title is drawn in its title label's font.
//
// The image and the title sit side by side in the content rectangle (the
// bounds less `contentEdgeInsets`). Each one's insets move or narrow the
// area it is placed in, not the thing itself: the image keeps its size, or
// shrinks with its aspect kept when the area is too small, and the title
// keeps its measured size up to the area's width.

#include "Platform/UIKit/UIControl.h"
#include "Platform/UIKit/UIGeometry.h"
#include "Platform/UIKit/UILabel.h"

#include <map>
#include <optional>

class UIImage;

enum UIButtonType { UIButtonTypeCustom = 0, UIButtonTypeRoundedRect = 1 };

class UIButton : public UIControl {
public:
    explicit UIButton(CGRect frame = CGRectZero);
    static std::shared_ptr<UIButton> buttonWithType(UIButtonType type);
    UIButtonType buttonType() const { return m_type; }

    void setTitleForState(const std::string& title, unsigned state);
    std::optional<std::string> titleForState(unsigned state) const;
    void setTitleColorForState(std::shared_ptr<UIColor> color, unsigned state);
    std::shared_ptr<UIColor> titleColorForState(unsigned state) const;
    void setImageForState(std::shared_ptr<UIImage> image, unsigned state);
    std::shared_ptr<UIImage> imageForState(unsigned state) const;
    void setBackgroundImageForState(std::shared_ptr<UIImage> image, unsigned state);
    std::shared_ptr<UIImage> backgroundImageForState(unsigned state) const;

    std::string currentTitle() const;
    std::shared_ptr<UIImage> currentImage() const { return imageForState(state()); }
    std::shared_ptr<UIImage> currentBackgroundImage() const { return backgroundImageForState(state()); }
    // Holds the title's font, alignment and shrinking; drawn by the button.
    const std::shared_ptr<UILabel>& titleLabel() const { return m_titleLabel; }

    UIEdgeInsets titleEdgeInsets = UIEdgeInsetsZero;
    UIEdgeInsets imageEdgeInsets = UIEdgeInsetsZero;
    UIEdgeInsets contentEdgeInsets = UIEdgeInsetsZero;
    bool adjustsImageWhenHighlighted = true;
    bool adjustsImageWhenDisabled = true;
    bool showsTouchWhenHighlighted = false;

    CGRect contentRectForBounds(CGRect bounds) const;
    CGRect imageRectForContentRect(CGRect contentRect) const;
    CGRect titleRectForContentRect(CGRect contentRect) const;

    void drawRect(CGRect rect) override;
    bool drawsContent() const override { return true; }
    CGSize sizeThatFits(CGSize size) const override;

private:
    struct ContentLayout {
        CGRect image;
        CGRect title;
    };
    ContentLayout layoutContent(CGRect contentRect) const;
    template <typename T> static T lookup(const std::map<unsigned, T>& m, unsigned state);

    UIButtonType m_type = UIButtonTypeCustom;
    std::map<unsigned, std::string> m_titles;
    std::map<unsigned, std::shared_ptr<UIColor>> m_titleColors;
    std::map<unsigned, std::shared_ptr<UIImage>> m_images;
    std::map<unsigned, std::shared_ptr<UIImage>> m_backgrounds;
    std::shared_ptr<UILabel> m_titleLabel;
};
