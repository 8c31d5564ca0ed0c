#pragma once

#include "netware/Client.h"
#include "session/ClientResource.h"
#include "session/UserChannel.h"

#include <string>

namespace vorlane {

// A connection to a server opened by its name: the reference names the
// connection, the handle keeps it open for as long as the caller needs it.
struct ServerConnection {
    ConnectionHandle byName;
    nw::NWCONN_REF ref = 0;
};

// Opens a connection to `server` (UTF-8, as listed) through the default
// connection. A failure ends the program, naming the server.
ServerConnection getSerConnR(nw::Client& client, UserChannel& user, nw::NWCONN_HANDLE defConnH,
                             const std::string& server);

// Opens a further handle on `ref`, on which volume names and disk figures can
// be asked for. A failure ends the program.
ConnectionHandle openByRef(nw::Client& client, UserChannel& user, nw::NWCONN_REF ref);

} // namespace vorlane
