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

bool SimClient::State::waitOut(std::chrono::microseconds wait, const nw::CallWatcher* watcher) {
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
    if (const auto call = nw::callNamed(f.call))
        faults[nw::callIndex(*call)].push_back({std::move(f), 0});
}

// Every call is counted, waits out its latency, and gets the code of an
// injected fault if one fires. All faults of the call are matched, so that
// each one's occurrence count does not depend on the faults listed before
// it; the first that fires wins.
std::optional<nw::NWRCODE> SimClient::enter(nw::Call call, const nw::CallTarget& target) {
    State& s = *state_;
    const auto i = nw::callIndex(call);
    ++s.calls[i];
    if (s.logging)
        s.log.push_back(call);
    if (s.anyLatency) {
        const auto micros = std::uint64_t{s.net.latencyMicros} + s.latency[i];
        if (micros != 0 && !State::waitOut(std::chrono::microseconds(micros), watcher()))
            return nw::kCancelled;
    }
    std::optional<nw::NWRCODE> fired;
    for (auto& armed : s.faults[i]) {
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
