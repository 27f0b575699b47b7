// Runs the benchmarks of one program and prints, after the usual table, the
// ratio of two of them measured in the same run (these machines are noisy,
// so only ratios within one run compare).
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace purgeon {

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    // The first run whose name contains `numerator` (`denominator`) gives the
    // time above (below) the line.
    RatioReporter(std::string numerator, std::string denominator, std::string label)
        : numerator_(std::move(numerator)),
          denominator_(std::move(denominator)),
          label_(std::move(label)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                times_[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        double above = 0, below = 0;
        for (const auto& [name, time] : times_) {
            if (above == 0 && name.find(numerator_) != std::string::npos) above = time;
            if (below == 0 && name.find(denominator_) != std::string::npos) below = time;
        }
        if (above > 0 && below > 0) std::printf("%s: %.2fx\n", label_.c_str(), above / below);
    }

  private:
    std::string numerator_, denominator_, label_;
    std::map<std::string, double> times_;
};

inline int RunBenchmarksWithRatio(int argc, char** argv, const char* numerator,
                                  const char* denominator, const char* label) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter(numerator, denominator, label);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}

}  // namespace purgeon
