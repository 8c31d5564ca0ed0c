// The scan of a volume, the directory client's longest call: the tool's walk
// (the one scanVolume runs for a disk query) beside `du -sx` and `gdu -npsx`
// on the same tree, with a warm page cache and, where the machine lets this
// process drop it, with the cache dropped before every run of either side.

#include "bench/Fixtures.h"
#include "bench/Suite.h"
#include "netware/ldap/UsageScan.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

namespace bench {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

} // namespace

const fs::path& volumeTree(std::uint32_t files) {
    struct Tree {
        fs::path path;
        ~Tree() { fs::remove_all(path); }
    };
    static std::map<std::uint32_t, Tree*> trees;
    Tree*& tree = trees[files];
    if (tree == nullptr) {
        tree = &kept(
            std::make_unique<Tree>(Tree{fs::temp_directory_path() / ("vorlane-bench-tree-" + std::to_string(files) +
                                                                     "-" + std::to_string(getpid()))}));
        const std::string content(8192, 'x');
        fs::path folder;
        for (std::uint32_t i = 0; i < files; ++i) {
            if (i % 1000 == 0)
                fs::create_directories(folder = tree->path / std::to_string(i / 1000));
            const fs::path file = folder / std::to_string(i);
            std::ofstream(file).write(content.data(), i % 8193);
            if (geteuid() == 0 && chown(file.c_str(), 100000 + i % 200, 100) != 0)
                throw std::runtime_error("cannot give " + file.string() + " away");
        }
    }
    return tree->path;
}

bool dropPageCache() {
    sync();
    std::ofstream drop("/proc/sys/vm/drop_caches");
    drop << "3\n";
    drop.flush();
    return drop.good();
}

namespace {

bool installed(const char* program) {
    return std::system(("command -v " + std::string(program) + " >/dev/null 2>&1").c_str()) == 0;
}

void timedScan(benchmark::State& state, bool cold, const std::function<void()>& scan) {
    for (auto _ : state) {
        if (cold && !dropPageCache()) {
            state.SkipWithError("this process may not drop the page cache");
            break;
        }
        const Clock::time_point begin = Clock::now();
        scan();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - begin).count());
    }
}

Pair scanAgainst(const char* family, const char* reference, std::uint32_t files, bool cold) {
    const std::string program(reference);
    Pair pair{family, std::to_string(files),
              [files, cold](benchmark::State& state) {
                  const std::string tree = volumeTree(files).string();
                  timedScan(state, cold, [&tree] { benchmark::DoNotOptimize(nwldap::scanVolume(tree)); });
              },
              [files, cold, program](benchmark::State& state) {
                  const std::string name = program.substr(0, program.find(' '));
                  if (!installed(name.c_str())) {
                      state.SkipWithError((name + " is not installed").c_str());
                      return;
                  }
                  const std::string command = program + " '" + volumeTree(files).string() + "' >/dev/null 2>&1";
                  timedScan(state, cold, [&command] { benchmark::DoNotOptimize(std::system(command.c_str())); });
              },
              true};
    // A cold run of either side takes seconds: one a round is plenty.
    pair.iterations = cold ? 1 : 0;
    return pair;
}

} // namespace

std::vector<Pair> scanPairs(const SuiteOptions& options) {
    const std::uint32_t files = options.scanFiles;
    std::vector<Pair> pairs = {scanAgainst("VolumeScan", "du -sx", files, false),
                               scanAgainst("VolumeScanGdu", "gdu -npsx", files, false)};
    // Cold runs only where the cache can be dropped, and never in a smoke
    // run: dropping it slows everything else on the machine for a while.
    if (!options.smoke && dropPageCache()) {
        pairs.push_back(scanAgainst("VolumeScanCold", "du -sx", files, true));
        pairs.push_back(scanAgainst("VolumeScanGduCold", "gdu -npsx", files, true));
    }
    return pairs;
}

} // namespace bench
