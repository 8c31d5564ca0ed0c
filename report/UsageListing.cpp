#include "report/UsageListing.h"

#include "netware/Charset.h"
#include "netware/ClientResource.h"
#include "netware/Fatal.h"
#include "netware/ServerConnection.h"
#include "report/ChunkReader.h"
#include "report/ContainerWalk.h"
#include "report/ListingMonitor.h"

#include <algorithm>
#include <optional>

namespace vorlane {
namespace {

// One object's usage over the requested volumes, in kilobytes, or nothing
// when it uses no space on any of them. Stops between two volumes when the
// monitor says so; the caller asks the monitor again and drops the figure.
std::optional<std::int64_t> measure(nw::Client& client, nw::NWCONN_HANDLE server, nw::nuint32 objectId,
                                    const std::vector<nw::nuint8>& volumes, ListingMonitor& monitor) {
    std::optional<std::int64_t> total;
    for (const nw::nuint8 volume : volumes) {
        // Cleared before every query, and a failed query counts as nothing:
        // a figure left over from the previous object must never be
        // credited to this one.
        nw::nint32 restriction = 0;
        nw::nint32 inUse = 0;
        const nw::NWRCODE rc = client.NWGetObjDiskRestrictions(server, volume, objectId, &restriction, &inUse);
        if (rc == nw::kSuccess && inUse != 0)
            total = total.value_or(0) + std::int64_t{inUse} * 4;
        if (monitor.stopping())
            break;
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

enum class Scan : std::uint8_t { Done, Missing, Stopped };

// Measures the objects of the listing's containers into `rows`.
struct Scanner {
    nw::Client& client;
    nw::UserChannel& user;
    nw::NWDSContextHandle context;
    nw::pBuf_T buffer;
    nw::NWCONN_HANDLE server;
    const std::vector<nw::nuint8>& volumes;
    ListingMonitor& monitor;
    std::vector<UsageRow>& rows;
    // One buffer for every object's full name: only the names that are
    // kept cost a string of their own.
    std::string name;

    // The object's ID; nothing when the listing is to stop.
    std::optional<nw::nuint32> resolve() {
        nw::NWCONN_HANDLE resolved = 0;
        nw::nuint32 objectId = 0;
        const nw::NWRCODE rc = client.NWDSResolveName(context, name.c_str(), &resolved, &objectId);
        if (rc != nw::kSuccess)
            nw::die(user, rc, "NWDSResolveName");
        // The resolve opens a connection the listing never uses: it goes
        // back at once, whether the listing goes on or not.
        const nw::ConnectionHandle unused(client, resolved);
        if (monitor.stopping())
            return std::nullopt;
        return objectId;
    }

    Scan chunk(const std::string& container) {
        ChunkReader chunk(client, user, context, buffer);
        if (monitor.stopping())
            return Scan::Stopped;
        for (nw::nuint32 i = 0; i < chunk.count(); ++i) {
            name.assign(chunk.next());
            if (monitor.stopping())
                return Scan::Stopped;
            if (!container.empty())
                name.append(".").append(container);
            const std::optional<nw::nuint32> objectId = resolve();
            if (!objectId || monitor.stopping())
                return Scan::Stopped;
            // Counted before the monitor is asked, so that it sees the last
            // object too; a figure cut short by a stop is dropped with the rest.
            const auto kilobytes = measure(client, server, *objectId, volumes, monitor);
            ++monitor.progress.measured;
            if (kilobytes) {
                rows.push_back(UsageRow{name, *kilobytes});
                ++monitor.progress.kept;
            }
            if (monitor.stopping())
                return Scan::Stopped;
        }
        return Scan::Done;
    }

    Scan container(const std::string& container) {
        nw::nint32 iteration = -1;
        do {
            const nw::NWRCODE listed = client.NWDSList(context, container.c_str(), &iteration, buffer);
            if (listed == nw::kNoSuchEntry) {
                user.showMessage("Context does not exist");
                return Scan::Missing;
            }
            if (listed != nw::kSuccess)
                nw::die(user, listed, "NWDSList");
            if (monitor.stopping())
                return Scan::Stopped;
            if (const Scan scanned = chunk(container); scanned != Scan::Done)
                return scanned;
        } while (iteration != -1);
        return Scan::Done;
    }
};

} // namespace

ListingResult doListing(nw::Client& client, nw::UserChannel& user, nw::NWCONN_HANDLE defConnH,
                        const ListingRequest& request, ListingObserver* observer) {
    // Declared first, so that everything the listing holds is given back
    // before its last word to the observer.
    ListingMonitor monitor(observer);
    ListingResult result;

    const nw::ServerConnection server = nw::getSerConnR(client, user, defConnH, request.server);
    const nw::ConnectionHandle connection = nw::openByRef(client, user, server.ref);
    if (monitor.stopping())
        return result;

    const nw::DsContext context = createContext(client, user);
    if (monitor.stopping() || !setUpContext(client, user, context.get(), request.context) || monitor.stopping())
        return result;

    nw::pBuf_T raw = nullptr;
    const nw::NWRCODE rc = client.NWDSAllocBuf(nw::kResultBufferSize, &raw);
    if (rc != nw::kSuccess)
        nw::die(user, rc, "NWDSAllocBuf");
    // Declared after the context, so that on every way out the buffer goes
    // back before the context it was read through.
    const nw::DsBuffer buffer(client, raw);
    if (monitor.stopping())
        return result;

    // The context itself first (the empty name), then everything below it.
    std::vector<std::string> contList{std::string()};
    if (request.recurse) {
        monitor.progress.step = ListingProgress::Step::Walking;
        recurseCont(client, user, context.get(), std::string(), contList, monitor);
        if (monitor.stopping())
            return result;
    }

    monitor.progress.step = ListingProgress::Step::Listing;
    monitor.progress.containers = contList.size();
    Scanner scan{client,      user, context.get(), buffer.get(), connection.get(), request.volumes, monitor,
                 result.rows, {}};
    for (const std::string& container : contList) {
        ++monitor.progress.container;
        if (scan.container(container) != Scan::Done)
            return ListingResult{};
    }

    result.completed = true;
    return result;
}

} // namespace vorlane
