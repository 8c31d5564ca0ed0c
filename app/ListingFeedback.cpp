#include "app/ListingFeedback.h"

#include "app/ProgressWindow.h"

#include <QApplication>

#include <cstdlib>

namespace vorlane {

ListingFeedback::ListingFeedback(QWidget& owner, nw::UserChannel& user)
    : owner_(owner), user_(user), started_(std::chrono::steady_clock::now()) {}

ListingFeedback::~ListingFeedback() = default;

bool ListingFeedback::update(const ListingProgress& progress) {
    if (window_ == nullptr && std::chrono::steady_clock::now() - started_ >= kProgressDelay)
        window_ = std::make_unique<ProgressWindow>(&owner_);
    if (window_ != nullptr) {
        window_->showProgress(progress);
        // Shown again after a message that the listing went on from.
        if (!window_->isVisible())
            window_->show();
    }
    QApplication::processEvents(window_ != nullptr ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    return !cancelled_ && !(window_ != nullptr && window_->cancelRequested());
}

void ListingFeedback::showMessage(const std::string& text) {
    if (window_ != nullptr)
        window_->hide();
    user_.showMessage(text);
}

void ListingFeedback::endProgram(int status) {
    user_.endProgram(status);
    std::abort(); // a channel whose endProgram returned broke its promise
}

} // namespace vorlane
