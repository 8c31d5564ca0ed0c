#pragma once

#include "report/ListingObserver.h"

#include <QDialog>

class QLabel;

namespace vorlane {

// The small window a long listing shows over the main window: what the
// listing is doing, how many objects it has measured and how many of them
// use space, and a Cancel button. Cancel, Escape and closing this window all
// ask the listing to stop; the listing hides the window when it has ended.
class ProgressWindow final : public QDialog {
    Q_OBJECT
public:
    explicit ProgressWindow(QWidget* owner);

    void showProgress(const ListingProgress& progress);
    bool cancelRequested() const { return cancelRequested_; }

public Q_SLOTS:
    // Escape, the Cancel button and the window's close button end here. The
    // window stays until the listing has unwound.
    void reject() override;

private:
    QLabel* doing_;
    QLabel* measured_;
    QLabel* kept_;
    bool cancelRequested_ = false;
};

} // namespace vorlane
