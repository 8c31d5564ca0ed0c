#include "report/UsageListing.h"

#include "netware/Charset.h"
#include "report/Chunks.h"
#include "report/ContainerWalk.h"
#include "report/StoppableClient.h"
#include "session/ClientResource.h"
#include "session/Fatal.h"
#include "session/ServerConnection.h"

#include <algorithm>
#include <optional>

namespace vorlane {
namespace {

DsContext createContext(nw::Client& client, UserChannel& user) {
    nw::NWDSContextHandle handle = 0;
    const nw::NWRCODE rc = client.NWDSCreateContextHandle(&handle);
    if (rc != nw::kSuccess)
        die(user, rc, "NWDSCreateContext");
    return DsContext(client, handle);
}

// Sets the name context and asks for typeless names. False when the text is
// no valid name, after telling the user.
bool setUpContext(nw::Client& client, UserChannel& user, nw::NWDSContextHandle context, const std::string& text) {
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
        die(user, rc, "NWDSSetContext");

    nw::nuint32 flags = 0;
    rc = client.NWDSGetContext(context, nw::kContextKeyFlags, &flags);
    if (rc != nw::kSuccess)
        die(user, rc, "NWDSGetContext");
    flags |= nw::kContextFlagTypelessNames;
    rc = client.NWDSSetContext(context, nw::kContextKeyFlags, &flags);
    if (rc != nw::kSuccess)
        die(user, rc, "NWDSSetContext");
    return true;
}

// Ends a listing whose disk query failed: its figures are missing, which
// the user must not take for "uses nothing".
struct FiguresMissing {};

// Measures the objects of the listing's containers into `rows`. It calls
// the stoppable client as what it is, not through the interface: the calls
// of every object then cost no second dispatch.
struct Measure {
    StoppableClient& client;
    UserChannel& user;
    nw::NWDSContextHandle context;
    nw::NWCONN_HANDLE server;
    const ListingRequest& request;
    ListingControl& control;
    UsageRows& rows;
    // One buffer for every object's full name: only the names that are
    // kept cost a string of their own.
    std::string name;

    nw::nuint32 resolve() {
        nw::NWCONN_HANDLE resolved = 0;
        nw::nuint32 objectId = 0;
        const nw::NWRCODE rc = client.NWDSResolveName(context, name.c_str(), &resolved, &objectId);
        if (rc != nw::kSuccess)
            die(user, rc, "NWDSResolveName");
        // The resolve opens a connection the listing never uses: it goes
        // back at once.
        const ConnectionHandle unused(client, resolved);
        return objectId;
    }

    // The object's usage over the requested volumes, in kilobytes, or
    // nothing when it uses no space on any of them.
    std::optional<std::int64_t> usage(nw::nuint32 objectId) {
        std::optional<std::int64_t> total;
        for (const RequestedVolume& volume : request.volumes) {
            // Cleared before every query: a figure left over from the
            // previous object must never be credited to this one.
            nw::nint32 restriction = 0;
            nw::nint32 inUse = 0;
            const nw::NWRCODE rc =
                client.NWGetObjDiskRestrictions(server, volume.number, objectId, &restriction, &inUse);
            if (rc != nw::kSuccess) {
                user.showMessage("The usage on [" + request.server + "] : " + volume.name +
                                 " could not be counted (NWGetObjDiskRestrictions failed : " + std::to_string(rc) +
                                 ").");
                throw FiguresMissing{};
            }
            if (inUse != 0)
                total = total.value_or(0) + std::int64_t{inUse} * 4;
        }
        return total;
    }

    void object(std::string_view delivered, std::string_view suffix) {
        name.assign(delivered).append(suffix);
        const std::optional<std::int64_t> kilobytes = usage(resolve());
        control.measuredOne(kilobytes.has_value());
        if (kilobytes)
            rows.add(name, *kilobytes);
    }
};

ListingResult list(StoppableClient& client, UserChannel& user, nw::NWCONN_HANDLE defConnH,
                   const ListingRequest& request, ListingControl& control) {
    const ServerConnection server = getSerConnR(client, user, defConnH, request.server);
    const ConnectionHandle connection = openByRef(client, user, server.ref);
    const DsContext context = createContext(client, user);
    if (!setUpContext(client, user, context.get(), request.context))
        return {};
    // Made after the context, so that on every way out the buffer goes back
    // before the context it was read through.
    const DsBuffer buffer = allocBuffer(client, user);

    // The context itself first (the empty name), then everything below it.
    std::vector<std::string> contList{std::string()};
    if (request.recurse) {
        control.setStep(ListingProgress::Step::Walking);
        recurseCont(client, user, context.get(), std::string(), contList, control);
    }

    control.setStep(ListingProgress::Step::Listing);
    control.setContainers(contList.size());
    ListingResult result;
    Measure measure{client, user, context.get(), connection.get(), request, control, result.rows, {}};
    for (const std::string& container : contList) {
        control.nextContainer();
        const std::string suffix = container.empty() ? std::string() : "." + container;
        if (forEachName(client, user, &nw::Client::NWDSList, "NWDSList", context.get(), container, buffer.get(),
                        [&](std::string_view name) { measure.object(name, suffix); }) == Listed::Missing)
            return {};
    }
    result.completed = true;
    return result;
}

// The client watches the listing for exactly as long as it runs.
class Watched {
public:
    Watched(nw::Client& client, nw::CallWatcher& watcher) : client_(client) { client_.watchCalls(&watcher); }
    ~Watched() { client_.watchCalls(nullptr); }
    Watched(const Watched&) = delete;
    Watched& operator=(const Watched&) = delete;

private:
    nw::Client& client_;
};

} // namespace

UsageRows::UsageRows(std::initializer_list<std::pair<std::string_view, std::int64_t>> rows) {
    for (const auto& [name, kilobytes] : rows)
        add(name, kilobytes);
}

void UsageRows::add(std::string_view name, std::int64_t kilobytes) {
    rows_.push_back(Row{names_.size(), name.size(), kilobytes});
    names_.append(name);
}

ListingResult doListing(nw::Client& client, UserChannel& user, nw::NWCONN_HANDLE defConnH,
                        const ListingRequest& request, ListingControl& control) {
    const Watched watched(client, control);
    StoppableClient stoppable(client, control);
    try {
        ListingResult result = list(stoppable, user, defConnH, request, control);
        // Cancelled while it gave back what it held: cancelled all the same.
        return control.cancelled() ? ListingResult{} : result;
    } catch (const ListingStopped&) {
        return {};
    } catch (const FiguresMissing&) {
        return {};
    }
}

} // namespace vorlane
