#include "Platform/Foundation/NSError.h"
#include "Platform/Foundation/NSException.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

namespace {

// What the application's crash report needs: name, reason and stack lines.
void installPrintingHook()
{
    NSSetUncaughtExceptionHandler([](const NSException& e) {
        static int calls = 0;
        std::fprintf(stderr, "hook #%d: %s | %s | %s\n", ++calls, e.name().c_str(), e.reason().c_str(),
            e.callStackSymbols().empty() ? "no stack" : "stack");
    });
}

[[noreturn]] void raiseGridMismatch()
{
    NSException::raiseFormat(NSInternalInconsistencyException,
        "Invalid number of items in GridView: Started with %u, added %u, deleted %u. Expected %u items after changes, "
        "but got %u",
        3u, 1u, 0u, 4u, 5u);
}

}  // namespace

TEST(NSException, RaiseCarriesNameReasonAndStack)
{
    try {
        raiseGridMismatch();
    } catch (const NSException& e) {
        EXPECT_STREQ(NSInternalInconsistencyException, e.name().c_str());
        EXPECT_EQ("Invalid number of items in GridView: Started with 3, added 1, deleted 0. Expected 4 items after "
                  "changes, but got 5",
            e.reason());
        EXPECT_FALSE(e.callStackSymbols().empty());
        EXPECT_STREQ(e.reason().c_str(), e.what());
    }
    NSException pool("Database already in pool",
        "The SQLDatabase being put back into the pool is already present in the pool",
        Value::dictionary({ { "k", 1 } }));
    EXPECT_TRUE(pool.callStackSymbols().empty());  // only a raise records the stack
    EXPECT_EQ(1, pool.userInfo()["k"].intValue());
    EXPECT_THROW(pool.raise(), NSException);
}

TEST(NSExceptionDeathTest, UncaughtEndsInTheHook)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Case {
        const char* what;
        void (*body)();
        const char* expected;
    };
    const Case cases[] = {
        { "named exception", [] { raiseGridMismatch(); },
            "hook #1: NSInternalInconsistencyException \\| Invalid number of items in GridView: Started with 3.* \\| "
            "stack" },
        { "other C++ exception", [] { throw std::runtime_error("disk on fire"); },
            "hook #1: std::runtime_error \\| disk on fire \\| stack" },
        { "signal sent", [] { std::raise(SIGSEGV); }, "hook #1: SIGSEGV \\| Fatal signal 11 .* \\| stack" },
        { "real fault",
            [] {
                // Read through a volatile so the optimiser cannot see the bad address.
                volatile uintptr_t address = 64;
                *reinterpret_cast<volatile int*>(address) = 1;
            },
            "hook #1: SIGSEGV \\| Fatal signal 11 .* \\| stack" },
        { "abort", [] { std::abort(); }, "hook #1: SIGABRT \\| Fatal signal 6 .* \\| stack" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_DEATH(
            {
                installPrintingHook();
                // Thrown from a noexcept function so nothing can catch it on the way.
                [&]() noexcept { c.body(); }();
            },
            c.expected);
    }
}

TEST(NSExceptionDeathTest, HookRunsOnceAndCanBeRemoved)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // The abort that follows a terminate does not report a second time.
    EXPECT_DEATH(
        {
            installPrintingHook();
            auto thrower = [] { throw std::logic_error("first"); };
            [&]() noexcept { thrower(); }();
        },
        "^[^#]*hook #1: std::logic_error \\| first \\| stack[^#]*$");
    EXPECT_EXIT(
        {
            installPrintingHook();
            NSSetUncaughtExceptionHandler(nullptr);
            std::fprintf(stderr, "removed\n");
            std::abort();
        },
        ::testing::KilledBySignal(SIGABRT), "^removed\n$");
    EXPECT_FALSE(NSGetUncaughtExceptionHandler());
}

TEST(NSError, DomainCodeAndUserInfo)
{
    auto underlying = NSError::errorWithDomainCodeUserInfo(NSPOSIXErrorDomain, 2);
    auto error = NSError::errorWithDomainCodeUserInfo("InputValidationErrorDomain", 1001,
        Value::dictionary({ { NSLocalizedDescriptionKey, "Input validation failed" },
            { NSLocalizedFailureReasonErrorKey, "Please input a positive number" } }),
        underlying);
    EXPECT_EQ("InputValidationErrorDomain", error->domain());
    EXPECT_EQ(1001, error->code());
    EXPECT_EQ("Input validation failed", error->localizedDescription());
    EXPECT_EQ("Please input a positive number", error->localizedFailureReason().value_or(""));
    EXPECT_EQ(underlying, error->underlyingError());
    EXPECT_EQ(
        "The operation couldn\u2019t be completed. (NSPOSIXErrorDomain error 2.)", underlying->localizedDescription());
    EXPECT_FALSE(underlying->localizedFailureReason().has_value());
    EXPECT_NE(std::string::npos, error->description().find("Code=1001 \"Input validation failed\""));
    EXPECT_TRUE(NSError("d", 1, Value(3)).userInfo().isDictionary());
}
