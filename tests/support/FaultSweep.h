#pragma once

#include "support/FakeUserChannel.h"
#include "support/RecordingClient.h"
#include "support/SimNetwork.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace testing_support {

// A negative code, so that every message must show its sign.
inline constexpr nw::NWRCODE kSweepCode = -4711;

// What the user must see when `call` fails with kSweepCode while talking to
// `server`; empty when that failure is no reason to stop. A disk query's
// failure ends the listing without ending the program; the sweep knows it by
// its text.
inline std::string expectedReport(const std::string& call, const std::string& server) {
    const std::string code = std::to_string(kSweepCode);
    const std::map<std::string, std::string> own = {
        {"NWCallsInit", "NWCallsInit failed - " + code},
        {"NWNetInit", "NWNetInit failed - " + code},
        {"NWGetDefaultNameContext", "Couldn't get default context (" + code + ")"},
        {"NWCCOpenConnByName", "NWCCOpenConnByName (" + server + ") failed : " + code},
        {"NWCCGetConnRef", "NWCCGetConnRef (" + server + ") failed : " + code},
        {"NWDSCreateContextHandle", "NWDSCreateContext failed : " + code},
        {"NWGetObjDiskRestrictions", "could not be counted (NWGetObjDiskRestrictions failed : " + code + ")."},
    };
    static const std::set<std::string> quiet = {"NWGetVolumeName", "NWCCCloseConn", "NWDSFreeBuf",
                                                "NWDSFreeContext", "NWCallsTerm",   "NWNetTerm"};
    if (quiet.contains(call))
        return {};
    if (const auto it = own.find(call); it != own.end())
        return it->second;
    return call + " failed : " + code;
}

// Every client call of a run, failing alone in turn: the run must end the
// program with exactly the report that names the call, or go on without a
// message and give back everything it took.
//
// Rig(network) sets up what is not swept; rig.run() is the run; the rig has
// `sim` (the stand-in), `client` (a RecordingClient over it, which the run
// must use) and `user`. Returns the kinds of call that were failed.
template <typename Rig> std::set<std::string> sweepFaults(std::string_view network) {
    Rig clean(network);
    const std::size_t setUpCalls = clean.client.calls.size();
    clean.run();
    const std::vector<std::string> calls(clean.client.calls.begin() + static_cast<std::ptrdiff_t>(setUpCalls),
                                         clean.client.calls.end());
    std::map<std::string, unsigned> seen;
    std::string server;
    std::set<std::string> kinds;
    for (const std::string& call : calls) {
        const std::string name = call.substr(0, call.find(' '));
        if (name == "NWCCOpenConnByName")
            server = call.substr(name.size() + 1);
        const unsigned occurrence = ++seen[name];
        kinds.insert(name);
        SCOPED_TRACE(call + " #" + std::to_string(occurrence));

        Rig rig(network);
        const auto connectionsBefore = rig.sim->openConnections();
        rig.sim->addFault({name, kSweepCode, std::nullopt, std::nullopt, std::nullopt, occurrence});
        const std::string expected = expectedReport(name, server);
        try {
            rig.run();
            const bool ends = expected.find("could not be counted") != std::string::npos;
            EXPECT_TRUE(expected.empty() || ends) << "the run went on";
            EXPECT_TRUE(ends ? rig.user.messages.size() == 1 && rig.user.messages[0].ends_with(expected)
                             : rig.user.messages.empty());
            // A close, release or free that fails leaves its resource with
            // the client: the client's failure, not a leak of ours.
            EXPECT_TRUE(name == "NWCCCloseConn" || rig.sim->openConnections() == connectionsBefore);
            EXPECT_TRUE(name == "NWDSFreeContext" || rig.sim->openContextCount() == 0);
            EXPECT_TRUE(name == "NWDSFreeBuf" || rig.sim->allocatedBufferCount() == 0);
        } catch (const ProgramEnded& end) {
            EXPECT_NE(end.status, 0);
            EXPECT_EQ(rig.user.messages, std::vector<std::string>{expected});
        }
    }
    return kinds;
}

} // namespace testing_support
