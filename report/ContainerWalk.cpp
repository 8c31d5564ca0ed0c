#include "report/ContainerWalk.h"

#include "report/Chunks.h"

namespace vorlane {

void recurseCont(nw::Client& client, UserChannel& user, nw::NWDSContextHandle connH, const std::string& cont,
                 std::vector<std::string>& contList, ListingControl& control) {
    // Each level keeps its own buffer and iteration handle, so its listing
    // goes on where it stood once a deeper level returns.
    const DsBuffer buffer = allocBuffer(client, user);
    forEachName(client, user, &nw::Client::NWDSListContainers, "NWDSListContainers", connH, cont, buffer.get(),
                [&](std::string_view name) {
                    std::string entry(name);
                    if (!cont.empty())
                        entry.append(".").append(cont);
                    contList.push_back(entry);
                    control.setContainers(contList.size() - 1);
                    recurseCont(client, user, connH, entry, contList, control);
                });
}

} // namespace vorlane
