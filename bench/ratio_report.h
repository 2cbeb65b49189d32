#pragma once

// Benchmarks here are judged by ratios between two runs of the same program, never by absolute
// times. runWithRatios() runs the registered benchmarks, prints the usual table, then one line
// per ratio with its target.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace bench {

struct Ratio
{
    std::string label;
    std::string numerator;   // benchmark name, e.g. "BM_Save/10000"
    std::string denominator; // benchmark name
    double atMost;           // the target: numerator time / denominator time <= atMost
};

// A counter a benchmark reports that is itself a ratio (memory per byte of a file, say).
struct Bound
{
    std::string label;
    std::string benchmark; // benchmark name
    std::string counter;
    double atMost;
};

class RecordingReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        // Where a benchmark is repeated, its median stands for it: one slow repetition (the
        // machine busy elsewhere) does not swing the ratio.
        for (const auto& run : runs) {
            if (run.run_type == Run::RT_Iteration && run.iterations > 0 && run.repetitions <= 1) {
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
                for (const auto& [name, counter] : run.counters)
                    counters[run.benchmark_name() + '#' + name] = counter.value;
            } else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                times[run.run_name.str()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    std::map<std::string, double> times;
    std::map<std::string, double> counters; // "benchmark#counter"
};

inline int runWithRatios(int argc, char** argv, const std::vector<Ratio>& ratios,
                         const std::vector<Bound>& bounds = {})
{
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    bool allMet = true;
    std::printf("\n%-58s %10s %10s\n", "ratio", "measured", "target");
    for (const auto& ratio : ratios) {
        const auto n = reporter.times.find(ratio.numerator);
        const auto d = reporter.times.find(ratio.denominator);
        if (n == reporter.times.end() || d == reporter.times.end() || d->second <= 0)
            continue; // filtered out of this run
        const double value = n->second / d->second;
        const bool met = value <= ratio.atMost;
        allMet = allMet && met;
        std::printf("%-58s %9.2fx %8s%.2fx %s\n", ratio.label.c_str(), value, "<= ", ratio.atMost,
                    met ? "met" : "MISSED");
    }
    for (const auto& bound : bounds) {
        const auto found = reporter.counters.find(bound.benchmark + '#' + bound.counter);
        if (found == reporter.counters.end())
            continue; // filtered out of this run
        const bool met = found->second <= bound.atMost;
        allMet = allMet && met;
        std::printf("%-58s %9.2fx %8s%.2fx %s\n", bound.label.c_str(), found->second,
                    "<= ", bound.atMost, met ? "met" : "MISSED");
    }
    return allMet ? 0 : 1;
}

} // namespace bench
