#pragma once

// Prints the suite's results as Google Benchmark does, and at the end one
// table of what the figures mean: for each pair the median time of the tool
// and of its floor over the rounds, and the median of the ratios within a
// round; the growth of a listing from one network size to the next; the
// smoothness of scrolling; the memory per result row; each against its
// target. The tables are Markdown, ready for the results file.

#include <benchmark/benchmark.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace bench {

struct Measurement {
    std::map<int, double> seconds;    // by round: time per iteration
    benchmark::UserCounters counters; // of the last run
};

class RatioReport final : public benchmark::ConsoleReporter {
public:
    RatioReport() : benchmark::ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override;

    // "family/variant/size" to what was measured.
    const std::map<std::string, Measurement>& measurements() const { return measurements_; }
    bool anyError() const { return anyError_; }

    // The tables. With `judge` false (a smoke run, untimed) the figures are
    // shown but no target is called met or missed.
    void writeSummary(std::ostream& out, bool judge) const;

private:
    const Measurement* find(const std::string& name) const;
    // The sizes measured for a family, in numeric order.
    std::vector<std::string> sizesOf(const std::string& family) const;
    void writePairs(std::ostream& out, bool judge) const;
    void writeGrowth(std::ostream& out, bool judge) const;
    void writeMemory(std::ostream& out, bool judge) const;

    std::map<std::string, Measurement> measurements_;
    bool anyError_ = false;
};

} // namespace bench
