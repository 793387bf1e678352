#pragma once

// Prints each benchmark's time as a ratio against a reference benchmark of the same run, since
// absolute times are noisy on a shared machine. Every repetition is kept: the ratio of the
// fastest repetitions is the steadiest figure under load (other work only ever adds time), the
// ratio of the medians shows what a typical run sees.

#include <benchmark/benchmark.h>

#include <algorithm>
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
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                m_times[run.benchmark_name()].push_back(run.GetAdjustedRealTime());
                m_cpu[run.benchmark_name()].push_back(run.GetAdjustedCPUTime());
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The fastest repetition's time, 0 when the benchmark did not run.
    double Time(const std::string& name) const {
        auto it = m_times.find(name);
        return it == m_times.end() ? 0.0 : *std::min_element(it->second.begin(), it->second.end());
    }

    // The fastest repetition's processor time: what the work costs without the waits for
    // the processor that a loaded machine adds (but also without waits for the disk).
    double CpuTime(const std::string& name) const {
        auto it = m_cpu.find(name);
        return it == m_cpu.end() ? 0.0 : *std::min_element(it->second.begin(), it->second.end());
    }

    double Median(const std::string& name) const {
        auto it = m_times.find(name);
        if (it == m_times.end()) {
            return 0.0;
        }
        std::vector<double> times = it->second;
        std::sort(times.begin(), times.end());
        const std::size_t n = times.size();
        return n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    }

    // Prints "name / reference = ratio" for each pair whose both sides ran: of the fastest
    // repetitions' real times, of the median real times, of the fastest processor times.
    void PrintRatios(const std::vector<std::pair<std::string, std::string>>& pairs) const {
        std::printf("\nRatios (lower is faster): fastest run, median run, processor time\n");
        for (const auto& [name, reference] : pairs) {
            const double t = Time(name), r = Time(reference);
            if (t > 0 && r > 0) {
                std::printf("  %-36s / %-20s = %.3f  %.3f  %.3f\n", name.c_str(), reference.c_str(),
                            t / r, Median(name) / Median(reference),
                            CpuTime(name) / CpuTime(reference));
            }
        }
    }

private:
    std::map<std::string, std::vector<double>> m_times;
    std::map<std::string, std::vector<double>> m_cpu;
};

// The benchmark's command line with quick, repeated and interleaved runs as defaults, so that
// load from other processes spreads over every benchmark alike. Flags given on the command
// line come later and win.
class DefaultArgs {
public:
    DefaultArgs(int argc, char** argv, int repetitions = 5, double minTime = 0.05) {
        m_storage = {"--benchmark_repetitions=" + std::to_string(repetitions),
                     "--benchmark_enable_random_interleaving=true",
                     "--benchmark_min_time=" + std::to_string(minTime)};
        m_argv.push_back(argv[0]);
        for (std::string& flag : m_storage) {
            m_argv.push_back(flag.data());
        }
        for (int i = 1; i < argc; ++i) {
            m_argv.push_back(argv[i]);
        }
        m_argc = static_cast<int>(m_argv.size());
        m_argv.push_back(nullptr);
    }
    int* Argc() { return &m_argc; }
    char** Argv() { return m_argv.data(); }

private:
    std::vector<std::string> m_storage;
    std::vector<char*> m_argv;
    int m_argc = 0;
};

}  // namespace tavelo::bench
