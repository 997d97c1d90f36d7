#pragma once
// How the benchmarks print a series of timings: median, spread and count,
// in the unit they were taken in.

#include <algorithm>
#include <cstdio>
#include <vector>

namespace kv::bench {

inline void printTimings(const char *what, std::vector<double> values, const char *unit)
{
    if (values.empty())
        return;
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) {
        return values[std::min<std::size_t>(values.size() - 1, static_cast<std::size_t>(q * values.size()))];
    };
    std::printf("%-58s median %9.2f %s   min %9.2f %s   p90 %9.2f %s   max %9.2f %s   (n=%zu)\n", what, at(0.5), unit,
                values.front(), unit, at(0.9), unit, values.back(), unit, values.size());
}

} // namespace kv::bench
