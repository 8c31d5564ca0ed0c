#include "session/ServerConnection.h"

#include "netware/Charset.h"
#include "session/Fatal.h"

namespace vorlane {

ServerConnection getSerConnR(nw::Client& client, UserChannel& user, nw::NWCONN_HANDLE defConnH,
                             const std::string& server) {
    const std::string name8 = nw::utf8ToCp1252(server);
    nw::NWCONN_HANDLE handle = 0;
    nw::NWRCODE rc = client.NWCCOpenConnByName(defConnH, name8.c_str(), nw::kNameFormatBindery,
                                               nw::kOpenStateUnlicensed, nw::kTransportAny, &handle);
    if (rc != nw::kSuccess)
        die(user, rc, "NWCCOpenConnByName (" + server + ")");

    ServerConnection connection{ConnectionHandle(client, handle), 0};
    rc = client.NWCCGetConnRef(handle, &connection.ref);
    if (rc != nw::kSuccess)
        die(user, rc, "NWCCGetConnRef (" + server + ")");
    return connection;
}

ConnectionHandle openByRef(nw::Client& client, UserChannel& user, nw::NWCONN_REF ref) {
    nw::NWCONN_HANDLE handle = 0;
    const nw::NWRCODE rc = client.NWCCOpenConnByRef(ref, nw::kOpenStatePrivate, 0, &handle);
    if (rc != nw::kSuccess)
        die(user, rc, "NWCCOpenConnByRef");
    return ConnectionHandle(client, handle);
}

} // namespace vorlane
