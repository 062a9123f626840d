#pragma once

// Threads. The main thread is the process's initial thread (the one main()
// runs on), whoever asks first: work posted to the main run loop from a worker
// before the main thread ever looked at it still runs on the main thread.
//
// Every thread has an NSThread object, made on first use for threads not
// started here. A thread's run loop can be reached from other threads to
// perform work on it.

#include "Platform/Foundation/NSRunLoop.h"

#include <atomic>
#include <condition_variable>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

class NSThread : public std::enable_shared_from_this<NSThread> {
public:
    using Body = std::function<void()>;

    // A thread that runs `body` once started. The thread object stays alive
    // while the thread runs.
    static std::shared_ptr<NSThread> make(Body body);
    // Makes and starts a thread.
    static std::shared_ptr<NSThread> detachNewThread(Body body);

    static std::shared_ptr<NSThread> currentThread();
    static std::shared_ptr<NSThread> mainThread();
    static bool isMainThread();
    // Sleeps the calling thread for real time (not the injectable clock).
    static void sleepForTimeInterval(double seconds);

    void start();
    void cancel() { m_cancelled = true; }
    bool isCancelled() const { return m_cancelled.load(); }
    bool isExecuting() const { return m_executing.load(); }
    bool isFinished() const { return m_finished.load(); }
    bool isMain() const { return m_isMain; }

    std::string name() const;
    void setName(std::string name);

    // This thread's run loop, made on first use (from any thread).
    std::shared_ptr<NSRunLoop> runLoop();

    // Runs `call` on this thread's run loop in `modes`. With `waitUntilDone`,
    // a call made on this very thread runs at once; from another thread the
    // caller blocks until the call has run.
    void performBlock(std::function<void()> call, bool waitUntilDone,
        const std::vector<NSRunLoopMode>& modes = NSRunLoop::commonModesList());
    // The same on the main thread.
    static void performOnMainThread(std::function<void()> call, bool waitUntilDone,
        const std::vector<NSRunLoopMode>& modes = NSRunLoop::commonModesList());

    // Threads that outlive main() must not touch static state while the
    // process destroys it. A thread other than the main one holds a BusyScope
    // while it works (run-loop turns, queued blocks) and an IdleScope around
    // blocking waits inside one. Once exit has begun, the exit waits briefly
    // for busy threads to go idle, and a thread that would become busy again
    // stops for good instead (the process ends it).
    class BusyScope {
    public:
        BusyScope();
        ~BusyScope();
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;
    };
    class IdleScope {
    public:
        IdleScope();
        ~IdleScope();
        IdleScope(const IdleScope&) = delete;
        IdleScope& operator=(const IdleScope&) = delete;

    private:
        int m_saved;
    };
    // Hooks the above into the process's exit, once; the clock's state is made
    // first so that the hook runs before it is destroyed.
    static void installExitHook();
    // Begins the exit's part above at once, waiting up to `limit` for busy
    // threads. The hook runs only after the statics made since it was hooked
    // are gone; a program that can, calls this first, while all still stand.
    // Only the first call waits.
    static void quiesceForExit(std::chrono::milliseconds limit);

private:
    NSThread() = default;
    static std::shared_ptr<NSThread> adoptCurrent(bool isMain);

    Body m_body;
    std::atomic<bool> m_started { false };
    std::atomic<bool> m_cancelled { false };
    std::atomic<bool> m_executing { false };
    std::atomic<bool> m_finished { false };
    bool m_isMain = false;
    mutable std::mutex m_lock;
    std::string m_name;
    std::shared_ptr<NSRunLoop> m_runLoop;
};
