#pragma once

#include "netware/Client.h"
#include "netware/ClientResource.h"
#include "netware/UserChannel.h"

#include <functional>
#include <string>

namespace vorlane {

// A connection to a server opened by its name: the reference names the
// connection, the handle keeps it open for as long as the caller needs it.
struct ServerConnection {
    nw::ConnectionHandle byName;
    nw::NWCONN_REF ref = 0;
};

// Opens a connection to `server` (UTF-8, as listed) through the default
// connection. A failure ends the program, naming the server.
ServerConnection getSerConnR(nw::Client& client, nw::UserChannel& user, nw::NWCONN_HANDLE defConnH,
                             const std::string& server);

// Opens a further handle on `ref`, on which volume names and disk figures can
// be asked for. A failure ends the program.
nw::ConnectionHandle openByRef(nw::Client& client, nw::UserChannel& user, nw::NWCONN_REF ref);

// Reads the volumes of `server` from number 0 upwards, handing each name
// (UTF-8) and number to `onVolume`, until a number has no name or its query
// fails, and at most numbers 0 to 63. The handles opened for it are closed
// before it returns.
void addVolumes(nw::Client& client, nw::UserChannel& user, nw::NWCONN_HANDLE defConnH, const std::string& server,
                const std::function<void(const std::string& volumeName, int volumeNumber)>& onVolume);

} // namespace vorlane
