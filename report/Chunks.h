#pragma once

#include "netware/Client.h"
#include "session/ClientResource.h"
#include "session/UserChannel.h"

#include <functional>
#include <string>
#include <string_view>

namespace vorlane {

// A result buffer for one level of a listing. A failure ends the program.
DsBuffer allocBuffer(nw::Client& client, UserChannel& user);

// NWDSList or NWDSListContainers.
using ListCall = nw::NWRCODE (nw::Client::*)(nw::NWDSContextHandle, const char*, nw::nint32*, nw::pBuf_T);

enum class Listed : std::uint8_t { Done, Missing };

// Lists one container chunk by chunk through `buffer`, the one way every
// listing of the tool reads a container: `each` gets every name in the
// order the directory delivers it (8-bit, relative to the container, valid
// until `each` returns), and may itself list other containers through
// buffers of their own. A container that does not exist shows "Context does
// not exist" and gives Missing; any other failure ends the program, the
// report naming `what` for the listing call.
Listed forEachName(nw::Client& client, UserChannel& user, ListCall list, const char* what,
                   nw::NWDSContextHandle context, const std::string& container, nw::pBuf_T buffer,
                   const std::function<void(std::string_view name)>& each);

} // namespace vorlane
