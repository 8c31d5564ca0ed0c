#pragma once

#include "app/MainWindow.h"
#include "netware/ClientFactory.h"

#include <memory>

namespace vorlane {

// The running program: the client and the one window over it. The window
// talks to the client to its end, so the client goes after it.
struct Program {
    std::unique_ptr<nw::Client> client;
    std::unique_ptr<MainWindow> window;
};

// Starts the program on the client that was opened: the window is loaded and
// shown. A client that could not be opened is reported to the user, and then
// there is no window. Start-up failures end the program through `user`.
Program startProgram(nw::OpenedClient opening, UserChannel& user);

} // namespace vorlane
