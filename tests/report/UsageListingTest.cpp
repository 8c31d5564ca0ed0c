#include "report/UsageListing.h"

#include "support/FaultSweep.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace {

using testing_support::FakeUserChannel;
using testing_support::RecordingClient;
using Rows = std::vector<std::pair<std::string, std::int64_t>>;

// JSMITH uses two volumes; containers sit three levels below SALES; an
// object is named like the top of the tree.
constexpr std::string_view kAcme = R"json({
  "servers": [ { "name": "FS1", "volumes": [ { "number": 0, "name": "SYS" }, { "number": 1, "name": "VOL1" } ] } ],
  "defaultServer": "FS1", "defaultContext": "SALES.ACME",
  "tree": [ { "name": "ACME", "class": "Organization", "children": [
    { "name": "TOPUSER", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 999 } ] },
    { "name": "SALES", "class": "Organizational Unit", "children": [
      { "name": "JSMITH", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 10 },
                                                      { "server": "FS1", "volume": 1, "inUse": 5 } ] },
      { "name": "MJONES", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 20 } ] },
      { "name": "IDLE", "class": "User" },
      { "name": "EAST", "class": "Organizational Unit", "children": [
        { "name": "SMITH", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 3 } ] },
        { "name": "BOSTON", "class": "Organizational Unit", "children": [
          { "name": "[Root]", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 7 } ] } ] } ] },
      { "name": "WEST", "class": "Organizational Unit", "children": [
        { "name": "BJONES", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 2 } ] } ] }
    ] } ] } ]
})json";

// A listing against the stand-in after start-up, with every call recorded.
struct ListingRig {
    explicit ListingRig(std::string_view network = kAcme) : sim(testing_support::simulate(network)), client(*sim) {
        nw::NWCONN_REF ref = 0;
        EXPECT_EQ(sim->NWGetDefaultConnRef(&ref), nw::kSuccess);
        EXPECT_EQ(sim->NWCCOpenConnByRef(ref, nw::kOpenStatePrivate, 0, &defConn), nw::kSuccess);
    }
    // The rows found, in the order found; nullopt when the listing stopped.
    std::optional<Rows> list(const std::string& context, bool recurse, std::vector<nw::nuint8> volumes) {
        client.calls.clear();
        const auto result =
            vorlane::doListing(client, user, defConn, {"FS1", context, recurse, std::move(volumes)}, observer);
        EXPECT_EQ(sim->openConnections(), std::vector<nw::NWCONN_HANDLE>{defConn});
        EXPECT_EQ(sim->openContextCount(), 0u);
        EXPECT_EQ(sim->allocatedBufferCount(), 0u);
        if (!result.completed)
            return std::nullopt;
        Rows rows;
        for (const auto& row : result.rows)
            rows.emplace_back(row.name, row.kilobytes);
        return rows;
    }
    // What the fault sweep runs: a listing by server with Recurse.
    void run() { vorlane::doListing(client, user, defConn, {"FS1", "ACME", true, {0, 1}}); }

    std::unique_ptr<nwsim::SimClient> sim;
    RecordingClient client;
    FakeUserChannel user;
    nw::NWCONN_HANDLE defConn = 0;
    vorlane::ListingObserver* observer = nullptr;
};

class Listing : public testing::Test, protected ListingRig {};

TEST_F(Listing, KeepsEveryObjectThatUsesSpaceInKilobytesSummedOverTheVolumes) {
    EXPECT_EQ(list("SALES.ACME", false, {1}), (Rows{{"JSMITH", 20}, {"MJONES", 80}}));
    EXPECT_EQ(list("SALES.ACME", false, {0, 1}), (Rows{{"JSMITH", 60}, {"MJONES", 80}}));
    EXPECT_EQ(list("SALES.ACME", true, {0}), (Rows{{"JSMITH", 40}, {"BJONES.WEST", 8}}));
    EXPECT_TRUE(user.messages.empty());
}

TEST_F(Listing, RecurseWalksDepthFirstAndNamesObjectsRelativeToTheContext) {
    const Rows all = {{"JSMITH", 20}, {"MJONES", 80}, {"SMITH.EAST", 12}, {"\\[Root].BOSTON.EAST", 28}};
    EXPECT_EQ(list("SALES.ACME", true, {1}), all);
    EXPECT_EQ(client.callsTo("NWDSList "),
              (std::vector<std::string>{"NWDSList \"\"", "NWDSList EAST", "NWDSList BOSTON.EAST", "NWDSList WEST"}));
    sim->setChunkLimit(1);
    EXPECT_EQ(list("ou=sales.O=Acme", true, {1}), all) << "typed, other case, one name a chunk";
    EXPECT_EQ(client.callsTo("NWDSList EAST").size(), 2u) << "EAST's two objects, one a chunk";
}

TEST_F(Listing, SetsTheTypedContextWithTypelessNamesAddedToTheFlagsThatWereRead) {
    list("SALES.ACME", false, {0});
    const std::vector<std::string> setUp(client.calls.begin() + 3, client.calls.begin() + 8);
    EXPECT_EQ(setUp, (std::vector<std::string>{"NWDSCreateContextHandle", "NWDSSetContext 3 SALES.ACME",
                                               "NWDSGetContext 1", "NWDSSetContext 1 23", "NWDSAllocBuf"}));
    // The buffer goes back before the context it was read through.
    const std::vector<std::string> tail(client.calls.end() - 4, client.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"NWDSFreeBuf", "NWDSFreeContext", "NWCCCloseConn", "NWCCCloseConn"}));
}

TEST_F(Listing, TextTheClientCannotTakeBecomesQuestionMarks) {
    // A NUL would cut the context short and list another one.
    for (const std::string& typed : {std::string("SALES.ACME\0X", 12), std::string("\u0141\u00D3D\u0179.ACME")}) {
        user.messages.clear();
        EXPECT_EQ(list(typed, false, {0}), std::nullopt);
        EXPECT_EQ(user.messages, std::vector<std::string>{"Context does not exist"});
    }
    EXPECT_EQ(client.callsTo("NWDSSetContext 3"), std::vector<std::string>{"NWDSSetContext 3 ?\xD3"
                                                                           "D?.ACME"});
}

TEST_F(Listing, StopsWithAMessageForAnInvalidOrMissingContext) {
    using Messages = std::vector<std::string>;
    EXPECT_EQ(list("SALES..ACME", false, {0}), std::nullopt);
    EXPECT_EQ(user.messages, Messages{"Invalid context supplied"});
    EXPECT_TRUE(client.callsTo("NWDSAllocBuf").empty()) << "an invalid context stops before the buffer";
    EXPECT_EQ(list("SALES..ACME", true, {0}), std::nullopt);
    EXPECT_EQ(list("NOWHERE.ACME", false, {0}), std::nullopt);
    // With Recurse the walk and then the scan each find the context missing.
    EXPECT_EQ(list("NOWHERE.ACME", true, {0}), std::nullopt);
    EXPECT_EQ(user.messages, (Messages{"Invalid context supplied", "Invalid context supplied", "Context does not exist",
                                       "Context does not exist", "Context does not exist"}));
}

TEST_F(Listing, AContainerGoneBeforeItsScanDropsWhatWasMeasured) {
    sim->addFault({"NWDSList", nw::kNoSuchEntry, std::nullopt, "WEST", std::nullopt, std::nullopt});
    EXPECT_EQ(list("SALES.ACME", true, {0}), std::nullopt);
    EXPECT_EQ(user.messages, std::vector<std::string>{"Context does not exist"});
}

TEST_F(Listing, TheNameContextCallRejectingTheFlagsIsFatal) {
    sim->addFault({"NWDSSetContext", nw::kInvalidDsName, std::nullopt, std::nullopt, std::nullopt, 2u});
    EXPECT_THROW(list("SALES.ACME", false, {0}), testing_support::ProgramEnded);
    EXPECT_EQ(user.messages, std::vector<std::string>{"NWDSSetContext failed : -309"});
}

TEST_F(Listing, AFailedDiskQueryCountsAsNothingAndIsNotCreditedToTheNextObject) {
    // JSMITH's query on SYS fails; MJONES, asked next, uses nothing there.
    sim->addFault({"NWGetObjDiskRestrictions", 0x8998, std::nullopt, std::nullopt, 0, 1u});
    EXPECT_EQ(list("SALES.ACME", false, {0, 1}), (Rows{{"JSMITH", 20}, {"MJONES", 80}}));
}

TEST(ListingLimits, ThousandsOfResultsContainersAndLongNamesAllArrive) {
    nlohmann::json children = nlohmann::json::array();
    for (int i = 0; i < 1100; ++i)
        children.push_back({{"name", "U" + std::to_string(i) + std::string(60, 'X')},
                            {"class", "User"},
                            {"usage", {{{"server", "FS1"}, {"volume", 0}, {"inUse", 1}}}}});
    for (int i = 0; i < 300; ++i)
        children.push_back({{"name", "C" + std::to_string(i)}, {"class", "Organizational Unit"}});
    const nlohmann::json net = {{"servers", {{{"name", "FS1"}, {"volumes", {{{"number", 0}, {"name", "SYS"}}}}}}},
                                {"tree", {{{"name", "ACME"}, {"class", "Organization"}, {"children", children}}}}};
    ListingRig big(net.dump());
    const auto rows = big.list("ACME", true, {0});
    ASSERT_TRUE(rows.has_value());
    EXPECT_EQ(rows->size(), 1100u);
    EXPECT_EQ(rows->back().first.size(), 65u);
    const auto lists = big.client.callsTo("NWDSList ");
    EXPECT_EQ(std::set<std::string>(lists.begin(), lists.end()).size(), 301u) << "the context and its containers";
}

TEST(ListingFaults, EveryCallFailingAloneEndsWithItsReportOrCountsAsNothing) {
    const auto kinds = testing_support::sweepFaults<ListingRig>(R"json({
      "servers": [ { "name": "FS1", "volumes": [ { "number": 0, "name": "SYS" }, { "number": 1, "name": "VOL1" } ] } ],
      "defaultServer": "FS1", "chunkLimit": 2,
      "tree": [ { "name": "ACME", "class": "Organization", "children": [
        { "name": "A", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 3 } ] },
        { "name": "B", "class": "User" }, { "name": "C", "class": "User" },
        { "name": "EAST", "class": "Organizational Unit", "children": [
          { "name": "D", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 5 } ] },
          { "name": "BOSTON", "class": "Organizational Unit" } ] } ] } ] })json");
    EXPECT_EQ(kinds.size(), 16u);
}

// Watches a listing: what it saw at each update (step, containers, container,
// measured, kept) and after how many calls; stops it at update `stopAt`.
struct Watcher final : vorlane::ListingObserver {
    explicit Watcher(const RecordingClient& c, std::chrono::milliseconds every = {}) : client(c), interval(every) {}
    std::chrono::milliseconds updateInterval() const override { return interval; }
    bool update(const vorlane::ListingProgress& p) override {
        const std::string figures = "SWL"[static_cast<int>(p.step)] + (" " + std::to_string(p.containers)) + " " +
                                    std::to_string(p.container) + " " + std::to_string(p.measured) + " " +
                                    std::to_string(p.kept);
        if (seen.empty() || seen.back() != figures)
            seen.push_back(figures);
        at.push_back(client.calls.size());
        return at.size() != stopAt;
    }
    const RecordingClient& client;
    std::chrono::milliseconds interval;
    std::size_t stopAt = 0;
    std::vector<std::string> seen;
    std::vector<std::size_t> at;
};

bool isRelease(const std::string& call) {
    return call == "NWDSFreeBuf" || call == "NWDSFreeContext" || call == "NWCCCloseConn";
}

TEST_F(Listing, TheObserverIsAskedAfterEveryCallAndSeesEveryFigureRiseToItsTotal) {
    Watcher watcher(client);
    observer = &watcher;
    ASSERT_TRUE(list("SALES.ACME", true, {1}).has_value());
    // Three containers found; nine objects measured in four, four of them kept.
    EXPECT_EQ(watcher.seen,
              (std::vector<std::string>{"S 0 0 0 0", "W 0 0 0 0", "W 1 0 0 0", "W 2 0 0 0", "W 3 0 0 0", "L 4 1 0 0",
                                        "L 4 1 1 1", "L 4 1 2 2", "L 4 1 3 2", "L 4 1 4 2", "L 4 1 5 2", "L 4 2 5 2",
                                        "L 4 2 6 3", "L 4 2 7 3", "L 4 3 7 3", "L 4 3 8 4", "L 4 4 8 4", "L 4 4 9 4"}));
    // From the buffer on, every call but the releases at the end is followed by an update.
    const auto from = std::find(client.calls.begin(), client.calls.end(), "NWDSAllocBuf") - client.calls.begin();
    for (auto j = static_cast<std::size_t>(from); j < client.calls.size() - 4; ++j)
        EXPECT_NE(std::find(watcher.at.begin(), watcher.at.end(), j + 1), watcher.at.end()) << client.calls[j];
}

TEST(ListingCancel, StoppedAtAnyUpdateItGivesEverythingBackAndMakesNoOtherCall) {
    for (std::size_t stopAt = 1;; ++stopAt) {
        ListingRig rig;
        rig.sim->setChunkLimit(2);
        Watcher watcher(rig.client);
        watcher.stopAt = stopAt;
        rig.observer = &watcher;
        const auto rows = rig.list("SALES.ACME", true, {0, 1}); // checks that every handle went back
        if (watcher.at.size() < stopAt) {
            EXPECT_TRUE(rows.has_value() && stopAt > 50) << "a listing nobody stopped completes";
            break;
        }
        EXPECT_TRUE(!rows && rig.user.messages.empty() && watcher.at.size() == stopAt) << stopAt;
        for (std::size_t j = watcher.at.back(); j < rig.client.calls.size(); ++j)
            EXPECT_TRUE(isRelease(rig.client.calls[j])) << stopAt << ": " << rig.client.calls[j];
    }
}

TEST(ListingMonitor, UpdatesComeOncePerIntervalHoweverManyCallsFallInIt) {
    std::string slow(kAcme);
    slow.replace(slow.find("\"defaultServer\""), 0, R"("latency": { "all": 2000 }, )");
    ListingRig rig(slow);
    Watcher watcher(rig.client, std::chrono::milliseconds(20));
    rig.observer = &watcher;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(rig.list("SALES.ACME", true, {0, 1}).has_value());
    const auto intervals = (std::chrono::steady_clock::now() - start) / std::chrono::milliseconds(20);
    // Some 80 calls of 2 ms or more: an update per interval, not per call.
    EXPECT_GE(watcher.at.size(), 2u);
    EXPECT_LE(watcher.at.size(), static_cast<std::size_t>(intervals) + 2) << rig.client.calls.size() << " calls";

    // Stopped at an update, it stops right there, not an interval later.
    ListingRig stopped(slow);
    Watcher stopper(stopped.client, std::chrono::milliseconds(20));
    stopper.stopAt = 2;
    stopped.observer = &stopper;
    EXPECT_FALSE(stopped.list("SALES.ACME", true, {0, 1}).has_value());
    for (std::size_t j = stopper.at.back(); j < stopped.client.calls.size(); ++j)
        EXPECT_TRUE(isRelease(stopped.client.calls[j])) << stopped.client.calls[j];
}

} // namespace
