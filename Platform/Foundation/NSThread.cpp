#include "Platform/Foundation/NSThread.h"

#include "Platform/Foundation/Clock.h"

#include <chrono>
#include <cstdlib>
#include <thread>
#include <unistd.h>

namespace {

bool onInitialThread() { return ::gettid() == ::getpid(); }

thread_local std::shared_ptr<NSThread> t_current;

std::atomic<bool> g_exiting = false;
std::atomic<int> g_busyThreads = 0;
thread_local int t_busyDepth = 0;
thread_local int t_isMain = -1;

bool currentIsMain()
{
    if (t_isMain < 0)
        t_isMain = onInitialThread() ? 1 : 0;
    return t_isMain == 1;
}

[[noreturn]] void parkForever()
{
    for (;;)
        ::pause();
}

void becomeBusy()
{
    ++g_busyThreads;
    if (g_exiting.load()) {
        --g_busyThreads;
        parkForever();
    }
}

}  // namespace

NSThread::BusyScope::BusyScope()
{
    if (!currentIsMain() && t_busyDepth++ == 0)
        becomeBusy();
}

NSThread::BusyScope::~BusyScope()
{
    if (!currentIsMain() && --t_busyDepth == 0)
        --g_busyThreads;
}

NSThread::IdleScope::IdleScope()
    : m_saved(t_busyDepth)
{
    if (!currentIsMain() && m_saved > 0) {
        t_busyDepth = 0;
        --g_busyThreads;
    }
}

NSThread::IdleScope::~IdleScope()
{
    if (!currentIsMain() && m_saved > 0) {
        t_busyDepth = m_saved;
        becomeBusy();
    }
}

void NSThread::installExitHook()
{
    static std::once_flag once;
    std::call_once(once, [] {
        (void)Clock::now();
        // A thread stuck in a long block is not waited for beyond this.
        std::atexit([] { quiesceForExit(std::chrono::milliseconds(500)); });
    });
}

void NSThread::quiesceForExit(std::chrono::milliseconds limit)
{
    // Threads still busy after the first wait are stuck; a second wait would not free them.
    if (g_exiting.exchange(true))
        return;
    const auto until = std::chrono::steady_clock::now() + limit;
    while (g_busyThreads.load() > 0 && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

std::shared_ptr<NSThread> NSThread::adoptCurrent(bool isMain)
{
    std::shared_ptr<NSThread> thread(new NSThread);
    thread->m_isMain = isMain;
    thread->m_started = true;
    thread->m_executing = true;
    return thread;
}

std::shared_ptr<NSThread> NSThread::mainThread()
{
    // Never destroyed: work may be posted to the main thread while the process exits.
    static auto* main = new std::shared_ptr<NSThread>(adoptCurrent(true));
    return *main;
}

std::shared_ptr<NSThread> NSThread::currentThread()
{
    if (!t_current)
        t_current = onInitialThread() ? mainThread() : adoptCurrent(false);
    return t_current;
}

bool NSThread::isMainThread() { return currentIsMain(); }

void NSThread::sleepForTimeInterval(double seconds)
{
    if (seconds > 0)
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

std::shared_ptr<NSThread> NSThread::make(Body body)
{
    std::shared_ptr<NSThread> thread(new NSThread);
    thread->m_body = std::move(body);
    return thread;
}

std::shared_ptr<NSThread> NSThread::detachNewThread(Body body)
{
    auto thread = make(std::move(body));
    thread->start();
    return thread;
}

void NSThread::start()
{
    if (m_started.exchange(true))
        return;
    m_executing = true;
    std::thread([self = shared_from_this()]() mutable {
        t_current = self;
        if (self->m_body)
            self->m_body();
        self->m_body = nullptr;
        self->m_executing = false;
        self->m_finished = true;
        self.reset();
    }).detach();
}

std::string NSThread::name() const
{
    std::lock_guard guard(m_lock);
    return m_name;
}

void NSThread::setName(std::string name)
{
    std::lock_guard guard(m_lock);
    m_name = std::move(name);
}

std::shared_ptr<NSRunLoop> NSThread::runLoop()
{
    std::lock_guard guard(m_lock);
    if (!m_runLoop) {
        m_runLoop = NSRunLoop::make();
        m_runLoop->m_isMain = m_isMain;
    }
    return m_runLoop;
}

void NSThread::performBlock(std::function<void()> call, bool waitUntilDone, const std::vector<NSRunLoopMode>& modes)
{
    if (!call)
        return;
    if (!waitUntilDone) {
        runLoop()->performBlock(std::move(call), modes);
        return;
    }
    if (currentThread().get() == this) {
        call();
        return;
    }
    struct Done {
        std::mutex lock;
        std::condition_variable condition;
        bool done = false;
    };
    auto done = std::make_shared<Done>();
    runLoop()->performBlock(
        [call = std::move(call), done] {
            call();
            std::lock_guard guard(done->lock);
            done->done = true;
            done->condition.notify_all();
        },
        modes);
    IdleScope idle;
    std::unique_lock lock(done->lock);
    done->condition.wait(lock, [&] { return done->done; });
}

void NSThread::performOnMainThread(
    std::function<void()> call, bool waitUntilDone, const std::vector<NSRunLoopMode>& modes)
{
    mainThread()->performBlock(std::move(call), waitUntilDone, modes);
}
