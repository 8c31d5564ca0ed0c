#pragma once

// The network the stand-in client simulates when no network file is named:
// a small company, ACME, with three file servers and a few departments.
//
// It is kept as the JSON text of a network file and read through the same
// loader as any file, so it doubles as proof that the loader accepts it.

#include "netware/sim/NetworkLoader.h"

#include <string_view>

namespace nwsim {

inline constexpr std::string_view kSampleNetworkSource = "built-in sample network";

std::string_view sampleNetworkJson();

// Loads the text above; an error here is a fault in the program, but it is
// reported like any other rather than ending it.
nw::Opened<Network> loadSampleNetwork();

} // namespace nwsim
