#include "support/WindowHarness.h"

#include <QCloseEvent>
#include <QPushButton>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

namespace {

using testing_support::WindowHarness;

QStringList entries(const vorlane::SortedComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i) + "#" + QString::number(box->itemData(i).toInt());
    return out;
}

std::string network(const std::vector<nlohmann::json>& servers) {
    nlohmann::json net = {
        {"servers", nlohmann::json(servers)},
        {"defaultServer", servers[0]["name"]},
        {"defaultContext", "ACME"},
        {"tree", {{{"name", "ACME"}, {"class", "Organization"}}}},
    };
    return net.dump();
}

nlohmann::json server(const std::string& name, const std::vector<std::pair<int, std::string>>& volumes) {
    nlohmann::json list = nlohmann::json::array();
    for (const auto& [number, volume] : volumes)
        list.push_back({{"number", number}, {"name", volume}});
    return {{"name", name}, {"volumes", list}};
}

TEST(VolumeList, EntriesCarryTheirVolumeNumbersInSortedOrder) {
    WindowHarness h(network({server("FS1", {{0, "SYS"}, {1, "VOL1"}, {2, "APPS"}})}));
    EXPECT_EQ(entries(h.volumes()), (QStringList{"[FS1] : APPS#2", "[FS1] : SYS#0", "[FS1] : VOL1#1"}));
    EXPECT_EQ(
        h.client.callsTo("NWGetVolumeName"),
        (std::vector<std::string>{"NWGetVolumeName 0", "NWGetVolumeName 1", "NWGetVolumeName 2", "NWGetVolumeName 3"}));
}

TEST(VolumeList, AGapEndsTheServersVolumes) {
    WindowHarness h(network({server("FS1", {{0, "SYS"}, {1, "VOL1"}, {3, "ARCHIVE"}})}));
    EXPECT_EQ(entries(h.volumes()), (QStringList{"[FS1] : SYS#0", "[FS1] : VOL1#1"}));
    EXPECT_TRUE(h.client.callsTo("NWGetVolumeName 3").empty());
}

TEST(VolumeList, AServerWithoutVolumeZeroStaysInTheServerList) {
    WindowHarness h(network({server("FS1", {{0, "SYS"}}), server("FS2", {{1, "VOL1"}})}));
    EXPECT_EQ(entries(h.volumes()), QStringList{"[FS1] : SYS#0"});
    EXPECT_EQ(h.servers()->count(), 2);
    EXPECT_EQ(h.servers()->itemText(1), "FS2");
}

TEST(VolumeList, SixtyFourVolumesAtMostAndNumber64IsNeverAsked) {
    std::vector<std::pair<int, std::string>> volumes;
    for (int n = 0; n < 64; ++n)
        volumes.emplace_back(n, "V" + std::to_string(n));
    WindowHarness h(network({server("FS1", volumes)}));
    EXPECT_EQ(h.volumes()->count(), 64);
    EXPECT_TRUE(h.client.callsTo("NWGetVolumeName 64").empty());
    const int v63 = h.volumes()->findText("[FS1] : V63");
    EXPECT_EQ(h.volumes()->itemData(v63).toInt(), 63);
}

TEST(VolumeList, TwoServersWithTheSameVolumeNameAreToldApart) {
    WindowHarness h(network({server("FS10", {{0, "DATA"}, {1, "SYS"}}), server("FS1", {{0, "SYS"}})}));
    EXPECT_EQ(entries(h.volumes()), (QStringList{"[FS10] : DATA#0", "[FS10] : SYS#1", "[FS1] : SYS#0"}));
    EXPECT_EQ(h.servers()->itemText(0), "FS1") << "the server list is sorted too";
}

TEST(VolumeList, SixteenCharacterNamesAndNonAsciiNamesAreShownWhole) {
    WindowHarness h(network({server("FS1", {{0, "ABCDEFGHIJKLMNOP"}, {1, "M\u00DCNCHEN"}})}));
    EXPECT_EQ(entries(h.volumes()), (QStringList{"[FS1] : ABCDEFGHIJKLMNOP#0", "[FS1] : M\u00DCNCHEN#1"}));
}

TEST(VolumeList, HandlesOpenedToReadVolumesAreClosedAgain) {
    WindowHarness h(network({server("FS1", {{0, "SYS"}}), server("FS2", {{0, "SYS"}}), server("FS3", {{0, "SYS"}})}));
    EXPECT_EQ(h.sim->openConnections(), std::vector<nw::NWCONN_HANDLE>{h.window.defConnH()});
}

TEST(ServerList, NoServersStillGivesAWindow) {
    auto net = nlohmann::json::parse(network({server("FS1", {{0, "SYS"}})}));
    net["faults"] = {{{"call", "NWGetKnownServersInfo"}, {"code", nw::kNoMoreServers}}};
    WindowHarness h(net.dump());
    EXPECT_EQ(h.servers()->count(), 0);
    EXPECT_EQ(h.volumes()->count(), 0);
    EXPECT_EQ(h.window.lastList(), vorlane::MainWindow::NoListingYet);
    EXPECT_TRUE(h.user.messages.empty());
}

TEST(ServerList, ServersArriveInBatchesAndVolumesServerByServer) {
    auto net = nlohmann::json::parse(
        network({server("FS3", {{0, "SYS"}}), server("FS1", {{0, "SYS"}}), server("FS2", {{0, "SYS"}})}));
    net["serverBatchLimit"] = 2;
    WindowHarness h(net.dump());
    EXPECT_EQ(
        h.client.callsTo("NWGetKnownServersInfo"),
        (std::vector<std::string>{"NWGetKnownServersInfo 0", "NWGetKnownServersInfo 2", "NWGetKnownServersInfo 3"}));
    EXPECT_EQ(h.client.callsTo("NWCCOpenConnByName"),
              (std::vector<std::string>{"NWCCOpenConnByName FS3", "NWCCOpenConnByName FS1", "NWCCOpenConnByName FS2"}));
    EXPECT_EQ(entries(h.servers()), (QStringList{"FS1#0", "FS2#0", "FS3#0"}));
}

TEST(Closing, ShutsBothLibrariesDownOnceAndCallsNothingElse) {
    WindowHarness h(network({server("FS1", {{0, "SYS"}})}));
    h.window.show();
    h.client.calls.clear();
    h.control<QPushButton>("cmdClose")->click();
    EXPECT_FALSE(h.window.isVisible());
    h.window.close(); // a second close, by the title bar, changes nothing
    EXPECT_EQ(h.client.calls, (std::vector<std::string>{"NWCallsTerm", "NWNetTerm"}));
}

TEST(Closing, TheTitleBarClosesTheSameWay) {
    WindowHarness h(network({server("FS1", {{0, "SYS"}})}));
    h.window.show();
    h.client.calls.clear();
    h.window.close();
    EXPECT_EQ(h.client.calls, (std::vector<std::string>{"NWCallsTerm", "NWNetTerm"}));
}

} // namespace
