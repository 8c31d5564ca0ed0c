#include "support/WindowHarness.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

using testing_support::FakeUserChannel;
using testing_support::ProgramEnded;
using testing_support::RecordingClient;
using testing_support::WindowHarness;

// Two servers, containers two levels deep, listings in chunks of two: every
// kind of call of start-up and of a listing happens, most of them often.
constexpr std::string_view kNetwork = R"json({
  "servers": [
    { "name": "FS1", "volumes": [ { "number": 0, "name": "SYS" }, { "number": 1, "name": "VOL1" } ] },
    { "name": "FS2", "volumes": [ { "number": 0, "name": "SYS" } ] }
  ],
  "defaultServer": "FS1",
  "defaultContext": "ACME",
  "chunkLimit": 2,
  "serverBatchLimit": 1,
  "tree": [ { "name": "ACME", "class": "Organization", "children": [
    { "name": "A", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 3 } ] },
    { "name": "B", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 4 } ] },
    { "name": "C", "class": "User" },
    { "name": "EAST", "class": "Organizational Unit", "children": [
      { "name": "D", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 5 } ] },
      { "name": "BOSTON", "class": "Organizational Unit", "children": [
        { "name": "E", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 6 } ] } ] } ] }
  ] } ]
})json";

constexpr nw::NWRCODE kCode = 4711;

// What the user must see when `call` fails with kCode; empty when the
// failure is no reason to stop.
std::string expectedMessage(const std::string& call, const std::string& server) {
    const std::map<std::string, std::string> own = {
        {"NWCallsInit", "NWCallsInit failed - 4711"},
        {"NWNetInit", "NWNetInit failed - 4711"},
        {"NWGetDefaultNameContext", "Couldn't get default context (4711)"},
        {"NWCCOpenConnByName", "NWCCOpenConnByName (" + server + ") failed : 4711"},
        {"NWCCGetConnRef", "NWCCGetConnRef (" + server + ") failed : 4711"},
        {"NWDSCreateContextHandle", "NWDSCreateContext failed : 4711"},
    };
    static const std::set<std::string> quiet = {"NWGetVolumeName", "NWGetObjDiskRestrictions", "NWCCCloseConn",
                                                "NWDSFreeBuf",     "NWDSFreeContext",          "NWCallsTerm",
                                                "NWNetTerm"};
    if (quiet.contains(call))
        return {};
    if (const auto it = own.find(call); it != own.end())
        return it->second;
    return call + " failed : 4711";
}

// The calls of a run, each as its name and how often that name was called
// up to and including it.
struct Step {
    std::string call;
    unsigned occurrence;
};

std::vector<Step> steps(const std::vector<std::string>& calls) {
    std::map<std::string, unsigned> seen;
    std::vector<Step> out;
    for (const auto& call : calls) {
        const std::string name = call.substr(0, call.find(' '));
        out.push_back({name, ++seen[name]});
    }
    return out;
}

// The server an opening call addressed, from the recorded calls before it.
std::string serverOf(const std::vector<std::string>& calls, std::size_t upTo) {
    for (std::size_t i = upTo + 1; i-- > 0;) {
        if (calls[i].rfind("NWCCOpenConnByName ", 0) == 0)
            return calls[i].substr(std::string("NWCCOpenConnByName ").size());
    }
    return {};
}

void expectNothingLeftOpen(nwsim::SimClient& sim, const vorlane::MainWindow& window, const std::string& failed) {
    // A close, a release or a free that fails leaves its resource with the
    // client; that is the client's failure, not a leak of ours.
    if (failed != "NWCCCloseConn") {
        EXPECT_EQ(sim.openConnections(), std::vector<nw::NWCONN_HANDLE>{window.defConnH()}) << failed;
    }
    if (failed != "NWDSFreeContext") {
        EXPECT_EQ(sim.openContextCount(), 0u) << failed;
    }
    if (failed != "NWDSFreeBuf") {
        EXPECT_EQ(sim.allocatedBufferCount(), 0u) << failed;
    }
}

TEST(FaultSweep, EveryCallOfStartUpFailingAloneEndsRightOrGoesOnClean) {
    const auto reference = testing_support::simulate(kNetwork);
    RecordingClient recorder(*reference);
    FakeUserChannel quietUser;
    vorlane::MainWindow(recorder, quietUser).Form_Load();
    const std::vector<std::string> calls = recorder.calls;
    ASSERT_GT(calls.size(), 20u);

    const auto all = steps(calls);
    for (std::size_t k = 0; k < all.size(); ++k) {
        SCOPED_TRACE(all[k].call + " #" + std::to_string(all[k].occurrence));
        auto sim = testing_support::simulate(kNetwork);
        sim->addFault({all[k].call, kCode, std::nullopt, std::nullopt, std::nullopt, all[k].occurrence});
        FakeUserChannel user;
        vorlane::MainWindow window(*sim, user);
        const std::string expected = expectedMessage(all[k].call, serverOf(calls, k));
        try {
            window.Form_Load();
            EXPECT_TRUE(expected.empty()) << "start-up went on";
            EXPECT_TRUE(user.messages.empty());
            expectNothingLeftOpen(*sim, window, all[k].call);
        } catch (const ProgramEnded& end) {
            EXPECT_NE(end.status, 0);
            EXPECT_EQ(user.messages, std::vector<std::string>{expected});
        }
    }
}

TEST(FaultSweep, EveryCallOfAListingFailingAloneEndsRightOrGoesOnClean) {
    // Record one listing by server with Recurse, after start-up.
    const auto reference = testing_support::simulate(kNetwork);
    RecordingClient recorder(*reference);
    FakeUserChannel quietUser;
    vorlane::MainWindow probe(recorder, quietUser);
    probe.Form_Load();
    const std::size_t startCalls = recorder.calls.size();
    probe.findChild<QCheckBox*>("optRecurse")->setChecked(true);
    probe.findChild<vorlane::SortedComboBox*>("cmbServer")->setCurrentIndex(0);
    probe.cmbServer_Click();
    ASSERT_TRUE(quietUser.messages.empty());
    const std::vector<std::string> calls(recorder.calls.begin() + static_cast<std::ptrdiff_t>(startCalls),
                                         recorder.calls.end());
    ASSERT_GT(calls.size(), 40u);

    const auto all = steps(calls);
    std::set<std::string> kinds;
    for (std::size_t k = 0; k < all.size(); ++k) {
        SCOPED_TRACE(all[k].call + " #" + std::to_string(all[k].occurrence));
        kinds.insert(all[k].call);
        WindowHarness h(kNetwork);
        // Count only the listing's calls: the fault is added after start-up.
        h.sim->addFault({all[k].call, kCode, std::nullopt, std::nullopt, std::nullopt, all[k].occurrence});
        h.setRecurse(true);
        h.select(h.servers(), "FS1");
        const std::string expected = expectedMessage(all[k].call, "FS1");
        try {
            h.window.cmbServer_Click();
            EXPECT_TRUE(expected.empty()) << "the listing went on";
            EXPECT_TRUE(h.user.messages.empty());
            EXPECT_EQ(h.window.lastList(), vorlane::MainWindow::ByServer);
            expectNothingLeftOpen(*h.sim, h.window, all[k].call);
        } catch (const ProgramEnded& end) {
            EXPECT_NE(end.status, 0);
            EXPECT_EQ(h.user.messages, std::vector<std::string>{expected});
        }
    }
    EXPECT_EQ(kinds.size(), 16u) << "every kind of call a listing makes was failed once at least";
}

} // namespace
