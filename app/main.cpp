#include "app/Program.h"
#include "app/QtUserChannel.h"
#include "session/Fatal.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    vorlane::QtUserChannel user;
    const vorlane::Program program = vorlane::startProgram(nw::openClient(), user);
    return program.window ? QApplication::exec() : vorlane::kFailureExitStatus;
}
