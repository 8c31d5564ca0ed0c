#pragma once

#include "netware/Client.h"
#include "netware/ClientResource.h"
#include "netware/UserChannel.h"

#include <string>

namespace nw {

// A connection to a server opened by its name: the reference names the
// connection, the handle keeps it open for as long as the caller needs it.
struct ServerConnection {
    ConnectionHandle byName;
    NWCONN_REF ref = 0;
};

// Opens a connection to `server` (UTF-8, as listed) through the default
// connection. A failure ends the program, naming the server.
ServerConnection getSerConnR(Client& client, UserChannel& user, NWCONN_HANDLE defConnH, const std::string& server);

// Opens a further handle on `ref`, on which volume names and disk figures can
// be asked for. A failure ends the program.
ConnectionHandle openByRef(Client& client, UserChannel& user, NWCONN_REF ref);

} // namespace nw
