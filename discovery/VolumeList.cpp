#include "discovery/VolumeList.h"

#include "netware/Charset.h"
#include "session/Fatal.h"
#include "session/ServerConnection.h"

#include <array>

namespace vorlane {

void addVolumes(nw::Client& client, UserChannel& user, nw::NWCONN_HANDLE defConnH, const std::string& server,
                const std::function<void(const std::string& volumeName, int volumeNumber)>& onVolume) {
    const ServerConnection connection = getSerConnR(client, user, defConnH, server);
    const ConnectionHandle handle = openByRef(client, user, connection.ref);

    // One buffer for every number, cleared once, with a spare byte that
    // stays NUL so the name ends inside our memory whatever the client does.
    std::array<char, nw::kVolumeNameBufferSize + 1> name{};
    for (nw::nuint16 number = 0; number < nw::kMaxVolumes; ++number) {
        const nw::NWRCODE rc = client.NWGetVolumeName(handle.get(), number, name.data());
        if (rc != nw::kSuccess || name[0] == '\0')
            return;
        const std::string text = niceStr(std::string_view(name.data(), nw::kVolumeNameBufferSize));
        onVolume(nw::cp1252ToUtf8(text), number);
    }
}

} // namespace vorlane
