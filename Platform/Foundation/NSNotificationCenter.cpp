#include "Platform/Foundation/NSNotificationCenter.h"

#include <atomic>

struct NSNotificationCenter::Observer {
    ObserverToken token = 0;
    const void* owner = nullptr;
    // Set when the owner was given as a weak_ptr: the observer lives as long as the owner.
    bool ownerIsWeak = false;
    std::weak_ptr<void> weakOwner;
    std::string name;
    const void* sender = nullptr;
    Callback callback;
    std::atomic<bool> removed { false };
};

NSNotificationCenter& NSNotificationCenter::defaultCenter()
{
    // Never destroyed: threads may still post while the process exits.
    static auto* center = new NSNotificationCenter;
    return *center;
}

NSNotificationCenter::ObserverToken NSNotificationCenter::addObserver(
    const void* owner, std::string name, Callback callback, const void* sender)
{
    auto observer = std::make_shared<Observer>();
    observer->owner = owner;
    observer->name = std::move(name);
    observer->sender = sender;
    observer->callback = std::move(callback);
    std::lock_guard guard(m_lock);
    observer->token = m_nextToken++;
    m_observers.push_back(observer);
    return observer->token;
}

NSNotificationCenter::ObserverToken NSNotificationCenter::addObserver(
    const std::weak_ptr<void>& owner, std::string name, Callback callback, const void* sender)
{
    auto observer = std::make_shared<Observer>();
    observer->owner = owner.lock().get();
    observer->ownerIsWeak = true;
    observer->weakOwner = owner;
    observer->name = std::move(name);
    observer->sender = sender;
    observer->callback = std::move(callback);
    std::lock_guard guard(m_lock);
    // Observers of owners that have gone are dropped here as well as when posting.
    std::erase_if(m_observers, [](auto& o) { return o->ownerIsWeak && o->weakOwner.expired(); });
    observer->token = m_nextToken++;
    m_observers.push_back(observer);
    return observer->token;
}

void NSNotificationCenter::removeObserverToken(ObserverToken token)
{
    std::vector<std::shared_ptr<Observer>> removed;
    std::lock_guard guard(m_lock);
    std::erase_if(m_observers, [&](auto& o) {
        if (o->token != token)
            return false;
        o->removed = true;
        removed.push_back(o);
        return true;
    });
}

void NSNotificationCenter::removeObserver(const void* owner)
{
    // The callbacks are released outside the lock: they may hold objects whose
    // destructors remove observers in turn.
    std::vector<std::shared_ptr<Observer>> removed;
    std::lock_guard guard(m_lock);
    std::erase_if(m_observers, [&](auto& o) {
        if (o->owner != owner)
            return false;
        o->removed = true;
        removed.push_back(o);
        return true;
    });
}

void NSNotificationCenter::removeObserver(const void* owner, const std::string& name, const void* sender)
{
    std::vector<std::shared_ptr<Observer>> removed;
    std::lock_guard guard(m_lock);
    std::erase_if(m_observers, [&](auto& o) {
        if (o->owner != owner || o->name != name || (sender && o->sender != sender))
            return false;
        o->removed = true;
        removed.push_back(o);
        return true;
    });
}

void NSNotificationCenter::postNotification(const NSNotification& notification)
{
    std::vector<std::shared_ptr<Observer>> matching;
    {
        std::lock_guard guard(m_lock);
        std::erase_if(m_observers, [](auto& o) { return o->ownerIsWeak && o->weakOwner.expired(); });
        for (auto& o : m_observers) {
            if (o->name == notification.name && (!o->sender || o->sender == notification.sender.get()))
                matching.push_back(o);
        }
    }
    for (auto& o : matching) {
        if (o->removed)
            continue;
        std::shared_ptr<void> keepOwner;
        if (o->ownerIsWeak) {
            keepOwner = o->weakOwner.lock();
            if (!keepOwner)
                continue;
        }
        o->callback(notification);
    }
}

void NSNotificationCenter::postNotificationName(
    const std::string& name, Value object, Value userInfo, std::shared_ptr<void> sender)
{
    NSNotification notification;
    notification.name = name;
    notification.object = std::move(object);
    notification.sender = std::move(sender);
    notification.userInfo = std::move(userInfo);
    postNotification(notification);
}
