// The summary is what RESULTS.md quotes: its ratios must pair the tool
// with its floor round by round, and its verdicts must follow the targets.

#include "bench/RatioReport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using BenchRun = benchmark::BenchmarkReporter::Run;

BenchRun timed(const std::string& name, double cpuSeconds) {
    BenchRun run;
    run.run_name.function_name = name;
    run.run_type = BenchRun::RT_Iteration;
    run.iterations = 1;
    run.time_unit = benchmark::kSecond;
    run.cpu_accumulated_time = cpuSeconds;
    run.real_accumulated_time = cpuSeconds;
    return run;
}

class Summary : public testing::Test {
protected:
    Summary() {
        report_.SetOutputStream(&console_);
        report_.SetErrorStream(&console_);
    }
    void feed(const std::vector<BenchRun>& runs) {
        for (const BenchRun& run : runs)
            report_.ReportRuns({run});
    }
    std::string summary() {
        std::ostringstream out;
        report_.writeSummary(out, true);
        return out.str();
    }

    std::ostringstream console_;
    bench::RatioReport report_;
};

TEST_F(Summary, RatiosAreTakenWithinEachRoundAndTheirMedianIsJudged) {
    // The machine slows down four times between the tool and the floor of
    // round 2: the medians of the two (4.4 s and 1 s) would say 4.4, the
    // rounds themselves say 1.1 twice.
    feed({timed("ListingByServer/tool/1000000/round:1", 1.1), timed("ListingByServer/floor/1000000/round:1", 1.0),
          timed("ListingByServer/floor/1000000/round:2", 1.0), timed("ListingByServer/tool/1000000/round:2", 4.4),
          timed("ListingByServer/tool/1000000/round:3", 4.4), timed("ListingByServer/floor/1000000/round:3", 4.0)});
    const std::string text = summary();
    EXPECT_NE(text.find("| Listing by server, Recurse | 1000000 | 4.40 s | 1.00 s | 1.100 (1.10–4.40) | ≤ 1.1 | met |"),
              std::string::npos)
        << text;
}

} // namespace
