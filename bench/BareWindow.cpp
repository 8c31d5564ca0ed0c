#include "bench/BareWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>

namespace bench {
namespace {

// Pixels at 96 dpi of a place given in twips, as the tool lays itself out.
QRect at(int left, int top, int width, int height) {
    const auto px = [](int twips) { return (twips + 7) / 15; };
    return {px(left), px(top), px(width), px(height)};
}

template <typename T> T* place(T* widget, const char* name, const QRect& geometry) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

QListView* plainList(QStringListModel* model, QWidget* parent) {
    auto* view = new QListView(parent);
    view->setModel(model);
    view->setUniformItemSizes(true);
    return view;
}

} // namespace

BareWindow::BareWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Disk Usage"));
    usersModel_ = new QStringListModel(this);
    usageModel_ = new QStringListModel(this);

    place(new QLineEdit(this), "txtContext", at(840, 120, 3135, 285));
    place(new QLabel(QStringLiteral("Context"), this), "lblContext", at(120, 165, 615, 255));
    place(new QPushButton(QStringLiteral("Cl&ose"), this), "cmdClose", at(2880, 5280, 1080, 375));
    users_ = place(plainList(usersModel_, this), "lstUsers", at(240, 1920, 3015, 3180));
    usage_ = place(plainList(usageModel_, this), "lstUsage", at(2760, 1920, 1215, 3180));
    place(new QLabel(QStringLiteral(" User") + QString(49, QLatin1Char(' ')) + QStringLiteral("Usage (K)"), this),
          "lblStuff", at(240, 1680, 3735, 255));
    place(new QComboBox(this), "cmbVolumes", at(840, 840, 3135, 315));
    place(new QLabel(QStringLiteral("Volume"), this), "lblVolume", at(120, 885, 615, 255));
    place(new QComboBox(this), "cmbServer", at(840, 1200, 3135, 315));
    place(new QLabel(QStringLiteral("Or Server"), this), "lblServer", at(0, 1245, 735, 255));
    place(new QPushButton(QStringLiteral("&Recalc"), this), "cmdRecalc", at(1800, 5280, 975, 375));
    place(new QCheckBox(this), "optRecurse", at(840, 480, 255, 255));
    place(new QLabel(QStringLiteral("Recurse"), this), "lblRecurse", at(120, 500, 615, 255));
    usage_->raise();
    setFixedSize((4065 + 7) / 15, (5730 + 7) / 15);
}

} // namespace bench
