#pragma once

#include "netware/Client.h"
#include "report/ListingControl.h"
#include "session/UserChannel.h"

#include <string>
#include <vector>

namespace vorlane {

// Appends every container below `cont` to `contList`, depth first: each
// container is followed at once by everything below it, and the containers
// of one parent stand in the order the directory returns them. Names are
// 8-bit text relative to the context, innermost name first ("A1.A"); `cont`
// is such a name, empty for the context itself.
//
// A container that does not exist shows "Context does not exist" and ends
// the walk below it only; any other failure ends the program. The list grows
// as needed: there is no limit on the number of containers but memory.
// `control` counts the containers found.
void recurseCont(nw::Client& client, UserChannel& user, nw::NWDSContextHandle connH, const std::string& cont,
                 std::vector<std::string>& contList, ListingControl& control);

} // namespace vorlane
