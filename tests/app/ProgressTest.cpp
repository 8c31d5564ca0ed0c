// A listing that takes a while: the window answers all the time, shows the
// listing's progress, and lets the user stop it or close the program.

#include "support/WindowHarness.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>

namespace {

using namespace std::chrono_literals;
using testing_support::WindowHarness;

// 400 objects, 20 to a container, 20 containers below CORP; every disk
// query takes `diskMicros`.
std::string network(int diskMicros, const std::string& faults = "[]") {
    return R"({ "generate": { "objects": 400, "objectsPerContainer": 20, "servers": 1, "volumesPerServer": 2 },
                "defaultContext": "CORP", "faults": )" +
           faults + R"(, "latency": { "calls": { "NWGetObjDiskRestrictions": )" + std::to_string(diskMicros) + "}}}";
}

// The progress window comes up at once and its figures change every 5 ms.
constexpr vorlane::ListingRun::Timing kAtOnce{0ms, 5ms};

class SlowListing : public testing::Test {
protected:
    explicit SlowListing(int diskMicros = 2000, const std::string& faults = "[]") : h_(network(diskMicros, faults)) {
        h_.window.setListingTiming(kAtOnce);
        h_.setRecurse(true);
        h_.window.show();
        QApplication::setActiveWindow(&h_.window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&h_.window));
    }
    // Handles events until the progress window is up and has counted
    // `objects`; the listing runs on meanwhile.
    vorlane::ProgressWindow* progressAfter(int objects) {
        for (;;) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            vorlane::ProgressWindow* progress = h_.shownProgress();
            if (progress != nullptr && measured(*progress) >= objects)
                return progress;
            if (!h_.window.listingRunning())
                return nullptr;
        }
    }
    static int measured(const vorlane::ProgressWindow& progress) {
        return progress.findChild<QLabel*>("lblMeasured")->text().section(' ', -1).toInt();
    }
    void press(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(widget, key, modifiers);
    }
    WindowHarness h_;
};

TEST_F(SlowListing, ShowsItsRisingFiguresWhileTheWindowAnswersAndEndsLikeAFastOne) {
    WindowHarness fast(network(0));
    fast.setRecurse(true);
    fast.pickVolume("[FS1] : SYS");
    h_.client.calls.clear();
    int handled = 0;
    QTimer events;
    QObject::connect(&events, &QTimer::timeout, &events, [&handled] { ++handled; });
    events.start(0);
    h_.startPick(h_.volumes(), "[FS1] : SYS");
    std::set<int> figures;
    for (vorlane::ProgressWindow* progress = progressAfter(1); progress != nullptr && figures.size() < 4;
         progress = progressAfter(*figures.rbegin() + 1))
        figures.insert(measured(*progress));
    EXPECT_EQ(figures.size(), 4u) << "the figures rise while the listing runs";
    const int handledDuring = handled;
    h_.waitForListing();
    EXPECT_GT(handledDuring, 10) << "the window's thread handled events during the listing";
    EXPECT_EQ(h_.shownProgress(), nullptr);
    EXPECT_EQ(h_.shown(), fast.shown());
    EXPECT_EQ(h_.client.calls,
              std::vector<std::string>(fast.client.calls.end() - static_cast<std::ptrdiff_t>(h_.client.calls.size()),
                                       fast.client.calls.end()));
}

TEST_F(SlowListing, ItsWindowKeepsOneSizeForSevenDigitFiguresWithAPlaceForEachLine) {
    h_.startPick(h_.volumes(), "[FS1] : SYS");
    vorlane::ProgressWindow* progress = progressAfter(1);
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->windowTitle(), "Listing");
    EXPECT_EQ(progress->minimumSize(), progress->maximumSize()) << "it does not grow under the pointer";
    for (QLabel* line : progress->findChildren<QLabel*>())
        EXPECT_GE(line->width(), line->fontMetrics().horizontalAdvance("Listing container 9999999 of 9999999"));
    QList<QWidget*> parts = {progress->findChild<QDialogButtonBox*>()};
    for (QLabel* line : progress->findChildren<QLabel*>())
        parts << line;
    for (QWidget* part : parts)
        EXPECT_EQ(std::count_if(parts.begin(), parts.end(),
                                [&](QWidget* w) { return w != part && w->geometry().intersects(part->geometry()); }),
                  0);
    h_.window.close();
    h_.waitForListing();
}

TEST_F(SlowListing, CancelAndEscapeStopItAndKeepWhatWasShownWhileEnterDoesNot) {
    h_.setRecurse(false);
    h_.pickVolume("[FS1] : SYS");
    const QStringList before = h_.shown();
    const auto connections = h_.sim->openConnections();
    h_.setRecurse(true);
    for (int run = 0; run < 2; ++run) {
        h_.client.calls.clear();
        h_.startPick(h_.servers(), "FS1");
        vorlane::ProgressWindow* progress = progressAfter(5);
        ASSERT_NE(progress, nullptr);
        if (run == 0) {
            press(progress, Qt::Key_Return);
            EXPECT_NE(progressAfter(measured(*progress) + 5), nullptr) << "Enter cancels nothing";
            progress->findChild<QPushButton*>("cmdCancel")->click();
        } else {
            press(progress, Qt::Key_Escape);
        }
        h_.waitForListing();
        EXPECT_LT(h_.client.callsTo("NWGetObjDiskRestrictions").size(), 600u) << "it stopped";
        EXPECT_TRUE(h_.shown() == before && h_.user.messages.empty() && h_.shownProgress() == nullptr);
        EXPECT_EQ(h_.window.lastList(), vorlane::LastList::ByVolume);
        EXPECT_EQ(h_.sim->openConnections(), connections);
        EXPECT_EQ(h_.sim->openContextCount() + h_.sim->allocatedBufferCount(), 0u);
        // The same Escape again, or held: the press that cancelled, not Close.
        press(&h_.window, Qt::Key_Escape);
        QTest::sendKeyEvent(QTest::KeyAction::Press, &h_.window, Qt::Key_Escape, '\x1b', {}, -1);
        EXPECT_TRUE(h_.window.isVisible());
    }
    h_.setRecurse(false);
    h_.client.calls.clear();
    h_.pressRecalc();
    EXPECT_EQ(h_.shown(), before) << "Recalc repeats the listing by volume";
}

TEST_F(SlowListing, AnEscapeBeforeTheProgressWindowCancelsToo) {
    h_.window.setListingTiming({std::chrono::hours(1), 5ms});
    h_.startPick(h_.volumes(), "[FS1] : SYS");
    press(h_.usageList(), Qt::Key_Escape);
    h_.waitForListing();
    EXPECT_TRUE(h_.window.isVisible());
    EXPECT_TRUE(h_.shown().isEmpty()) << "nothing listed";
    EXPECT_LT(h_.client.callsTo("NWGetObjDiskRestrictions").size(), 600u);
}

// As a window manager asks: a close request to the main window's own
// window, under whatever platform the tests run.
TEST_F(SlowListing, ClosingTheWindowStopsTheListingAndThenShutsDownAsAlways) {
    h_.startPick(h_.servers(), "FS1");
    ASSERT_NE(progressAfter(5), nullptr);
    QCloseEvent request;
    QApplication::sendEvent(h_.window.windowHandle(), &request);
    h_.waitForListing();
    EXPECT_FALSE(h_.window.isVisible());
    EXPECT_LT(h_.client.callsTo("NWGetObjDiskRestrictions").size(), 600u) << "it stopped";
    const std::vector<std::string> tail(h_.client.calls.end() - 6, h_.client.calls.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"NWDSFreeBuf", "NWDSFreeContext", "NWCCCloseConn", "NWCCCloseConn",
                                              "NWCallsTerm", "NWNetTerm"}));
}

class FailingListing : public SlowListing {
protected:
    FailingListing()
        : SlowListing(2000, R"([{ "call": "NWDSResolveName", "code": -4711, "occurrence": 50 },
                                             { "call": "NWDSListContainers", "code": -601, "occurrence": 2 }])") {}
};

// The listing's messages come from the window's thread while the listing
// waits for the OK, with the progress window out of the way.
TEST_F(FailingListing, MessagesAreTheWindowsToShowWhileTheListingWaitsAndAFatalOneEndsTheProgram) {
    std::vector<std::string> seen;
    h_.user.onMessage = [&](const std::string& text) {
        seen.push_back(text + (QThread::currentThread() == h_.window.thread() ? " window" : " other") +
                       (h_.window.listingRunning() ? " running" : " ended") +
                       (h_.shownProgress() != nullptr ? " progress" : ""));
    };
    EXPECT_THROW(h_.pickVolume("[FS1] : SYS"), testing_support::ProgramEnded);
    EXPECT_EQ(seen, (std::vector<std::string>{"Context does not exist window running",
                                              "NWDSResolveName failed : -4711 window running"}));
}

// A client call that takes as long as a scan of a large volume: it says
// what it is doing, and it stops when the listing is cancelled.
class ScanningClient final : public testing_support::RecordingClient {
public:
    using RecordingClient::RecordingClient;
    void watchCalls(nw::CallWatcher* watcher) override {
        watcher_ = watcher;
        RecordingClient::watchCalls(watcher);
    }
    nw::NWRCODE NWGetObjDiskRestrictions(nw::NWCONN_HANDLE c, nw::nuint8 v, nw::nuint32 id, nw::nint32* r,
                                         nw::nint32* u) override {
        for (int files = 1000; !watcher_->cancelled(); files += 1000) {
            watcher_->doing("Scanning SYS: " + std::to_string(files) + " files");
            std::this_thread::sleep_for(1ms);
        }
        RecordingClient::NWGetObjDiskRestrictions(c, v, id, r, u);
        return nw::kCancelled;
    }

private:
    nw::CallWatcher* watcher_ = nullptr;
};

TEST(LongCall, ShowsWhatTheCallSaysItIsDoingAndStopsOnCancelWithoutAWord) {
    const auto sim = testing_support::simulate(network(0));
    ScanningClient client(*sim);
    WindowHarness h(client);
    h.window.setListingTiming(kAtOnce);
    h.startPick(h.volumes(), "[FS1] : SYS");
    QLabel* doing = nullptr;
    while (doing == nullptr || !doing->text().startsWith("Scanning SYS: ")) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        if (h.shownProgress() != nullptr)
            doing = h.shownProgress()->findChild<QLabel*>("lblDoing");
    }
    h.shownProgress()->findChild<QPushButton*>("cmdCancel")->click();
    h.waitForListing();
    EXPECT_TRUE(h.user.messages.empty() && h.shown().isEmpty());
    EXPECT_EQ(sim->openContextCount() + sim->allocatedBufferCount(), 0u);
    EXPECT_EQ(client.callsTo("NWGetObjDiskRestrictions").size(), 1u);
}

} // namespace
