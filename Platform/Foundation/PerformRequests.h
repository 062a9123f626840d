#pragma once

// Delayed calls on the current thread's run loop, and their cancelling.
// A request is known by its owner (the object whose call it is, by identity),
// a name (the operation, as the system names it) and an optional argument
// (by identity; values that must be told apart by content can be folded into
// the name). Requests wait on a one-shot timer in the modes given (the default
// mode unless said otherwise), so they wait while the loop is tracking.
// Cancelling acts on the current thread's requests only, as the requests live
// on that thread's loop.

#include "Platform/Foundation/NSRunLoop.h"

#include <functional>
#include <string>
#include <vector>

namespace PerformRequests {

void performAfterDelay(const void* owner, std::string name, std::function<void()> call, double delay,
                       const void* argument = nullptr,
                       std::vector<NSRunLoopMode> modes = { NSDefaultRunLoopMode });

// Cancels every pending request of `owner` on this thread.
void cancelPreviousPerformRequests(const void* owner);
// Cancels the pending requests of `owner` with this name and argument.
void cancelPreviousPerformRequests(const void* owner, const std::string& name, const void* argument = nullptr);

}  // namespace PerformRequests
