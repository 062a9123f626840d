#pragma once

// A check box with a text label, drawn in one of five image styles (0 box,
// 1 dark, 2 glossy, 3 green, 4 mono). A tap that ends on it (or just beside
// it) flips it and tells the target, or else the block; setting it by code
// tells nobody. Always 36 points high.

#include "Platform/UIKit/UIView.h"

#include <functional>
#include <memory>
#include <string>

class UIImage;
class UIImageView;
class UILabel;

class CheckBoxView : public UIView {
public:
    static constexpr CGFloat kHeight = 36;
    using StateChanged = std::function<void(CheckBoxView&)>;

    CheckBoxView(CGRect frame, int style, bool checked);

    int style() const { return m_style; }
    bool checked() const { return m_checked; }
    void setChecked(bool checked);
    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    void setText(const std::string& text);
    // The target (not owned) and what to call on it with the check box.
    void setStateChangedTargetSelector(std::weak_ptr<void> target, StateChanged selector);
    void setStateChangedBlock(StateChanged block) { m_stateChangedBlock = std::move(block); }

    static std::shared_ptr<UIImage> checkBoxImageForStyleChecked(int style, bool checked);
    static CGRect imageViewFrameForCheckBoxImage(const std::shared_ptr<UIImage>& image);
    void updateCheckBoxImage();

    const std::shared_ptr<UILabel>& textLabel() const { return m_textLabel; }
    const std::shared_ptr<UIImageView>& checkBoxImageView() const { return m_checkBoxImageView; }

    bool canBecomeFirstResponder() const override { return true; }
    void touchesBeganWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesMovedWithEvent(const UITouchSet&, UIEvent*) override { }
    void touchesEndedWithEvent(const UITouchSet& touches, UIEvent* event) override;
    void touchesCancelledWithEvent(const UITouchSet& touches, UIEvent* event) override;

private:
    int m_style;
    bool m_checked;
    bool m_enabled = true;
    std::shared_ptr<UIImageView> m_checkBoxImageView;
    std::shared_ptr<UILabel> m_textLabel;
    std::weak_ptr<void> m_delegate;
    bool m_hasDelegate = false;
    StateChanged m_stateChangedSelector;
    StateChanged m_stateChangedBlock;
};
