#include "support/WindowHarness.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <functional>

namespace {

using namespace std::chrono_literals;
using testing_support::WindowHarness;

// 400 objects, 20 to a container, 20 containers below CORP. With disk
// queries of 2 ms, a listing of CORP alone takes some 50 ms and one with
// Recurse by volume about a second.
std::string network(int diskMicros, const std::string& faults = "[]") {
    return R"({ "generate": { "objects": 400, "objectsPerContainer": 20, "servers": 1, "volumesPerServer": 2 },
                "defaultContext": "CORP", "faults": )" +
           faults + R"(, "latency": { "calls": { "NWGetObjDiskRestrictions": )" + std::to_string(diskMicros) + "}}}";
}

// Looks at the window at every client call: when the progress window came
// up, the objects it counted, and a step to take once it has been up a while.
struct Watch {
    explicit Watch(WindowHarness& harness) : h(harness) {
        h.client.onCall = [this](const std::string&) {
            const auto now = std::chrono::steady_clock::now();
            if (start == decltype(start)())
                start = now;
            if (const vorlane::ProgressWindow* progress = h.shownProgress()) {
                shownAfter = shownAfter.value_or(now - start);
                measured.push_back(progress->findChild<QLabel*>("lblMeasured")->text().section(' ', -1).toInt());
                if (measured.size() == 5 && whenShown)
                    whenShown(*h.shownProgress());
            }
        };
    }
    ~Watch() { h.client.onCall = nullptr; }
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;

    WindowHarness& h;
    std::chrono::steady_clock::time_point start;
    std::optional<std::chrono::steady_clock::duration> shownAfter;
    std::vector<int> measured;
    std::function<void(vorlane::ProgressWindow&)> whenShown;
};

TEST(SlowListing, ShowsItsProgressAfterHalfASecondKeepsTheWindowAliveAndMakesTheSameCalls) {
    WindowHarness fast(network(0));
    WindowHarness slow(network(2000));
    slow.window.show();
    QApplication::setActiveWindow(&slow.window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&slow.window));
    for (WindowHarness* h : {&fast, &slow}) {
        h->setRecurse(true);
        h->select(h->servers(), "FS1");
        h->select(h->volumes(), "[FS1] : SYS");
    }
    slow.volumes()->setFocus();
    int handled = 0;
    QTimer events;
    QObject::connect(&events, &QTimer::timeout, &events, [&handled] { ++handled; });
    events.start(0);
    Watch watch(slow);
    watch.whenShown = [&](vorlane::ProgressWindow& progress) {
        // Input for the main window goes nowhere; a press that reaches a
        // handler anyway (as an assistive tool can) starts no second listing.
        QTest::keyClick(slow.window.windowHandle(), Qt::Key_Down);
        slow.window.cmbServer_Click();
        EXPECT_EQ(progress.windowTitle(), "Listing");
        // Room for seven-digit figures from the start: the window does not
        // grow under the pointer as they rise, nor can it be dragged smaller.
        EXPECT_EQ(progress.minimumSize(), progress.maximumSize());
        for (QLabel* line : progress.findChildren<QLabel*>())
            EXPECT_GE(line->width(), line->fontMetrics().horizontalAdvance("Listing container 9999999 of 9999999"));
        // Each line and the button have a place of their own.
        QList<QWidget*> parts = {progress.findChild<QDialogButtonBox*>()};
        for (QLabel* line : progress.findChildren<QLabel*>())
            parts << line;
        for (qsizetype i = 0; i < parts.size(); ++i)
            EXPECT_EQ(parts.size(), std::count_if(parts.begin(), parts.end(), [&](QWidget* w) {
                          return w == parts[i] || !w->geometry().intersects(parts[i]->geometry());
                      }));
    };
    fast.client.calls.clear();
    fast.window.cmbVolumes_Click();
    slow.client.calls.clear();
    slow.window.cmbVolumes_Click();

    ASSERT_TRUE(watch.shownAfter);
    EXPECT_GE(*watch.shownAfter, 490ms);
    EXPECT_LE(*watch.shownAfter, 900ms);
    EXPECT_TRUE(std::is_sorted(watch.measured.begin(), watch.measured.end()));
    EXPECT_GT(std::set<int>(watch.measured.begin(), watch.measured.end()).size(), 3u) << "the counts rise";
    EXPECT_GT(handled, 5) << "events were handled during the listing";
    EXPECT_EQ(slow.shownProgress(), nullptr);
    EXPECT_EQ(slow.volumes()->currentText(), "[FS1] : SYS") << "the arrow key reached the picker";
    EXPECT_EQ(slow.client.calls, fast.client.calls);
    EXPECT_EQ(slow.shown(), fast.shown());
}

TEST(SlowListing, CancelStopsItAndKeepsWhatWasShownAsAStopWithAMessageWould) {
    WindowHarness h(network(2000));
    h.pickVolume("[FS1] : SYS");
    const QStringList before = h.shown();
    const auto connections = h.sim->openConnections();
    h.setRecurse(true);
    // Twice, so that a cancelled listing is no different from the one before.
    for (int run = 0; run < 2; ++run) {
        Watch watch(h);
        watch.whenShown = [](vorlane::ProgressWindow& p) {
            QMetaObject::invokeMethod(p.findChild<QPushButton*>("cmdCancel"), &QPushButton::click,
                                      Qt::QueuedConnection);
        };
        h.client.calls.clear();
        h.pickServer("FS1");
        EXPECT_LT(h.client.callsTo("NWGetObjDiskRestrictions").size(), 600u) << "it stopped";
        EXPECT_TRUE(h.shown() == before && h.user.messages.empty() && h.shownProgress() == nullptr);
        EXPECT_EQ(h.window.lastList(), vorlane::MainWindow::ByVolume);
        EXPECT_EQ(h.sim->openConnections(), connections);
        EXPECT_EQ(h.sim->openContextCount() + h.sim->allocatedBufferCount(), 0u);
    }
    h.setRecurse(false);
    h.client.calls.clear();
    h.control<QPushButton>("cmdRecalc")->click();
    EXPECT_EQ(h.shown(), before) << "Recalc repeats the listing by volume";
    EXPECT_TRUE(h.client.callsTo("NWGetObjDiskRestrictions 1").empty());
}

TEST(SlowListing, ClosingTheWindowStopsTheListingAndThenShutsDownAsAlways) {
    WindowHarness h(network(2000));
    h.window.show();
    h.setRecurse(true);
    Watch watch(h);
    watch.whenShown = [&](vorlane::ProgressWindow&) {
        QMetaObject::invokeMethod(&h.window, &QWidget::close, Qt::QueuedConnection);
    };
    h.client.calls.clear();
    h.pickServer("FS1");
    EXPECT_FALSE(h.window.isVisible());
    EXPECT_LT(h.client.callsTo("NWGetObjDiskRestrictions").size(), 600u) << "it stopped";
    const std::vector<std::string> tail(h.client.calls.end() - 6, h.client.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"NWDSFreeBuf", "NWDSFreeContext", "NWCCCloseConn", "NWCCCloseConn",
                                              "NWCallsTerm", "NWNetTerm"}));
}

TEST(SlowListing, AFatalFailureReportsAfterTheProgressWindowHasClosedAndEndsTheProgram) {
    WindowHarness h(network(2000, R"([{ "call": "NWDSResolveName", "code": -4711, "occurrence": 350 }])"));
    h.setRecurse(true);
    Watch watch(h);
    std::vector<bool> progressUp;
    h.user.onMessage = [&](const std::string&) { progressUp.push_back(h.shownProgress() != nullptr); };
    EXPECT_THROW(h.pickVolume("[FS1] : SYS"), testing_support::ProgramEnded);
    EXPECT_TRUE(watch.shownAfter) << "the failure came before the progress window";
    EXPECT_EQ(h.user.messages, std::vector<std::string>{"NWDSResolveName failed : -4711"});
    EXPECT_EQ(progressUp, std::vector<bool>{false});
}

} // namespace
