#include "Platform/UIKit/GLibMainContextPump.h"

#include "Platform/Foundation/NSRunLoop.h"
#include "Platform/UIKit/UIMainThread.h"

#include <glib.h>

#include <map>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/timerfd.h>
#include <unistd.h>
#include <vector>

namespace {

// Rounds of dispatching in one service before the run loop gets its turn back,
// so a source that is always ready cannot starve the interface.
constexpr int kMaxRounds = 64;

struct Pump {
    GMainContext* context = nullptr;
    int epollFd = -1;
    int timerFd = -1;
    // The descriptors of GLib now in the epoll set, with their events.
    std::map<int, uint32_t> watched;
    std::vector<GPollFD> fds;
    RunLoopSourceRef source;
    RunLoopObserverRef observer;
    bool servicing = false;
};

// Kept to the end of the process: GLib's sources may call in until then.
Pump* s_pump = nullptr;

uint32_t epollEvents(gushort events)
{
    uint32_t out = 0;
    if (events & G_IO_IN)
        out |= EPOLLIN;
    if (events & G_IO_OUT)
        out |= EPOLLOUT;
    if (events & G_IO_PRI)
        out |= EPOLLPRI;
    return out;
}

void watch(Pump& pump, int fd, uint32_t events)
{
    epoll_event event {};
    event.events = events;
    event.data.fd = fd;
    auto it = pump.watched.find(fd);
    if (it == pump.watched.end()) {
        // A descriptor closed and opened again left the set by itself: add it back.
        if (epoll_ctl(pump.epollFd, EPOLL_CTL_ADD, fd, &event) != 0 && errno == EEXIST)
            epoll_ctl(pump.epollFd, EPOLL_CTL_MOD, fd, &event);
        pump.watched[fd] = events;
    } else if (it->second != events) {
        if (epoll_ctl(pump.epollFd, EPOLL_CTL_MOD, fd, &event) != 0 && errno == ENOENT)
            epoll_ctl(pump.epollFd, EPOLL_CTL_ADD, fd, &event);
        it->second = events;
    }
}

// Waits on what GLib waits on: its descriptors, and its timeout on the timer.
void arm(Pump& pump, size_t count, int timeoutMs)
{
    std::map<int, uint32_t> wanted;
    for (size_t i = 0; i < count; ++i)
        wanted[pump.fds[i].fd] |= epollEvents(pump.fds[i].events);
    for (auto it = pump.watched.begin(); it != pump.watched.end();) {
        if (wanted.count(it->first)) {
            ++it;
            continue;
        }
        epoll_ctl(pump.epollFd, EPOLL_CTL_DEL, it->first, nullptr);
        it = pump.watched.erase(it);
    }
    for (auto& [fd, events] : wanted)
        watch(pump, fd, events);

    itimerspec when {};
    if (timeoutMs == 0) {
        when.it_value.tv_nsec = 1;
    } else if (timeoutMs > 0) {
        when.it_value.tv_sec = timeoutMs / 1000;
        when.it_value.tv_nsec = static_cast<long>(timeoutMs % 1000) * 1000000L;
    }
    timerfd_settime(pump.timerFd, 0, &when, nullptr);
}

void serviceOnce(Pump& pump)
{
    uint64_t expirations;
    [[maybe_unused]] auto drained = ::read(pump.timerFd, &expirations, sizeof expirations);
    for (int round = 0; round < kMaxRounds; ++round) {
        gint priority = 0;
        g_main_context_prepare(pump.context, &priority);
        gint timeoutMs = -1;
        if (pump.fds.size() < 8)
            pump.fds.resize(8);
        gint count;
        while ((count = g_main_context_query(
                    pump.context, priority, &timeoutMs, pump.fds.data(), static_cast<gint>(pump.fds.size())))
            > static_cast<gint>(pump.fds.size()))
            pump.fds.resize(static_cast<size_t>(count));
        // Looked at, never waited on: the run loop does the waiting.
        ::poll(reinterpret_cast<pollfd*>(pump.fds.data()), static_cast<nfds_t>(count), 0);
        if (g_main_context_check(pump.context, priority, pump.fds.data(), count)) {
            g_main_context_dispatch(pump.context);
            continue;
        }
        arm(pump, static_cast<size_t>(count), timeoutMs);
        return;
    }
    // Still busy: come back on the next turn.
    arm(pump, 0, 0);
}

}  // namespace

static_assert(sizeof(GPollFD) == sizeof(pollfd), "GLib's poll records are poll(2)'s");

void GLibMainContextPump::attach()
{
    UIKIT_CHECK_MAIN_THREAD();
    if (s_pump)
        return;
    auto* pump = new Pump;
    pump->context = g_main_context_default();
    // The main thread owns the context from now on, as GLib's own loop would.
    g_main_context_acquire(pump->context);
    pump->epollFd = epoll_create1(EPOLL_CLOEXEC);
    pump->timerFd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    epoll_event event {};
    event.events = EPOLLIN;
    event.data.fd = pump->timerFd;
    epoll_ctl(pump->epollFd, EPOLL_CTL_ADD, pump->timerFd, &event);
    s_pump = pump;
    auto loop = NSRunLoop::mainRunLoop();
    pump->source = loop->addFileDescriptor(
        pump->epollFd, RunLoopFileReadable, [](int, unsigned) { service(); }, { NSRunLoopCommonModes });
    // Work GLib was handed during the turn (a load begun, a page closed) is
    // dispatched before the loop waits, not when something else wakes it.
    pump->observer = loop->addObserver(
        RunLoopBeforeSources | RunLoopBeforeWaiting, [](RunLoopActivity) { service(); }, { NSRunLoopCommonModes });
    service();
}

bool GLibMainContextPump::isAttached() { return s_pump != nullptr; }

void GLibMainContextPump::service()
{
    if (!s_pump || s_pump->servicing)
        return;
    // A GLib callback that runs the run loop again (a modal alert) does not
    // dispatch GLib again inside itself: GLib would find its sources mid-dispatch.
    s_pump->servicing = true;
    serviceOnce(*s_pump);
    s_pump->servicing = false;
}
