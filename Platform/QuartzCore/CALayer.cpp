#include "Platform/QuartzCore/CALayer.h"
#include "Platform/QuartzCore/CATransaction.h"

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/NSTimer.h"

#include <algorithm>
#include <cmath>

namespace {

// Read in place: placing a layer comes here for every view placed as a table
// scrolls, and copying the transform out for the general test costs more than
// the placing.
bool affinePartIsIdentity(const CATransform3D& t)
{
    return t.m11 == 1 && t.m12 == 0 && t.m21 == 0 && t.m22 == 1 && t.m41 == 0 && t.m42 == 0;
}

}  // namespace

struct CALayer::Running {
    std::shared_ptr<CAAnimation> animation;
    std::shared_ptr<NSTimer> timer;
    std::shared_ptr<NSTimer> startTimer;
    bool started = false;
    bool done = false;
    std::shared_ptr<void> transactionHold;
};

std::shared_ptr<CALayer> CALayer::layer() { return std::make_shared<CALayer>(); }

CALayer::~CALayer()
{
    for (auto& [key, running] : m_animations)
        if (running->timer)
            running->timer->invalidate();
}

void CALayer::setBounds(CGRect bounds)
{
    m_bounds = bounds;
    changed();
}

void CALayer::setPosition(CGPoint position)
{
    m_position = position;
    changed();
}

void CALayer::setAnchorPoint(CGPoint anchor)
{
    m_anchorPoint = anchor;
    changed();
}

CGRect CALayer::frame() const
{
    // The bounds placed with the anchor at the position, then transformed about it.
    CGRect local = CGRectMake(-m_bounds.size.width * m_anchorPoint.x, -m_bounds.size.height * m_anchorPoint.y,
        m_bounds.size.width, m_bounds.size.height);
    if (!affinePartIsIdentity(m_transform))
        return CGRectOffset(CGRectApplyAffineTransform(local, affineTransform()), m_position.x, m_position.y);
    // Without a transform the offset is added here, as CGRectOffset would.
    local = CGRectStandardize(local);
    local.origin.x += m_position.x;
    local.origin.y += m_position.y;
    return local;
}

void CALayer::setFrame(CGRect frame)
{
    if (affinePartIsIdentity(m_transform)) {
        m_bounds.size = frame.size;
    } else {
        // Keep the transform: the untransformed size is the one whose image fills the frame.
        CGRect unit = CGRectApplyAffineTransform(CGRectMake(0, 0, 1, 1), affineTransform());
        if (unit.size.width > 0 && unit.size.height > 0)
            m_bounds.size = CGSizeMake(frame.size.width / unit.size.width, frame.size.height / unit.size.height);
    }
    CGRect placed = this->frame();
    m_position.x += frame.origin.x - placed.origin.x;
    m_position.y += frame.origin.y - placed.origin.y;
    changed();
}

void CALayer::setTransform(const CATransform3D& transform)
{
    m_transform = transform;
    changed();
}

void CALayer::addSublayer(const std::shared_ptr<CALayer>& layer) { insertSublayerAtIndex(layer, m_sublayers.size()); }

void CALayer::insertSublayerAtIndex(const std::shared_ptr<CALayer>& layer, size_t index)
{
    if (!layer || layer.get() == this)
        return;
    auto keep = layer;
    keep->removeFromSuperlayer();
    index = std::min(index, m_sublayers.size());
    m_sublayers.insert(m_sublayers.begin() + static_cast<long>(index), keep);
    keep->m_superlayer = weak_from_this();
    changed();
}

void CALayer::removeFromSuperlayer()
{
    auto super = m_superlayer.lock();
    m_superlayer.reset();
    if (!super)
        return;
    auto& list = super->m_sublayers;
    list.erase(std::remove_if(list.begin(), list.end(), [this](auto& l) { return l.get() == this; }), list.end());
    changed();
}

void CALayer::drawInContext(const CGContextRef& context)
{
    if (auto d = m_delegate.lock())
        d->drawLayerInContext(*this, context);
}

void CALayer::addAnimation(const std::shared_ptr<CAAnimation>& animation, const std::string& key)
{
    if (!animation)
        return;
    removeAnimationForKey(key);
    auto running = std::make_shared<Running>();
    running->animation = animation;
    running->transactionHold = CATransaction::holdForAnimation();
    double now = CACurrentMediaTime();
    double start = animation->beginTime > 0 ? animation->beginTime : now;
    double end = start + animation->activeDuration();
    m_animations.emplace_back(key, running);
    std::weak_ptr<CALayer> weakSelf = weak_from_this();
    std::weak_ptr<Running> weakRunning = running;
    // The delegate hears the start when the animation really begins: from the
    // run loop, and no earlier than a later begin time.
    running->startTimer = NSTimer::timerWithTimeInterval(std::max(0.0, start - now), false, [weakRunning](NSTimer&) {
        auto r = weakRunning.lock();
        if (!r || r->started || r->done)
            return;
        r->started = true;
        if (r->animation->delegate)
            r->animation->delegate->animationDidStart(*r->animation);
    });
    NSRunLoop::currentRunLoop()->addTimer(running->startTimer, NSRunLoopCommonModes);
    if (std::isinf(end))
        return;
    running->timer
        = NSTimer::timerWithTimeInterval(std::max(0.0, end - now), false, [weakSelf, weakRunning, key](NSTimer&) {
              auto self = weakSelf.lock();
              auto r = weakRunning.lock();
              if (!self || !r || r->done)
                  return;
              // A zero-length animation ends in the same turn it starts: the start comes first.
              if (!r->started) {
                  r->started = true;
                  if (r->animation->delegate)
                      r->animation->delegate->animationDidStart(*r->animation);
              }
              r->done = true;
              auto anim = r->animation;
              if (anim->removedOnCompletion) {
                  auto& list = self->m_animations;
                  list.erase(
                      std::remove_if(list.begin(), list.end(), [&](auto& e) { return e.second == r; }), list.end());
              }
              if (anim->delegate)
                  anim->delegate->animationDidStop(*anim, true);
              r->transactionHold.reset();
          });
    NSRunLoop::currentRunLoop()->addTimer(running->timer, NSRunLoopCommonModes);
}

std::shared_ptr<CAAnimation> CALayer::animationForKey(const std::string& key) const
{
    for (auto& [k, r] : m_animations)
        if (k == key)
            return r->animation;
    return nullptr;
}

std::vector<std::string> CALayer::animationKeys() const
{
    std::vector<std::string> keys;
    for (auto& [k, r] : m_animations)
        keys.push_back(k);
    return keys;
}

void CALayer::stopAnimation(const std::string& key, bool finished)
{
    auto it = std::find_if(m_animations.begin(), m_animations.end(), [&](auto& e) { return e.first == key; });
    if (it == m_animations.end())
        return;
    auto running = it->second;
    m_animations.erase(it);
    if (running->timer)
        running->timer->invalidate();
    if (running->startTimer)
        running->startTimer->invalidate();
    if (!running->done) {
        running->done = true;
        if (running->animation->delegate)
            running->animation->delegate->animationDidStop(*running->animation, finished);
    }
    running->transactionHold.reset();
}

void CALayer::removeAnimationForKey(const std::string& key) { stopAnimation(key, false); }

void CALayer::removeAllAnimations()
{
    auto self = shared_from_this();
    while (!m_animations.empty())
        stopAnimation(m_animations.front().first, false);
    if (m_removeAllObserver)
        m_removeAllObserver();
}
