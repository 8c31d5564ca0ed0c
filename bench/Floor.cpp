#include "bench/Floor.h"

#include <array>
#include <cstring>

namespace bench {
namespace {

struct Bare {
    nw::Client& client;
    nw::NWDSContextHandle context;
    FloorResult& result;
    std::array<char, nw::kNameBufferSize + 1> name{};

    bool ok(nw::NWRCODE rc) {
        if (rc != nw::kSuccess && result.failure == nw::kSuccess)
            result.failure = rc;
        return rc == nw::kSuccess;
    }

    // Pre-order, one buffer and one iteration handle per level, as the
    // tool's walk does.
    bool walk(const std::string& cont, std::vector<std::string>& containers) {
        nw::pBuf_T buffer = nullptr;
        if (!ok(client.NWDSAllocBuf(nw::kResultBufferSize, &buffer)))
            return false;
        bool fine = true;
        nw::nint32 iteration = -1;
        do {
            nw::nuint32 count = 0;
            if (!ok(client.NWDSListContainers(context, cont.c_str(), &iteration, buffer)) ||
                !ok(client.NWDSGetObjectCount(context, buffer, &count))) {
                fine = false;
                break;
            }
            for (nw::nuint32 i = 0; i < count && fine; ++i) {
                nw::nuint32 attributes = 0;
                nw::Object_Info_T info{};
                fine = ok(client.NWDSGetObjectName(context, buffer, name.data(), &attributes, &info));
                if (!fine)
                    break;
                std::string entry(name.data());
                if (!cont.empty())
                    entry.append(".").append(cont);
                containers.push_back(entry);
                fine = walk(entry, containers);
            }
        } while (fine && iteration != -1);
        client.NWDSFreeBuf(buffer);
        return fine;
    }

    bool scan(const std::string& cont, nw::pBuf_T buffer, nw::NWCONN_HANDLE server,
              const std::vector<nw::nuint8>& volumes, std::string& full) {
        nw::nint32 iteration = -1;
        do {
            nw::nuint32 count = 0;
            if (!ok(client.NWDSList(context, cont.c_str(), &iteration, buffer)) ||
                !ok(client.NWDSGetObjectCount(context, buffer, &count)))
                return false;
            for (nw::nuint32 i = 0; i < count; ++i) {
                nw::nuint32 attributes = 0;
                nw::Object_Info_T info{};
                if (!ok(client.NWDSGetObjectName(context, buffer, name.data(), &attributes, &info)))
                    return false;
                full.assign(name.data());
                if (!cont.empty())
                    full.append(".").append(cont);
                nw::NWCONN_HANDLE resolved = 0;
                nw::nuint32 id = 0;
                if (!ok(client.NWDSResolveName(context, full.c_str(), &resolved, &id)))
                    return false;
                client.NWCCCloseConn(resolved);
                ++result.objects;
                std::int64_t sum = 0;
                for (const nw::nuint8 volume : volumes) {
                    nw::nint32 restriction = 0;
                    nw::nint32 inUse = 0;
                    if (client.NWGetObjDiskRestrictions(server, volume, id, &restriction, &inUse) == nw::kSuccess)
                        sum += std::int64_t{inUse} * 4;
                }
                if (sum != 0) {
                    ++result.rows;
                    result.kilobytes += sum;
                }
            }
        } while (iteration != -1);
        return true;
    }
};

} // namespace

FloorResult floorListing(nw::Client& client, nw::NWCONN_HANDLE defConnH, const FloorRequest& request) {
    FloorResult result;
    auto failed = [&result](nw::NWRCODE rc) {
        result.failure = rc;
        return result;
    };

    nw::NWCONN_HANDLE byName = 0;
    nw::NWCONN_REF ref = 0;
    nw::NWRCODE rc = client.NWCCOpenConnByName(defConnH, request.server.c_str(), nw::kNameFormatBindery,
                                               nw::kOpenStateUnlicensed, nw::kTransportAny, &byName);
    if (rc != nw::kSuccess)
        return failed(rc);
    rc = client.NWCCGetConnRef(byName, &ref);
    nw::NWCONN_HANDLE server = 0;
    if (rc == nw::kSuccess)
        rc = client.NWCCOpenConnByRef(ref, nw::kOpenStatePrivate, 0, &server);
    if (rc != nw::kSuccess) {
        client.NWCCCloseConn(byName);
        return failed(rc);
    }

    nw::NWDSContextHandle context = 0;
    rc = client.NWDSCreateContextHandle(&context);
    if (rc == nw::kSuccess) {
        nw::nuint32 flags = 0;
        nw::pBuf_T buffer = nullptr;
        Bare bare{client, context, result, {}};
        if (bare.ok(client.NWDSSetContext(context, nw::kContextKeyNameContext, request.context.c_str())) &&
            bare.ok(client.NWDSGetContext(context, nw::kContextKeyFlags, &flags))) {
            flags |= nw::kContextFlagTypelessNames;
            if (bare.ok(client.NWDSSetContext(context, nw::kContextKeyFlags, &flags)) &&
                bare.ok(client.NWDSAllocBuf(nw::kResultBufferSize, &buffer))) {
                std::vector<std::string> containers{std::string()};
                if (!request.recurse || bare.walk(std::string(), containers)) {
                    std::string full;
                    for (const std::string& cont : containers) {
                        if (!bare.scan(cont, buffer, server, request.volumes, full))
                            break;
                    }
                }
                client.NWDSFreeBuf(buffer);
            }
        }
        client.NWDSFreeContext(context);
    } else {
        result.failure = rc;
    }
    client.NWCCCloseConn(server);
    client.NWCCCloseConn(byName);
    return result;
}

} // namespace bench
