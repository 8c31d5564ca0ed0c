#include "app/Program.h"

#include <QApplication>

namespace vorlane {

Program startProgram(nw::OpenedClient opening, UserChannel& user) {
    // Every message box is titled with it.
    QApplication::setApplicationName(QStringLiteral("Vorlane"));
    Program program;
    if (!opening) {
        user.showMessage(opening.error());
        return program;
    }
    program.client = std::move(*opening);
    program.window = std::make_unique<MainWindow>(*program.client, user);
    program.window->Form_Load();
    program.window->show();
    return program;
}

} // namespace vorlane
