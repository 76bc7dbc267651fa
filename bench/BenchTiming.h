// bench/BenchTiming.h
// The timing loop the benchmark programs share.
#pragma once

#include <algorithm>
#include <chrono>

// Seconds per call of f: the best of five rounds, each repeating f until it has run for at
// least minSeconds.
template <class F>
double BestSecondsPerCall(F&& f, double minSeconds)
{
    using Clock = std::chrono::steady_clock;
    double best = 1e30;
    for (int round = 0; round < 5; ++round) {
        int runs = 0;
        const auto start = Clock::now();
        double seconds = 0;
        do {
            f();
            ++runs;
            seconds = std::chrono::duration<double>(Clock::now() - start).count();
        } while (seconds < minSeconds);
        best = std::min(best, seconds / runs);
    }
    return best;
}
