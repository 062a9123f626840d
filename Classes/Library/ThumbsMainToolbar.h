#pragma once

// The page overview's top bar: back (closes the overview and the reader),
// the view button (back to the reader) and the switch between all pages and
// bookmarked pages, with the document's title on a tablet.

#include "Classes/Library/GradientToolbarView.h"

#include <memory>
#include <optional>
#include <string>

class ThumbsMainToolbar;
class UIButton;
class UIControl;
class UILabel;
class UISegmentedControl;

class ThumbsMainToolbarDelegate {
public:
    virtual ~ThumbsMainToolbarDelegate() = default;
    virtual void tappedInToolbarDoneButton(ThumbsMainToolbar& toolbar, UIButton& button) = 0;
    virtual void tappedInToolbarViewButton(ThumbsMainToolbar& toolbar, UIButton& button) = 0;
    virtual void tappedInToolbarShowControl(ThumbsMainToolbar& toolbar, UISegmentedControl& control) = 0;
};

class ThumbsMainToolbar : public GradientToolbarView {
public:
    static std::shared_ptr<ThumbsMainToolbar> initWithFrameTitle(CGRect frame, const std::optional<std::string>& title);
    explicit ThumbsMainToolbar(CGRect frame);

    void setDelegate(std::weak_ptr<ThumbsMainToolbarDelegate> delegate) { m_delegate = std::move(delegate); }
    const std::shared_ptr<UIButton>& backButton() const { return m_backButton; }
    const std::shared_ptr<UIButton>& viewButton() const { return m_viewButton; }
    const std::shared_ptr<UISegmentedControl>& showControl() const { return m_showControl; }

private:
    void build(const std::optional<std::string>& title);

    std::shared_ptr<UIButton> m_backButton;
    std::shared_ptr<UIButton> m_viewButton;
    std::shared_ptr<UISegmentedControl> m_showControl;
    std::shared_ptr<UILabel> m_titleLabel;
    std::weak_ptr<ThumbsMainToolbarDelegate> m_delegate;
};
