#include "report/ContainerWalk.h"

#include "netware/ClientResource.h"
#include "netware/Fatal.h"
#include "report/ChunkReader.h"

namespace vorlane {

void recurseCont(nw::Client& client, nw::UserChannel& user, nw::NWDSContextHandle connH, const std::string& cont,
                 std::vector<std::string>& contList, ListingMonitor& monitor) {
    // Each level keeps its own buffer and iteration handle, so its listing
    // goes on where it stood once a deeper level returns.
    nw::pBuf_T raw = nullptr;
    nw::NWRCODE rc = client.NWDSAllocBuf(nw::kResultBufferSize, &raw);
    if (rc != nw::kSuccess)
        nw::die(user, rc, "NWDSAllocBuf");
    const nw::DsBuffer buffer(client, raw);
    if (monitor.stopping())
        return;

    nw::nint32 iteration = -1;
    do {
        rc = client.NWDSListContainers(connH, cont.c_str(), &iteration, buffer.get());
        if (rc == nw::kNoSuchEntry) {
            user.showMessage("Context does not exist");
            return;
        }
        if (rc != nw::kSuccess)
            nw::die(user, rc, "NWDSListContainers");
        if (monitor.stopping())
            return;

        ChunkReader chunk(client, user, connH, buffer.get());
        if (monitor.stopping())
            return;
        for (nw::nuint32 i = 0; i < chunk.count(); ++i) {
            std::string entry = chunk.nextName();
            if (!cont.empty())
                entry += "." + cont;
            contList.push_back(entry);
            monitor.progress.containers = contList.size() - 1;
            if (monitor.stopping())
                return;
            recurseCont(client, user, connH, entry, contList, monitor);
            // The walk below may have been told to stop: the answer holds.
            if (monitor.stopping())
                return;
        }
    } while (iteration != -1);
}

void recurseCont(nw::Client& client, nw::UserChannel& user, nw::NWDSContextHandle connH, const std::string& cont,
                 std::vector<std::string>& contList) {
    ListingMonitor nobody;
    recurseCont(client, user, connH, cont, contList, nobody);
}

} // namespace vorlane
