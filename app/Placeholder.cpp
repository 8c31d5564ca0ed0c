#include "app/Placeholder.h"

#include <QApplication>
#include <QWidget>

namespace vorlane {

int runPlaceholder() {
    QWidget window;
    window.setWindowTitle(QStringLiteral("Disk Usage"));
    window.show();
    return QApplication::exec();
}

} // namespace vorlane
