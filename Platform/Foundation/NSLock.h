#pragma once

// Locks with the platform's names. A class-level lock (`synchronized` on a
// class) is one recursive lock per class, made on first use.

#include <mutex>

class NSLock {
public:
    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }
    bool tryLock() { return m_mutex.try_lock(); }
    // Lets std::lock_guard take an NSLock.
    bool try_lock() { return tryLock(); }

private:
    std::mutex m_mutex;
};

class NSRecursiveLock {
public:
    void lock() { m_mutex.lock(); }
    void unlock() { m_mutex.unlock(); }
    bool tryLock() { return m_mutex.try_lock(); }
    bool try_lock() { return tryLock(); }

private:
    std::recursive_mutex m_mutex;
};

// The lock of class T: `std::lock_guard guard(classLock<QuoteOrderStore>());`
// Never destroyed, so a singleton may still take it while the process exits.
template <typename T> std::recursive_mutex& classLock()
{
    static auto* lock = new std::recursive_mutex;
    return *lock;
}
