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
    box.exec();
}

void QtUserChannel::endProgram(int status) {
    std::fflush(nullptr);
    std::_Exit(status);
}

} // namespace vorlane
