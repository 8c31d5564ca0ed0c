#include "discovery/ServerConnection.h"

#include "netware/Charset.h"
#include "netware/Fatal.h"

#include <array>

namespace vorlane {

ServerConnection getSerConnR(nw::Client& client, nw::UserChannel& user, nw::NWCONN_HANDLE defConnH,
                             const std::string& server) {
    const std::string name8 = nw::utf8ToCp1252(server);
    nw::NWCONN_HANDLE handle = 0;
    nw::NWRCODE rc = client.NWCCOpenConnByName(defConnH, name8.c_str(), nw::kNameFormatBindery,
                                               nw::kOpenStateUnlicensed, nw::kTransportAny, &handle);
    if (rc != nw::kSuccess)
        nw::die(user, rc, "NWCCOpenConnByName (" + server + ")");

    ServerConnection connection{nw::ConnectionHandle(client, handle), 0};
    rc = client.NWCCGetConnRef(handle, &connection.ref);
    if (rc != nw::kSuccess)
        nw::die(user, rc, "NWCCGetConnRef (" + server + ")");
    return connection;
}

nw::ConnectionHandle openByRef(nw::Client& client, nw::UserChannel& user, nw::NWCONN_REF ref) {
    nw::NWCONN_HANDLE handle = 0;
    const nw::NWRCODE rc = client.NWCCOpenConnByRef(ref, nw::kOpenStatePrivate, 0, &handle);
    if (rc != nw::kSuccess)
        nw::die(user, rc, "NWCCOpenConnByRef");
    return nw::ConnectionHandle(client, handle);
}

void addVolumes(nw::Client& client, nw::UserChannel& user, nw::NWCONN_HANDLE defConnH, const std::string& server,
                const std::function<void(const std::string& volumeName, int volumeNumber)>& onVolume) {
    const ServerConnection connection = getSerConnR(client, user, defConnH, server);
    const nw::ConnectionHandle handle = openByRef(client, user, connection.ref);

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
