// The summary is what RESULTS.md quotes: its ratios must pair the tool
// with its floor round by round, and its verdicts must follow the targets.

#include "bench/RatioReport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using BenchRun = benchmark::BenchmarkReporter::Run;

BenchRun timed(const std::string& name, double cpuSeconds, double wallSeconds = 0) {
    BenchRun run;
    run.run_name.function_name = name;
    run.run_type = BenchRun::RT_Iteration;
    run.iterations = 1;
    run.time_unit = benchmark::kSecond;
    run.cpu_accumulated_time = cpuSeconds;
    run.real_accumulated_time = wallSeconds > 0 ? wallSeconds : cpuSeconds;
    if (wallSeconds > 0)
        run.run_name.time_type = "manual_time";
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
    std::string summary(bool judge = true) {
        std::ostringstream out;
        report_.writeSummary(out, judge);
        return out.str();
    }

    std::ostringstream console_;
    bench::RatioReport report_;
};

TEST_F(Summary, RatiosAreTakenWithinEachRoundAndTheirMedianIsJudged) {
    // The machine slows down four times between the tool and the floor of
    // round 2: the medians of the two (4.4 s and 1 s) would say 4.4, the
    // rounds themselves say 1.1 twice.
    feed({timed("ListingByServer/tool/100000/round:1", 1.1), timed("ListingByServer/floor/100000/round:1", 1.0),
          timed("ListingByServer/floor/100000/round:2", 1.0), timed("ListingByServer/tool/100000/round:2", 4.4),
          timed("ListingByServer/tool/100000/round:3", 4.4), timed("ListingByServer/floor/100000/round:3", 4.0)});
    const std::string text = summary();
    EXPECT_NE(text.find("| Listing by server, Recurse | 100000 | 4.40 s | 1.00 s | 1.100 (1.10–4.40) | ≤ 1.2 | met |"),
              std::string::npos)
        << text;
}

TEST_F(Summary, TargetsApplyFromTheirSizeAndSmokeRunsAreNotJudged) {
    feed({timed("ListingByVolume/tool/10000/round:1", 0.013), timed("ListingByVolume/floor/10000/round:1", 0.010),
          timed("ListingByVolume/tool/100000/round:1", 0.130), timed("ListingByVolume/floor/100000/round:1", 0.100),
          timed("Startup/tool/sample/round:1", 0, 0.0012), timed("Startup/floor/sample/round:1", 0, 0.0010)});
    const std::string judged = summary();
    EXPECT_NE(judged.find("| 10000 | 13.0 ms | 10.0 ms | 1.300 | - |  |"), std::string::npos) << judged;
    EXPECT_NE(judged.find("| 100000 | 130.0 ms | 100.0 ms | 1.300 | ≤ 1.2 | **missed** |"), std::string::npos)
        << judged;
    // Manual timing is wall time: the CPU time of 0 would give no ratio at all.
    EXPECT_NE(judged.find("| sample | 1.2 ms | 1.0 ms | 1.200 | ≤ 1.3 | met |"), std::string::npos) << judged;
    EXPECT_EQ(summary(false).find("met"), std::string::npos);
    EXPECT_NE(summary(false).find("(smoke run)"), std::string::npos);
}

} // namespace
