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
    nwsim::LoadResult loaded = nwsim::loadNetworkJson(json, "test network");
    if (!loaded.network)
        throw std::runtime_error(loaded.error);
    return std::make_unique<nwsim::SimClient>(std::move(*loaded.network));
}

} // namespace testing_support
