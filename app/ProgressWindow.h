#pragma once

#include "report/ListingControl.h"

#include <QDialog>

class QLabel;

namespace vorlane {

// The small window a long listing shows over the main window: what the
// listing is doing, what a long client call inside it says it is busy with,
// how many objects it has measured and how many of them use space, and a
// Cancel button. Cancel, Escape and closing this window ask the listing to
// stop (cancelRequested); the listing takes the window down when it has
// ended. Enter does nothing here: the only button is Cancel, and a key
// meant for the main window must not stop a listing.
//
// It blocks nothing: the main window stays open to scrolling, copying and
// closing while the listing runs.
class ProgressWindow final : public QDialog {
    Q_OBJECT
public:
    explicit ProgressWindow(QWidget* owner);

    void showProgress(const ListingProgress& progress);

Q_SIGNALS:
    void cancelRequested();

public Q_SLOTS:
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* step_;
    QLabel* doing_;
    QLabel* measured_;
    QLabel* kept_;
};

} // namespace vorlane
