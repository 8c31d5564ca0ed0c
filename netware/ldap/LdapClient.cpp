// The directory client's one server, this machine, its volumes and the
// usage on them.

#include "netware/ldap/LdapClient.h"

#include "netware/Charset.h"
#include "netware/ldap/Report.h"

#include <cstdio>

namespace nwldap {
namespace {

// What a scan could not read, for an administrator who started the program
// from a terminal: the count and the first few paths.
void reportUnreadable(const Volume& volume, const UsageTotals& totals) {
    if (totals.unreadable == 0)
        return;
    std::fprintf(stderr, "vorlane: volume %s (%s): %zu director%s could not be read and %s left out, among them:\n",
                 printable(volume.name).c_str(), printable(volume.path).c_str(), totals.unreadable,
                 totals.unreadable == 1 ? "y" : "ies", totals.unreadable == 1 ? "was" : "were");
    for (const std::string& path : totals.firstUnreadable)
        std::fprintf(stderr, "  %s\n", printable(path).c_str());
}

} // namespace

LdapClient::LdapClient(std::unique_ptr<DirectorySource> directory, std::vector<Volume> volumes,
                       const std::string& server, const std::string& defaultContext)
    : ClientKit(nw::anyAttributeName), directory_(std::move(directory)), volumes_(std::move(volumes)),
      figures_(volumes_.size()), server_(nw::utf8ToCp1252(server).substr(0, nw::kMaxServerNameChars)),
      defaultContext_(defaultContext.empty() ? dottedName(directory_->namingContexts())
                                             : nw::utf8ToCp1252(defaultContext)) {}

LdapClient::~LdapClient() = default;

std::string dottedName(const std::vector<NamingContext>& namingContexts) {
    if (namingContexts.empty())
        return "[Root]";
    std::string out;
    for (const Rdn& rdn : namingContexts.front().rdns) {
        if (!out.empty())
            out += '.';
        out += nw::escapeValue(nw::utf8ToCp1252(rdn.value));
    }
    return out;
}

std::string_view LdapClient::serverName(std::uint32_t) const {
    return server_;
}

std::optional<std::string_view> LdapClient::nameOfVolume(std::uint32_t, nw::nuint16 number) const {
    if (number >= volumes_.size())
        return std::nullopt;
    return volumes_[number].name;
}

// The totals of a volume: scanned at its first disk query, and afresh at its
// first disk query while a watcher that asks for fresh figures (Recalc)
// watches. The unreadable directories are reported once a scan.
const UsageTotals& LdapClient::totalsOf(nw::nuint8 volume) {
    Figures& kept = figures_[volume];
    const bool fresh = watcher() != nullptr && watcher()->freshFigures();
    if (!kept.scanned || (fresh && kept.freshRound != watchRound())) {
        kept.totals = scanVolume(volumes_[volume].path);
        kept.scanned = true;
        reportUnreadable(volumes_[volume], kept.totals);
    }
    if (fresh)
        kept.freshRound = watchRound();
    return kept.totals;
}

nw::NWRCODE LdapClient::diskUsage(std::uint32_t, nw::nuint8 volume, nw::nuint32 objectId, nw::DiskFigure& out) {
    const auto& owners = totalsOf(volume).blocksByOwner;
    const auto owned = objectId == kNoOwner ? owners.end() : owners.find(objectId);
    out = {nw::kNoRestriction, owned == owners.end() ? 0 : inUseBlocks(owned->second)};
    return nw::kSuccess;
}

} // namespace nwldap
