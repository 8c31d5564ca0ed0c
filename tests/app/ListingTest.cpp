#include "support/WindowHarness.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using testing_support::WindowHarness;

// FS1 and FS10 share a prefix; JSMITH uses two volumes of FS1, FARUSER only
// FS10; containers sit three levels below the default context.
constexpr std::string_view kAcme = R"json({
  "servers": [
    { "name": "FS1",  "volumes": [ { "number": 0, "name": "SYS" }, { "number": 1, "name": "VOL1" } ] },
    { "name": "FS10", "volumes": [ { "number": 0, "name": "SYS" }, { "number": 1, "name": "DATA" } ] }
  ],
  "defaultServer": "FS1",
  "defaultContext": "SALES.ACME",
  "tree": [ { "name": "ACME", "class": "Organization", "children": [
    { "name": "TOPUSER", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 999 } ] },
    { "name": "SALES", "class": "Organizational Unit", "children": [
      { "name": "JSMITH", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 10 },
                                                      { "server": "FS1", "volume": 1, "inUse": 5 } ] },
      { "name": "MJONES", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 20 } ] },
      { "name": "IDLE", "class": "User" },
      { "name": "FARUSER", "class": "User", "usage": [ { "server": "FS10", "volume": 0, "inUse": 100 },
                                                       { "server": "FS10", "volume": 1, "inUse": 100 } ] },
      { "name": "EAST", "class": "Organizational Unit", "children": [
        { "name": "SMITH", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 3 } ] },
        { "name": "BOSTON", "class": "Organizational Unit", "children": [
          { "name": "AMILLER", "class": "User", "usage": [ { "server": "FS1", "volume": 1, "inUse": 7 } ] }
        ] }
      ] },
      { "name": "WEST", "class": "Organizational Unit", "children": [
        { "name": "BJONES", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 1 } ] }
      ] }
    ] }
  ] } ]
})json";

TEST(ListingByVolume, ListsTheContextsObjectsThatUseSpaceInKilobytesLargestFirst) {
    WindowHarness h(kAcme);
    h.pickVolume("[FS1] : VOL1");
    EXPECT_EQ(h.shown(), (QStringList{"MJONES=80", "JSMITH=20"}));
    EXPECT_EQ(h.window.lastList(), vorlane::MainWindow::ByVolume);
    EXPECT_TRUE(h.user.messages.empty());
}

TEST(ListingByVolume, RecurseAddsEveryContainerBelowWithRelativeNames) {
    WindowHarness h(kAcme);
    h.setRecurse(true);
    h.pickVolume("[FS1] : VOL1");
    EXPECT_EQ(h.shown(), (QStringList{"MJONES=80", "AMILLER.BOSTON.EAST=28", "JSMITH=20", "SMITH.EAST=12"}));
}

TEST(ListingByServer, SumsOnlyThatServersVolumesAndListsEachObjectOnce) {
    WindowHarness h(kAcme);
    h.pickServer("FS1");
    EXPECT_EQ(h.shown(), (QStringList{"MJONES=80", "JSMITH=60"}));
    EXPECT_EQ(h.window.lastList(), vorlane::MainWindow::ByServer);

    h.pickServer("FS10");
    EXPECT_EQ(h.shown(), QStringList{"FARUSER=800"});
}

TEST(ListingByServer, WalksEveryContainerInDepthFirstOrder) {
    WindowHarness h(kAcme);
    h.setRecurse(true);
    h.pickServer("FS1");
    EXPECT_EQ(h.shown(),
              (QStringList{"MJONES=80", "JSMITH=60", "AMILLER.BOSTON.EAST=28", "SMITH.EAST=12", "BJONES.WEST=4"}));
    EXPECT_EQ(h.client.callsTo("NWDSList "),
              (std::vector<std::string>{"NWDSList \"\"", "NWDSList EAST", "NWDSList BOSTON.EAST", "NWDSList WEST"}));
}

TEST(ListingByServer, ChunkedListingsAndWalksGiveTheSameResult) {
    WindowHarness whole(kAcme);
    whole.setRecurse(true);
    whole.pickServer("FS1");

    WindowHarness chunked(kAcme);
    chunked.sim->setChunkLimit(1);
    chunked.setRecurse(true);
    chunked.pickServer("FS1");
    EXPECT_EQ(chunked.shown(), whole.shown());
    EXPECT_GT(chunked.client.callsTo("NWDSList ").size(), whole.client.callsTo("NWDSList ").size());
    // One result buffer per level of the walk at most, plus the listing's own.
    EXPECT_EQ(chunked.sim->allocatedBufferCount(), 0u);
}

TEST(Listing, TypedContextsAndOtherCaseWork) {
    WindowHarness h(kAcme);
    h.setContext("ou=sales.o=acme");
    h.pickServer("FS1");
    EXPECT_EQ(h.shown(), (QStringList{"MJONES=80", "JSMITH=60"}));
}

class ListingStops : public testing::Test {
protected:
    // A first listing by volume whose results must survive what follows.
    void listFirst() {
        h_.pickVolume("[FS1] : VOL1");
        ASSERT_EQ(h_.shown(), (QStringList{"MJONES=80", "JSMITH=20"}));
        h_.client.calls.clear();
    }
    void expectFirstResultsKept() {
        EXPECT_EQ(h_.shown(), (QStringList{"MJONES=80", "JSMITH=20"}));
        EXPECT_EQ(h_.window.lastList(), vorlane::MainWindow::ByVolume);
    }
    void expectNothingLeftOpen() {
        EXPECT_EQ(h_.sim->openConnections(), std::vector<nw::NWCONN_HANDLE>{h_.window.defConnH()});
        EXPECT_EQ(h_.sim->openContextCount(), 0u);
        EXPECT_EQ(h_.sim->allocatedBufferCount(), 0u);
    }

    WindowHarness h_{kAcme};
};

TEST_F(ListingStops, NothingSelectedDoesNothingEvenWithoutAContext) {
    listFirst();
    h_.setContext("");
    h_.window.cmbServer_Click();
    EXPECT_TRUE(h_.user.messages.empty());
    EXPECT_TRUE(h_.client.calls.empty());
    expectFirstResultsKept();
}

TEST_F(ListingStops, EmptyContextAsksForOneAndCallsNothing) {
    listFirst();
    h_.setContext("");
    h_.pickServer("FS1");
    EXPECT_EQ(h_.user.messages, std::vector<std::string>{"Enter a context"});
    EXPECT_TRUE(h_.client.calls.empty());
    expectFirstResultsKept();
}

TEST_F(ListingStops, InvalidContextIsReportedAndReleased) {
    listFirst();
    for (const char* text : {"SALES..ACME", ".SALES.ACME", "SALES.ACME.", "CN=", "OU=SALES.=ACME"}) {
        h_.user.messages.clear();
        h_.setContext(text);
        h_.pickServer("FS1");
        EXPECT_EQ(h_.user.messages, std::vector<std::string>{"Invalid context supplied"}) << text;
        expectFirstResultsKept();
        expectNothingLeftOpen();
    }
}

TEST_F(ListingStops, MissingContextIsReportedAndPreviousResultsStay) {
    listFirst();
    h_.setContext("NOWHERE.ACME");
    h_.pickServer("FS1");
    EXPECT_EQ(h_.user.messages, std::vector<std::string>{"Context does not exist"});
    expectFirstResultsKept();
    expectNothingLeftOpen();
}

TEST_F(ListingStops, MissingContextWithRecurseIsReportedTwice) {
    listFirst();
    h_.setContext("NOWHERE.ACME");
    h_.setRecurse(true);
    h_.pickServer("FS1");
    EXPECT_EQ(h_.user.messages, (std::vector<std::string>{"Context does not exist", "Context does not exist"}));
    expectFirstResultsKept();
    expectNothingLeftOpen();
}

TEST_F(ListingStops, AContainerGoneDuringTheWalkIsReportedAndTheWalkGoesOn) {
    listFirst();
    h_.sim->addFault(
        nwsim::Fault{"NWDSListContainers", nw::kNoSuchEntry, std::nullopt, "EAST", std::nullopt, std::nullopt});
    h_.setRecurse(true);
    h_.pickServer("FS1");
    EXPECT_EQ(h_.user.messages, std::vector<std::string>{"Context does not exist"});
    // EAST stays in the list of containers and is scanned; BOSTON below it
    // was never found; WEST, its next sibling, was.
    EXPECT_EQ(h_.shown(), (QStringList{"MJONES=80", "JSMITH=60", "SMITH.EAST=12", "BJONES.WEST=4"}));
    expectNothingLeftOpen();
}

TEST_F(ListingStops, AContainerGoneDuringTheScanDropsWhatWasMeasured) {
    listFirst();
    h_.sim->addFault(nwsim::Fault{"NWDSList", nw::kNoSuchEntry, std::nullopt, "WEST", std::nullopt, std::nullopt});
    h_.setRecurse(true);
    h_.pickServer("FS1");
    EXPECT_EQ(h_.user.messages, std::vector<std::string>{"Context does not exist"});
    expectFirstResultsKept();
    expectNothingLeftOpen();
}

TEST(Listing, NoHandleIsLeftOpenAfterManyListings) {
    WindowHarness h(kAcme);
    const auto before = h.sim->openConnections();
    h.setRecurse(true);
    for (int i = 0; i < 20; ++i) {
        h.pickServer(i % 2 ? "FS1" : "FS10");
        h.pickVolume("[FS1] : SYS");
    }
    EXPECT_EQ(h.sim->openConnections(), before);
    EXPECT_EQ(h.sim->openContextCount(), 0u);
    EXPECT_EQ(h.sim->allocatedBufferCount(), 0u);
}

TEST(Listing, AFailedDiskQueryCountsAsNothingAndIsNotCreditedToTheNext) {
    WindowHarness h(kAcme);
    // The first query of the listing is JSMITH's on SYS; MJONES, asked next,
    // uses nothing on SYS and must not inherit anything.
    h.sim->addFault(nwsim::Fault{"NWGetObjDiskRestrictions", 0x8998, std::nullopt, std::nullopt, 0, 1u});
    h.pickVolume("[FS1] : SYS");
    EXPECT_TRUE(h.shown().isEmpty());
    EXPECT_TRUE(h.user.messages.empty());

    h.sim->addFault(nwsim::Fault{"NWGetObjDiskRestrictions", 0x8998, std::nullopt, std::nullopt, 1, 1u});
    h.pickServer("FS1");
    EXPECT_EQ(h.shown(), (QStringList{"MJONES=80", "JSMITH=40"})) << "JSMITH's VOL1 figure failed";
}

} // namespace
