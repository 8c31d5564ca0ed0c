#include "app/ListingRun.h"

#include "app/ProgressWindow.h"

#include <QWidget>

#include <cstdlib>
#include <memory>

namespace vorlane {

ListingRun::ListingRun(nw::Client& client, UserChannel& user, nw::NWCONN_HANDLE defConnH, ListingRequest request,
                       bool freshFigures, QWidget& owner, Timing timing, std::function<void(ListingOutcome)> ended)
    : client_(client), user_(user), control_(freshFigures), ended_(std::move(ended)), owner_(owner) {
    show_.setSingleShot(true);
    show_.setInterval(timing.delay);
    connect(&show_, &QTimer::timeout, this, [this] {
        window_ = new ProgressWindow(&owner_);
        connect(window_, &ProgressWindow::cancelRequested, this, &ListingRun::cancel);
        update();
        window_->show();
        tick_.start();
    });
    tick_.setInterval(timing.interval);
    connect(&tick_, &QTimer::timeout, this, &ListingRun::update);
    show_.start();

    thread_ = std::thread([this, defConnH, request = std::move(request)] {
        auto outcome = std::make_shared<ListingOutcome>();
        try {
            outcome->result = doListing(client_, relay_, defConnH, request, control_);
        } catch (...) {
            outcome->thrown = std::current_exception();
        }
        // Dropped by Qt if the run is gone by then, as it is when the window
        // goes while the listing runs.
        QMetaObject::invokeMethod(
            this, [this, outcome] { finish(std::move(*outcome)); }, Qt::QueuedConnection);
    });
}

ListingRun::~ListingRun() {
    if (thread_.joinable()) {
        control_.cancel();
        {
            const std::lock_guard<std::mutex> lock(messageLock_);
            givenUp_ = true;
        }
        answered_.notify_all();
        thread_.join();
    }
    delete window_;
}

void ListingRun::cancel() {
    if (!cancelledAt_)
        cancelledAt_ = std::chrono::steady_clock::now();
    control_.cancel();
}

void ListingRun::update() {
    if (window_ != nullptr)
        window_->showProgress(control_.progress());
}

void ListingRun::finish(ListingOutcome outcome) {
    thread_.join();
    show_.stop();
    tick_.stop();
    delete window_;
    outcome.cancelledAt = cancelledAt_;
    ended_(std::move(outcome));
}

void ListingRun::Relay::showMessage(const std::string& text) {
    std::unique_lock<std::mutex> lock(run_.messageLock_);
    if (run_.givenUp_)
        return;
    run_.waiting_ = true;
    QMetaObject::invokeMethod(
        &run_, [&run = run_, text] { run.showMessage(text); }, Qt::QueuedConnection);
    run_.answered_.wait(lock, [this] { return !run_.waiting_ || run_.givenUp_; });
}

// The end of the program comes from the listing's own thread, straight
// after the message that explains it: nothing of the listing runs on.
void ListingRun::Relay::endProgram(int status) {
    run_.user_.endProgram(status);
    std::abort(); // a channel whose endProgram returned broke its promise
}

void ListingRun::showMessage(const std::string& text) {
    // The message box is what the user must answer now: neither a progress
    // window coming up nor one already up may sit over it.
    const bool pending = show_.isActive();
    show_.stop();
    const bool shown = window_ != nullptr && window_->isVisible();
    if (shown)
        window_->hide();
    user_.showMessage(text);
    if (shown && window_ != nullptr)
        window_->show();
    if (pending)
        show_.start();
    {
        const std::lock_guard<std::mutex> lock(messageLock_);
        waiting_ = false;
    }
    answered_.notify_all();
}

} // namespace vorlane
