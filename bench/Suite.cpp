#include "bench/Suite.h"

namespace bench {

std::string benchmarkName(const std::string& family, const char* variant, const std::string& size) {
    std::string name(family);
    name.append("/").append(variant).append("/").append(size);
    return name;
}

void registerRounds(const std::vector<Pair>& pairs, const SuiteOptions& options) {
    for (int round = 1; round <= options.rounds; ++round) {
        for (const Pair& pair : pairs) {
            std::string suffix("/round:");
            suffix.append(std::to_string(round));
            const auto add = [&](const char* variant, const std::function<void(benchmark::State&)>& run) {
                return benchmark::RegisterBenchmark((benchmarkName(pair.family, variant, pair.size) + suffix).c_str(),
                                                    run);
            };
            // In turns, which of the two goes first: neither always runs
            // on what the other left behind.
            benchmark::internal::Benchmark* first = nullptr;
            benchmark::internal::Benchmark* second = nullptr;
            if (round % 2 == 1) {
                first = add("tool", pair.tool);
                second = add("floor", pair.floor);
            } else {
                first = add("floor", pair.floor);
                second = add("tool", pair.tool);
            }
            for (auto* b : {first, second}) {
                b->Unit(benchmark::kMillisecond)->Repetitions(1);
                if (pair.manualTime)
                    b->UseManualTime();
                if (pair.processCpu)
                    b->MeasureProcessCPUTime();
                if (options.once)
                    b->Iterations(1);
                else if (pair.iterations > 0)
                    b->Iterations(pair.iterations);
                else
                    b->MinTime(0.2);
            }
        }
    }
}

} // namespace bench
