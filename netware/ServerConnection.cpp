#include "netware/ServerConnection.h"

#include "netware/Charset.h"
#include "netware/Fatal.h"

namespace nw {

ServerConnection getSerConnR(Client& client, UserChannel& user, NWCONN_HANDLE defConnH, const std::string& server) {
    const std::string name8 = utf8ToCp1252(server);
    NWCONN_HANDLE handle = 0;
    NWRCODE rc = client.NWCCOpenConnByName(defConnH, name8.c_str(), kNameFormatBindery, kOpenStateUnlicensed,
                                           kTransportAny, &handle);
    if (rc != kSuccess)
        die(user, rc, "NWCCOpenConnByName (" + server + ")");

    ServerConnection connection{ConnectionHandle(client, handle), 0};
    rc = client.NWCCGetConnRef(handle, &connection.ref);
    if (rc != kSuccess)
        die(user, rc, "NWCCGetConnRef (" + server + ")");
    return connection;
}

ConnectionHandle openByRef(Client& client, UserChannel& user, NWCONN_REF ref) {
    NWCONN_HANDLE handle = 0;
    const NWRCODE rc = client.NWCCOpenConnByRef(ref, kOpenStatePrivate, 0, &handle);
    if (rc != kSuccess)
        die(user, rc, "NWCCOpenConnByRef");
    return ConnectionHandle(client, handle);
}

} // namespace nw
