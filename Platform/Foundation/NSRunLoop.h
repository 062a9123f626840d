#pragma once

// One run loop per thread that wants one. A loop waits in poll(2) on an
// eventfd (rung by posts from other threads and by moves of a manual clock)
// and on the file descriptors of its sources, for no longer than the next
// timer of the mode it runs in.
//
// A turn, in order: run the blocks posted for the mode (so a block performed
// on the main thread goes before a timer or delayed perform due in the same
// turn), fire the timers of the mode that are due (each at most once a turn,
// so a repeating timer of interval 0 fires once on every turn), tell the
// observers, perform the signalled sources, then poll the file descriptors
// and call the sources that are ready. A turn that had nothing to do tells
// the observers it is about to wait, waits (up to the run's limit) and tries
// again; `runMode` returns after the first turn that handled something, when
// its limit passes, or when the mode has no inputs at all (no timers, no
// sources, no blocks: like the platform, a loop with nothing to wait for
// returns at once, which is why a thread that must keep running adds an
// empty source).
//
// Times are `Clock::now()` seconds. With a manual clock a loop never wakes by
// itself for a timer: it sleeps until the clock is advanced, something is
// posted or a descriptor becomes ready, and a limit that has already passed
// makes `runMode` a single turn without waiting, which is how tests pump.
//
// Everything but `performBlock`, `stop`, `wakeUp` and `RunLoopSource::signal`
// must be called on the loop's own thread. Callbacks may run the loop again
// (nested runs) and may add or remove sources and timers.

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class NSTimer;
class NSThread;
struct pollfd;

using NSRunLoopMode = std::string;

// The mode names are never destroyed: the network thread runs its loop until
// the process ends, and would otherwise compare against freed text while the
// program's statics are torn down at exit.
inline const NSRunLoopMode& NSDefaultRunLoopMode = *new NSRunLoopMode("NSDefaultRunLoopMode");
// The mode a loop runs in while the user drags a scroll view.
inline const NSRunLoopMode& UITrackingRunLoopMode = *new NSRunLoopMode("UITrackingRunLoopMode");
// Registering in the common modes means every mode of the common set
// (the default and the tracking mode).
inline const NSRunLoopMode& NSRunLoopCommonModes = *new NSRunLoopMode("NSRunLoopCommonModes");

// Far enough ahead to mean "no limit".
inline constexpr double NSRunLoopDistantFuture = 1e18;

enum RunLoopFileEvents : unsigned {
    RunLoopFileReadable = 1u << 0,
    RunLoopFileWritable = 1u << 1,
    // Reported only, never asked for: the peer hung up or the descriptor failed.
    RunLoopFileHangUp = 1u << 2,
    RunLoopFileError = 1u << 3,
};

class NSRunLoop;
class RunLoopObserver;

// A source added to a run loop: a file descriptor watched for events, or a
// custom source performed when signalled. Invalidating it (or the loop going
// away) removes it; its callback is never called after `invalidate` returns on
// the loop's thread.
class RunLoopSource {
public:
    using FileCallback = std::function<void(int fd, unsigned events)>;
    using Perform = std::function<void()>;

    RunLoopSource(const RunLoopSource&) = delete;
    RunLoopSource& operator=(const RunLoopSource&) = delete;

    void invalidate();
    bool isValid() const { return m_valid.load(); }

    // File sources: change the events watched (for example readable only once
    // a request body is written). Loop thread only.
    void setEvents(unsigned events);
    unsigned events() const { return m_events; }
    int fileDescriptor() const { return m_fd; }

    // Custom sources: mark the source to be performed on the loop's next turn
    // in one of its modes, and wake the loop. Any thread.
    void signal();

private:
    friend class NSRunLoop;
    friend class RunLoopObserver;
    RunLoopSource() = default;

    // The modes something was registered for, as a loop keeps them: the
    // named modes above as bits and any others by name, so that registering
    // copies no text for them and a turn compares none.
    struct ModeSet {
        enum : unsigned { Default = 1u << 0, Tracking = 1u << 1, Common = 1u << 2 };
        unsigned named = 0;
        std::vector<NSRunLoopMode> others;

        ModeSet() = default;
        explicit ModeSet(const std::vector<NSRunLoopMode>& modes);
        void add(const NSRunLoopMode& mode);
        // The bit of a named mode, or 0.
        static unsigned namedBit(const NSRunLoopMode& mode);
    };

    std::weak_ptr<NSRunLoop> m_loop;
    ModeSet m_modes;
    int m_fd = -1;
    unsigned m_events = 0;
    // Shared, so that the loop can hold a callback across its call (which may
    // invalidate the source) without copying what it captured.
    std::shared_ptr<const FileCallback> m_fileCallback;
    std::shared_ptr<const Perform> m_perform;
    std::atomic<bool> m_valid { true };
    std::atomic<bool> m_signalled { false };
};

using RunLoopSourceRef = std::shared_ptr<RunLoopSource>;

// Points of a turn that an observer can be told of.
enum RunLoopActivity : unsigned {
    // Every turn, once its posted blocks and due timers have run, before its
    // signalled sources and descriptors.
    RunLoopBeforeSources = 1u << 0,
    // The turn found nothing to do and is about to wait for its inputs.
    RunLoopBeforeWaiting = 1u << 1,
};

// A callback told of some points of every turn of a loop in its modes; for
// work that gathers during a turn and is best handed on once the thread has
// nothing else to do. Invalidating it (or the loop going away) removes it.
class RunLoopObserver {
public:
    using Callback = std::function<void(RunLoopActivity activity)>;

    RunLoopObserver(const RunLoopObserver&) = delete;
    RunLoopObserver& operator=(const RunLoopObserver&) = delete;

    // Loop thread only.
    void invalidate() { m_callback = nullptr; }
    bool isValid() const { return m_callback != nullptr; }

private:
    friend class NSRunLoop;
    RunLoopObserver() = default;

    unsigned m_activities = 0;
    RunLoopSource::ModeSet m_modes;
    std::shared_ptr<const Callback> m_callback;
};

using RunLoopObserverRef = std::shared_ptr<RunLoopObserver>;

class NSRunLoop : public std::enable_shared_from_this<NSRunLoop> {
public:
    ~NSRunLoop();
    NSRunLoop(const NSRunLoop&) = delete;
    NSRunLoop& operator=(const NSRunLoop&) = delete;

    // The calling thread's loop, made on first use.
    static std::shared_ptr<NSRunLoop> currentRunLoop();
    // The main thread's loop (the process's initial thread, see NSThread.h);
    // may be asked for from any thread.
    static std::shared_ptr<NSRunLoop> mainRunLoop();

    // Watches `fd` for `events` (RunLoopFileReadable | RunLoopFileWritable) in
    // the given modes. The loop does not own the descriptor.
    RunLoopSourceRef addFileDescriptor(int fd, unsigned events, RunLoopSource::FileCallback callback,
        std::vector<NSRunLoopMode> modes = { NSDefaultRunLoopMode });
    // A source that is performed when signalled; with an empty `perform` it
    // only keeps the loop from returning for lack of inputs.
    RunLoopSourceRef addSource(
        RunLoopSource::Perform perform, std::vector<NSRunLoopMode> modes = { NSDefaultRunLoopMode });
    void removeSource(const RunLoopSourceRef& source);
    // Calls `callback` at the `activities` (RunLoopActivity bits) of every turn
    // in the given modes. The callback may post to other loops; work it leaves
    // for this loop is done before the loop waits.
    RunLoopObserverRef addObserver(unsigned activities, RunLoopObserver::Callback callback,
        std::vector<NSRunLoopMode> modes = { NSDefaultRunLoopMode });

    // Schedules a timer in a mode; the loop keeps it until it is invalidated
    // (a one-shot timer invalidates itself after firing). Adding the same timer
    // to another mode schedules it there too.
    void addTimer(const std::shared_ptr<NSTimer>& timer, const NSRunLoopMode& mode);

    // Runs `block` on this loop's thread, in order of posting, on a turn in one
    // of `modes`. Any thread; wakes the loop.
    void performBlock(std::function<void()> block, const std::vector<NSRunLoopMode>& modes = commonModesList());
    // The list { NSRunLoopCommonModes }, made once: a post that takes the
    // default builds no list of its own.
    static const std::vector<NSRunLoopMode>& commonModesList();

    // Runs turns in `mode` until one handled something, `limitDate` (a
    // Clock::now() time) passes, `stop` is called or the mode has no inputs.
    // Returns false only when the mode had no inputs.
    bool runMode(const NSRunLoopMode& mode, double limitDate);
    // One turn in `mode` without waiting; true when it handled something.
    // This is how a test pumps a loop.
    bool runOnce(const NSRunLoopMode& mode);
    // Runs the default mode until `limitDate`, or until stopped or without inputs.
    void runUntilDate(double limitDate);
    // Runs the default mode until stopped or without inputs.
    void run();
    // Makes the innermost running `runMode`/`run`/`runUntilDate` return; when
    // the loop is not running, the next run returns at once. Any thread.
    void stop();
    // Wakes a waiting loop so that it looks again at the clock and its inputs. Any thread.
    void wakeUp();

    // The mode of the innermost run in progress, or empty when not running.
    NSRunLoopMode currentMode() const;
    bool isRunning() const { return !m_modeStack.empty(); }
    bool isMainRunLoop() const;
    // The earliest fire time of the valid timers that can fire in `mode`, if any.
    bool nextTimerDate(const NSRunLoopMode& mode, double& date) const;

private:
    friend class NSThread;
    friend class RunLoopSource;
    friend class NSTimer;
    using ModeSet = RunLoopSource::ModeSet;
    struct Posted {
        unsigned long sequence = 0;
        std::function<void()> block;
        ModeSet modes;
    };
    struct TimerEntry {
        std::shared_ptr<NSTimer> timer;
        ModeSet modes;
    };
    // The mode a run is in, as the registered modes it matches.
    struct RunningMode {
        explicit RunningMode(const NSRunLoopMode& mode);
        const NSRunLoopMode& name;
        unsigned matchesNamed;
        // Not one of the named modes: registered names are compared.
        bool byName;
        bool matches(const ModeSet& registered) const;
    };

    NSRunLoop();
    static std::shared_ptr<NSRunLoop> make();

    enum class RunResult { NoInputs, Handled, TimedOut, Stopped };
    RunResult runModeUntil(const NSRunLoopMode& mode, double limitDate);
    bool hasInputs(const RunningMode& mode);
    bool runTurn(const RunningMode& mode, double limitDate, bool mayWait);
    bool fireDueTimers(const RunningMode& mode);
    bool nextTimerDate(const RunningMode& mode, double& date) const;
    bool runPostedBlocks(const RunningMode& mode);
    bool performSignalledSources(const RunningMode& mode);
    bool pollSources(const RunningMode& mode, int timeoutMs);
    void notifyObservers(RunLoopActivity activity, const RunningMode& mode);
    // Signalled sources or posted blocks waiting for a turn in `mode`.
    bool hasWorkWithoutWaiting(const RunningMode& mode);
    bool hasPostedBlocks(const RunningMode& mode);
    void drainWakeFd();

    int m_wakeFd = -1;
    int m_clockObserver = 0;

    mutable std::mutex m_postLock;
    std::deque<Posted> m_posted;
    unsigned long m_postSequence = 0;
    unsigned long m_turn = 0;
    std::atomic<bool> m_stopRequested { false };
    std::atomic<bool> m_sourceSignalled { false };
    // Rung and not yet heard by the loop (see wakeUp).
    std::atomic<bool> m_wakePending { false };

    std::vector<RunLoopSourceRef> m_sources;
    std::vector<RunLoopObserverRef> m_observers;
    std::vector<TimerEntry> m_timers;
    // The modes of the runs in progress; each names the caller's argument,
    // which outlives its run.
    std::vector<const NSRunLoopMode*> m_modeStack;
    // Kept between turns so that a turn allocates nothing; a nested turn
    // finds them taken and uses its own.
    std::vector<pollfd> m_scratchFds;
    std::vector<RunLoopSourceRef> m_scratchSources;
    std::vector<std::shared_ptr<NSTimer>> m_scratchTimers;
    std::vector<std::shared_ptr<const RunLoopObserver::Callback>> m_scratchObservers;
    bool m_isMain = false;
};
