#include "report/UsageListing.h"

#include "support/FaultSweep.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

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
    std::optional<Rows> list(const std::string& context, bool recurse, const std::vector<nw::nuint8>& numbers) {
        client.calls.clear();
        std::vector<vorlane::RequestedVolume> volumes;
        for (const nw::nuint8 number : numbers)
            volumes.push_back({number, number == 0 ? "SYS" : "VOL1"});
        const auto result = vorlane::doListing(client, user, defConn, {"FS1", context, recurse, volumes}, control);
        EXPECT_EQ(sim->openConnections(), std::vector<nw::NWCONN_HANDLE>{defConn});
        EXPECT_EQ(sim->openContextCount(), 0u);
        EXPECT_EQ(sim->allocatedBufferCount(), 0u);
        if (!result.completed)
            return std::nullopt;
        Rows rows;
        for (std::size_t i = 0; i < result.rows.size(); ++i)
            rows.emplace_back(result.rows.name(i), result.rows.kilobytes(i));
        return rows;
    }
    // What the fault sweep runs: a listing by server with Recurse.
    void run() { vorlane::doListing(client, user, defConn, {"FS1", "ACME", true, {{0, "SYS"}, {1, "VOL1"}}}, control); }

    std::unique_ptr<nwsim::SimClient> sim;
    RecordingClient client;
    FakeUserChannel user;
    nw::NWCONN_HANDLE defConn = 0;
    vorlane::ListingControl control;
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

// A figure the server cannot give is no figure of 0: the listing ends there.
TEST_F(Listing, AFailedDiskQueryEndsTheListingNamingTheVolume) {
    sim->addFault({"NWGetObjDiskRestrictions", 0x8998, std::nullopt, std::nullopt, 1, 2u});
    EXPECT_EQ(list("SALES.ACME", false, {0, 1}), std::nullopt);
    EXPECT_EQ(user.messages, std::vector<std::string>{"The usage on [FS1] : VOL1 could not be counted "
                                                      "(NWGetObjDiskRestrictions failed : 35224)."});
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

// The figures as the listing shows them: step, containers, container,
// measured, kept.
std::string figures(const vorlane::ListingProgress& p) {
    return "SWL"[static_cast<int>(p.step)] + (" " + std::to_string(p.containers)) + " " + std::to_string(p.container) +
           " " + std::to_string(p.measured) + " " + std::to_string(p.kept);
}

bool isRelease(const std::string& call) {
    return call == "NWDSFreeBuf" || call == "NWDSFreeContext" || call == "NWCCCloseConn";
}

TEST_F(Listing, ItsFiguresRiseCallByCallToTheirTotals) {
    std::vector<std::string> seen;
    client.onCall = [&](const std::string&) {
        if (const std::string now = figures(control.progress()); seen.empty() || seen.back() != now)
            seen.push_back(now);
    };
    ASSERT_TRUE(list("SALES.ACME", true, {1}).has_value());
    // Three containers found; nine objects measured in four, four of them kept.
    EXPECT_EQ(seen, (std::vector<std::string>{"S 0 0 0 0", "W 0 0 0 0", "W 1 0 0 0", "W 2 0 0 0", "W 3 0 0 0",
                                              "L 4 1 0 0", "L 4 1 1 1", "L 4 1 2 2", "L 4 1 3 2", "L 4 1 4 2",
                                              "L 4 2 5 2", "L 4 2 6 3", "L 4 3 7 3", "L 4 4 8 4", "L 4 4 9 4"}));
}

TEST(ListingCancel, CancelledAfterAnyCallItGivesEverythingBackAndMakesNoOtherCall) {
    for (std::size_t cancelAt = 1;; ++cancelAt) {
        ListingRig rig;
        rig.sim->setChunkLimit(2);
        rig.client.onCall = [&](const std::string&) {
            if (rig.client.calls.size() == cancelAt)
                rig.control.cancel();
        };
        const auto rows = rig.list("SALES.ACME", true, {0, 1}); // checks that every handle went back
        if (!rig.control.cancelled()) {
            EXPECT_TRUE(rows.has_value() && cancelAt > 50) << "a listing nobody cancelled completes";
            break;
        }
        EXPECT_TRUE(!rows && rig.user.messages.empty()) << cancelAt;
        for (std::size_t j = cancelAt; j < rig.client.calls.size(); ++j)
            EXPECT_TRUE(isRelease(rig.client.calls[j])) << cancelAt << ": " << rig.client.calls[j];
    }
}

TEST(ListingCancel, ReachesIntoALongCall) {
    std::string slow(kAcme);
    slow.replace(slow.find("\"defaultServer\""), 0, R"("latency": { "calls": { "NWDSList": 10000000 } }, )");
    ListingRig rig(slow);
    std::thread canceller([&rig] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        rig.control.cancel();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(rig.list("SALES.ACME", false, {0}).has_value()); // checks that every handle went back
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << "the ten-second call was cut short";
    EXPECT_TRUE(rig.user.messages.empty());
}

} // namespace
