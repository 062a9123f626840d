#include "Platform/QuartzCore/CAAnimation.h"

#include "Platform/Foundation/Clock.h"

#include <cmath>

std::shared_ptr<CAMediaTimingFunction> CAMediaTimingFunction::functionWithName(const std::string& name)
{
    auto f = std::make_shared<CAMediaTimingFunction>();
    f->m_name = name;
    return f;
}

double CAAnimation::activeDuration() const
{
    double pass = (duration > 0 ? duration : 0.25) * (autoreverses ? 2 : 1);
    if (std::isinf(repeatCount))
        return std::numeric_limits<double>::infinity();
    double repeats = repeatCount > 0 ? repeatCount : 1;
    return pass * repeats;
}

std::shared_ptr<CABasicAnimation> CABasicAnimation::animationWithKeyPath(const std::string& keyPath)
{
    auto a = std::make_shared<CABasicAnimation>();
    a->keyPath = keyPath;
    return a;
}

std::shared_ptr<CAKeyframeAnimation> CAKeyframeAnimation::animationWithKeyPath(const std::string& keyPath)
{
    auto a = std::make_shared<CAKeyframeAnimation>();
    a->keyPath = keyPath;
    return a;
}

std::shared_ptr<CATransition> CATransition::animation() { return std::make_shared<CATransition>(); }

double CACurrentMediaTime() { return Clock::now(); }
