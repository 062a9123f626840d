#include "Platform/QuartzCore/CATransaction.h"

#include "Platform/Foundation/NSRunLoop.h"

#include <vector>

namespace {

struct Transaction {
    bool disableActions = false;
    double duration = 0.25;
    std::function<void()> completion;
    bool implicit = false;
};

thread_local std::vector<Transaction> t_stack;

Transaction& current()
{
    // Settings made outside any begin/commit go to an implicit transaction,
    // committed on the run loop's next turn so that they do not outlive it.
    if (t_stack.empty()) {
        t_stack.emplace_back();
        t_stack.back().implicit = true;
        NSRunLoop::currentRunLoop()->performBlock([] {
            if (t_stack.empty() || !t_stack.front().implicit)
                return;
            auto done = std::move(t_stack.front());
            t_stack.erase(t_stack.begin());
            if (done.completion)
                done.completion();
        });
    }
    return t_stack.back();
}

}  // namespace

void CATransaction::begin()
{
    t_stack.emplace_back();
}

void CATransaction::commit()
{
    if (t_stack.empty() || t_stack.back().implicit)
        return;
    auto done = std::move(t_stack.back());
    t_stack.pop_back();
    if (done.completion)
        NSRunLoop::currentRunLoop()->performBlock(std::move(done.completion));
}

bool CATransaction::disableActions()
{
    return current().disableActions;
}

void CATransaction::setDisableActions(bool disable)
{
    current().disableActions = disable;
}

double CATransaction::animationDuration()
{
    return current().duration;
}

void CATransaction::setAnimationDuration(double duration)
{
    current().duration = duration;
}

void CATransaction::setCompletionBlock(std::function<void()> block)
{
    current().completion = std::move(block);
}
