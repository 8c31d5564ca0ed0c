// Opening the directory client from its settings: everything that can be
// wrong with them shows at start-up, in a message that names the setting or
// the URI.

#include "netware/ClientFactory.h"
#include "netware/ldap/LdapClient.h"
#include "netware/ldap/Session.h"

#include <cstdlib>

namespace nw {

OpenedClient openDirectoryClient() {
    const Opened<nwldap::Settings> settings = nwldap::readSettings([](const char* name) { return std::getenv(name); });
    if (!settings)
        return Refusal{settings.error()};
    Opened<std::vector<nwldap::Server>> servers = nwldap::serversFrom(*settings);
    if (!servers)
        return Refusal{servers.error()};
    Opened<std::unique_ptr<nwldap::Session>> session = nwldap::Session::open(*settings);
    if (!session)
        return Refusal{session.error()};
    return std::make_unique<nwldap::LdapClient>(std::move(*session), std::move(*servers), settings->context);
}

} // namespace nw
