// Opening the directory client from its settings: everything that can be
// wrong with them shows at start-up, in a message that names the setting or
// the URI.

#include "netware/ClientFactory.h"
#include "netware/ldap/LdapClient.h"
#include "netware/ldap/Session.h"

#include <cstdlib>

namespace nw {

ClientOpening openDirectoryClient() {
    nwldap::Settings settings;
    std::string error = nwldap::readSettings([](const char* name) { return std::getenv(name); }, settings);
    if (!error.empty())
        return {nullptr, error};
    std::vector<nwldap::Volume> volumes;
    if (settings.volumesSet) {
        error = nwldap::checkVolumes(settings.volumes, volumes);
        if (!error.empty())
            return {nullptr, error};
    } else {
        volumes = nwldap::volumesFromMountTable("/proc/self/mounts");
    }
    std::unique_ptr<nwldap::Session> session = nwldap::Session::open(settings, error);
    if (!session)
        return {nullptr, error};
    return {std::make_unique<nwldap::LdapClient>(std::move(session), std::move(volumes), nwldap::serverName(),
                                                 settings.context),
            {}};
}

} // namespace nw
