#pragma once

#include "netware/sim/NetworkLoader.h"
#include "netware/sim/SimClient.h"

#include <memory>
#include <stdexcept>
#include <string_view>

namespace testing_support {

// A stand-in client over a network described in the file format, for tests
// that build one network per case.
inline std::unique_ptr<nwsim::SimClient> simulate(std::string_view json) {
    nw::Opened<nwsim::Network> loaded = nwsim::loadNetworkJson(json, "test network");
    if (!loaded)
        throw std::runtime_error(loaded.error());
    return std::make_unique<nwsim::SimClient>(std::move(*loaded));
}

} // namespace testing_support
