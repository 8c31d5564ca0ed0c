#pragma once

// Builds large simulated networks from a handful of figures, for trying the
// tool against directories far bigger than anyone would write by hand.
//
// The result depends on the settings alone: the same settings give the same
// network, entry for entry and figure for figure, on every machine. The
// generator therefore draws from its own small random source rather than from
// the standard library's distributions, whose output may differ between
// library versions.
//
// Shape of a generated network:
//  - servers FS1 .. FSn, each with volumes 0 .. v-1 named SYS, VOL1, VOL2 ...;
//  - [Root] holds one Organization, CORP; below it Organizational Units named
//    DEPT1, DEPT2 ... (numbered in the order they are made), `depth` levels
//    deep at most;
//  - every container holds `objectsPerContainer` leaf objects (the last one
//    filled may hold fewer) followed by its sub-containers; containers are
//    filled level by level, so the upper levels are full and only the deepest
//    level may be partly built. The number of sub-containers per container is
//    the smallest that lets the tree hold every object within `depth` levels;
//  - leaf objects are mostly Users, with Groups, Printers, Queues, Directory
//    Maps, Profiles and Aliases mixed in; each is named by a class letter and
//    a running number (U17, G18, P19 ...), so names are unique network-wide;
//  - a share `usageFraction` of the leaf objects uses space on one to three
//    volumes, drawn across all servers; the figures are whole multiples of 25
//    blocks from a small range, so equal figures (ties) are common;
//  - object IDs run upwards from kFirstGeneratedObjectId in the order the
//    entries are made.

#include "netware/sim/Network.h"

#include <cstdint>

namespace nwsim {

struct GeneratorSettings {
    std::uint32_t objects = 1000; // leaf objects; containers come on top
    std::uint32_t objectsPerContainer = 100;
    std::uint32_t depth = 3; // levels of Organizational Units below the Organization
    std::uint32_t servers = 4;
    std::uint32_t volumesPerServer = 8;
    double usageFraction = 0.8; // share of leaf objects that use space
    std::uint64_t seed = 1;
};

// Bounds the loader enforces on the figures above.
inline constexpr std::uint32_t kMaxGeneratedObjects = 10'000'000;
inline constexpr std::uint32_t kMaxObjectsPerContainer = 100'000;
inline constexpr std::uint32_t kMaxGeneratedDepth = 8;
inline constexpr std::uint32_t kMaxGeneratedServers = 1000;

inline constexpr nw::nuint32 kFirstGeneratedObjectId = 0x01000001;

// Expects settings within the bounds above (the loader checks them); figures
// outside them are clamped.
Network generateNetwork(const GeneratorSettings& settings);

} // namespace nwsim
