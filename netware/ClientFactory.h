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
// the tool passes nothing and reads none of it.
ClientOpening openClient();

} // namespace nw
