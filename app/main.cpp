#include "app/MainWindow.h"
#include "app/QtUserChannel.h"
#include "netware/ClientFactory.h"
#include "netware/Fatal.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vorlane"));

    vorlane::QtUserChannel user;
    nw::ClientOpening opening = nw::openClient();
    if (!opening.client) {
        user.showMessage(opening.error);
        return nw::kFailureExitStatus;
    }

    vorlane::MainWindow window(*opening.client, user);
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
