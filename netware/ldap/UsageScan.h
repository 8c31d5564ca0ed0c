#pragma once

// The space each owner holds on one volume, counted as `du -x` counts it
// (scanner/Scan.h says how): the directory client's figures for its disk
// queries.

#include "netware/Client.h"
#include "scanner/Scan.h"

#include <cstdint>
#include <string>

namespace nwldap {

using UsageTotals = scanner::ScanTotals;

// Scans the tree below `root` once, on as many threads as the machine has
// cores; `control` may cancel it and follow it.
UsageTotals scanVolume(const std::string& root, const scanner::ScanControl& control = {});

// 512-byte blocks as the in-use figure: 4-KB blocks, rounded up, at most the
// largest figure the call can give.
nw::nint32 inUseBlocks(std::uint64_t blocks512);

} // namespace nwldap
