#include "Platform/QuartzCore/CATransaction.h"

#include "Platform/Foundation/NSRunLoop.h"

#include <memory>
#include <vector>

namespace {

// What a transaction's completion waits for: its commit, then the end of
// every animation added while it was open.
struct Group {
    std::function<void()> completion;
    int pending = 0;
    bool committed = false;
    void finishIfDone()
    {
        if (!committed || pending > 0 || !completion)
            return;
        NSRunLoop::currentRunLoop()->performBlock(std::move(completion));
        completion = nullptr;
    }
};

struct Transaction {
    bool disableActions = false;
    double duration = 0.25;
    bool implicit = false;
    std::shared_ptr<Group> group = std::make_shared<Group>();
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
            done.group->committed = true;
            if (done.group->pending == 0 && done.group->completion)
                done.group->completion();
            else
                done.group->finishIfDone();
        });
    }
    return t_stack.back();
}

}  // namespace

void CATransaction::begin() { t_stack.emplace_back(); }

void CATransaction::commit()
{
    if (t_stack.empty() || t_stack.back().implicit)
        return;
    auto done = std::move(t_stack.back());
    t_stack.pop_back();
    done.group->committed = true;
    done.group->finishIfDone();
}

bool CATransaction::disableActions() { return current().disableActions; }

void CATransaction::setDisableActions(bool disable) { current().disableActions = disable; }

double CATransaction::animationDuration() { return current().duration; }

void CATransaction::setAnimationDuration(double duration) { current().duration = duration; }

void CATransaction::setCompletionBlock(std::function<void()> block) { current().group->completion = std::move(block); }

std::shared_ptr<void> CATransaction::holdForAnimation()
{
    current();
    std::vector<std::shared_ptr<Group>> groups;
    for (auto& t : t_stack) {
        ++t.group->pending;
        groups.push_back(t.group);
    }
    return std::shared_ptr<void>(nullptr, [groups = std::move(groups)](void*) {
        for (auto& g : groups) {
            --g->pending;
            g->finishIfDone();
        }
    });
}
