#pragma once

// Dispatch queues. The main queue runs its blocks on the main run loop (in the
// common modes), in order. Global queues run blocks concurrently on a shared
// pool of worker threads that grows when every worker is busy (so a block that
// waits on another queue cannot starve it). A serial queue runs one block at a
// time, in order, on some worker.
//
// `dispatch_after` counts on the injectable clock: with a manual clock the
// block is handed to its queue when the clock is advanced past its time.
//
// `dispatch_sync` onto the queue the caller is already running on (the main
// queue from the main thread, a serial queue from one of its own blocks) runs
// the block at once instead of waiting forever for itself.
//
// Worker threads are never joined: the pool outlives every static object it
// touches, so the process may exit while they sleep.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class DispatchQueue;
using dispatch_queue_t = std::shared_ptr<DispatchQueue>;
using dispatch_block_t = std::function<void()>;

// Seconds on the Clock::now() scale; DISPATCH_TIME_NOW means "now", when read.
using dispatch_time_t = double;
inline constexpr dispatch_time_t DISPATCH_TIME_NOW = 0;
inline constexpr dispatch_time_t DISPATCH_TIME_FOREVER = 1e18;
inline constexpr int64_t NSEC_PER_SEC = 1'000'000'000;
inline constexpr int64_t NSEC_PER_MSEC = 1'000'000;

enum : long {
    DISPATCH_QUEUE_PRIORITY_HIGH = 2,
    DISPATCH_QUEUE_PRIORITY_DEFAULT = 0,
    DISPATCH_QUEUE_PRIORITY_LOW = -2,
    DISPATCH_QUEUE_PRIORITY_BACKGROUND = -32768,
};

enum class DispatchQueueAttr { Serial, Concurrent };
inline constexpr DispatchQueueAttr DISPATCH_QUEUE_SERIAL = DispatchQueueAttr::Serial;
inline constexpr DispatchQueueAttr DISPATCH_QUEUE_CONCURRENT = DispatchQueueAttr::Concurrent;

dispatch_queue_t dispatch_get_main_queue();
dispatch_queue_t dispatch_get_global_queue(long priority, unsigned long flags);
dispatch_queue_t dispatch_queue_create(const char* label, DispatchQueueAttr attr = DISPATCH_QUEUE_SERIAL);
const char* dispatch_queue_get_label(const dispatch_queue_t& queue);

void dispatch_async(const dispatch_queue_t& queue, dispatch_block_t block);
void dispatch_sync(const dispatch_queue_t& queue, dispatch_block_t block);

// `when` plus `deltaNanoseconds`, on the Clock::now() scale.
dispatch_time_t dispatch_time(dispatch_time_t when, int64_t deltaNanoseconds);
void dispatch_after(dispatch_time_t when, const dispatch_queue_t& queue, dispatch_block_t block);
