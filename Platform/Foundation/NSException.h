#pragma once

// Named exceptions and the uncaught-exception hook. Raising throws an
// NSException carrying the call stack of the raise. An exception nobody
// catches, any other C++ exception that reaches std::terminate, and a fatal
// signal (segmentation fault, bus error, illegal instruction, arithmetic
// fault, abort) all end in the installed hook, once, with a name, a reason and
// the call-stack lines; the process then ends as it would have without it.

#include "Platform/Foundation/Format.h"
#include "Platform/Foundation/Value.h"

#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* NSGenericException = "NSGenericException";
inline constexpr const char* NSInvalidArgumentException = "NSInvalidArgumentException";
inline constexpr const char* NSInternalInconsistencyException = "NSInternalInconsistencyException";
inline constexpr const char* NSRangeException = "NSRangeException";

class NSException : public std::exception {
public:
    NSException(std::string name, std::string reason, Value userInfo = Value());

    static NSException exceptionWithNameReasonUserInfo(std::string name, std::string reason, Value userInfo = Value())
    {
        return NSException(std::move(name), std::move(reason), std::move(userInfo));
    }

    template <typename... Args>
    [[noreturn]] static void raiseFormat(std::string name, std::string_view format, const Args&... args)
    {
        NSException(std::move(name), stringWithFormat(format, args...)).raise();
    }

    // Records the call stack here and throws.
    [[noreturn]] void raise() const;

    const std::string& name() const { return m_name; }
    const std::string& reason() const { return m_reason; }
    const Value& userInfo() const { return m_userInfo; }
    const std::vector<std::string>& callStackSymbols() const { return m_callStack; }
    const char* what() const noexcept override { return m_reason.c_str(); }

    // For the terminate and signal routes, which build the exception themselves.
    void setCallStackSymbols(std::vector<std::string> lines) { m_callStack = std::move(lines); }

private:
    std::string m_name;
    std::string m_reason;
    Value m_userInfo;
    std::vector<std::string> m_callStack;
};

// The current thread's call stack, one line per frame, innermost first,
// leaving out `skip` frames of the caller's own.
std::vector<std::string> currentCallStackSymbols(int skip = 0);

using NSUncaughtExceptionHandler = std::function<void(const NSException&)>;
// nullptr removes the hook.
void NSSetUncaughtExceptionHandler(NSUncaughtExceptionHandler handler);
NSUncaughtExceptionHandler NSGetUncaughtExceptionHandler();
