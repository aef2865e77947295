// Timing for the figures programs (*_bench.exe): the median of many runs of one action.
#pragma once

#include <functional>

namespace tvx::test {

// Runs run(i) for i = 0 .. runs - 1, each followed by GdiFlush so that drawing is counted, and
// returns the median time of one run in milliseconds.
double MedianMs(int runs, const std::function<void(int)>& run);

}  // namespace tvx::test
