// vorlane_bench: the tool's speed and memory at scale, each figure measured
// side by side with its floor in one run. Without arguments it runs the
// whole suite (networks of 10 thousand, 100 thousand and 1 million objects)
// and ends with the table of ratios and targets. `--smoke` runs every
// benchmark once on the smallest network, untimed; `--once` runs each
// benchmark once on the full sizes, for profiling. Google Benchmark's own
// flags (--benchmark_filter=... and the like) apply as usual; `--rounds=N`
// sets the number of rounds (9); `--scan-files=N` the files of the scanned
// volume (200,000; the million of a large volume takes minutes to make).

#include "bench/Fixtures.h"
#include "bench/RatioReport.h"
#include "bench/Responsiveness.h"
#include "bench/Suite.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// The suite's own options out of the arguments; the rest, Google
// Benchmark's, stay in `args`.
bench::SuiteOptions suiteOptions(int argc, char** argv, std::vector<char*>& args) {
    bench::SuiteOptions options;
    int rounds = 0;
    std::uint32_t scanFiles = 0;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0)
            options.smoke = options.once = true;
        else if (std::strcmp(argv[i], "--once") == 0)
            options.once = true;
        else if (std::strncmp(argv[i], "--rounds=", 9) == 0)
            rounds = std::atoi(argv[i] + 9);
        else if (std::strncmp(argv[i], "--scan-files=", 13) == 0)
            scanFiles = static_cast<std::uint32_t>(std::strtoul(argv[i] + 13, nullptr, 10));
        else
            args.push_back(argv[i]);
    }
    if (options.smoke) {
        options.listingSizes = {10000};
        options.displayRows = 10000;
        options.memoryObjects = 10000;
        options.scanFiles = 2000;
    } else {
        options.listingSizes = {10000, 100000, 1000000};
        options.displayRows = 1000000;
        options.memoryObjects = 1000000;
        options.rounds = rounds > 0 ? rounds : (options.once ? 1 : 9);
        options.scanFiles = scanFiles > 0 ? scanFiles : 200000;
    }
    return options;
}

} // namespace

int main(int argc, char** argv) {
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Start-up is measured on the stand-in's sample network, whatever the caller's environment names.
    qputenv("NWSIM_NETWORK", "");
    qunsetenv("VORLANE_LDAP_URI");

    // A child run of this program for one start-up or one memory probe.
    if (argc == 2 && std::strncmp(argv[1], "--startup-child=", 16) == 0)
        bench::startupChild(argc, argv, argv[1] + 16);
    if (argc == 2 && std::strncmp(argv[1], "--memory-child=", 15) == 0)
        bench::memoryChild(argc, argv, argv[1] + 15);
    std::vector<char*> args;
    bench::SuiteOptions options = suiteOptions(argc, argv, args);
    // This program's own path, for its child runs.
    static char self[4096] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0)
        return 1;
    options.self = self;

    int count = static_cast<int>(args.size());
    QApplication app(count, args.data());
    std::vector<bench::Pair> pairs = bench::listingPairs(options);
    for (auto more : {bench::displayPairs(options), bench::startupPairs(options), bench::directoryPairs(options),
                      bench::scanPairs(options)})
        pairs.insert(pairs.end(), more.begin(), more.end());
    bench::registerRounds(pairs, options);
    bench::registerMemoryBenchmark(options);
    bench::registerResponsivenessBenchmarks(options);

    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    bench::RatioReport report;
    benchmark::RunSpecifiedBenchmarks(&report);
    benchmark::Shutdown();
    bench::releaseKept();
    report.writeSummary(std::cout, !options.once);
    return report.anyError() ? 1 : 0;
}
