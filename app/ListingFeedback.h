#pragma once

#include "netware/UserChannel.h"
#include "report/ListingObserver.h"

#include <QWidget>

#include <chrono>
#include <memory>

namespace vorlane {

class ProgressWindow;

// Keeps the desktop informed while one listing runs on the user-interface
// thread: between client calls, when an update is due, it lets the window
// handle what is pending (repaints, the desktop's and the accessibility
// bus's questions), so that the window never stops answering.
//
// For the first half second it handles no user input at all, so that the
// common short listing looks and behaves exactly as a listing always did:
// input waits until the listing has ended. A listing that takes longer opens
// the modal progress window, which from then on blocks input to the main
// window and offers Cancel.
//
// Every message of the listing passes through here, so that the progress
// window is closed before the message is shown.
class ListingFeedback final : public ListingObserver, public nw::UserChannel {
public:
    // An update every 40 ms: with client calls of up to 50 ms each, the
    // figures change at least ten times a second.
    static constexpr std::chrono::milliseconds kUpdateInterval{40};
    static constexpr std::chrono::milliseconds kProgressDelay{500};

    ListingFeedback(QWidget& owner, nw::UserChannel& user);
    ~ListingFeedback() override;
    ListingFeedback(const ListingFeedback&) = delete;
    ListingFeedback& operator=(const ListingFeedback&) = delete;

    // Asks the listing to stop at its next update.
    void cancel() { cancelled_ = true; }

    std::chrono::milliseconds updateInterval() const override { return kUpdateInterval; }
    bool update(const ListingProgress& progress) override;

    void showMessage(const std::string& text) override;
    [[noreturn]] void endProgram(int status) override;

private:
    QWidget& owner_;
    nw::UserChannel& user_;
    const std::chrono::steady_clock::time_point started_;
    std::unique_ptr<ProgressWindow> window_;
    bool cancelled_ = false;
};

} // namespace vorlane
