#pragma once

// Timing helpers for the benchmarks that run their own interleaved rounds.

#include <algorithm>
#include <chrono>
#include <vector>

namespace BenchRounds {

inline double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The middle value (the mean of the two middle ones for an even count); 0 for none.
inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace BenchRounds
