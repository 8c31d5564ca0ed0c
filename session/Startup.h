#pragma once

#include "netware/Client.h"
#include "session/UserChannel.h"

#include <string>

namespace vorlane {

// What the client gives the window at start-up: the workstation's default
// name context (UTF-8) and the default connection, which stays open for the
// window's whole life.
struct StartupState {
    std::string defaultContext;
    nw::NWCONN_REF defConnRef = 0;
    nw::NWCONN_HANDLE defConnH = 0;
};

// Brings the client up: both libraries, the default context, the default
// connection. Any failure is shown and ends the program through `user`.
StartupState startClient(nw::Client& client, UserChannel& user);

// Shuts both libraries down, the calls library first, as they were started.
// Nothing is reported: the program is ending either way.
void stopClient(nw::Client& client);

} // namespace vorlane
