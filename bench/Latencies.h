#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

// Reports the 50th, 99th and 99.9th percentile and the worst of per-operation
// times in microseconds as the benchmark's counters.
inline void reportLatencies(benchmark::State &state, std::vector<double> &micros)
{
    if (micros.empty())
        return;
    std::sort(micros.begin(), micros.end());
    const auto at = [&micros](double share) {
        return micros[std::min(micros.size() - 1, std::size_t(share * double(micros.size())))];
    };
    state.counters["p50_us"] = at(0.50);
    state.counters["p99_us"] = at(0.99);
    state.counters["p999_us"] = at(0.999);
    state.counters["max_us"] = micros.back();
}
