#pragma once

// A retained view tree. A view's geometry lives in its layer (bounds, centre
// as the layer's position, transform); the frame is derived from them. Views
// own their subviews; the superview and the view controller are back-links.
//
// Animations apply their end state at once: the block runs, every property it
// sets takes its final value, and the completion (or the did-stop call of the
// named form) runs from the current run loop when the delay plus the duration
// has passed on the process clock. An animation that repeats forever ends only
// when the animations of one of its views are removed (the completion is then
// told it did not finish), and so does an animation whose property (of one of
// its views) a later animation takes over, at the takeover. With animations
// turned off, completions run on the next turn of the loop. While an
// animation runs its views take no touches, unless it allows user interaction.

#include "Platform/QuartzCore/CALayer.h"
#include "Platform/UIKit/UIResponder.h"
#include "Platform/UIKit/UITouch.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class UIColor;
class UIGestureRecognizer;
class UIWindow;

enum UIViewAutoresizing : unsigned {
    UIViewAutoresizingNone = 0,
    UIViewAutoresizingFlexibleLeftMargin = 1 << 0,
    UIViewAutoresizingFlexibleWidth = 1 << 1,
    UIViewAutoresizingFlexibleRightMargin = 1 << 2,
    UIViewAutoresizingFlexibleTopMargin = 1 << 3,
    UIViewAutoresizingFlexibleHeight = 1 << 4,
    UIViewAutoresizingFlexibleBottomMargin = 1 << 5,
};

enum UIViewContentMode {
    UIViewContentModeScaleToFill,
    UIViewContentModeScaleAspectFit,
    UIViewContentModeScaleAspectFill,
    UIViewContentModeRedraw,
    UIViewContentModeCenter,
    UIViewContentModeTop,
    UIViewContentModeBottom,
    UIViewContentModeLeft,
    UIViewContentModeRight,
    UIViewContentModeTopLeft,
    UIViewContentModeTopRight,
    UIViewContentModeBottomLeft,
    UIViewContentModeBottomRight,
};

enum UIViewAnimationCurve {
    UIViewAnimationCurveEaseInOut,
    UIViewAnimationCurveEaseIn,
    UIViewAnimationCurveEaseOut,
    UIViewAnimationCurveLinear,
};

enum UIViewAnimationOptions : unsigned {
    UIViewAnimationOptionLayoutSubviews = 1 << 0,
    UIViewAnimationOptionAllowUserInteraction = 1 << 1,
    UIViewAnimationOptionBeginFromCurrentState = 1 << 2,
    UIViewAnimationOptionRepeat = 1 << 3,
    UIViewAnimationOptionAutoreverse = 1 << 4,
    UIViewAnimationOptionCurveEaseInOut = 0 << 16,
    UIViewAnimationOptionCurveEaseIn = 1 << 16,
    UIViewAnimationOptionCurveEaseOut = 2 << 16,
    UIViewAnimationOptionCurveLinear = 3 << 16,
    UIViewAnimationOptionTransitionNone = 0 << 20,
    UIViewAnimationOptionTransitionFlipFromLeft = 1 << 20,
    UIViewAnimationOptionTransitionFlipFromRight = 2 << 20,
    UIViewAnimationOptionTransitionCurlUp = 3 << 20,
    UIViewAnimationOptionTransitionCurlDown = 4 << 20,
    UIViewAnimationOptionTransitionCrossDissolve = 5 << 20,
};

// What one committed animation was asked to do; kept while it runs.
struct UIViewAnimationRecord {
    std::string name;  // the named form's animation id; empty for blocks
    double duration = 0.2;
    double delay = 0;
    UIViewAnimationCurve curve = UIViewAnimationCurveEaseInOut;
    unsigned options = 0;
    float repeatCount = 0;
    bool autoreverses = false;
    bool beginsFromCurrentState = false;
    double startTime = 0;  // the clock time of the commit
};

class UIView : public UIResponder, public CALayerDelegate {
public:
    explicit UIView(CGRect frame = CGRectZero);
    // A view whose layer is of another kind (a tiled layer, say), as the platform's layer class gives.
    UIView(CGRect frame, std::shared_ptr<CALayer> layer);
    ~UIView() override;

    std::shared_ptr<UIView> sharedView() { return protect<UIView>(); }

    // Geometry. Subclasses may override the setters (a grid reacts to width changes).
    virtual CGRect frame() const;
    virtual void setFrame(CGRect frame);
    virtual CGRect bounds() const;
    virtual void setBounds(CGRect bounds);
    CGPoint center() const;
    virtual void setCenter(CGPoint center);
    CGAffineTransform transform() const;
    virtual void setTransform(CGAffineTransform transform);
    const std::shared_ptr<CALayer>& layer() const { return m_layer; }

    // Look.
    CGFloat alpha() const { return m_layer->opacity(); }
    void setAlpha(CGFloat alpha);
    bool isHidden() const { return m_layer->isHidden(); }
    virtual void setHidden(bool hidden);
    std::shared_ptr<UIColor> backgroundColor() const { return m_backgroundColor; }
    virtual void setBackgroundColor(std::shared_ptr<UIColor> color);
    bool isOpaque() const { return m_layer->isOpaque(); }
    void setOpaque(bool opaque) { m_layer->setOpaque(opaque); }
    bool clipsToBounds() const { return m_layer->masksToBounds(); }
    void setClipsToBounds(bool clips) { m_layer->setMasksToBounds(clips); }
    UIViewContentMode contentMode() const { return m_contentMode; }
    void setContentMode(UIViewContentMode mode) { m_contentMode = mode; }

    long tag() const { return m_tag; }
    void setTag(long tag) { m_tag = tag; }
    // This view when its tag matches, else the first match in a depth-first search of the subviews.
    std::shared_ptr<UIView> viewWithTag(long tag);

    bool isUserInteractionEnabled() const { return m_userInteractionEnabled; }
    void setUserInteractionEnabled(bool enabled) { m_userInteractionEnabled = enabled; }
    bool isMultipleTouchEnabled() const { return m_multipleTouchEnabled; }
    void setMultipleTouchEnabled(bool enabled) { m_multipleTouchEnabled = enabled; }
    bool isExclusiveTouch() const { return m_exclusiveTouch; }
    void setExclusiveTouch(bool exclusive) { m_exclusiveTouch = exclusive; }

    unsigned autoresizingMask() const { return m_autoresizingMask; }
    void setAutoresizingMask(unsigned mask) { m_autoresizingMask = mask; }
    bool autoresizesSubviews() const { return m_autoresizesSubviews; }
    void setAutoresizesSubviews(bool on) { m_autoresizesSubviews = on; }

    // The tree.
    const std::vector<std::shared_ptr<UIView>>& subviews() const { return m_subviews; }
    std::shared_ptr<UIView> superview() const;
    virtual std::shared_ptr<UIWindow> window() const;
    void addSubview(const std::shared_ptr<UIView>& view);
    void insertSubviewAtIndex(const std::shared_ptr<UIView>& view, long index);
    void insertSubviewAboveSubview(const std::shared_ptr<UIView>& view, const std::shared_ptr<UIView>& sibling);
    void insertSubviewBelowSubview(const std::shared_ptr<UIView>& view, const std::shared_ptr<UIView>& sibling);
    void bringSubviewToFront(const std::shared_ptr<UIView>& view);
    void sendSubviewToBack(const std::shared_ptr<UIView>& view);
    void exchangeSubviewAtIndexWithSubviewAtIndex(long a, long b);
    void removeFromSuperview();
    bool isDescendantOfView(const UIView* view) const;

    virtual void willMoveToSuperview(UIView* newSuperview) { }
    virtual void didMoveToSuperview() { }
    virtual void willMoveToWindow(UIWindow* newWindow) { }
    virtual void didMoveToWindow() { }
    virtual void didAddSubview(UIView* subview) { }
    virtual void willRemoveSubview(UIView* subview) { }

    // Layout: a request marks the view and lays out on the next turn of the main run loop.
    virtual void layoutSubviews() { }
    void setNeedsLayout();
    bool needsLayout() const { return m_needsLayout; }
    void layoutIfNeeded();
    virtual CGSize sizeThatFits(CGSize size) const { return bounds().size; }
    void sizeToFit();

    // Display: the view draws its own content in drawRect, through the current context.
    virtual void drawRect(CGRect rect) { }
    // Drawn after the subviews, over them, in the same coordinates as drawRect.
    virtual void drawOverSubviews(CGRect rect) { }
    void setNeedsDisplay();
    void setNeedsDisplayInRect(CGRect rect) { setNeedsDisplay(); }
    bool needsDisplay() const { return m_layer->needsDisplay(); }
    // Whether this class draws in drawRect (the renderer skips the call when not).
    virtual bool drawsContent() const { return false; }

    // Hit testing. The plain implementation can be called directly (UIView::hitTestWithEvent).
    virtual std::shared_ptr<UIView> hitTestWithEvent(CGPoint point, UIEvent* event);
    virtual bool pointInsideWithEvent(CGPoint point, UIEvent* event);

    // Conversion between this view's coordinates and another's (null: the window's).
    CGPoint convertPointToView(CGPoint point, const UIView* view) const;
    CGPoint convertPointFromView(CGPoint point, const UIView* view) const;
    CGRect convertRectToView(CGRect rect, const UIView* view) const;
    CGRect convertRectFromView(CGRect rect, const UIView* view) const;
    CGPoint convertPointToView(CGPoint p, const std::shared_ptr<UIView>& v) const
    {
        return convertPointToView(p, v.get());
    }
    CGPoint convertPointFromView(CGPoint p, const std::shared_ptr<UIView>& v) const
    {
        return convertPointFromView(p, v.get());
    }
    CGRect convertRectToView(CGRect r, const std::shared_ptr<UIView>& v) const { return convertRectToView(r, v.get()); }
    CGRect convertRectFromView(CGRect r, const std::shared_ptr<UIView>& v) const
    {
        return convertRectFromView(r, v.get());
    }

    // Gesture recognisers attached to this view.
    void addGestureRecognizer(const std::shared_ptr<UIGestureRecognizer>& recognizer);
    void removeGestureRecognizer(const std::shared_ptr<UIGestureRecognizer>& recognizer);
    const std::vector<std::shared_ptr<UIGestureRecognizer>>& gestureRecognizers() const { return m_recognizers; }

    // Resigns the first responder when it is this view or inside it.
    bool endEditing(bool force);

    // The responder chain.
    std::shared_ptr<UIResponder> nextResponder() const override;
    // The controller whose root view this is (set by the controller).
    void setViewController(std::weak_ptr<UIResponder> controller) { m_viewController = std::move(controller); }
    std::shared_ptr<UIResponder> viewController() const { return m_viewController.lock(); }

    // Animations.
    static void animateWithDuration(
        double duration, std::function<void()> animations, std::function<void(bool)> completion = nullptr);
    static void animateWithDurationDelayOptionsAnimationsCompletion(double duration, double delay, unsigned options,
        std::function<void()> animations, std::function<void(bool)> completion);
    static void animateWithDuration(double duration, double delay, unsigned options, std::function<void()> animations,
        std::function<void(bool)> completion)
    {
        animateWithDurationDelayOptionsAnimationsCompletion(
            duration, delay, options, std::move(animations), std::move(completion));
    }
    static void transitionWithViewDurationOptionsAnimationsCompletion(const std::shared_ptr<UIView>& view,
        double duration, unsigned options, std::function<void()> animations, std::function<void(bool)> completion);

    static void beginAnimationsContext(const std::string& animationID, void* context);
    static void beginAnimations(const std::string& animationID, void* context = nullptr)
    {
        beginAnimationsContext(animationID, context);
    }
    static void commitAnimations();
    static void setAnimationDuration(double duration);
    static void setAnimationDelay(double delay);
    static void setAnimationCurve(UIViewAnimationCurve curve);
    static void setAnimationRepeatCount(float count);
    static void setAnimationRepeatAutoreverses(bool autoreverses);
    static void setAnimationBeginsFromCurrentState(bool fromCurrent);
    // The delegate is only checked for being alive when the animation ends; the
    // did-stop call is the selector it would receive (animation id, finished, context).
    static void setAnimationDelegate(std::weak_ptr<void> delegate);
    static void setAnimationWillStartSelector(std::function<void(const std::string&, void*)> selector);
    static void setAnimationDidStopSelector(std::function<void(const std::string&, bool, void*)> selector);
    static void setAnimationsEnabled(bool enabled);
    static bool areAnimationsEnabled();
    static void performWithoutAnimation(const std::function<void()>& actions);
    // The animations committed and not yet ended, oldest first.
    static std::vector<UIViewAnimationRecord> runningAnimations();

    // The properties an animation changes, told apart so that a later
    // animation of the same property of a view can take it over.
    enum AnimatedProperty : unsigned {
        AnimatedPosition = 1 << 0,
        AnimatedBounds = 1 << 1,
        AnimatedTransform = 1 << 2,
        AnimatedAlpha = 1 << 3,
        AnimatedBackgroundColor = 1 << 4,
        AnimatedContents = 1 << 5,  // a transition of the whole view
    };
    // Marks these properties of this view as changed inside the animation being built (if any).
    void noteAnimatedChange(unsigned properties);
    // True while an animation that does not allow user interaction changes this view.
    bool isInAnimationWithoutInteraction() const;

protected:
    // Lays out the subviews by their autoresizing masks for a change of this view's size.
    void resizeSubviewsWithOldSize(CGSize oldSize);

private:
    friend class UIWindow;
    void setSuperviewInternal(UIView* super);
    void notifyWindowChange(UIWindow* oldWindow, UIWindow* newWindow, bool before);
    void endAnimationsOnThisView();
    bool isSubview(const UIView* v) const;
    long indexOfSubview(const UIView* v) const;

    std::shared_ptr<CALayer> m_layer;
    std::shared_ptr<UIColor> m_backgroundColor;
    UIViewContentMode m_contentMode = UIViewContentModeScaleToFill;
    long m_tag = 0;
    bool m_userInteractionEnabled = true;
    bool m_multipleTouchEnabled = false;
    bool m_exclusiveTouch = false;
    unsigned m_autoresizingMask = UIViewAutoresizingNone;
    bool m_autoresizesSubviews = true;
    bool m_needsLayout = false;
    bool m_inLayout = false;
    std::vector<std::shared_ptr<UIView>> m_subviews;
    // Cleared by the superview as it goes, so never left dangling.
    UIView* m_superview = nullptr;
    std::weak_ptr<UIResponder> m_viewController;
    std::vector<std::shared_ptr<UIGestureRecognizer>> m_recognizers;
};
