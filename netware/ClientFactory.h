#pragma once

#include "netware/Client.h"

#include <memory>
#include <string>

namespace nw {

// What opening the workstation's client gives: the client, or the text of
// the reason it could not be opened (a configuration the client rejects, for
// instance). Exactly one of the two is set.
struct ClientOpening {
    std::unique_ptr<Client> client;
    std::string error;
};

// Opens the workstation's client. The client reads its own configuration;
// the tool passes nothing and reads none of it. The program alone makes the
// choice (netware/choice/): the directory client when VORLANE_LDAP_URI is
// set, else the stand-in.
ClientOpening openClient();

// The two clients to choose from, each opened from its own settings.
ClientOpening openStandInClient();   // netware/sim/
ClientOpening openDirectoryClient(); // netware/ldap/

} // namespace nw
