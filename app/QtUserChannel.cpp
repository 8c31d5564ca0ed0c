#include "app/QtUserChannel.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>

namespace vorlane {

void QtUserChannel::showMessage(const std::string& text) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), QString::fromStdString(text),
                    QMessageBox::Ok);
    box.setObjectName(QStringLiteral("messageBox"));
    // The listing shows a busy pointer; the user must see an arrow to press OK.
    const bool busy = QApplication::overrideCursor() != nullptr;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();
}

void QtUserChannel::endProgram(int status) {
    std::fflush(nullptr);
    std::_Exit(status);
}

} // namespace vorlane
