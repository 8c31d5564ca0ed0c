#include "report/UsageListing.h"

#include "netware/Charset.h"
#include "netware/ClientResource.h"
#include "netware/Fatal.h"
#include "netware/ServerConnection.h"
#include "report/ChunkReader.h"
#include "report/ContainerWalk.h"

#include <algorithm>
#include <optional>

namespace vorlane {
namespace {

// One object's usage over the requested volumes, in kilobytes, or nothing
// when it uses no space on any of them.
std::optional<std::int64_t> measure(nw::Client& client, nw::NWCONN_HANDLE server, nw::nuint32 objectId,
                                    const std::vector<nw::nuint8>& volumes) {
    std::optional<std::int64_t> total;
    for (const nw::nuint8 volume : volumes) {
        // Cleared before every query, and a failed query counts as nothing:
        // a figure left over from the previous object must never be
        // credited to this one.
        nw::nint32 restriction = 0;
        nw::nint32 inUse = 0;
        if (client.NWGetObjDiskRestrictions(server, volume, objectId, &restriction, &inUse) != nw::kSuccess)
            continue;
        if (inUse != 0)
            total = total.value_or(0) + std::int64_t{inUse} * 4;
    }
    return total;
}

nw::DsContext createContext(nw::Client& client, nw::UserChannel& user) {
    nw::NWDSContextHandle handle = 0;
    const nw::NWRCODE rc = client.NWDSCreateContextHandle(&handle);
    if (rc != nw::kSuccess)
        nw::die(user, rc, "NWDSCreateContext");
    return nw::DsContext(client, handle);
}

// Sets the name context and asks for typeless names. False when the text is
// no valid name, after telling the user.
bool setUpContext(nw::Client& client, nw::UserChannel& user, nw::NWDSContextHandle context, const std::string& text) {
    // The client takes NUL-terminated text: a NUL typed or pasted into the
    // box would silently cut the context short and list another one.
    std::string context8 = nw::utf8ToCp1252(text);
    std::replace(context8.begin(), context8.end(), '\0', '?');
    nw::NWRCODE rc = client.NWDSSetContext(context, nw::kContextKeyNameContext, context8.c_str());
    if (rc == nw::kInvalidDsName) {
        user.showMessage("Invalid context supplied");
        return false;
    }
    if (rc != nw::kSuccess)
        nw::die(user, rc, "NWDSSetContext");

    nw::nuint32 flags = 0;
    rc = client.NWDSGetContext(context, nw::kContextKeyFlags, &flags);
    if (rc != nw::kSuccess)
        nw::die(user, rc, "NWDSGetContext");
    flags |= nw::kContextFlagTypelessNames;
    rc = client.NWDSSetContext(context, nw::kContextKeyFlags, &flags);
    if (rc != nw::kSuccess)
        nw::die(user, rc, "NWDSSetContext");
    return true;
}

nw::nuint32 resolve(nw::Client& client, nw::UserChannel& user, nw::NWDSContextHandle context, const std::string& name) {
    nw::NWCONN_HANDLE resolved = 0;
    nw::nuint32 objectId = 0;
    const nw::NWRCODE rc = client.NWDSResolveName(context, name.c_str(), &resolved, &objectId);
    if (rc != nw::kSuccess)
        nw::die(user, rc, "NWDSResolveName");
    // The resolve opens a connection the listing never uses: give it back.
    nw::ConnectionHandle(client, resolved).reset();
    return objectId;
}

} // namespace

ListingResult doListing(nw::Client& client, nw::UserChannel& user, nw::NWCONN_HANDLE defConnH,
                        const ListingRequest& request) {
    ListingResult result;

    const nw::ServerConnection server = nw::getSerConnR(client, user, defConnH, request.server);
    const nw::ConnectionHandle connection = nw::openByRef(client, user, server.ref);

    nw::DsContext context = createContext(client, user);
    if (!setUpContext(client, user, context.get(), request.context))
        return result;

    nw::pBuf_T raw = nullptr;
    const nw::NWRCODE rc = client.NWDSAllocBuf(nw::kResultBufferSize, &raw);
    if (rc != nw::kSuccess)
        nw::die(user, rc, "NWDSAllocBuf");
    nw::DsBuffer buffer(client, raw);

    // The context itself first (the empty name), then everything below it.
    std::vector<std::string> contList{std::string()};
    if (request.recurse)
        recurseCont(client, user, context.get(), std::string(), contList);

    // One buffer for every object's full name: only the names that are kept
    // cost a string of their own.
    std::string name;
    for (const std::string& container : contList) {
        nw::nint32 iteration = -1;
        do {
            const nw::NWRCODE listed = client.NWDSList(context.get(), container.c_str(), &iteration, buffer.get());
            if (listed == nw::kNoSuchEntry) {
                user.showMessage("Context does not exist");
                return ListingResult{};
            }
            if (listed != nw::kSuccess)
                nw::die(user, listed, "NWDSList");

            ChunkReader chunk(client, user, context.get(), buffer.get());
            for (nw::nuint32 i = 0; i < chunk.count(); ++i) {
                name.assign(chunk.next());
                if (!container.empty())
                    name.append(".").append(container);
                const nw::nuint32 objectId = resolve(client, user, context.get(), name);
                if (const auto kilobytes = measure(client, connection.get(), objectId, request.volumes))
                    result.rows.push_back(UsageRow{name, *kilobytes});
            }
        } while (iteration != -1);
    }

    // The buffer goes back before the context it was read through.
    buffer.reset();
    context.reset();
    result.completed = true;
    return result;
}

} // namespace vorlane
