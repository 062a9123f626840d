#pragma once

// Delayed calls on the current thread's run loop, and their cancelling.
// A request is known by its owner (the object whose call it is, by identity),
// a name (the operation, as the system names it) and an optional argument,
// matched by equality when cancelling (an equal value made elsewhere cancels
// it, as the platform compares arguments with isEqual:). Requests wait on a one-shot timer in the modes given (the
// default mode unless said otherwise), so they wait while the loop is tracking. Cancelling acts on the current thread's
// requests only, as the requests live on that thread's loop.

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/Foundation/Value.h"

#include <functional>
#include <string>
#include <vector>

namespace PerformRequests {

void performAfterDelay(const void* owner, std::string name, std::function<void()> call, double delay,
    Value argument = Value(), std::vector<NSRunLoopMode> modes = { NSDefaultRunLoopMode });

// Cancels every pending request of `owner` on this thread.
void cancelPreviousPerformRequests(const void* owner);
// Cancels the pending requests of `owner` with this name and argument.
void cancelPreviousPerformRequests(const void* owner, const std::string& name, const Value& argument = Value());

}  // namespace PerformRequests
