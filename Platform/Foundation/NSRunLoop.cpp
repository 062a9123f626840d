#include "Platform/Foundation/NSRunLoop.h"

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/NSThread.h"
#include "Platform/Foundation/NSTimer.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

// The loop whose turn this thread is running, if any. Work posted to it from
// its own turn needs no wake-up: every turn that ran a callback is followed by
// one that looks at posted blocks and signalled sources before it waits.
thread_local const NSRunLoop* t_turnLoop = nullptr;

}  // namespace

// Takes a scratch vector kept by the loop for the length of a scope and gives
// it back, emptied, with whatever capacity it grew to.
template <typename T> class ScratchVector {
public:
    explicit ScratchVector(std::vector<T>& home)
        : m_home(home)
        , m_items(std::move(home))
    {
        m_items.clear();
    }
    ~ScratchVector()
    {
        m_items.clear();
        if (m_items.capacity() > m_home.capacity())
            m_home = std::move(m_items);
    }
    ScratchVector(const ScratchVector&) = delete;
    ScratchVector& operator=(const ScratchVector&) = delete;
    std::vector<T>& operator*() { return m_items; }
    std::vector<T>* operator->() { return &m_items; }

private:
    std::vector<T>& m_home;
    std::vector<T> m_items;
};

void RunLoopSource::invalidate()
{
    if (!m_valid.exchange(false))
        return;
    // Dropping the callbacks releases what they captured (often the owner of
    // this source); the loop holds a callback while calling it, so this is
    // safe from inside the callback too.
    m_fileCallback = nullptr;
    m_perform = nullptr;
}

void RunLoopSource::setEvents(unsigned events) { m_events = events & (RunLoopFileReadable | RunLoopFileWritable); }

void RunLoopSource::signal()
{
    m_signalled = true;
    if (auto loop = m_loop.lock()) {
        loop->m_sourceSignalled = true;
        if (loop.get() != t_turnLoop)
            loop->wakeUp();
    }
}

NSRunLoop::NSRunLoop() { m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC); }

std::shared_ptr<NSRunLoop> NSRunLoop::make()
{
    std::shared_ptr<NSRunLoop> loop(new NSRunLoop);
    // A manual clock moving must wake a loop that sleeps until its next timer.
    std::weak_ptr<NSRunLoop> weak = loop;
    loop->m_clockObserver = Clock::addAdvanceObserver([weak] {
        if (auto l = weak.lock())
            l->wakeUp();
    });
    NSThread::installExitHook();
    return loop;
}

NSRunLoop::~NSRunLoop()
{
    Clock::removeAdvanceObserver(m_clockObserver);
    for (auto& entry : m_timers)
        entry.timer->invalidate();
    for (auto& source : m_sources)
        source->invalidate();
    for (auto& observer : m_observers)
        observer->invalidate();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

std::shared_ptr<NSRunLoop> NSRunLoop::currentRunLoop() { return NSThread::currentThread()->runLoop(); }

std::shared_ptr<NSRunLoop> NSRunLoop::mainRunLoop() { return NSThread::mainThread()->runLoop(); }

bool NSRunLoop::isMainRunLoop() const { return m_isMain; }

unsigned RunLoopSource::ModeSet::namedBit(const NSRunLoopMode& mode)
{
    if (&mode == &NSDefaultRunLoopMode || mode == NSDefaultRunLoopMode)
        return Default;
    if (&mode == &UITrackingRunLoopMode || mode == UITrackingRunLoopMode)
        return Tracking;
    if (&mode == &NSRunLoopCommonModes || mode == NSRunLoopCommonModes)
        return Common;
    return 0;
}

RunLoopSource::ModeSet::ModeSet(const std::vector<NSRunLoopMode>& modes)
{
    for (auto& mode : modes)
        add(mode);
}

void RunLoopSource::ModeSet::add(const NSRunLoopMode& mode)
{
    if (unsigned bit = namedBit(mode))
        named |= bit;
    else if (std::find(others.begin(), others.end(), mode) == others.end())
        others.push_back(mode);
}

NSRunLoop::RunningMode::RunningMode(const NSRunLoopMode& mode)
    : name(mode)
{
    unsigned bit = ModeSet::namedBit(mode);
    // Registering in the common modes means the default and the tracking mode.
    matchesNamed = bit == ModeSet::Default || bit == ModeSet::Tracking ? bit | ModeSet::Common : bit;
    byName = bit == 0;
}

bool NSRunLoop::RunningMode::matches(const ModeSet& registered) const
{
    if (registered.named & matchesNamed)
        return true;
    return byName && std::find(registered.others.begin(), registered.others.end(), name) != registered.others.end();
}

RunLoopSourceRef NSRunLoop::addFileDescriptor(
    int fd, unsigned events, RunLoopSource::FileCallback callback, std::vector<NSRunLoopMode> modes)
{
    RunLoopSourceRef source(new RunLoopSource);
    source->m_loop = weak_from_this();
    source->m_modes = ModeSet(modes);
    source->m_fd = fd;
    source->setEvents(events);
    if (callback)
        source->m_fileCallback = std::make_shared<const RunLoopSource::FileCallback>(std::move(callback));
    m_sources.push_back(source);
    return source;
}

RunLoopSourceRef NSRunLoop::addSource(RunLoopSource::Perform perform, std::vector<NSRunLoopMode> modes)
{
    RunLoopSourceRef source(new RunLoopSource);
    source->m_loop = weak_from_this();
    source->m_modes = ModeSet(modes);
    if (perform)
        source->m_perform = std::make_shared<const RunLoopSource::Perform>(std::move(perform));
    m_sources.push_back(source);
    return source;
}

RunLoopObserverRef NSRunLoop::addObserver(
    unsigned activities, RunLoopObserver::Callback callback, std::vector<NSRunLoopMode> modes)
{
    RunLoopObserverRef observer(new RunLoopObserver);
    observer->m_activities = activities;
    observer->m_modes = ModeSet(modes);
    if (callback)
        observer->m_callback = std::make_shared<const RunLoopObserver::Callback>(std::move(callback));
    m_observers.push_back(observer);
    return observer;
}

void NSRunLoop::notifyObservers(RunLoopActivity activity, const RunningMode& mode)
{
    if (m_observers.empty())
        return;
    std::erase_if(m_observers, [](auto& observer) { return !observer->isValid(); });
    // Held while called: a callback may invalidate its observer or add others.
    ScratchVector callbacks(m_scratchObservers);
    for (auto& observer : m_observers) {
        if ((observer->m_activities & activity) && mode.matches(observer->m_modes))
            callbacks->push_back(observer->m_callback);
    }
    for (auto& callback : *callbacks)
        (*callback)(activity);
}

bool NSRunLoop::hasWorkWithoutWaiting(const RunningMode& mode)
{
    for (auto& source : m_sources) {
        if (source->m_fd < 0 && source->m_signalled && source->isValid() && mode.matches(source->m_modes))
            return true;
    }
    return hasPostedBlocks(mode);
}

bool NSRunLoop::hasPostedBlocks(const RunningMode& mode)
{
    std::lock_guard guard(m_postLock);
    return std::any_of(m_posted.begin(), m_posted.end(), [&](auto& posted) { return mode.matches(posted.modes); });
}

void NSRunLoop::removeSource(const RunLoopSourceRef& source)
{
    if (!source)
        return;
    source->invalidate();
    std::erase(m_sources, source);
}

void NSRunLoop::addTimer(const std::shared_ptr<NSTimer>& timer, const NSRunLoopMode& mode)
{
    if (!timer || !timer->isValid())
        return;
    for (auto& entry : m_timers) {
        if (entry.timer == timer) {
            entry.modes.add(mode);
            return;
        }
    }
    ModeSet modes;
    modes.add(mode);
    m_timers.push_back(TimerEntry { timer, std::move(modes) });
}

const std::vector<NSRunLoopMode>& NSRunLoop::commonModesList()
{
    static const auto& list = *new std::vector<NSRunLoopMode> { NSRunLoopCommonModes };
    return list;
}

void NSRunLoop::performBlock(std::function<void()> block, const std::vector<NSRunLoopMode>& modes)
{
    if (!block)
        return;
    // Built before the lock is taken: other threads post to the same loop.
    Posted posted;
    posted.block = std::move(block);
    posted.modes = ModeSet(modes);
    {
        std::lock_guard guard(m_postLock);
        posted.sequence = ++m_postSequence;
        m_posted.push_back(std::move(posted));
    }
    if (this != t_turnLoop)
        wakeUp();
}

void NSRunLoop::wakeUp()
{
    // One ring until the loop hears it is enough: whatever else is posted
    // meanwhile is seen by the turn that follows.
    if (m_wakePending.exchange(true))
        return;
    uint64_t one = 1;
    // A full counter already means "wake up": nothing is lost when this fails.
    [[maybe_unused]] auto written = ::write(m_wakeFd, &one, sizeof one);
}

void NSRunLoop::drainWakeFd()
{
    // One read takes the whole count and leaves the counter at zero.
    uint64_t value;
    [[maybe_unused]] auto read = ::read(m_wakeFd, &value, sizeof value);
    // Cleared only after the read, which could otherwise take the count of a
    // ring that came between them and leave the flag set with nothing to
    // wake the loop. A ring skipped before this line posted its work before
    // it, and the turn that follows sees that work.
    m_wakePending = false;
}

void NSRunLoop::stop()
{
    m_stopRequested = true;
    wakeUp();
}

NSRunLoopMode NSRunLoop::currentMode() const { return m_modeStack.empty() ? NSRunLoopMode {} : *m_modeStack.back(); }

bool NSRunLoop::nextTimerDate(const NSRunLoopMode& mode, double& date) const
{
    return nextTimerDate(RunningMode(mode), date);
}

bool NSRunLoop::nextTimerDate(const RunningMode& mode, double& date) const
{
    bool found = false;
    for (auto& entry : m_timers) {
        if (!entry.timer->isValid() || !mode.matches(entry.modes))
            continue;
        double d = entry.timer->fireDate();
        if (!found || d < date)
            date = d;
        found = true;
    }
    return found;
}

bool NSRunLoop::hasInputs(const RunningMode& mode)
{
    for (auto& source : m_sources) {
        if (source->isValid() && mode.matches(source->m_modes))
            return true;
    }
    for (auto& entry : m_timers) {
        if (entry.timer->isValid() && mode.matches(entry.modes))
            return true;
    }
    return hasPostedBlocks(mode);
}

bool NSRunLoop::fireDueTimers(const RunningMode& mode)
{
    if (m_timers.empty())
        return false;
    double now = Clock::now();
    ScratchVector due(m_scratchTimers);
    bool sawInvalid = false;
    for (auto& entry : m_timers) {
        auto& timer = entry.timer;
        if (!timer->isValid()) {
            sawInvalid = true;
            continue;
        }
        if (mode.matches(entry.modes) && timer->fireDate() <= now && timer->m_firedOnTurn != m_turn)
            due->push_back(timer);
    }
    // Invalid timers are skipped wherever timers are looked at: they are
    // dropped when a walk meets them, not on every turn.
    if (sawInvalid)
        std::erase_if(m_timers, [](auto& entry) { return !entry.timer->isValid(); });
    if (due->size() > 1)
        std::stable_sort(due->begin(), due->end(), [](auto& a, auto& b) { return a->fireDate() < b->fireDate(); });
    bool handled = false;
    // Callbacks may run the loop again, which moves m_turn on.
    unsigned long turn = m_turn;
    for (auto& timer : *due) {
        // An earlier callback of this turn (or a nested run) may have fired,
        // invalidated or moved it.
        if (!timer->isValid() || timer->m_firedOnTurn >= turn || timer->fireDate() > now)
            continue;
        timer->m_firedOnTurn = turn;
        timer->fireFromLoop();
        handled = true;
    }
    return handled;
}

bool NSRunLoop::runPostedBlocks(const RunningMode& mode)
{
    unsigned long last;
    {
        std::lock_guard guard(m_postLock);
        last = m_postSequence;
    }
    bool handled = false;
    // One block at a time, so that a block that runs the loop again (nested)
    // cannot make later blocks overtake the earlier ones still waiting here.
    for (;;) {
        std::function<void()> next;
        {
            std::lock_guard guard(m_postLock);
            for (auto it = m_posted.begin(); it != m_posted.end(); ++it) {
                if (it->sequence > last)
                    break;
                if (mode.matches(it->modes)) {
                    next = std::move(it->block);
                    m_posted.erase(it);
                    break;
                }
            }
        }
        if (!next)
            break;
        next();
        // What the block captured goes now, not with the next one.
        next = nullptr;
        handled = true;
        if (m_stopRequested)
            break;
    }
    return handled;
}

bool NSRunLoop::performSignalledSources(const RunningMode& mode)
{
    if (!m_sourceSignalled.exchange(false))
        return false;
    bool handled = false;
    bool leftOver = false;
    // A copy, as callbacks may add and remove sources; of the custom sources
    // only, as no other is performed here.
    ScratchVector sources(m_scratchSources);
    for (auto& source : m_sources) {
        if (source->m_fd < 0 && source->isValid())
            sources->push_back(source);
    }
    for (auto& source : *sources) {
        if (!source->isValid() || !source->m_signalled)
            continue;
        if (!mode.matches(source->m_modes)) {
            leftOver = true;
            continue;
        }
        source->m_signalled = false;
        if (auto perform = source->m_perform)
            (*perform)();
        handled = true;
    }
    if (leftOver)
        m_sourceSignalled = true;
    return handled;
}

bool NSRunLoop::pollSources(const RunningMode& mode, int timeoutMs)
{
    ScratchVector fds(m_scratchFds);
    ScratchVector watched(m_scratchSources);
    fds->push_back({ m_wakeFd, POLLIN, 0 });
    for (auto& source : m_sources) {
        if (!source->isValid() || source->m_fd < 0 || source->m_events == 0 || !mode.matches(source->m_modes))
            continue;
        short events = 0;
        if (source->m_events & RunLoopFileReadable)
            events |= POLLIN;
        if (source->m_events & RunLoopFileWritable)
            events |= POLLOUT;
        fds->push_back({ source->m_fd, events, 0 });
        watched->push_back(source);
    }
    int ready;
    {
        NSThread::IdleScope idle;
        ready = ::poll(fds->data(), fds->size(), timeoutMs);
    }
    if (ready <= 0)
        return false;
    if ((*fds)[0].revents)
        drainWakeFd();
    bool handled = false;
    for (size_t i = 0; i < watched->size(); ++i) {
        short revents = (*fds)[i + 1].revents;
        auto& source = (*watched)[i];
        if (!revents || !source->isValid())
            continue;
        unsigned events = 0;
        if (revents & POLLIN)
            events |= RunLoopFileReadable;
        if (revents & POLLOUT)
            events |= RunLoopFileWritable;
        if (revents & POLLHUP)
            events |= RunLoopFileHangUp;
        if (revents & (POLLERR | POLLNVAL))
            events |= RunLoopFileError;
        if (auto callback = source->m_fileCallback)
            (*callback)(source->m_fd, events);
        handled = true;
    }
    return handled;
}

bool NSRunLoop::runTurn(const RunningMode& mode, double limitDate, bool mayWait)
{
    NSThread::BusyScope busy;
    struct TurnScope {
        const NSRunLoop* previous = t_turnLoop;
        explicit TurnScope(const NSRunLoop* loop) { t_turnLoop = loop; }
        ~TurnScope() { t_turnLoop = previous; }
    } turnScope(this);
    ++m_turn;
    std::erase_if(m_sources, [](auto& source) { return !source->isValid(); });
    // Blocks performed on this loop (the main queue's among them) go before the
    // timers and delayed performs that fall due in the same turn.
    bool handled = runPostedBlocks(mode);
    if (!m_stopRequested)
        handled |= fireDueTimers(mode);
    if (!m_stopRequested)
        notifyObservers(RunLoopBeforeSources, mode);
    if (!m_stopRequested)
        handled |= performSignalledSources(mode);

    int timeoutMs = 0;
    if (!handled && mayWait && !m_stopRequested) {
        double wakeAt = limitDate;
        double next = 0;
        if (nextTimerDate(mode, next))
            wakeAt = std::min(wakeAt, next);
        double now = Clock::now();
        if (wakeAt <= now)
            timeoutMs = 0;
        else if (Clock::isManual())
            timeoutMs = -1;  // only a post, a descriptor or the clock moving can wake us
        else
            timeoutMs = static_cast<int>(std::min(std::ceil((wakeAt - now) * 1000.0), double(INT_MAX)));
    }
    if (timeoutMs != 0 && !m_observers.empty()) {
        notifyObservers(RunLoopBeforeWaiting, mode);
        // Work an observer left for this loop raised no wake-up: look at it first.
        if (m_stopRequested || hasWorkWithoutWaiting(mode))
            timeoutMs = 0;
    }
    if (!m_stopRequested)
        handled |= pollSources(mode, timeoutMs);
    return handled;
}

NSRunLoop::RunResult NSRunLoop::runModeUntil(const NSRunLoopMode& name, double limitDate)
{
    RunningMode mode(name);
    if (!hasInputs(mode))
        return RunResult::NoInputs;
    NSThread::BusyScope busy;
    m_modeStack.push_back(&name);
    RunResult result = RunResult::TimedOut;
    // A thread that runs until stopped does not read the clock for its limit.
    auto limitPassed = [limitDate] { return limitDate < NSRunLoopDistantFuture && Clock::now() >= limitDate; };
    for (;;) {
        if (m_stopRequested.exchange(false)) {
            result = RunResult::Stopped;
            break;
        }
        bool mayWait = !limitPassed();
        if (runTurn(mode, limitDate, mayWait)) {
            result = m_stopRequested.exchange(false) ? RunResult::Stopped : RunResult::Handled;
            break;
        }
        if (!mayWait || limitPassed())
            break;
        if (!hasInputs(mode)) {
            result = RunResult::NoInputs;
            break;
        }
    }
    m_modeStack.pop_back();
    return result;
}

bool NSRunLoop::runMode(const NSRunLoopMode& mode, double limitDate)
{
    return runModeUntil(mode, limitDate) != RunResult::NoInputs;
}

bool NSRunLoop::runOnce(const NSRunLoopMode& name)
{
    RunningMode mode(name);
    if (!hasInputs(mode))
        return false;
    NSThread::BusyScope busy;
    m_modeStack.push_back(&name);
    bool handled = runTurn(mode, 0, false);
    m_modeStack.pop_back();
    return handled;
}

void NSRunLoop::runUntilDate(double limitDate)
{
    for (;;) {
        auto result = runModeUntil(NSDefaultRunLoopMode, limitDate);
        if (result != RunResult::Handled || Clock::now() >= limitDate)
            return;
    }
}

void NSRunLoop::run() { runUntilDate(NSRunLoopDistantFuture); }
