// The directory client's servers, how they are reached, and their volumes.

#include "netware/ldap/LdapClient.h"

#include "netware/Charset.h"
#include "netware/ldap/ErrorCodes.h"
#include "netware/ldap/Report.h"

#include <cstdio>

namespace nwldap {

LdapClient::LdapClient(std::unique_ptr<DirectorySource> directory, std::vector<Server> servers,
                       const std::string& defaultContext)
    : ClientKit(nw::anyAttributeName), directory_(std::move(directory)), servers_(std::move(servers)),
      reached_(servers_.size(), false),
      defaultContext_(defaultContext.empty() ? dottedName(directory_->namingContexts())
                                             : nw::utf8ToCp1252(defaultContext)) {
    for (const Server& server : servers_) {
        names8_.push_back(nw::utf8ToCp1252(server.name).substr(0, nw::kMaxServerNameChars));
        figures_.emplace_back(server.volumes.size());
    }
}

LdapClient::LdapClient(std::unique_ptr<DirectorySource> directory, std::vector<Volume> volumes,
                       const std::string& server, const std::string& defaultContext)
    : LdapClient(std::move(directory), {Server{server, std::nullopt, std::move(volumes)}}, defaultContext) {}

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

std::optional<std::string_view> LdapClient::nameOfVolume(std::uint32_t server, nw::nuint16 number) const {
    const std::vector<Volume>& volumes = servers_[server].volumes;
    if (number >= volumes.size())
        return std::nullopt;
    return volumes[number].name;
}

// A server reached over SSH is tried where the tool opens a connection to it
// by name, the first time: a server that cannot be reached, whose host key
// is not known or that has no scanner fails there, with a code of its own,
// so that the tool's report names the call and the server (at start-up, the
// program ends there). Once its scanner has answered, later connections
// cost nothing; a server lost after that shows where its volume is scanned.
std::optional<nw::NWRCODE> LdapClient::enter(nw::Call call, const nw::CallTarget& target) {
    if (call != nw::Call::NWCCOpenConnByName || !target.server)
        return std::nullopt;
    const std::optional<std::uint32_t> server = serverNamed(*target.server);
    if (!server || !servers_[*server].remote || reached_[*server])
        return std::nullopt;
    const RemoteResult probe = probeScanner(*servers_[*server].remote, [this] { return cancelled(); });
    if (probe.failure == RemoteFailure::None) {
        reached_[*server] = true;
        return std::nullopt;
    }
    if (probe.failure != RemoteFailure::Cancelled)
        std::fprintf(stderr, "vorlane: server %s: %s\n", printable(servers_[*server].name).c_str(),
                     probe.message.c_str());
    return codeFor(probe.failure);
}

} // namespace nwldap
