#pragma once

// The workstation's client, opened from its own settings. Each client has a
// factory of its own, in its folder's ClientFactory.cpp; the program alone
// links netware/choice/, which picks one of them.

#include "netware/Client.h"
#include "netware/Opened.h"

#include <memory>

namespace nw {

// The client, or the reason it could not be opened (a configuration the
// client rejects, for instance).
using OpenedClient = Opened<std::unique_ptr<Client>>;

// Opens the workstation's client. The client reads its own configuration;
// the tool passes nothing and reads none of it. The choice: the directory
// client when VORLANE_LDAP_URI is set, else the stand-in.
OpenedClient openClient(); // netware/choice/

// The two clients to choose from, each opened from its own settings.
OpenedClient openStandInClient();   // netware/sim/
OpenedClient openDirectoryClient(); // netware/ldap/

} // namespace nw
