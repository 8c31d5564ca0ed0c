// The usage on the directory client's volumes: each volume scanned once for
// the program's run (afresh for Recalc), here or on its server over SSH, and
// an object's figure read from the scan by its uid or by its account name.

#include "netware/ldap/ErrorCodes.h"
#include "netware/ldap/LdapClient.h"
#include "netware/ldap/Report.h"

#include <cctype>
#include <chrono>
#include <cstdio>
#include <pwd.h>
#include <vector>

namespace nwldap {
namespace {

// Account names are compared ignoring the case of ASCII letters: a
// directory's account names ignore case, and the file servers' account
// databases (SSSD, winbind) often give them in lower case.
std::string folded(std::string_view name) {
    std::string out(name);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The account name of a uid in this machine's account database; empty when
// it has none.
std::string localOwnerName(std::uint32_t uid) {
    passwd entry{};
    passwd* found = nullptr;
    std::vector<char> room(16384);
    if (getpwuid_r(uid, &entry, room.data(), room.size(), &found) != 0 || found == nullptr)
        return {};
    return entry.pw_name;
}

// What a scan could not read, for an administrator who started the program
// from a terminal: the count and the first few paths.
void reportUnreadable(const std::string& server, const Volume& volume, std::uint64_t count,
                      const std::vector<std::string>& first) {
    if (count == 0)
        return;
    std::fprintf(stderr,
                 "vorlane: volume %s of %s (%s): %llu director%s could not be read and %s left out, among them:\n",
                 printable(volume.name).c_str(), printable(server).c_str(), printable(volume.path).c_str(),
                 static_cast<unsigned long long>(count), count == 1 ? "y" : "ies", count == 1 ? "was" : "were");
    for (const std::string& path : first)
        std::fprintf(stderr, "  %s\n", printable(path).c_str());
}

} // namespace

bool LdapClient::cancelled() const {
    return watcher() != nullptr && watcher()->cancelled();
}

nw::nuint32 LdapClient::accountId(const std::string& account) const {
    const auto [at, made] = accountIds_.try_emplace(folded(account), 0);
    if (made) {
        at->second = kFirstAccountId + static_cast<nw::nuint32>(accounts_.size());
        accounts_.push_back(at->first);
    }
    return at->second;
}

// What a scan tells the watcher as it goes: "Scanning DATA: 412,000 files".
std::function<void(std::uint64_t)> LdapClient::scanningProgress(const Volume& volume) {
    return [this, name = volume.name](std::uint64_t entries) {
        if (watcher() != nullptr)
            watcher()->doing("Scanning " + name + ": " + grouped(entries) + (entries == 1 ? " file" : " files"));
    };
}

nw::NWRCODE LdapClient::scanLocal(const Volume& volume, Figures& out) {
    const UsageTotals totals = scanVolume(
        volume.path, {0, std::chrono::milliseconds(50), [this] { return cancelled(); }, scanningProgress(volume)});
    if (totals.cancelled)
        return nw::kCancelled;
    out.blocksByOwner = totals.blocksByOwner;
    for (const auto& [uid, blocks] : totals.blocksByOwner) {
        if (const std::string name = localOwnerName(uid); !name.empty())
            out.blocksByName[folded(name)] += blocks;
    }
    reportUnreadable(servers_.front().name, volume, totals.unreadable, totals.firstUnreadable);
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::scanRemote(const Server& server, const Volume& volume, Figures& out) {
    const RemoteResult scan = scanOverSsh(
        *server.remote, volume.path, [this] { return cancelled(); }, scanningProgress(volume));
    if (scan.failure != RemoteFailure::None) {
        if (scan.failure != RemoteFailure::Cancelled)
            std::fprintf(stderr, "vorlane: volume %s of server %s: %s\n", printable(volume.name).c_str(),
                         printable(server.name).c_str(), scan.message.c_str());
        return codeFor(scan.failure);
    }
    for (const auto& [uid, owner] : scan.answer.owners) {
        out.blocksByOwner[uid] += owner.blocks;
        if (!owner.name.empty())
            out.blocksByName[folded(owner.name)] += owner.blocks;
    }
    reportUnreadable(server.name, volume, scan.answer.unreadable, scan.answer.firstUnreadable);
    return nw::kSuccess;
}

// The figures of a volume: scanned at its first disk query, and afresh at
// its first disk query while a watcher that asks for fresh figures (Recalc)
// watches. A scan that was cancelled or failed keeps nothing.
nw::NWRCODE LdapClient::figuresOf(std::uint32_t server, nw::nuint8 volume, const Figures*& out) {
    Figures& kept = figures_[server][volume];
    const bool fresh = watcher() != nullptr && watcher()->freshFigures();
    if (!kept.scanned || (fresh && kept.freshRound != watchRound())) {
        Figures scanned;
        const Server& where = servers_[server];
        const Volume& what = where.volumes[volume];
        if (const nw::NWRCODE rc = where.remote ? scanRemote(where, what, scanned) : scanLocal(what, scanned);
            rc != nw::kSuccess)
            return rc;
        scanned.scanned = true;
        kept = std::move(scanned);
    }
    if (fresh)
        kept.freshRound = watchRound();
    out = &kept;
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::diskUsage(std::uint32_t server, nw::nuint8 volume, nw::nuint32 objectId, nw::DiskFigure& out) {
    const Figures* figures = nullptr;
    if (const nw::NWRCODE rc = figuresOf(server, volume, figures); rc != nw::kSuccess)
        return rc;
    std::uint64_t blocks = 0;
    if (objectId >= kFirstAccountId && objectId - kFirstAccountId < accounts_.size()) {
        const auto owned = figures->blocksByName.find(accounts_[objectId - kFirstAccountId]);
        blocks = owned == figures->blocksByName.end() ? 0 : owned->second;
    } else if (objectId < kFirstAccountId) {
        const auto owned = figures->blocksByOwner.find(objectId);
        blocks = owned == figures->blocksByOwner.end() ? 0 : owned->second;
    }
    out = {nw::kNoRestriction, inUseBlocks(blocks)};
    return nw::kSuccess;
}

} // namespace nwldap
