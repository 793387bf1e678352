#pragma once

// Wall time of one stage inside a benchmark iteration, for benchmarks that time their stages
// by hand (manual time) to set them against the whole.

#include <chrono>

namespace tavelo::bench {

class Stopwatch {
public:
    void Start() { m_start = Clock::now(); }
    double Stop() { return std::chrono::duration<double>(Clock::now() - m_start).count(); }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point m_start;
};

}  // namespace tavelo::bench
