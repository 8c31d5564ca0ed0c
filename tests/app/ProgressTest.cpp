#include "support/WindowHarness.h"

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
using Clock = std::chrono::steady_clock;

// 400 objects, 20 to a container, 20 containers below CORP; one server with
// two volumes. With the default latencies a listing of CORP alone makes 23
// disk queries (some 50 ms), one with Recurse 419 (about a second).
std::string network(int diskMicros = 2000, int walkMicros = 0, const std::string& faults = "[]") {
    return R"({ "generate": { "objects": 400, "objectsPerContainer": 20, "servers": 1, "volumesPerServer": 2 },
                "defaultContext": "CORP", "faults": )" +
           faults + R"(, "latency": { "calls": { "NWGetObjDiskRestrictions": )" + std::to_string(diskMicros) +
           R"(, "NWDSListContainers": )" + std::to_string(walkMicros) + " } } }";
}

int figure(const vorlane::ProgressWindow& progress, const char* label) {
    const QString text = progress.findChild<QLabel*>(QString::fromLatin1(label))->text();
    return text.mid(text.lastIndexOf(QLatin1Char(' ')) + 1).toInt();
}

// Looks at the window at every client call of a listing: when the progress
// window came up, the objects it counted, and a step to take once it is up.
struct Watch {
    explicit Watch(WindowHarness& harness) : h(harness) {
        h.client.onCall = [this](const std::string&) { look(); };
    }
    void look() {
        const Clock::time_point now = Clock::now();
        if (calls++ == 0)
            start = now;
        const vorlane::ProgressWindow* progress = h.shownProgress();
        if (progress == nullptr)
            return;
        if (!shownAfter)
            shownAfter = now - start;
        measured.push_back(figure(*progress, "lblMeasured"));
        if (whenShown && measured.size() == 5)
            std::exchange(whenShown, nullptr)();
    }

    WindowHarness& h;
    int calls = 0;
    Clock::time_point start;
    std::optional<Clock::duration> shownAfter;
    std::vector<int> measured;
    std::function<void()> whenShown;
};

void post(QObject* to, QEvent::Type type, int key = Qt::Key_Escape) {
    QCoreApplication::postEvent(to, new QKeyEvent(type, key, Qt::NoModifier));
}

TEST(SlowListing, ShowsItsProgressAfterHalfASecondKeepsTheWindowAliveAndMakesTheSameCalls) {
    WindowHarness fast(network(0));
    fast.setRecurse(true);
    Watch quick(fast);
    fast.client.calls.clear();
    fast.pickVolume("[FS1] : SYS");
    EXPECT_FALSE(quick.shownAfter) << "a short listing shows no progress window";

    WindowHarness slow(network());
    slow.window.show();
    QApplication::setActiveWindow(&slow.window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&slow.window));
    slow.setRecurse(true);
    slow.select(slow.volumes(), "[FS1] : SYS");
    slow.select(slow.servers(), "FS1");
    slow.volumes()->setFocus();
    int handled = 0;
    QTimer events;
    QObject::connect(&events, &QTimer::timeout, &events, [&handled] { ++handled; });
    events.start(0);
    Watch watch(slow);
    watch.whenShown = [&] {
        // Input for the main window goes nowhere; a press that reaches a
        // handler anyway (as an assistive tool can) starts no second listing.
        QTest::keyClick(slow.window.windowHandle(), Qt::Key_Down);
        slow.window.cmbVolumes_Click();
        slow.window.cmbServer_Click();
    };
    slow.client.calls.clear();
    slow.window.cmbVolumes_Click();

    ASSERT_TRUE(watch.shownAfter);
    EXPECT_GE(*watch.shownAfter, 490ms);
    EXPECT_LE(*watch.shownAfter, 800ms);
    EXPECT_TRUE(std::is_sorted(watch.measured.begin(), watch.measured.end()));
    EXPECT_GT(std::set<int>(watch.measured.begin(), watch.measured.end()).size(), 3u) << "the counts rise";
    EXPECT_GT(handled, 5) << "events were handled during the listing";
    EXPECT_EQ(slow.shownProgress(), nullptr);
    EXPECT_EQ(slow.volumes()->currentText(), "[FS1] : SYS") << "the arrow key reached the picker";
    EXPECT_EQ(slow.client.calls, fast.client.calls);
    EXPECT_EQ(slow.shown(), fast.shown());
    EXPECT_EQ(slow.window.lastList(), vorlane::MainWindow::ByVolume);
}

TEST(SlowListing, CancelAndEscapeStopItAndKeepWhatWasShownAsAStopWithAMessageWould) {
    WindowHarness h(network());
    h.pickVolume("[FS1] : SYS");
    const QStringList before = h.shown();
    ASSERT_FALSE(before.isEmpty());
    const auto connections = h.sim->openConnections();
    h.setRecurse(true);
    const std::function<void(vorlane::ProgressWindow&)> cancels[] = {
        [](vorlane::ProgressWindow& p) {
            QMetaObject::invokeMethod(p.findChild<QPushButton*>("cmdCancel"), &QPushButton::click,
                                      Qt::QueuedConnection);
        },
        [](vorlane::ProgressWindow& p) { post(&p, QEvent::KeyPress); },
    };
    for (const auto& cancel : cancels) {
        Watch watch(h);
        watch.whenShown = [&] { cancel(*h.shownProgress()); };
        h.client.calls.clear();
        h.pickServer("FS1");
        EXPECT_LT(h.client.callsTo("NWGetObjDiskRestrictions").size(), 600u) << "it stopped";
        EXPECT_EQ(h.shown(), before);
        EXPECT_EQ(h.window.lastList(), vorlane::MainWindow::ByVolume);
        EXPECT_TRUE(h.user.messages.empty());
        EXPECT_EQ(h.shownProgress(), nullptr);
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
    WindowHarness h(network());
    h.window.show();
    h.setRecurse(true);
    Watch watch(h);
    watch.whenShown = [&] { QMetaObject::invokeMethod(&h.window, &QWidget::close, Qt::QueuedConnection); };
    h.client.calls.clear();
    h.pickServer("FS1");
    EXPECT_FALSE(h.window.isVisible());
    EXPECT_LT(h.client.callsTo("NWGetObjDiskRestrictions").size(), 600u) << "it stopped";
    const std::vector<std::string> tail(h.client.calls.end() - 6, h.client.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"NWDSFreeBuf", "NWDSFreeContext", "NWCCCloseConn", "NWCCCloseConn",
                                              "NWCallsTerm", "NWNetTerm"}));
}

TEST(SlowListing, ItsMessagesComeAfterTheProgressWindowHasClosed) {
    struct Case {
        const char* what;
        std::string network;
        std::vector<std::string> messages;
        bool goesOn;
    };
    const Case cases[] = {
        {"a container gone during the walk",
         network(0, 40000, R"([{ "call": "NWDSListContainers", "code": -601,
            "name": "DEPT10.DEPT3" }])"),
         {"Context does not exist"},
         true},
        {"a fatal failure",
         network(2000, 0, R"([{ "call": "NWDSResolveName", "code": -4711, "occurrence": 300 }])"),
         {"NWDSResolveName failed : -4711"},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WindowHarness h(c.network);
        h.setRecurse(true);
        Watch watch(h);
        std::vector<bool> progressUp;
        h.user.onMessage = [&](const std::string&) {
            progressUp.push_back(h.shownProgress() != nullptr);
            watch.measured.clear();
        };
        try {
            h.pickVolume("[FS1] : SYS");
            EXPECT_TRUE(c.goesOn);
        } catch (const testing_support::ProgramEnded&) {
            EXPECT_FALSE(c.goesOn);
        }
        ASSERT_TRUE(watch.shownAfter) << "the message came before the progress window";
        EXPECT_EQ(h.user.messages, c.messages);
        EXPECT_EQ(progressUp, std::vector<bool>{false});
        EXPECT_EQ(!watch.measured.empty(), c.goesOn) << "up again once the listing goes on";
        EXPECT_EQ(h.shownProgress(), nullptr);
    }
}

} // namespace
