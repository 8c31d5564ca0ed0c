#pragma once

// The suite: every measure is a pair, the tool's own work and its floor,
// the least that work can cost. Pairs are run in rounds: in each round every
// pair runs once, the tool and its floor one right after the other (in
// turns, which goes first), so that whatever else the machine is doing
// weighs on both alike. Benchmarks are named "<family>/<tool|floor>/<size>
// /round:<n>", which the ratio report reads.

#include "bench/Floor.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace bench {

struct SuiteOptions {
    std::vector<std::uint32_t> listingSizes; // objects of the generated networks
    std::uint32_t displayRows = 0;           // results ordered and shown
    std::uint32_t memoryObjects = 0;         // objects listed for the peak memory
    std::uint32_t scanFiles = 0;             // files of the volume that is scanned
    int rounds = 1;
    bool once = false;          // one iteration of each benchmark, for profiling or a smoke run
    bool smoke = false;         // once each on the smallest network: only that every benchmark still runs
    const char* self = nullptr; // this program, for the child processes
};

struct Pair {
    std::string family;
    std::string size;
    std::function<void(benchmark::State&)> tool;
    std::function<void(benchmark::State&)> floor;
    // Timed by the benchmark itself (wall time it measures), not by the
    // library; and a fixed number of iterations (0: as many as take 0.2 s).
    bool manualTime = false;
    int iterations = 0;
    // CPU time of every thread of the process, not only the benchmark's:
    // the tool's listing runs on a thread of its own.
    bool processCpu = false;
};

std::vector<Pair> listingPairs(const SuiteOptions& options);
std::vector<Pair> displayPairs(const SuiteOptions& options);
std::vector<Pair> startupPairs(const SuiteOptions& options);
// The directory client: a listing of 10,000 entries against a local slapd
// (1,000 in a smoke run).
std::vector<Pair> directoryPairs(const SuiteOptions& options);
// The scan of a volume of `scanFiles` files beside du and gdu, warm and cold.
std::vector<Pair> scanPairs(const SuiteOptions& options);

// Registers `options.rounds` rounds of every pair.
void registerRounds(const std::vector<Pair>& pairs, const SuiteOptions& options);
// Peak memory is measured once, by child runs of this program.
void registerMemoryBenchmark(const SuiteOptions& options);

// "family/variant/size", the name of a benchmark without its round.
std::string benchmarkName(const std::string& family, const char* variant, const std::string& size);

// The child runs of this program: one start-up to the window shown ("tool"
// or "bare"), and one peak-memory probe. Each ends the process.
[[noreturn]] void startupChild(int argc, char** argv, const std::string& which);
[[noreturn]] void memoryChild(int argc, char** argv, const std::string& spec);

// The floor's request for the listings of the suite, by server or by volume.
FloorRequest listingFloorRequest(bool byServer);

} // namespace bench
