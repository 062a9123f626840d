#pragma once

// A short-lived rounded text panel: it grows in (0.2 s), settles (0.1 s),
// holds (0.5 s, or 3 s for a long toast), shrinks away fading (1 s) and
// removes itself from the window. The caller makes it, shows it and lets it
// go: the window keeps it until its last step.
//
// Placement follows the window's rule for views written for the portrait
// window model (UIPortraitWindowModel): upright, centred across the window,
// its middle at a quarter, half or three quarters of the window's height for
// gravity 0, 1 or 2.

#include "Platform/UIKit/UIView.h"

#include <memory>
#include <optional>
#include <string>

class UIFont;

class UIToast : public UIView {
public:
    static constexpr double kGrowDuration = 0.2;
    static constexpr double kSettleDuration = 0.1;
    static constexpr double kShortHold = 0.5;
    static constexpr double kLongHold = 3.0;
    static constexpr double kShrinkDuration = 1.0;

    UIToast();

    // Gravity 2, short hold.
    void show(const std::optional<std::string>& text) { showGravityLength(text, 2, 0); }
    void showGravityLength(const std::optional<std::string>& text, int gravity, int length);
    // Shows `view` (moved to the origin) as the toast's content at `gravity` (a fraction).
    void showViewWithGravityLength(const std::shared_ptr<UIView>& view, float gravity, int length);

    const std::shared_ptr<UIView>& animationView() const { return m_animationView; }
    int animation() const { return m_animation; }

    void animationStep();
    CGAffineTransform transformForOrientation() const;

private:
    void initShowingTextWithFont(const std::optional<std::string>& text, const std::shared_ptr<UIFont>& font);
    void beginAnimationWithDuration(float seconds);
    void commitModalAnimationsWithSelector();

    std::shared_ptr<UIView> m_animationView;
    int m_animation = 0;
    int m_length = 0;
    int m_gravity = 2;
};
