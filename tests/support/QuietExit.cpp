// Every test program lets its workers finish before its statics go: once the
// last test is over, a thumbnail or picture still being made on a worker
// would otherwise run on into the caches and bundles the exit destroys.

#include "Platform/Foundation/NSThread.h"

#include <gtest/gtest.h>

namespace {

class QuietExit : public testing::Environment {
public:
    void TearDown() override { NSThread::quiesceForExit(std::chrono::seconds(2)); }
};

[[maybe_unused]] testing::Environment* const kQuietExit = testing::AddGlobalTestEnvironment(new QuietExit);

}  // namespace
