#include "Classes/Frame/GridViewCell.h"

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSTimer.h"
#include "Platform/UIKit/UIColor.h"
#include "Platform/UIKit/UIControl.h"
#include "Platform/UIKit/UIImage.h"
#include "Platform/UIKit/UIImageView.h"
#include "Platform/UIKit/UILabel.h"
#include "Platform/UIKit/UITableViewCell.h"

namespace {

constexpr double kHighlightFadeDelay = 0.1;
constexpr CGFloat kDefaultGlowRadius = 12;

const char* selectionImageName(unsigned style)
{
    switch (style) {
    case GridViewCellSelectionStyleGray:
        return "GridSelectionGray.png";
    case GridViewCellSelectionStyleBlueGray:
        return "GridSelectionGrayBlue.png";
    case GridViewCellSelectionStyleGreen:
        return "GridSelectionGreen.png";
    case GridViewCellSelectionStyleRed:
        return "GridSelectionRed.png";
    default:
        return "GridSelection.png";
    }
}

// The views that have a highlighted look of their own, and that look.
std::optional<bool> highlightedLook(UIView& view)
{
    if (auto* c = dynamic_cast<UIControl*>(&view))
        return c->isHighlighted();
    if (auto* i = dynamic_cast<UIImageView*>(&view))
        return i->isHighlighted();
    if (auto* l = dynamic_cast<UILabel*>(&view))
        return l->isHighlighted();
    if (auto* t = dynamic_cast<UITableViewCell*>(&view))
        return t->isHighlighted();
    if (auto* g = dynamic_cast<GridViewCell*>(&view))
        return g->isHighlighted();
    return std::nullopt;
}

void setHighlightedLook(UIView& view, bool on)
{
    if (auto* c = dynamic_cast<UIControl*>(&view))
        c->setHighlighted(on);
    else if (auto* i = dynamic_cast<UIImageView*>(&view))
        i->setHighlighted(on);
    else if (auto* l = dynamic_cast<UILabel*>(&view))
        l->setHighlighted(on);
    else if (auto* t = dynamic_cast<UITableViewCell*>(&view))
        t->setHighlighted(on);
    else if (auto* g = dynamic_cast<GridViewCell*>(&view))
        g->setHighlighted(on);
}

}  // namespace

std::shared_ptr<UIColor> DefaultGridCellSeparatorColor()
{
    static auto color = UIColor::colorWithWhiteAlpha(0.8f, 1.0f);
    return color;
}

GridViewCell::GridViewCell(CGRect frame, const std::string& reuseIdentifier)
    : UIView(frame)
    , m_reuseIdentifier(reuseIdentifier)
{
    setUp();
    m_selectionGlowShadowRadius = kDefaultGlowRadius;
}

void GridViewCell::awakeFromNib() { setUp(); }

void GridViewCell::setUp()
{
    m_usingDefaultSelectedBackgroundView = true;
    m_separatorStyle = GridViewCellSeparatorStyleEmptySpace;
    // Layers here offer a shadow path, so the glow is the default look.
    m_selectionStyle = GridViewCellSelectionStyleGlow;
    m_setShadowPath = false;
    m_selectionColorInfo.clear();
    setBackgroundColor(UIColor::whiteColor());
}

std::shared_ptr<UIView> GridViewCell::contentView()
{
    if (!m_contentView) {
        m_contentView = std::make_shared<UIView>(bounds());
        m_contentView->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
        m_contentView->setAutoresizesSubviews(true);
        m_contentView->setBackgroundColor(UIColor::whiteColor());
        // Views are opaque unless told otherwise on the tablet; the highlight
        // makes opaque views transparent, so the content view starts opaque.
        m_contentView->setOpaque(true);
        addSubview(m_contentView);
        setAutoresizesSubviews(true);
    }
    return m_contentView;
}

std::shared_ptr<CALayer> GridViewCell::glowSelectionLayer() const
{
    return m_contentView ? m_contentView->layer() : nullptr;
}

CGRect GridViewCell::backgroundFrame() const
{
    CGRect r = bounds();
    if (m_separatorStyle == GridViewCellSeparatorStyleSingleLine) {
        if (m_separatorEdge & GridViewCellSeparatorEdgeBottom)
            r.size.height -= 1;
        if (m_separatorEdge & GridViewCellSeparatorEdgeRight)
            r.size.width -= 1;
    }
    return r;
}

void GridViewCell::setBackgroundView(std::shared_ptr<UIView> view)
{
    if (view == m_backgroundView)
        return;
    if (m_backgroundView && m_backgroundView->superview().get() == this)
        m_backgroundView->removeFromSuperview();
    m_backgroundView = std::move(view);
    if (!m_backgroundView)
        return;
    m_backgroundView->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    m_backgroundView->setFrame(backgroundFrame());
    insertSubviewAtIndex(m_backgroundView, 0);
}

void GridViewCell::setSelectedBackgroundView(std::shared_ptr<UIView> view)
{
    if (view == m_selectedBackgroundView)
        return;
    if (m_selectedBackgroundView && m_selectedBackgroundView->superview().get() == this)
        m_selectedBackgroundView->removeFromSuperview();
    m_selectedBackgroundView = std::move(view);
    m_usingDefaultSelectedBackgroundView = m_selectedBackgroundView == nullptr;
    if (!m_selectedBackgroundView)
        return;
    m_selectedBackgroundView->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
    m_selectedBackgroundView->setFrame(backgroundFrame());
    insertSubviewAtIndex(m_selectedBackgroundView, 0);
}

void GridViewCell::setSelectionStyle(unsigned style) { m_selectionStyle = style & 0x7; }

void GridViewCell::setSeparatorStyle(unsigned style)
{
    if (style == m_separatorStyle)
        return;
    m_separatorStyle = style;
    setNeedsLayout();
}

void GridViewCell::setSeparatorEdge(unsigned edge)
{
    if (edge == m_separatorEdge)
        return;
    m_separatorEdge = edge;
    setNeedsLayout();
}

void GridViewCell::setSeparatorColor(std::shared_ptr<UIColor> color)
{
    if (color == m_separatorColor)
        return;
    m_separatorColor = std::move(color);
    if (m_bottomSeparatorView)
        m_bottomSeparatorView->setBackgroundColor(m_separatorColor);
    if (m_rightSeparatorView)
        m_rightSeparatorView->setBackgroundColor(m_separatorColor);
}

void GridViewCell::setSelectionGlowColor(std::shared_ptr<UIColor> color)
{
    m_selectionGlowColor = std::move(color);
    m_selectionGlowColorSet = m_selectionGlowColor != nullptr;
}

void GridViewCell::setHiddenForAnimation(bool hidden)
{
    if (hidden)
        setHidden(true);
    m_hiddenForAnimation = hidden;
}

int GridViewCell::compareOriginAgainstCell(const GridViewCell& other) const
{
    CGPoint a = frame().origin, b = other.frame().origin;
    if (a.y != b.y)
        return a.y < b.y ? -1 : 1;
    if (a.x != b.x)
        return a.x < b.x ? -1 : 1;
    return 0;
}

void GridViewCell::layoutSubviews()
{
    UIView::layoutSubviews();
    m_setShadowPath = false;
    CGRect r = bounds();
    if (m_separatorStyle == GridViewCellSeparatorStyleSingleLine) {
        auto lineColor = m_separatorColor ? m_separatorColor : DefaultGridCellSeparatorColor();
        if (m_separatorEdge & GridViewCellSeparatorEdgeBottom) {
            if (!m_bottomSeparatorView) {
                m_bottomSeparatorView = std::make_shared<UIView>(CGRectMake(0, r.size.height - 1, r.size.width, 1));
                m_bottomSeparatorView->setAutoresizingMask(
                    UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleTopMargin);
                insertSubviewAtIndex(m_bottomSeparatorView, 0);
            }
            m_bottomSeparatorView->setBackgroundColor(lineColor);
            r.size.height -= 1;
        } else if (m_bottomSeparatorView) {
            m_bottomSeparatorView->removeFromSuperview();
            m_bottomSeparatorView = nullptr;
        }
        if (m_separatorEdge & GridViewCellSeparatorEdgeRight) {
            if (!m_rightSeparatorView) {
                CGRect b = bounds();
                m_rightSeparatorView = std::make_shared<UIView>(CGRectMake(b.size.width - 1, 0, 1, b.size.height));
                m_rightSeparatorView->setAutoresizingMask(
                    UIViewAutoresizingFlexibleLeftMargin | UIViewAutoresizingFlexibleHeight);
                insertSubviewAtIndex(m_rightSeparatorView, 0);
            }
            m_rightSeparatorView->setBackgroundColor(lineColor);
            r.size.width -= 1;
        } else if (m_rightSeparatorView) {
            m_rightSeparatorView->removeFromSuperview();
            m_rightSeparatorView = nullptr;
        }
    }
    if (m_contentView)
        m_contentView->setFrame(r);
    if (m_backgroundView)
        m_backgroundView->setFrame(r);
    if (m_selectedBackgroundView)
        m_selectedBackgroundView->setFrame(r);
}

void GridViewCell::setSelectedAnimated(bool selected, bool animated)
{
    m_selected = selected;
    setHighlightedAnimated(selected, animated);
}

void GridViewCell::setHighlightedAnimated(bool highlighted, bool animated)
{
    if (m_selectionStyle == GridViewCellSelectionStyleNone) {
        m_highlighted = highlighted;
        return;
    }
    m_becomingHighlighted = highlighted;
    bool began = false;
    if (animated && UIView::areAnimationsEnabled()) {
        UIView::beginAnimations("GridCellViewHighlightAnimation");
        UIView::setAnimationCurve(UIViewAnimationCurveLinear);
        UIView::setAnimationBeginsFromCurrentState(true);
        std::weak_ptr<GridViewCell> weak = sharedCell();
        UIView::setAnimationDelegate(weak);
        UIView::setAnimationDidStopSelector([weak](const std::string&, bool, void*) {
            if (auto self = weak.lock())
                self->highlightAnimationStopped();
        });
        m_animatingSelection = true;
        began = true;
    }
    if (m_selectionStyle >= GridViewCellSelectionStyleBlue && m_selectionStyle <= GridViewCellSelectionStyleRed)
        beginBackgroundHighlight(highlighted, animated);
    else if (m_selectionStyle == GridViewCellSelectionStyleGlow)
        glowHighlight(highlighted);
    if (began)
        UIView::commitAnimations();
    else
        highlightAnimationStopped();
}

void GridViewCell::highlightAnimationStopped()
{
    if (m_becomingHighlighted) {
        m_highlighted = true;
    } else {
        UIView::performWithoutAnimation([this] { makeSubviewsOfViewOpaqueAgain(*this); });
        m_highlighted = false;
        if (m_selectedBackgroundView)
            m_selectedBackgroundView->removeFromSuperview();
        m_selectionColorInfo.clear();
    }
    m_animatingSelection = false;
}

void GridViewCell::glowHighlight(bool highlighted)
{
    auto layer = glowSelectionLayer();
    if (!layer)
        return;
    if (!m_setShadowPath) {
        layer->setShadowPathRect(layer->bounds());
        m_setShadowPath = true;
    }
    layer->setShadowOffset(CGSizeZero);
    layer->setShadowColor((m_selectionGlowColor ? m_selectionGlowColor : UIColor::darkGrayColor())->CGColor());
    layer->setShadowRadius(m_selectionGlowShadowRadius);
    layer->setShadowOpacity(highlighted ? 1.0f : 0.0f);
}

void GridViewCell::beginBackgroundHighlight(bool highlighted, bool animated)
{
    if (m_usingDefaultSelectedBackgroundView && !m_selectedBackgroundView) {
        auto image = std::make_shared<UIImageView>(UIImage::imageNamed(selectionImageName(m_selectionStyle)));
        image->setAutoresizingMask(UIViewAutoresizingFlexibleWidth | UIViewAutoresizingFlexibleHeight);
        image->setContentMode(UIViewContentModeScaleToFill);
        m_selectedBackgroundView = image;
    }
    if (highlighted) {
        UIView::setAnimationsEnabled(false);
        if (m_selectedBackgroundView) {
            m_selectedBackgroundView->setAlpha(0);
            makeSubviewsOfViewNonOpaqueWithBackgroundColor(*this, UIColor::clearColor());
            if (m_backgroundView && m_backgroundView->superview().get() == this)
                insertSubviewAboveSubview(m_selectedBackgroundView, m_backgroundView);
            else
                insertSubviewAtIndex(m_selectedBackgroundView, 0);
            m_selectedBackgroundView->setFrame(bounds());
        }
        UIView::setAnimationsEnabled(true);
        if (m_selectedBackgroundView)
            m_selectedBackgroundView->setAlpha(1.0f);
    } else if (m_selectedBackgroundView) {
        m_selectedBackgroundView->setAlpha(0);
    }

    if (!animated) {
        flipHighlight(highlighted);
        return;
    }
    if (m_fadeTimer)
        m_fadeTimer->invalidate();
    std::weak_ptr<GridViewCell> weak = sharedCell();
    m_fadeTimer = NSTimer::timerWithTimeInterval(kHighlightFadeDelay, false, [weak, highlighted](NSTimer&) {
        if (auto self = weak.lock())
            self->flipHighlight(highlighted);
    });
    NSRunLoop::currentRunLoop()->addTimer(m_fadeTimer, NSDefaultRunLoopMode);
}

void GridViewCell::flipHighlight(bool highlighted)
{
    m_fadeTimer = nullptr;
    if (highlighted)
        highlightSubviewsOfView(*this);
    else
        resetHighlightForSubviewsOfView(*this);
}

GridViewCell::SavedValues& GridViewCell::savedValuesFor(const std::shared_ptr<UIView>& view)
{
    auto& saved = m_selectionColorInfo[view.get()];
    saved.view = view;
    return saved;
}

void GridViewCell::makeSubviewsOfViewNonOpaqueWithBackgroundColor(UIView& view, const std::shared_ptr<UIColor>& color)
{
    auto subviews = view.subviews();
    for (auto& sub : subviews) {
        if (sub->isOpaque()) {
            auto& saved = savedValuesFor(sub);
            saved.hasBackgroundColor = true;
            saved.backgroundColor = sub->backgroundColor();
            sub->setOpaque(false);
            sub->setBackgroundColor(color);
        }
        makeSubviewsOfViewNonOpaqueWithBackgroundColor(*sub, color);
    }
}

void GridViewCell::makeSubviewsOfViewOpaqueAgain(UIView& view)
{
    auto subviews = view.subviews();
    for (auto& sub : subviews) {
        auto it = m_selectionColorInfo.find(sub.get());
        if (it != m_selectionColorInfo.end() && it->second.hasBackgroundColor) {
            sub->setOpaque(true);
            sub->setBackgroundColor(it->second.backgroundColor);
        }
        // Every level is walked: a view that only had its highlighted look
        // saved may still hold subviews that were made transparent.
        makeSubviewsOfViewOpaqueAgain(*sub);
    }
}

void GridViewCell::highlightSubviewsOfView(UIView& view)
{
    auto subviews = view.subviews();
    for (auto& sub : subviews) {
        if (auto look = highlightedLook(*sub)) {
            auto& saved = savedValuesFor(sub);
            if (!saved.highlighted)
                saved.highlighted = *look;
            setHighlightedLook(*sub, true);
        }
        highlightSubviewsOfView(*sub);
    }
}

void GridViewCell::resetHighlightForSubviewsOfView(UIView& view)
{
    auto subviews = view.subviews();
    for (auto& sub : subviews) {
        if (highlightedLook(*sub)) {
            auto it = m_selectionColorInfo.find(sub.get());
            if (it != m_selectionColorInfo.end() && it->second.highlighted)
                setHighlightedLook(*sub, *it->second.highlighted);
        }
        resetHighlightForSubviewsOfView(*sub);
    }
}
