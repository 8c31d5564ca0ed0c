#include "support/WindowHarness.h"

#include "report/ResultOrder.h"

#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <set>

namespace {

using testing_support::WindowHarness;

constexpr std::string_view kTwoContexts = R"json({
  "servers": [ { "name": "FS1", "volumes": [ { "number": 0, "name": "SYS" }, { "number": 1, "name": "VOL1" } ] } ],
  "defaultServer": "FS1",
  "defaultContext": "SALES.ACME",
  "tree": [ { "name": "ACME", "class": "Organization", "children": [
    { "name": "SALES", "class": "Organizational Unit", "children": [
      { "name": "A", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 2 } ] },
      { "name": "B", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 5 } ] },
      { "name": "C", "class": "Group", "usage": [ { "server": "FS1", "volume": 0, "inUse": 5 } ] },
      { "name": "D", "class": "Printer", "usage": [ { "server": "FS1", "volume": 0, "inUse": 1 },
                                                   { "server": "FS1", "volume": 1, "inUse": 1024 } ] }
    ] },
    { "name": "MARKETING", "class": "Organizational Unit", "children": [
      { "name": "M", "class": "User", "usage": [ { "server": "FS1", "volume": 0, "inUse": 3 } ] }
    ] }
  ] } ]
})json";

TEST(Ordering, LargestFirstAndTiesKeepTheOrderFound) {
    WindowHarness h(kTwoContexts);
    h.pickVolume("[FS1] : SYS");
    EXPECT_EQ(h.shown(), (QStringList{"B=20", "C=20", "A=8", "D=4"}));
}

TEST(Ordering, StableForEveryShapeOfInput) {
    std::vector<vorlane::UsageRow> rows;
    for (int i = 0; i < 1000; ++i) {
        // Few distinct values, so ties abound; negative and wide ones too.
        const std::int64_t small = (i * 7919) % 13 - 6;
        rows.push_back({std::to_string(i), i % 3 == 0 ? small : small * 1000000007});
    }
    vorlane::orderByUsage(rows);
    for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_GE(rows[i - 1].kilobytes, rows[i].kilobytes);
        if (rows[i - 1].kilobytes == rows[i].kilobytes) {
            ASSERT_LT(std::stoi(rows[i - 1].name), std::stoi(rows[i].name));
        }
    }
}

TEST(Ordering, UsageIsShownAsAPlainWholeNumber) {
    EXPECT_EQ(vorlane::usageText(4096), "4096");
    EXPECT_EQ(vorlane::usageText(60), "60");
    EXPECT_EQ(vorlane::usageText(8589934588), "8589934588"); // 2^31 - 1 blocks on one volume, times 4
    WindowHarness h(kTwoContexts);
    h.pickVolume("[FS1] : VOL1");
    EXPECT_EQ(h.shown(), QStringList{"D=4096"});
}

TEST(Ordering, ANewListingThatFindsNothingEmptiesBothLists) {
    WindowHarness h(kTwoContexts);
    h.pickVolume("[FS1] : SYS");
    h.setContext("MARKETING.ACME");
    h.pickVolume("[FS1] : VOL1");
    EXPECT_TRUE(h.shown().isEmpty());
    EXPECT_EQ(h.window.lastList(), vorlane::MainWindow::ByVolume);
}

class Recalc : public testing::Test {
protected:
    void pressRecalc() { h_.control<QPushButton>("cmdRecalc")->click(); }
    WindowHarness h_{kTwoContexts};
};

TEST_F(Recalc, BeforeAnyListingDoesNothing) {
    h_.select(h_.volumes(), "[FS1] : SYS");
    h_.client.calls.clear();
    pressRecalc();
    EXPECT_TRUE(h_.client.calls.empty());
    EXPECT_TRUE(h_.shown().isEmpty());
}

TEST_F(Recalc, RepeatsTheLastCompletedKindWithWhatIsNowTyped) {
    h_.pickVolume("[FS1] : SYS");
    h_.setContext("MARKETING.ACME");
    pressRecalc();
    EXPECT_EQ(h_.shown(), QStringList{"M=12"});
    EXPECT_EQ(h_.client.callsTo("NWDSList ").size(), 2u) << "one listing per press";
}

TEST_F(Recalc, AServerListingThatStopsLeavesRecalcListingByVolume) {
    h_.pickVolume("[FS1] : SYS");
    h_.setContext("NOWHERE.ACME");
    h_.pickServer("FS1");
    EXPECT_EQ(h_.user.messages, std::vector<std::string>{"Context does not exist"});
    EXPECT_EQ(h_.window.lastList(), vorlane::MainWindow::ByVolume);

    h_.setContext("SALES.ACME");
    h_.client.calls.clear();
    pressRecalc();
    EXPECT_EQ(h_.shown(), (QStringList{"B=20", "C=20", "A=8", "D=4"}));
}

TEST_F(Recalc, AfterAServerListingRepeatsByServer) {
    h_.pickServer("FS1");
    EXPECT_EQ(h_.shown().first(), "D=4100");
    h_.setContext("MARKETING.ACME");
    pressRecalc();
    EXPECT_EQ(h_.shown(), QStringList{"M=12"});
    EXPECT_EQ(h_.window.lastList(), vorlane::MainWindow::ByServer);
}

TEST_F(Recalc, EditingTheContextOrRecurseStartsNothing) {
    h_.pickVolume("[FS1] : SYS");
    h_.client.calls.clear();
    h_.setContext("MARKETING.ACME");
    h_.setRecurse(true);
    EXPECT_TRUE(h_.client.calls.empty());
}

TEST(WindowEvents, EnterInTheContextBoxRepeatsTheListingForTheNewContext) {
    WindowHarness h(kTwoContexts);
    h.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&h.window));
    h.pickVolume("[FS1] : SYS");
    auto* box = h.control<QLineEdit>("txtContext");
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "MARKETING.ACME");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(h.shown(), QStringList{"M=12"});
}

TEST(WindowEvents, PickingAVolumeWithTheKeyboardListsIt) {
    WindowHarness h(kTwoContexts);
    h.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&h.window));
    h.volumes()->setFocus();
    QTest::keyClick(h.volumes(), Qt::Key_Down); // the first entry, [FS1] : SYS
    EXPECT_EQ(h.volumes()->currentText(), "[FS1] : SYS");
    EXPECT_EQ(h.shown(), (QStringList{"B=20", "C=20", "A=8", "D=4"}));
}

TEST(WindowEvents, ThePointerShowsBusyWhileAListingRuns) {
    // Look at the pointer from inside the listing, at its first directory call.
    struct Watcher : testing_support::RecordingClient {
        using RecordingClient::RecordingClient;
        nw::NWRCODE NWDSList(nw::NWDSContextHandle c, const char* o, nw::nint32* it, nw::pBuf_T b) override {
            if (QApplication::overrideCursor() != nullptr)
                shapes.push_back(QApplication::overrideCursor()->shape());
            return RecordingClient::NWDSList(c, o, it, b);
        }
        std::vector<Qt::CursorShape> shapes;
    };
    auto sim = testing_support::simulate(kTwoContexts);
    Watcher client(*sim);
    testing_support::FakeUserChannel user;
    vorlane::MainWindow window(client, user);
    window.Form_Load();
    auto* volumes = window.findChild<vorlane::SortedComboBox*>("cmbVolumes");
    volumes->setCurrentIndex(0);
    window.cmbVolumes_Click();
    EXPECT_EQ(client.shapes, std::vector<Qt::CursorShape>{Qt::WaitCursor});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the pointer is given back";

    // Also on the way out through a message.
    window.findChild<QLineEdit*>("txtContext")->setText("NOWHERE.ACME");
    window.cmbVolumes_Click();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// A context with `count` users, each using `count - i` blocks on SYS, and
// `containers` empty containers below it.
std::string bigNetwork(int users, int containers, int nameLength = 8) {
    nlohmann::json children = nlohmann::json::array();
    for (int i = 0; i < users; ++i) {
        std::string name = "U" + std::to_string(i);
        name += std::string(static_cast<std::size_t>(std::max(0, nameLength - static_cast<int>(name.size()))), 'X');
        children.push_back(
            {{"name", name}, {"class", "User"}, {"usage", {{{"server", "FS1"}, {"volume", 0}, {"inUse", users - i}}}}});
    }
    for (int i = 0; i < containers; ++i)
        children.push_back({{"name", "C" + std::to_string(i)}, {"class", "Organizational Unit"}});
    nlohmann::json net = {
        {"servers", {{{"name", "FS1"}, {"volumes", {{{"number", 0}, {"name", "SYS"}}}}}}},
        {"defaultServer", "FS1"},
        {"defaultContext", "ACME"},
        {"tree", {{{"name", "ACME"}, {"class", "Organization"}, {"children", children}}}},
    };
    return net.dump();
}

TEST(Limits, MoreThan1024ResultsAndMoreThan256ContainersAllShow) {
    WindowHarness h(bigNetwork(3000, 400));
    h.setRecurse(true);
    h.pickVolume("[FS1] : SYS");
    ASSERT_EQ(h.usersList()->count(), 3000);
    EXPECT_EQ(h.usersList()->itemText(0), "U0XXXXXX");
    EXPECT_EQ(h.usageList()->itemText(0), "12000");
    EXPECT_EQ(h.usageList()->itemText(2999), "4");
    const auto lists = h.client.callsTo("NWDSList ");
    EXPECT_EQ(std::set<std::string>(lists.begin(), lists.end()).size(), 401u) << "the context and its 400 containers";
}

TEST(Limits, NamesLongerThan48CharactersAreResolvedAndShownWhole) {
    WindowHarness h(bigNetwork(3, 0, 64));
    h.pickVolume("[FS1] : SYS");
    ASSERT_EQ(h.usersList()->count(), 3);
    EXPECT_EQ(h.usersList()->itemText(0).size(), 64);
    EXPECT_TRUE(h.user.messages.empty());
}

class ScrollCoupling : public testing::Test {
protected:
    void SetUp() override {
        h_.window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&h_.window));
        h_.pickVolume("[FS1] : SYS");
        ASSERT_EQ(h_.usageList()->count(), 200);
    }
    WindowHarness h_{bigNetwork(200, 0)};
};

TEST_F(ScrollCoupling, ScrollingTheUsageListBringsTheNamesAlong) {
    h_.usageList()->setTopIndex(10); // as the scroll bar does
    EXPECT_EQ(h_.usageList()->topIndex(), 10);
    EXPECT_EQ(h_.usersList()->topIndex(), 10);
    // Keyboard movement scrolls too.
    h_.usageList()->setFocus();
    for (int i = 0; i < 40; ++i)
        QTest::keyClick(h_.usageList(), Qt::Key_Down);
    EXPECT_GT(h_.usageList()->topIndex(), 10);
    EXPECT_EQ(h_.usersList()->topIndex(), h_.usageList()->topIndex());
}

TEST_F(ScrollCoupling, ScrollingTheNamesMovesNothingElse) {
    h_.usersList()->setTopIndex(30);
    EXPECT_EQ(h_.usageList()->topIndex(), 0);
}

TEST_F(ScrollCoupling, AClickInTheUsageListBringsStrayNamesBack) {
    h_.usageList()->setTopIndex(20);
    h_.usersList()->setTopIndex(50);
    const QRect firstRow = h_.usageList()->visualRect(h_.usageList()->model()->index(20, 0));
    QTest::mouseClick(h_.usageList()->viewport(), Qt::LeftButton, {}, firstRow.center());
    EXPECT_EQ(h_.usersList()->topIndex(), 20);
    EXPECT_FALSE(h_.usersList()->selectionModel()->hasSelection()) << "a click selects nothing in the names";
}

} // namespace
