#include "app/Program.h"
#include "app/QtUserChannel.h"
#include "session/Fatal.h"

#include <QApplication>

#include <csignal>

int main(int argc, char** argv) {
    // A directory server or an ssh peer that goes away mid-write must give
    // the call a code to report, not end the program with a signal.
    std::signal(SIGPIPE, SIG_IGN);
    QApplication app(argc, argv);
    vorlane::QtUserChannel user;
    const vorlane::Program program = vorlane::startProgram(nw::openClient(), user);
    return program.window ? QApplication::exec() : vorlane::kFailureExitStatus;
}
