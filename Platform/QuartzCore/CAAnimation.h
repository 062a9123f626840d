#pragma once

// Layer animations are presentation only: nothing the system reads back
// depends on their in-between values. They are kept on their layer under their
// key with their timing so that tests can inspect them, and they end on the
// process clock: a finite animation that is removed on completion leaves its
// layer when its active time is over and tells its delegate it finished; one
// that repeats forever stays until it is removed, which tells the delegate it
// did not finish.

#include "Platform/QuartzCore/CATransform3D.h"

#include <limits>
#include <memory>
#include <string>
#include <variant>
#include <vector>

// A value an animation moves through: a number, a point, a size, a rect or a transform.
using CAAnimationValue = std::variant<std::monostate, double, CGPoint, CGSize, CGRect, CATransform3D>;

inline const std::string kCAMediaTimingFunctionLinear = "linear";
inline const std::string kCAMediaTimingFunctionEaseIn = "easeIn";
inline const std::string kCAMediaTimingFunctionEaseOut = "easeOut";
inline const std::string kCAMediaTimingFunctionEaseInEaseOut = "easeInEaseOut";
inline const std::string kCAMediaTimingFunctionDefault = "default";

class CAMediaTimingFunction {
public:
    static std::shared_ptr<CAMediaTimingFunction> functionWithName(const std::string& name);
    const std::string& name() const { return m_name; }

private:
    std::string m_name;
};

inline const std::string kCAFillModeRemoved = "removed";
inline const std::string kCAFillModeForwards = "forwards";
inline const std::string kCAFillModeBackwards = "backwards";
inline const std::string kCAFillModeBoth = "both";

// "Repeat forever".
inline constexpr float HUGE_VALF_REPEAT = std::numeric_limits<float>::infinity();

class CAAnimation;

class CAAnimationDelegate {
public:
    virtual ~CAAnimationDelegate() = default;
    virtual void animationDidStart(CAAnimation&) { }
    virtual void animationDidStop(CAAnimation&, bool finished) { }
};

class CAAnimation : public std::enable_shared_from_this<CAAnimation> {
public:
    virtual ~CAAnimation() = default;

    double duration = 0.25;  // 0 means the default of a quarter second
    double beginTime = 0;  // 0 means "when added"; otherwise a media time
    double timeOffset = 0;
    float repeatCount = 0;
    bool autoreverses = false;
    std::string fillMode = kCAFillModeRemoved;
    bool removedOnCompletion = true;
    std::shared_ptr<CAMediaTimingFunction> timingFunction;
    // Retained, as the platform retains an animation's delegate.
    std::shared_ptr<CAAnimationDelegate> delegate;

    // The time from the start to the end: one pass (doubled when it
    // autoreverses) times the repeat count (at least once); infinite when it
    // repeats forever.
    double activeDuration() const;
};

class CAPropertyAnimation : public CAAnimation {
public:
    std::string keyPath;
};

class CABasicAnimation : public CAPropertyAnimation {
public:
    static std::shared_ptr<CABasicAnimation> animationWithKeyPath(const std::string& keyPath);
    CAAnimationValue fromValue;
    CAAnimationValue toValue;
    CAAnimationValue byValue;
};

class CAKeyframeAnimation : public CAPropertyAnimation {
public:
    static std::shared_ptr<CAKeyframeAnimation> animationWithKeyPath(const std::string& keyPath);
    std::vector<CAAnimationValue> values;
    std::vector<double> keyTimes;
    std::vector<std::shared_ptr<CAMediaTimingFunction>> timingFunctions;
};

inline const std::string kCATransitionFade = "fade";
inline const std::string kCATransitionMoveIn = "moveIn";
inline const std::string kCATransitionPush = "push";
inline const std::string kCATransitionReveal = "reveal";
inline const std::string kCATransitionFromRight = "fromRight";
inline const std::string kCATransitionFromLeft = "fromLeft";
inline const std::string kCATransitionFromTop = "fromTop";
inline const std::string kCATransitionFromBottom = "fromBottom";

class CATransition : public CAAnimation {
public:
    static std::shared_ptr<CATransition> animation();
    std::string type = kCATransitionFade;
    std::string subtype;
};

// The media time: the process clock's seconds.
double CACurrentMediaTime();
