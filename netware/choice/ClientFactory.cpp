#include "netware/ClientFactory.h"

#include <cstdlib>

namespace nw {

// The directory client when a directory is named, else the stand-in, which
// stays the default.
OpenedClient openClient() {
    const char* uri = std::getenv("VORLANE_LDAP_URI");
    if (uri != nullptr && *uri != '\0')
        return openDirectoryClient();
    return openStandInClient();
}

} // namespace nw
