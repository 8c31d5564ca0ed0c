// A listing of every object below the top of a generated tree, by volume
// and by server with Recurse, through the window's own handlers (everything
// a click runs but the painting), against the bare client calls.

#include "bench/Fixtures.h"
#include "bench/Floor.h"
#include "bench/Suite.h"

#include <benchmark/benchmark.h>

#include <map>
#include <string>

namespace bench {
namespace {

enum class Kind { ByVolume, ByServer };

const char* familyName(Kind kind) {
    return kind == Kind::ByVolume ? "ListingByVolume" : "ListingByServer";
}

// One window per network and kind of listing, kept between runs: every
// timed listing replaces the results of the one before, as a Recalc does.
ToolWindow& sharedWindow(std::uint32_t objects, Kind kind) {
    static std::map<std::pair<std::uint32_t, Kind>, ToolWindow*> windows;
    auto& slot = windows[{objects, kind}];
    if (slot == nullptr) {
        slot = &kept(std::make_unique<ToolWindow>(sharedClient(objects)));
        slot->setContext(QString::fromLatin1(kTopContext));
        slot->setRecurse(true);
        if (kind == Kind::ByVolume)
            slot->selectVolume(QString::fromLatin1(kVolumeEntry));
        else
            slot->selectServer(QString::fromLatin1(kServer));
    }
    return *slot;
}

void perObject(benchmark::State& state, std::uint32_t objects, double rows) {
    state.counters["rows"] = rows;
    state.counters["per_object"] =
        benchmark::Counter(objects, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void toolListing(benchmark::State& state, Kind kind, std::uint32_t objects) {
    ToolWindow& tool = sharedWindow(objects, kind);
    const std::size_t messagesBefore = tool.messages().size();
    for (auto _ : state) {
        if (kind == Kind::ByVolume)
            tool.listByVolume();
        else
            tool.listByServer();
    }
    if (tool.messages().size() != messagesBefore)
        state.SkipWithError(("the listing showed a message: " + tool.messages().back()).c_str());
    perObject(state, objects, tool.users().count());
}

FloorRequest floorRequest(Kind kind) {
    FloorRequest request;
    request.server = kServer;
    request.context = kTopContext;
    request.recurse = true;
    if (kind == Kind::ByVolume)
        request.volumes = {0};
    else
        request.volumes = {0, 1, 2, 3, 4, 5, 6, 7};
    return request;
}

void floorOfListing(benchmark::State& state, Kind kind, std::uint32_t objects) {
    nwsim::SimClient& client = sharedClient(objects);
    // The default connection the window opened; the floor needs one too.
    const nw::NWCONN_HANDLE defConnH = sharedWindow(objects, kind).window().defConnH();
    const FloorRequest request = floorRequest(kind);
    FloorResult result;
    for (auto _ : state) {
        result = floorListing(client, defConnH, request);
        benchmark::DoNotOptimize(result);
    }
    if (result.failure != nw::kSuccess)
        state.SkipWithError(("a client call failed: " + std::to_string(result.failure)).c_str());
    perObject(state, objects, static_cast<double>(result.rows));
}

} // namespace

FloorRequest listingFloorRequest(bool byServer) {
    return floorRequest(byServer ? Kind::ByServer : Kind::ByVolume);
}

std::vector<Pair> listingPairs(const SuiteOptions& options) {
    std::vector<Pair> pairs;
    for (const Kind kind : {Kind::ByVolume, Kind::ByServer}) {
        for (const std::uint32_t objects : options.listingSizes) {
            pairs.push_back({familyName(kind), std::to_string(objects),
                             [kind, objects](benchmark::State& state) { toolListing(state, kind, objects); },
                             [kind, objects](benchmark::State& state) { floorOfListing(state, kind, objects); }, false,
                             0, true});
        }
    }
    return pairs;
}

} // namespace bench
