#include "app/ProgressWindow.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorlane {
namespace {

QString stepText(const ListingProgress& progress) {
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

QLabel* line(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

} // namespace

ProgressWindow::ProgressWindow(QWidget* owner)
    : QDialog(owner), step_(line("lblStep", this)), doing_(line("lblDoing", this)),
      measured_(line("lblMeasured", this)), kept_(line("lblKept", this)) {
    setObjectName(QStringLiteral("progressWindow"));
    setWindowTitle(QStringLiteral("Listing"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    QPushButton* cancel = buttons->button(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setAutoDefault(false);
    cancel->setDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &ProgressWindow::reject);

    auto* layout = new QVBoxLayout(this);
    for (QLabel* label : {step_, doing_, measured_, kept_})
        layout->addWidget(label);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    // Wide enough for large figures and a long call's own words from the
    // start, so that the window does not grow under the pointer while the
    // figures rise.
    ListingProgress widest;
    widest.step = ListingProgress::Step::Listing;
    widest.container = widest.containers = 9999999;
    step_->setMinimumWidth(std::max(
        step_->fontMetrics().horizontalAdvance(stepText(widest)),
        doing_->fontMetrics().horizontalAdvance(QStringLiteral("Scanning ABCDEFGHIJKLMNOP: 999,999,999 files"))));
    showProgress(ListingProgress{});
}

void ProgressWindow::showProgress(const ListingProgress& progress) {
    // A label repaints only when its text changes.
    step_->setText(stepText(progress));
    doing_->setText(QString::fromStdString(progress.doing));
    measured_->setText(QStringLiteral("Objects measured: %1").arg(progress.measured));
    kept_->setText(QStringLiteral("Using space: %1").arg(progress.kept));
}

void ProgressWindow::reject() {
    Q_EMIT cancelRequested();
}

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace vorlane
