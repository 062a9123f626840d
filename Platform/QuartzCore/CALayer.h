#pragma once

// A layer keeps the geometry and the look of one rectangle: bounds, position
// and anchor point (the frame is derived from them and the transform), opacity,
// corners, border, shadow, contents and sublayers. Every view has one and keeps
// its geometry in it, so a view's frame and its layer's frame are the same
// thing. Layers added by hand (`addSublayer`) are drawn above their owner's
// content and below its subviews.

#include "Platform/QuartzCore/CAAnimation.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Platform/CoreGraphics/CGColor.h"
#include "Platform/CoreGraphics/CGContext.h"
#include "Platform/CoreGraphics/CGImage.h"

class CGContext;
class CALayer;

class CALayerDelegate {
public:
    virtual ~CALayerDelegate() = default;
    virtual void drawLayerInContext(CALayer& layer, const CGContextRef& context) { }
};

inline const std::string kCAGravityResize = "resize";
inline const std::string kCAGravityResizeAspect = "resizeAspect";
inline const std::string kCAGravityResizeAspectFill = "resizeAspectFill";
inline const std::string kCAGravityCenter = "center";

class CALayer : public std::enable_shared_from_this<CALayer> {
public:
    static std::shared_ptr<CALayer> layer();
    virtual ~CALayer();

    CGRect bounds() const { return m_bounds; }
    void setBounds(CGRect bounds);
    CGPoint position() const { return m_position; }
    void setPosition(CGPoint position);
    CGPoint anchorPoint() const { return m_anchorPoint; }
    void setAnchorPoint(CGPoint anchor);
    CGRect frame() const;
    void setFrame(CGRect frame);
    const CATransform3D& transform() const { return m_transform; }
    void setTransform(const CATransform3D& transform);
    CGAffineTransform affineTransform() const { return CATransform3DGetAffineTransform(m_transform); }
    void setAffineTransform(CGAffineTransform t) { setTransform(CATransform3DMakeAffineTransform(t)); }
    CGFloat zPosition() const { return m_zPosition; }
    void setZPosition(CGFloat z)
    {
        m_zPosition = z;
        changed();
    }

    float opacity() const { return m_opacity; }
    void setOpacity(float opacity)
    {
        m_opacity = opacity;
        changed();
    }
    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden)
    {
        m_hidden = hidden;
        changed();
    }
    bool masksToBounds() const { return m_masksToBounds; }
    void setMasksToBounds(bool masks)
    {
        m_masksToBounds = masks;
        changed();
    }
    bool isOpaque() const { return m_opaque; }
    void setOpaque(bool opaque)
    {
        m_opaque = opaque;
        changed();
    }

    CGFloat cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(CGFloat r)
    {
        m_cornerRadius = r;
        changed();
    }
    CGFloat borderWidth() const { return m_borderWidth; }
    void setBorderWidth(CGFloat w)
    {
        m_borderWidth = w;
        changed();
    }
    CGColorRef borderColor() const { return m_borderColor; }
    void setBorderColor(CGColorRef c)
    {
        m_borderColor = std::move(c);
        changed();
    }
    CGColorRef backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(CGColorRef c)
    {
        m_backgroundColor = std::move(c);
        changed();
    }

    CGColorRef shadowColor() const { return m_shadowColor; }
    void setShadowColor(CGColorRef c)
    {
        m_shadowColor = std::move(c);
        changed();
    }
    CGSize shadowOffset() const { return m_shadowOffset; }
    void setShadowOffset(CGSize s)
    {
        m_shadowOffset = s;
        changed();
    }
    CGFloat shadowRadius() const { return m_shadowRadius; }
    void setShadowRadius(CGFloat r)
    {
        m_shadowRadius = r;
        changed();
    }
    float shadowOpacity() const { return m_shadowOpacity; }
    void setShadowOpacity(float o)
    {
        m_shadowOpacity = o;
        changed();
    }
    // The outline the shadow follows, as a rectangle (the screens give a
    // rectangular path); empty means the layer's bounds.
    CGRect shadowPathRect() const { return m_shadowPathRect; }
    void setShadowPathRect(CGRect r)
    {
        m_shadowPathRect = r;
        changed();
    }

    CGImageRef contents() const { return m_contents; }
    void setContents(CGImageRef image)
    {
        m_contents = std::move(image);
        changed();
    }
    const std::string& contentsGravity() const { return m_contentsGravity; }
    void setContentsGravity(const std::string& g)
    {
        m_contentsGravity = g;
        changed();
    }
    CGFloat contentsScale() const { return m_contentsScale; }
    void setContentsScale(CGFloat s)
    {
        m_contentsScale = s;
        changed();
    }

    const std::string& name() const { return m_name; }
    void setName(const std::string& n) { m_name = n; }

    // Sublayers, in drawing order (last on top).
    const std::vector<std::shared_ptr<CALayer>>& sublayers() const { return m_sublayers; }
    std::shared_ptr<CALayer> superlayer() const { return m_superlayer.lock(); }
    void addSublayer(const std::shared_ptr<CALayer>& layer);
    void insertSublayerAtIndex(const std::shared_ptr<CALayer>& layer, size_t index);
    void removeFromSuperlayer();

    std::shared_ptr<CALayerDelegate> delegate() const { return m_delegate.lock(); }
    void setDelegate(std::weak_ptr<CALayerDelegate> d) { m_delegate = std::move(d); }

    void setNeedsDisplay()
    {
        m_needsDisplay = true;
        changed();
    }
    bool needsDisplay() const { return m_needsDisplay; }
    void clearNeedsDisplay() { m_needsDisplay = false; }
    virtual void drawInContext(const CGContextRef& context);

    // Animations by key; adding under a key in use replaces (and stops) the old one.
    void addAnimation(const std::shared_ptr<CAAnimation>& animation, const std::string& key);
    std::shared_ptr<CAAnimation> animationForKey(const std::string& key) const;
    std::vector<std::string> animationKeys() const;
    void removeAnimationForKey(const std::string& key);
    void removeAllAnimations();

    // Called by removeAllAnimations, so that a view can end the view
    // animations running on it.
    void setRemoveAllAnimationsObserver(std::function<void()> observer) { m_removeAllObserver = std::move(observer); }

    // Draws the layer and its sublayers into `context`, whose user space is the
    // layer's own (its bounds' top left at the origin). A view's layer draws
    // its whole view tree through the renderer the view installs.
    void renderInContext(const CGContextRef& context);
    void setViewRenderer(std::function<void(const CGContextRef&)> renderer) { m_viewRenderer = std::move(renderer); }

    // Media time to and from this layer's time. Layers here run at speed 1 with
    // no offset, so both are the identity.
    double convertTimeFromLayer(double t, const CALayer* layer) const { return t; }
    double convertTimeToLayer(double t, const CALayer* layer) const { return t; }

    // Counts the changes that alter what any layer tree shows (properties,
    // sublayers, display requests), so that a screen can redraw only when
    // something changed since it last drew.
    static uint64_t displayGeneration() { return s_displayGeneration.load(std::memory_order_relaxed); }
    // Not a locked increment: every view property change comes here, changes
    // that show come from the main thread, and a reader asks only whether the
    // count moved.
    static void noteDisplayChanged()
    {
        s_displayGeneration.store(s_displayGeneration.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    }

    // The layer's own content: what its delegate draws (a tiled layer draws it in tiles).
    virtual void drawContentInContext(const CGContextRef& context) { drawInContext(context); }

private:
    struct Running;
    static void changed() { noteDisplayChanged(); }
    static inline std::atomic<uint64_t> s_displayGeneration { 0 };
    void stopAnimation(const std::string& key, bool finished);

    CGRect m_bounds {};
    CGPoint m_position {};
    CGPoint m_anchorPoint { 0.5f, 0.5f };
    CATransform3D m_transform {};
    CGFloat m_zPosition = 0;
    float m_opacity = 1;
    bool m_hidden = false;
    bool m_masksToBounds = false;
    bool m_opaque = false;
    CGFloat m_cornerRadius = 0;
    CGFloat m_borderWidth = 0;
    CGColorRef m_borderColor;
    CGColorRef m_backgroundColor;
    CGColorRef m_shadowColor;
    CGSize m_shadowOffset { 0, -3 };
    CGFloat m_shadowRadius = 3;
    float m_shadowOpacity = 0;
    CGRect m_shadowPathRect {};
    CGImageRef m_contents;
    std::string m_contentsGravity = kCAGravityResize;
    CGFloat m_contentsScale = 1;
    std::string m_name;
    std::vector<std::shared_ptr<CALayer>> m_sublayers;
    std::weak_ptr<CALayer> m_superlayer;
    std::weak_ptr<CALayerDelegate> m_delegate;
    bool m_needsDisplay = false;
    std::vector<std::pair<std::string, std::shared_ptr<Running>>> m_animations;
    std::function<void()> m_removeAllObserver;
    std::function<void(const CGContextRef&)> m_viewRenderer;
};
