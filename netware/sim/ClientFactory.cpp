#include "netware/ClientFactory.h"

#include "netware/sim/NetworkLoader.h"
#include "netware/sim/SampleNetwork.h"
#include "netware/sim/SimClient.h"

#include <cstdlib>
#include <exception>

namespace nw {

// The stand-in client's own setting: NWSIM_NETWORK names the network file to
// simulate; unset or empty, the built-in sample network is used. The tool
// itself never reads it.
OpenedClient openStandInClient() {
    const char* setting = std::getenv("NWSIM_NETWORK");
    const bool useSample = setting == nullptr || *setting == '\0';
    try {
        Opened<nwsim::Network> loaded = useSample ? nwsim::loadSampleNetwork() : nwsim::loadNetworkFile(setting);
        if (!loaded)
            return Refusal{loaded.error()};
        return std::make_unique<nwsim::SimClient>(std::move(*loaded));
    } catch (const std::exception& e) {
        // Building the client's indexes over a very large network may run out of memory.
        return Refusal{std::string("The simulated network cannot be set up: ") + e.what()};
    }
}

} // namespace nw
