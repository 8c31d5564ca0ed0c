#include "netware/sim/SimClientState.h"

#include "netware/Charset.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace nwsim {
namespace {

// Bindery type of a file server, shown in the known-servers entries.
constexpr std::uint16_t kFileServerType = 0x0004;

// Writes one known-servers entry at `at` of the area; gives where the next
// one goes. The bytes ahead of the name are a made-up object ID and the
// bindery type of a file server, both big-endian as on the wire.
std::size_t writeServerEntry(nw::nuint8* area, std::size_t at, std::size_t server, std::string_view name) {
    const auto id = static_cast<std::uint32_t>(0x01000001u + server);
    const std::array<nw::nuint8, nw::kKnownServersSkipBytes> lead = {static_cast<nw::nuint8>(id >> 24),
                                                                     static_cast<nw::nuint8>(id >> 16),
                                                                     static_cast<nw::nuint8>(id >> 8),
                                                                     static_cast<nw::nuint8>(id),
                                                                     static_cast<nw::nuint8>(kFileServerType >> 8),
                                                                     static_cast<nw::nuint8>(kFileServerType)};
    std::memcpy(area + at, lead.data(), lead.size());
    std::memcpy(area + at + lead.size(), name.data(), name.size());
    area[at + lead.size() + name.size()] = 0;
    return at + lead.size() + name.size() + 1;
}

} // namespace

std::optional<std::uint32_t> SimClient::State::serverOf(nw::NWCONN_HANDLE conn) const {
    auto it = connections.find(conn);
    if (it == connections.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::uint32_t> SimClient::State::serverOfReference(nw::NWCONN_REF ref) const {
    if (ref < kFirstReference || ref - kFirstReference >= net.servers.size())
        return std::nullopt;
    return ref - kFirstReference;
}

std::optional<std::string_view> SimClient::State::serverName(std::optional<std::uint32_t> server) const {
    if (!server)
        return std::nullopt;
    return net.servers[*server].name;
}

nw::NWCONN_HANDLE SimClient::State::open(std::uint32_t server) {
    while (connections.contains(nextConnection) || nextConnection == 0)
        ++nextConnection;
    const auto handle = nextConnection++;
    connections.emplace(handle, server);
    return handle;
}

// ---- Calls library

nw::NWRCODE SimClient::NWCallsInit(nw::nuint8*, nw::nuint8*) {
    if (auto f = state_->enter(Call::NWCallsInit, {}))
        return *f;
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWGetDefaultConnRef(nw::NWCONN_REF* connRef) {
    State& s = *state_;
    if (auto f = s.enter(Call::NWGetDefaultConnRef, {}))
        return *f;
    if (connRef == nullptr)
        return kErrInvalidParameter;
    if (s.net.defaultServer >= s.net.servers.size())
        return kErrInvalidConnection;
    *connRef = referenceOf(s.net.defaultServer);
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWGetKnownServersInfo(nw::NWCONN_HANDLE conn, nw::nuint32 scanIndex, nw::nuint32,
                                             nw::nuint8* record) {
    State& s = *state_;
    const auto server = s.serverOf(conn);
    if (auto f = s.enter(Call::NWGetKnownServersInfo, {s.serverName(server), {}, {}}))
        return *f;
    if (!server)
        return kErrInvalidConnection;
    if (record == nullptr)
        return kErrInvalidParameter;
    if (scanIndex >= s.net.servers.size())
        return nw::kNoMoreServers;

    // Only whole entries go into the area; the rest of it is left as it was,
    // since a reader must go by the count alone. The first 12 bytes are not
    // written either.
    nw::nuint8* area = record + nw::kKnownServersAreaOffset;
    std::size_t at = 0;
    std::uint32_t count = 0;
    const std::uint32_t limit = s.net.serverBatchLimit;
    for (std::size_t i = scanIndex; i < s.net.servers.size() && (limit == 0 || count < limit); ++i) {
        std::string_view name = s.net.servers[i].name;
        if (at + nw::kKnownServersSkipBytes + name.size() + 1 > nw::kKnownServersAreaSize) {
            if (count > 0)
                break;
            // A name too long for an empty area would stall the scan for
            // good; it goes out cut to the room there is instead.
            name = name.substr(0, nw::kKnownServersAreaSize - nw::kKnownServersSkipBytes - 1);
        }
        at = writeServerEntry(area, at, i, name);
        ++count;
    }
    for (int k = 0; k < 4; ++k)
        record[nw::kKnownServersCountOffset + k] = static_cast<nw::nuint8>(count >> (8 * k));
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWGetVolumeName(nw::NWCONN_HANDLE conn, nw::nuint16 volumeNumber, char* volumeName) {
    State& s = *state_;
    const auto server = s.serverOf(conn);
    if (auto f = s.enter(Call::NWGetVolumeName, {s.serverName(server), {}, volumeNumber}))
        return *f;
    if (!server)
        return kErrInvalidConnection;
    // A number no volume can have is a bad argument; a number the server
    // merely does not use gives the empty name, which ends a volume scan.
    if (volumeName == nullptr || volumeNumber >= nw::kMaxVolumes)
        return kErrInvalidParameter;
    const auto slot = s.volumeSlot[*server][volumeNumber];
    if (slot < 0) {
        volumeName[0] = '\0';
        return nw::kSuccess;
    }
    const std::string& name = s.net.servers[*server].volumes[static_cast<std::size_t>(slot)].name;
    const auto n = std::min(name.size(), nw::kVolumeNameBufferSize - 1);
    std::memcpy(volumeName, name.data(), n);
    volumeName[n] = '\0';
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWGetObjDiskRestrictions(nw::NWCONN_HANDLE conn, nw::nuint8 volumeNumber, nw::nuint32 objectId,
                                                nw::nint32* restriction, nw::nint32* inUse) {
    State& s = *state_;
    const auto server = s.serverOf(conn);
    if (auto f = s.enter(Call::NWGetObjDiskRestrictions, {s.serverName(server), {}, volumeNumber}))
        return *f;
    if (!server)
        return kErrInvalidConnection;
    if (restriction == nullptr || inUse == nullptr)
        return kErrInvalidParameter;
    if (volumeNumber >= nw::kMaxVolumes || s.volumeSlot[*server][volumeNumber] < 0)
        return kErrNoSuchVolume;
    // An object ID the server does not know is answered like an object that
    // uses nothing: that is what the server does.
    Usage figure;
    if (const auto entry = s.entryById.find(objectId); entry != kNoEntry) {
        const auto first = s.net.usages.begin() + s.net.entries[entry].usageBegin;
        const auto last = first + s.net.entries[entry].usageCount;
        const auto it =
            std::find_if(first, last, [&](const Usage& u) { return u.server == *server && u.volume == volumeNumber; });
        if (it != last)
            figure = *it;
    }
    *restriction = figure.restriction;
    *inUse = figure.inUse;
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWCallsTerm(nw::nuint8*) {
    if (auto f = state_->enter(Call::NWCallsTerm, {}))
        return *f;
    return nw::kSuccess;
}

// ---- Connection library

nw::NWRCODE SimClient::NWCCOpenConnByRef(nw::NWCONN_REF connRef, nw::nuint32, nw::nuint32, nw::NWCONN_HANDLE* conn) {
    State& s = *state_;
    const auto server = s.serverOfReference(connRef);
    if (auto f = s.enter(Call::NWCCOpenConnByRef, {s.serverName(server), {}, {}}))
        return *f;
    if (conn == nullptr)
        return kErrInvalidParameter;
    if (!server)
        return kErrInvalidConnection;
    *conn = s.open(*server);
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWCCOpenConnByName(nw::NWCONN_HANDLE startConn, const char* name, nw::nuint32 nameFormat,
                                          nw::nuint32, nw::nuint32, nw::NWCONN_HANDLE* conn) {
    State& s = *state_;
    const auto text = boundedText(name);
    if (auto f = s.enter(Call::NWCCOpenConnByName, {text, text, {}}))
        return *f;
    if (!s.serverOf(startConn))
        return kErrInvalidConnection;
    // Only bindery names are known here; the tool asks for nothing else.
    if (name == nullptr || conn == nullptr || nameFormat != nw::kNameFormatBindery)
        return kErrInvalidParameter;
    auto it = s.serverByName.find(nw::foldedCp1252(*text));
    if (it == s.serverByName.end())
        return kErrServerUnknown;
    *conn = s.open(it->second);
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWCCGetConnRef(nw::NWCONN_HANDLE conn, nw::NWCONN_REF* connRef) {
    State& s = *state_;
    const auto server = s.serverOf(conn);
    if (auto f = s.enter(Call::NWCCGetConnRef, {s.serverName(server), {}, {}}))
        return *f;
    if (!server)
        return kErrInvalidConnection;
    if (connRef == nullptr)
        return kErrInvalidParameter;
    *connRef = referenceOf(*server);
    return nw::kSuccess;
}

nw::NWRCODE SimClient::NWCCCloseConn(nw::NWCONN_HANDLE conn) {
    State& s = *state_;
    const auto server = s.serverOf(conn);
    if (auto f = s.enter(Call::NWCCCloseConn, {s.serverName(server), {}, {}}))
        return *f;
    if (!server)
        return kErrInvalidConnection;
    s.connections.erase(conn);
    return nw::kSuccess;
}

} // namespace nwsim
