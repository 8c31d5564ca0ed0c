// The calls and connection libraries of the directory client: the one
// server, its volumes and the usage on them.

#include "netware/ldap/LdapClient.h"

#include "netware/Charset.h"
#include "netware/ldap/ErrorCodes.h"
#include "netware/ldap/Names.h"
#include "netware/ldap/Report.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace nwldap {
namespace {

constexpr std::size_t kMaxServerNameChars = 47; // a bindery name
// A read that takes longer says how far it has come, this often at most.
constexpr auto kProgressEvery = std::chrono::milliseconds(100);

} // namespace

LdapClient::LdapClient(std::unique_ptr<DirectorySource> directory, std::vector<Volume> volumes,
                       const std::string& server, const std::string& defaultContext)
    : directory_(std::move(directory)), volumes_(std::move(volumes)),
      server_(nw::utf8ToCp1252(server).substr(0, kMaxServerNameChars)),
      defaultContext_(defaultContext.empty() ? dottedName(directory_->namingContexts())
                                             : nw::utf8ToCp1252(defaultContext)) {}

LdapClient::~LdapClient() {
    // Connections still open at the end have their report too.
    for (const auto& [handle, connection] : connections_)
        reportUnreadable(connection);
}

std::string dottedName(const std::vector<NamingContext>& namingContexts) {
    if (namingContexts.empty())
        return "[Root]";
    std::string out;
    for (const Rdn& rdn : namingContexts.front().rdns) {
        if (!out.empty())
            out += '.';
        out += escapeValue(nw::utf8ToCp1252(rdn.value));
    }
    return out;
}

nw::NWCONN_HANDLE LdapClient::openConnection() {
    const nw::NWCONN_HANDLE handle = nextConnection_++;
    connections_.emplace(handle, Connection{});
    return handle;
}

LdapClient::Connection* LdapClient::connection(nw::NWCONN_HANDLE handle) {
    const auto it = connections_.find(handle);
    return it == connections_.end() ? nullptr : &it->second;
}

void LdapClient::reportUnreadable(const Connection& connection) const {
    for (const auto& [number, totals] : connection.scans) {
        if (totals.unreadable == 0)
            continue;
        const Volume& volume = volumes_[number];
        std::fprintf(stderr, "vorlane: volume %s (%s): %zu director%s could not be read and %s left out, among them:\n",
                     printable(volume.name).c_str(), printable(volume.path).c_str(), totals.unreadable,
                     totals.unreadable == 1 ? "y" : "ies", totals.unreadable == 1 ? "was" : "were");
        for (const std::string& path : totals.firstUnreadable)
            std::fprintf(stderr, "  %s\n", printable(path).c_str());
    }
}

std::function<void(std::size_t)> LdapClient::readingProgress(const Entry& container) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    return [this, start, said = start, name = nw::cp1252ToUtf8(container.name8),
            count = std::size_t{0}](std::size_t entries) mutable {
        const Clock::time_point now = Clock::now();
        if (watcher_ == nullptr || now - said < kProgressEvery || (said != start && entries == count))
            return;
        said = now;
        count = entries;
        watcher_->doing("Reading " + name + ": " + grouped(entries) + (entries == 1 ? " entry" : " entries"));
    };
}

nw::NWRCODE LdapClient::NWCallsInit(nw::nuint8*, nw::nuint8*) {
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::NWNetInit(nw::nuint8*, nw::nuint8*) {
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::NWCallsTerm(nw::nuint8*) {
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::NWNetTerm(nw::nuint8*) {
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::NWGetDefaultConnRef(nw::NWCONN_REF* connRef) {
    if (connRef == nullptr)
        return kErrInvalidParameter;
    *connRef = kServerRef;
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::NWGetKnownServersInfo(nw::NWCONN_HANDLE conn, nw::nuint32 scanIndex, nw::nuint32,
                                              nw::nuint8* record) {
    if (connection(conn) == nullptr)
        return kErrInvalidConnection;
    if (record == nullptr)
        return kErrInvalidParameter;
    if (scanIndex > 0)
        return nw::kNoMoreServers;
    record[nw::kKnownServersCountOffset] = 1; // one entry, little-endian
    std::memset(record + nw::kKnownServersCountOffset + 1, 0, 3);
    nw::nuint8* entry = record + nw::kKnownServersAreaOffset;
    std::memset(entry, 0, nw::kKnownServersSkipBytes);
    entry[5] = 4; // the bindery type of a file server, big-endian after a 4-byte ID
    std::memcpy(entry + nw::kKnownServersSkipBytes, server_.c_str(), server_.size() + 1);
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::NWGetVolumeName(nw::NWCONN_HANDLE conn, nw::nuint16 volumeNumber, char* volumeName) {
    if (connection(conn) == nullptr)
        return kErrInvalidConnection;
    if (volumeName == nullptr || volumeNumber >= nw::kMaxVolumes)
        return kErrInvalidParameter;
    const std::string name = volumeNumber < volumes_.size() ? volumes_[volumeNumber].name : std::string();
    std::memcpy(volumeName, name.c_str(), std::min(name.size(), nw::kVolumeNameBufferSize - 1) + 1);
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::NWGetObjDiskRestrictions(nw::NWCONN_HANDLE conn, nw::nuint8 volumeNumber, nw::nuint32 objectId,
                                                 nw::nint32* restriction, nw::nint32* inUse) {
    Connection* open = connection(conn);
    if (open == nullptr)
        return kErrInvalidConnection;
    if (restriction == nullptr || inUse == nullptr)
        return kErrInvalidParameter;
    if (volumeNumber >= volumes_.size())
        return kErrNoSuchVolume;
    auto scan = open->scans.find(volumeNumber);
    if (scan == open->scans.end())
        scan = open->scans.emplace(volumeNumber, scanVolume(volumes_[volumeNumber].path)).first;
    const auto& owners = scan->second.blocksByOwner;
    const auto owned = objectId == kNoOwner ? owners.end() : owners.find(objectId);
    *restriction = kNoRestriction;
    *inUse = owned == owners.end() ? 0 : inUseBlocks(owned->second);
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::NWCCOpenConnByRef(nw::NWCONN_REF connRef, nw::nuint32, nw::nuint32, nw::NWCONN_HANDLE* conn) {
    if (conn == nullptr)
        return kErrInvalidParameter;
    if (connRef != kServerRef)
        return kErrInvalidConnection;
    *conn = openConnection();
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::NWCCOpenConnByName(nw::NWCONN_HANDLE startConn, const char* name, nw::nuint32 nameFormat,
                                           nw::nuint32, nw::nuint32, nw::NWCONN_HANDLE* conn) {
    if (connection(startConn) == nullptr)
        return kErrInvalidConnection;
    if (name == nullptr || conn == nullptr || nameFormat != nw::kNameFormatBindery)
        return kErrInvalidParameter;
    if (foldedKey(name) != foldedKey(server_))
        return kErrServerUnknown;
    *conn = openConnection();
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::NWCCGetConnRef(nw::NWCONN_HANDLE conn, nw::NWCONN_REF* connRef) {
    if (connection(conn) == nullptr)
        return kErrInvalidConnection;
    if (connRef == nullptr)
        return kErrInvalidParameter;
    *connRef = kServerRef;
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::NWCCCloseConn(nw::NWCONN_HANDLE conn) {
    const auto it = connections_.find(conn);
    if (it == connections_.end())
        return kErrInvalidConnection;
    reportUnreadable(it->second);
    connections_.erase(it);
    return nw::kSuccess;
}

} // namespace nwldap
