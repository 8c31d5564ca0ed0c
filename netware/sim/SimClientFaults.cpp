#include "netware/sim/SimClientState.h"

#include "netware/Charset.h"

#include <chrono>
#include <thread>

namespace nwsim {
namespace {

bool agrees(const std::optional<std::string>& matcher, std::optional<std::string_view> argument) {
    return !matcher || (argument && nw::equalFoldedCp1252(*argument, *matcher));
}

// A latency of several seconds a call must not outlast a cancel: the wait
// goes in slices short enough for a stop to come within a few milliseconds.
constexpr std::chrono::microseconds kWaitSlice{5000};

} // namespace

void SimClient::watchCalls(nw::CallWatcher* watcher) {
    state_->watcher = watcher;
}

// False when the watcher cancelled the listing during the wait.
bool SimClient::State::waitOut(std::chrono::microseconds wait) const {
    const auto until = std::chrono::steady_clock::now() + wait;
    for (auto left = wait; left.count() > 0;
         left = std::chrono::duration_cast<std::chrono::microseconds>(until - std::chrono::steady_clock::now())) {
        if (watcher != nullptr && watcher->cancelled())
            return false;
        std::this_thread::sleep_for(std::min(left, kWaitSlice));
    }
    return watcher == nullptr || !watcher->cancelled();
}

void SimClient::State::arm(Fault f) {
    net.faults.push_back(f);
    if (const auto call = callNamed(f.call))
        faults[callIndex(*call)].push_back({std::move(f), 0});
}

// Every call starts here: it is counted, waits out its latency, and gets the
// code of an injected fault if one fires. All faults of the call are matched,
// so that each one's occurrence count does not depend on the faults listed
// before it; the first that fires wins.
std::optional<nw::NWRCODE> SimClient::State::enter(Call call, const Target& target) {
    const auto i = callIndex(call);
    ++calls[i];
    if (logging)
        log.push_back(call);
    if (anyLatency) {
        const auto micros = std::uint64_t{net.latencyMicros} + latency[i];
        if (micros != 0 && !waitOut(std::chrono::microseconds(micros)))
            return nw::kCancelled;
    }
    std::optional<nw::NWRCODE> fired;
    for (auto& armed : faults[i]) {
        const Fault& f = armed.fault;
        if (!agrees(f.server, target.server) || !agrees(f.name, target.name))
            continue;
        if (f.volume && !(target.volume && *target.volume == *f.volume))
            continue;
        ++armed.seen;
        if (!fired && (!f.occurrence || *f.occurrence == armed.seen))
            fired = f.code;
    }
    return fired;
}

} // namespace nwsim
