// Keeps each benchmark's time per iteration by name, so a program can print
// its figures as ratios against a baseline of the same run at the end. With
// --benchmark_repetitions it keeps the fastest repetition: on a shared
// machine other load only ever slows a run down.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace hd::bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration) continue;  // the aggregates
            const auto [it, first] = times.emplace(r.benchmark_name(), r.GetAdjustedRealTime());
            if (!first) it->second = std::min(it->second, r.GetAdjustedRealTime());
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace hd::bench
