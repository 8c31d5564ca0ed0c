#include "app/ProgressWindow.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorlane {
namespace {

QString doingText(const ListingProgress& progress) {
    switch (progress.step) {
    case ListingProgress::Step::Starting:
        return QStringLiteral("Opening the directory");
    case ListingProgress::Step::Walking:
        return QStringLiteral("Walking the containers: %1 found").arg(progress.containers);
    case ListingProgress::Step::Listing:
        return QStringLiteral("Listing container %1 of %2").arg(progress.container).arg(progress.containers);
    }
    return {};
}

QString measuredText(const ListingProgress& progress) {
    return QStringLiteral("Objects measured: %1").arg(progress.measured);
}

QString keptText(const ListingProgress& progress) {
    return QStringLiteral("Using space: %1").arg(progress.kept);
}

} // namespace

ProgressWindow::ProgressWindow(QWidget* owner)
    : QDialog(owner), doing_(new QLabel(this)), measured_(new QLabel(this)), kept_(new QLabel(this)) {
    setObjectName(QStringLiteral("progressWindow"));
    setWindowTitle(QStringLiteral("Listing"));
    // It blocks input to the main window for as long as it is up.
    setWindowModality(Qt::ApplicationModal);
    measured_->setObjectName(QStringLiteral("lblMeasured"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::rejected, this, &ProgressWindow::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(doing_);
    layout->addWidget(measured_);
    layout->addWidget(kept_);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Wide enough for large figures from the start, so that the window does
    // not grow under the pointer while the figures rise.
    ListingProgress widest;
    widest.step = ListingProgress::Step::Listing;
    widest.container = widest.containers = widest.measured = widest.kept = 9999999;
    doing_->setMinimumWidth(doing_->fontMetrics().horizontalAdvance(doingText(widest)));
}

void ProgressWindow::showProgress(const ListingProgress& progress) {
    // A label repaints only when its text changes.
    doing_->setText(doingText(progress));
    measured_->setText(measuredText(progress));
    kept_->setText(keptText(progress));
}

void ProgressWindow::reject() {
    cancelRequested_ = true;
}

} // namespace vorlane
