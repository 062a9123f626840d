#pragma once

// Named notifications, posted synchronously on the posting thread.
//
// An observer is a callback registered for a name, optionally only for one
// sender (by identity), under an owner. Removing by owner removes all of its
// observers at once. An owner given as a weak_ptr is held alive for each call
// and its observers are dropped once it is gone, so nothing is called on a
// dead object even if it never removed itself.
//
// Posting takes a snapshot of the observers: observers added during a post are
// not called by it, and observers removed during a post (by themselves or by
// others) are not called after their removal. Any thread may observe, remove
// and post.

#include "Platform/Foundation/Value.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct NSNotification {
    std::string name;
    // What the poster sends along as the notification's object when that is a
    // value (a boolean number, a tag name, a two-element array).
    Value object;
    // The posting object, when there is one; observers that filter by sender
    // compare it by identity.
    std::shared_ptr<void> sender;
    // A dictionary, or null.
    Value userInfo;
};

class NSNotificationCenter {
public:
    using Callback = std::function<void(const NSNotification&)>;
    using ObserverToken = uint64_t;

    static NSNotificationCenter& defaultCenter();

    NSNotificationCenter() = default;
    NSNotificationCenter(const NSNotificationCenter&) = delete;
    NSNotificationCenter& operator=(const NSNotificationCenter&) = delete;

    // Observe `name` posted by anyone (sender null) or only by `sender`.
    ObserverToken addObserver(const void* owner, std::string name, Callback callback, const void* sender = nullptr);
    ObserverToken addObserver(
        const std::weak_ptr<void>& owner, std::string name, Callback callback, const void* sender = nullptr);

    void removeObserverToken(ObserverToken token);
    // Every observer of `owner`.
    void removeObserver(const void* owner);
    // The observers of `owner` for `name` (and, when given, for `sender` only).
    void removeObserver(const void* owner, const std::string& name, const void* sender = nullptr);

    void postNotification(const NSNotification& notification);
    void postNotificationName(
        const std::string& name, Value object = {}, Value userInfo = {}, std::shared_ptr<void> sender = {});

private:
    struct Observer;
    std::mutex m_lock;
    std::vector<std::shared_ptr<Observer>> m_observers;
    ObserverToken m_nextToken = 1;
};
