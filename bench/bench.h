// bench.h -- the clock and the one-line report the benchmarks share.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <stdio.h>
#include <vector>

inline double now_ms()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

inline void report(const char *what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    printf("%-48s runs %4zu  min %8.3f  median %8.3f  95th %8.3f ms\n", what, ms.size(), ms[0],
           ms[ms.size() / 2], ms[(size_t)(0.95 * (double)(ms.size() - 1) + 0.5)]);
}

// Times `runs` calls of body(run), each after an untimed before().
inline std::vector<double> time_runs(int runs, const std::function<void()> &before,
                                     const std::function<void(int)> &body)
{
    std::vector<double> ms;
    for (int i = 0; i < runs || i == 0; i++) {
        before();
        double start = now_ms();
        body(i);
        ms.push_back(now_ms() - start);
    }
    return ms;
}
