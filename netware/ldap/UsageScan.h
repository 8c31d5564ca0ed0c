#pragma once

// The space each owner holds on one volume, counted as `du -x` counts it:
// the volume's own file system only (a file system mounted below it is
// neither counted nor entered), every hard-linked file once, and the space
// allocated to each file, directory and link (its st_blocks), summed by the
// owner's uid.

#include "netware/Client.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace nwldap {

// Paths of unreadable directories kept for the report, besides their count.
inline constexpr std::size_t kReportedPaths = 5;

struct UsageTotals {
    std::unordered_map<nw::nuint32, std::uint64_t> blocksByOwner; // 512-byte blocks
    std::size_t unreadable = 0;                                   // directories that could not be read
    std::vector<std::string> firstUnreadable;                     // the first kReportedPaths of them
};

// Scans the tree below `root` once. A directory that cannot be read is
// left out (its own entry still counts, as du counts it) and noted.
UsageTotals scanVolume(const std::string& root);

// 512-byte blocks as the in-use figure: 4-KB blocks, rounded up, at most the
// largest figure the call can give.
nw::nint32 inUseBlocks(std::uint64_t blocks512);

} // namespace nwldap
