#pragma once

// Inside the stand-in client: the state its answers share. They are written
// in several files, one per concern:
//   SimClient.cpp            the state and its indexes, and the directory
//   SimClientFaults.cpp      what every call does first: count, wait, faults
//   SimClientServers.cpp     servers, volumes and disk figures
//   SimClientInspection.cpp  what tests and tools may look at and adjust

#include "netware/Calls.h"
#include "netware/sim/DirectoryIndex.h"
#include "netware/sim/SimClient.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace nwsim {

struct ArmedFault {
    Fault fault;
    unsigned seen = 0; // matching calls so far
};

struct SimClient::State {
    Network net;
    ChildIndex children;
    ObjectIndex entryById;
    std::unordered_map<std::string, std::uint32_t> serverByName;       // folded name
    std::vector<std::array<std::int16_t, nw::kMaxVolumes>> volumeSlot; // per server: index into volumes, or -1

    std::array<std::vector<ArmedFault>, nw::kCallCount> faults;
    std::array<std::uint32_t, nw::kCallCount> latency{};
    bool anyLatency = false;
    std::array<std::size_t, nw::kCallCount> calls{};
    bool logging = false;
    std::vector<nw::Call> log;

    explicit State(Network network);

    // SimClientFaults.cpp
    void arm(Fault f);
    // False when the watcher cancelled the listing during the wait.
    static bool waitOut(std::chrono::microseconds wait, const nw::CallWatcher* watcher);
};

} // namespace nwsim
