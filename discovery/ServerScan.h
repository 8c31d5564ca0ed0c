#pragma once

#include "netware/Client.h"
#include "session/UserChannel.h"

#include <functional>
#include <string>
#include <vector>

namespace vorlane {

// The server names of one known-servers batch, as 8-bit text. The record
// comes from the network, so only whole entries that lie inside the entry
// area are read, however many the count claims.
std::vector<std::string> decodeKnownServers(const nw::nuint8* record);

// Asks the default connection for every known server, batch by batch, and
// hands each name (UTF-8) to `onServer` in the order read. Ends on "no more
// servers", and also on a batch that holds no entry: a client that answers
// success with nothing in it would otherwise be asked for ever. Any other
// failure ends the program.
void scanKnownServers(nw::Client& client, UserChannel& user, nw::NWCONN_HANDLE defConnH,
                      const std::function<void(const std::string&)>& onServer);

} // namespace vorlane
