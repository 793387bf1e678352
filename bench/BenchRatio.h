#pragma once

// Prints each benchmark's time as a ratio against a reference benchmark of the same run, since
// absolute times are noisy on a shared machine.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace tavelo::bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration) {
                m_times[run.benchmark_name()] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    double Time(const std::string& name) const {
        auto it = m_times.find(name);
        return it == m_times.end() ? 0.0 : it->second;
    }

    // Prints "name / reference = ratio" for each pair whose both sides ran.
    void PrintRatios(const std::vector<std::pair<std::string, std::string>>& pairs) const {
        std::printf("\nRatios (lower is faster):\n");
        for (const auto& [name, reference] : pairs) {
            const double t = Time(name), r = Time(reference);
            if (t > 0 && r > 0) {
                std::printf("  %-44s / %-32s = %.3f\n", name.c_str(), reference.c_str(), t / r);
            }
        }
    }

private:
    std::map<std::string, double> m_times;
};

}  // namespace tavelo::bench
