#pragma once

// Reads a network description (JSON, format in docs/network-format.md) into a
// Network for the stand-in client.
//
// A description is either accepted whole or refused with one message that
// names the source, the place in it (a JSON pointer such as
// /tree/0/children/3/name, or line and column for text that is no JSON) and
// the problem. The loader never throws and never hands back part of a
// network.

#include "netware/Opened.h"
#include "netware/sim/Network.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nwsim {

inline constexpr std::uintmax_t kMaxNetworkFileBytes = std::uintmax_t{256} * 1024 * 1024;

// The network, or the one message: "<source>: <place>: <problem>". A file
// larger than `maxBytes` is refused.
nw::Opened<Network> loadNetworkFile(const std::string& path, std::uintmax_t maxBytes = kMaxNetworkFileBytes);
nw::Opened<Network> loadNetworkJson(std::string_view text, const std::string& sourceName);

// The keys each kind of JSON object of the format may hold, and which of them
// it must hold. The schema in docs/network.schema.json describes the same
// objects; a test keeps the two in step.
struct FormatObject {
    std::string_view kind; // "network" (the top level), "server", "volume", "object", "usage", ...
    std::vector<std::string_view> keys;
    std::vector<std::string_view> required;
};
const std::vector<FormatObject>& networkFormatObjects();

// Limits of the format that are not limits of the client itself.
inline constexpr std::uint32_t kMaxLatencyMicros = 10'000'000; // ten seconds per call
inline constexpr std::size_t kMaxJsonNesting = 512;

// Object IDs that a description leaves out are handed out from here upwards in
// tree order ([Root] first), passing over every ID the description gives.
inline constexpr nw::nuint32 kFirstAutomaticObjectId = 0x01000001;

} // namespace nwsim
