#pragma once

// Timing helpers for the benchmarks that run their own interleaved rounds.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <utility>
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

// Times `ours` and `floor` over `rounds` rounds in each pass of the benchmark's loop, each round taking the
// two in the other order from the last so neither always meets a warm or a cold cache. The pass counts
// as the median of ours; the counters give the median and minimum of both and their ratios.
// `untimed` runs before each of the two, outside the times, to put both in the same state.
template <typename Ours, typename Floor, typename Untimed>
void runBesideFloor(benchmark::State& state, int rounds, Ours&& ours, Floor&& floor, Untimed&& untimed)
{
    std::vector<double> oursTimes, floorTimes;
    const auto time = [&untimed](auto& work, std::vector<double>& into) {
        untimed();
        auto start = std::chrono::steady_clock::now();
        work();
        into.push_back(secondsSince(start));
    };
    for (auto _ : state) {
        for (int round = 0; round < rounds; ++round) {
            if (round % 2) {
                time(floor, floorTimes);
                time(ours, oursTimes);
            } else {
                time(ours, oursTimes);
                time(floor, floorTimes);
            }
        }
        state.SetIterationTime(median(oursTimes));
    }
    const double oursMin = *std::min_element(oursTimes.begin(), oursTimes.end());
    const double floorMin = *std::min_element(floorTimes.begin(), floorTimes.end());
    state.counters["ours_median_ms"] = median(oursTimes) * 1e3;
    state.counters["ours_min_ms"] = oursMin * 1e3;
    state.counters["floor_median_ms"] = median(floorTimes) * 1e3;
    state.counters["floor_min_ms"] = floorMin * 1e3;
    state.counters["ours_to_floor"] = median(oursTimes) / median(floorTimes);
    state.counters["ours_to_floor_min"] = oursMin / floorMin;
}

template <typename Ours, typename Floor>
void runBesideFloor(benchmark::State& state, int rounds, Ours&& ours, Floor&& floor)
{
    runBesideFloor(state, rounds, std::forward<Ours>(ours), std::forward<Floor>(floor), [] {});
}

}  // namespace BenchRounds
