// Peak memory of the program after a listing by server of a whole large
// network, beyond what the stand-in network itself takes. Each figure comes
// from a program run of its own, so that nothing another benchmark left in
// this process counts: one run loads the window over the network and lists,
// the other loads the same window over the same network and stops there.
// The difference of their peaks, divided by the rows shown, is what the
// tool spends per result row.

#include "bench/Fixtures.h"
#include "bench/Suite.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace bench {
namespace {

// The peak resident set of this process so far, in KiB.
long peakKib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

struct Probe {
    bool ok = false;
    long rows = 0;
    long loadedKib = 0; // peak once the window is loaded over the network
    long peakKib = 0;   // peak at the end
};

Probe runProbe(const char* self, std::uint32_t objects, bool listing) {
    Probe probe;
    std::string flag("--memory-child=");
    flag.append(std::to_string(objects)).append(listing ? ":listing" : ":none");
    char* argv[] = {const_cast<char*>(self), const_cast<char*>(flag.c_str()), nullptr};
    int out[2];
    if (pipe(out) != 0)
        return probe;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, self, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string text;
    char chunk[256];
    for (ssize_t n; (n = read(out[0], chunk, sizeof chunk)) > 0;)
        text.append(chunk, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return probe;
    std::istringstream fields(text);
    std::string key;
    fields >> key >> probe.rows >> key >> probe.loadedKib >> key >> probe.peakKib;
    probe.ok = !fields.fail();
    return probe;
}

void peakMemory(benchmark::State& state, const char* self, std::uint32_t objects) {
    Probe bare;
    Probe listed;
    for (auto _ : state) {
        // The time shown is that of the two program runs; only the memory
        // figures count.
        const auto begin = std::chrono::steady_clock::now();
        bare = runProbe(self, objects, false);
        listed = runProbe(self, objects, true);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count());
    }
    if (!bare.ok || !listed.ok || listed.rows <= 0) {
        state.SkipWithError("a memory probe failed");
        return;
    }
    state.counters["rows"] = static_cast<double>(listed.rows);
    state.counters["network_peak_MiB"] = static_cast<double>(bare.peakKib) / 1024;
    state.counters["listing_peak_MiB"] = static_cast<double>(listed.peakKib) / 1024;
    state.counters["bytes_per_row"] =
        static_cast<double>(listed.peakKib - bare.peakKib) * 1024 / static_cast<double>(listed.rows);
}

} // namespace

void memoryChild(int argc, char** argv, const std::string& spec) {
    const auto colon = spec.find(':');
    const auto objects = static_cast<std::uint32_t>(std::strtoul(spec.c_str(), nullptr, 10));
    const bool listing = colon != std::string::npos && spec.substr(colon + 1) == "listing";

    QApplication app(argc, argv);
    nwsim::SimClient client(generatedNetwork(objects));
    ToolWindow tool(client);
    tool.setContext(QString::fromLatin1(kTopContext));
    tool.setRecurse(true);
    tool.selectServer(QString::fromLatin1(kServer));
    const long loaded = peakKib();
    if (listing)
        tool.listByServer();
    std::printf("rows %d loaded_kib %ld peak_kib %ld\n", tool.users().count(), loaded, peakKib());
    std::fflush(stdout);
    std::_Exit(tool.messages().empty() ? 0 : 1);
}

void registerMemoryBenchmark(const SuiteOptions& options) {
    benchmark::RegisterBenchmark(benchmarkName("PeakMemory", "tool", std::to_string(options.memoryObjects)).c_str(),
                                 peakMemory, options.self, options.memoryObjects)
        ->Iterations(1)
        ->Repetitions(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

} // namespace bench
