#include "discovery/VolumeList.h"

#include "netware/Charset.h"
#include "netware/Fatal.h"
#include "netware/ServerConnection.h"

#include <array>

namespace vorlane {

void addVolumes(nw::Client& client, nw::UserChannel& user, nw::NWCONN_HANDLE defConnH, const std::string& server,
                const std::function<void(const std::string& volumeName, int volumeNumber)>& onVolume) {
    const nw::ServerConnection connection = nw::getSerConnR(client, user, defConnH, server);
    const nw::ConnectionHandle handle = nw::openByRef(client, user, connection.ref);

    // One buffer for every number, cleared once, with a spare byte that
    // stays NUL so the name ends inside our memory whatever the client does.
    std::array<char, nw::kVolumeNameBufferSize + 1> name{};
    for (nw::nuint16 number = 0; number < nw::kMaxVolumes; ++number) {
        const nw::NWRCODE rc = client.NWGetVolumeName(handle.get(), number, name.data());
        if (rc != nw::kSuccess || name[0] == '\0')
            return;
        const std::string text = nw::niceStr(std::string_view(name.data(), nw::kVolumeNameBufferSize));
        onVolume(nw::cp1252ToUtf8(text), number);
    }
}

} // namespace vorlane
