#pragma once
// The figures the benchmarks report, the same way on both systems.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

// The nearest-rank percentile (p from 0 to 1) of the values; 0 for none.
inline double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const auto rank = static_cast<std::size_t>(std::ceil(p * static_cast<double>(values.size())));
    return values[std::min(std::max<std::size_t>(rank, 1), values.size()) - 1];
}
