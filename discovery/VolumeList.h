#pragma once

#include "netware/Client.h"
#include "session/UserChannel.h"

#include <functional>
#include <string>

namespace vorlane {

// Reads the volumes of `server` from number 0 upwards, handing each name
// (UTF-8) and number to `onVolume`, until a number has no name or its query
// fails, and at most numbers 0 to 63. The handles opened for it are closed
// before it returns.
void addVolumes(nw::Client& client, UserChannel& user, nw::NWCONN_HANDLE defConnH, const std::string& server,
                const std::function<void(const std::string& volumeName, int volumeNumber)>& onVolume);

} // namespace vorlane
