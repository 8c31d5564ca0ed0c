#pragma once

#include "netware/Client.h"
#include "report/ListingControl.h"
#include "report/UsageListing.h"
#include "session/UserChannel.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

class QWidget;

namespace vorlane {

class ProgressWindow;

// How a listing ended: its result, or what was thrown out of it (only a
// test's stand-in for the end of the program throws), and whether the user
// cancelled it.
struct ListingOutcome {
    ListingResult result;
    std::exception_ptr thrown;
    std::optional<std::chrono::steady_clock::time_point> cancelledAt;
};

// One listing under way. It runs on a thread of its own; the window's
// thread only shows it and never waits for it:
//  - the window's thread makes no client call until the listing has ended
//    (the client is not the window's while the listing has it);
//  - the figures are read from the listing's control on a timer, and the
//    progress window comes up once the listing has run for `delay`;
//  - a message of the listing ("Context does not exist") is shown by the
//    window's thread while the listing waits for the OK, with the progress
//    window out of the way;
//  - Cancel (the progress window's button, its Escape, its close button)
//    and cancel() only raise the control's flag: the listing stops after
//    the client call under way, or inside a long call that asks;
//  - the end comes back to the window's thread, queued, through `ended`.
class ListingRun final : public QObject {
    Q_OBJECT
public:
    struct Timing {
        std::chrono::milliseconds delay{500};   // before the progress window comes up
        std::chrono::milliseconds interval{50}; // between two updates of its figures
    };

    ListingRun(nw::Client& client, UserChannel& user, nw::NWCONN_HANDLE defConnH, ListingRequest request,
               bool freshFigures, QWidget& owner, Timing timing, std::function<void(ListingOutcome)> ended);
    // Only when the window goes while a listing runs: the listing is
    // cancelled, a message it waits on is given up, and it is waited for.
    ~ListingRun() override;
    ListingRun(const ListingRun&) = delete;
    ListingRun& operator=(const ListingRun&) = delete;

    void cancel();

private:
    // The listing's way to the user, on the listing's thread.
    class Relay final : public UserChannel {
    public:
        explicit Relay(ListingRun& run) : run_(run) {}
        void showMessage(const std::string& text) override;
        [[noreturn]] void endProgram(int status) override;

    private:
        ListingRun& run_;
    };

    void showMessage(const std::string& text); // the window's thread
    void update();
    void finish(ListingOutcome outcome);

    nw::Client& client_;
    UserChannel& user_;
    ListingControl control_;
    Relay relay_{*this};
    std::function<void(ListingOutcome)> ended_;
    std::optional<std::chrono::steady_clock::time_point> cancelledAt_;

    QWidget& owner_;
    QPointer<ProgressWindow> window_;
    QTimer show_;
    QTimer tick_;

    // A message on its way from the listing's thread to the user.
    std::mutex messageLock_;
    std::condition_variable answered_;
    bool waiting_ = false;
    bool givenUp_ = false;

    std::thread thread_;
};

} // namespace vorlane
