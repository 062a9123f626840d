#include "Platform/Foundation/NSException.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <execinfo.h>
#include <memory>
#include <mutex>
#include <typeinfo>
#include <unistd.h>

NSException::NSException(std::string name, std::string reason, Value userInfo)
    : m_name(std::move(name))
    , m_reason(std::move(reason))
    , m_userInfo(std::move(userInfo))
{
}

void NSException::raise() const
{
    NSException copy = *this;
    copy.m_callStack = currentCallStackSymbols(1);
    throw copy;
}

std::vector<std::string> currentCallStackSymbols(int skip)
{
    void* frames[128];
    int count = backtrace(frames, 128);
    std::vector<std::string> lines;
    char** symbols = backtrace_symbols(frames, count);
    for (int i = 1 + skip; i < count; ++i)
        lines.emplace_back(symbols ? symbols[i] : stringWithFormat("%p", static_cast<const void*>(frames[i])));
    std::free(symbols);
    return lines;
}

namespace {

// The hook is read from signal handlers, which must not lock: it sits behind
// an atomic pointer, and replaced hooks are kept (never freed) so that a
// reader racing a replacement still calls a live one.
std::atomic<const NSUncaughtExceptionHandler*> g_handler { nullptr };

std::mutex& handlerMutex()
{
    static std::mutex m;
    return m;
}

std::vector<std::unique_ptr<NSUncaughtExceptionHandler>>& keptHandlers()
{
    static std::vector<std::unique_ptr<NSUncaughtExceptionHandler>> list;
    return list;
}

// The hook runs once per process, however the end comes (an abort after a
// terminate raises a signal too).
std::atomic<bool> g_reported { false };
std::terminate_handler g_previousTerminate = nullptr;

constexpr int kSignals[] = { SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT };
struct sigaction g_previousActions[sizeof kSignals / sizeof kSignals[0]];

void report(const NSException& exception)
{
    if (g_reported.exchange(true))
        return;
    if (const NSUncaughtExceptionHandler* handler = g_handler.load(); handler && *handler)
        (*handler)(exception);
}

std::string demangled(const char* name)
{
    int status = 0;
    char* text = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    std::string out = status == 0 && text ? text : name;
    std::free(text);
    return out;
}

void onTerminate()
{
    NSException exception(NSGenericException, "terminate called without an active exception");
    exception.setCallStackSymbols(currentCallStackSymbols(1));
    if (std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const NSException& e) {
            exception = e;
        } catch (const std::exception& e) {
            // The stack is not unwound before terminate, so this still shows the throw.
            auto stack = exception.callStackSymbols();
            exception = NSException(demangled(typeid(e).name()), e.what());
            exception.setCallStackSymbols(std::move(stack));
        } catch (...) {
            exception = NSException(NSGenericException, "an exception of unknown type");
        }
    }
    report(exception);
    if (g_previousTerminate)
        g_previousTerminate();
    std::abort();
}

void onSignal(int signal, siginfo_t* info, void*)
{
    size_t slot = 0;
    while (slot < std::size(kSignals) && kSignals[slot] != signal)
        ++slot;
    if (!g_reported.load()) {
        const char* description = strsignal(signal);
        char name[32];
        std::snprintf(name, sizeof name, "SIG%s", sigabbrev_np(signal) ? sigabbrev_np(signal) : "UNKNOWN");
        NSException exception(name, stringWithFormat("Fatal signal %d (%s)", signal, description ? description : ""));
        exception.setCallStackSymbols(currentCallStackSymbols(1));
        report(exception);
    }
    // Hand the signal to whoever had it before; a fault re-occurs on return.
    if (slot < std::size(kSignals))
        sigaction(signal, &g_previousActions[slot], nullptr);
    else
        std::signal(signal, SIG_DFL);
    // A signal that was sent rather than caused by a fault would not recur.
    if (signal == SIGABRT || !info || info->si_code <= 0)
        raise(signal);
}

void installRoutes()
{
    static std::once_flag once;
    std::call_once(once, [] {
        g_previousTerminate = std::set_terminate(onTerminate);
        // A stack overflow can only be reported from a stack of its own.
        static char alternateStack[1 << 16];
        stack_t stack {};
        stack.ss_sp = alternateStack;
        stack.ss_size = sizeof alternateStack;
        stack_t old {};
        if (sigaltstack(nullptr, &old) == 0 && (old.ss_flags & SS_DISABLE))
            sigaltstack(&stack, nullptr);
        for (size_t i = 0; i < std::size(kSignals); ++i) {
            struct sigaction action { };
            action.sa_sigaction = onSignal;
            action.sa_flags = SA_SIGINFO | SA_ONSTACK;
            sigemptyset(&action.sa_mask);
            sigaction(kSignals[i], &action, &g_previousActions[i]);
        }
    });
}

}  // namespace

void NSSetUncaughtExceptionHandler(NSUncaughtExceptionHandler handler)
{
    if (handler)
        installRoutes();
    std::lock_guard lock(handlerMutex());
    const NSUncaughtExceptionHandler* installed = nullptr;
    if (handler) {
        keptHandlers().push_back(std::make_unique<NSUncaughtExceptionHandler>(std::move(handler)));
        installed = keptHandlers().back().get();
    }
    g_handler.store(installed);
}

NSUncaughtExceptionHandler NSGetUncaughtExceptionHandler()
{
    const NSUncaughtExceptionHandler* handler = g_handler.load();
    return handler ? *handler : NSUncaughtExceptionHandler();
}
