#pragma once

// The space each owner holds below one directory, counted exactly as
// `du -s -x` counts it: the directory's own file system only, every file,
// directory and symbolic link its allocated blocks (st_blocks) to its owner,
// a file with several hard links once. Several threads walk the tree; the
// caller's thread watches them, so the walk can be cancelled and followed.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace scanner {

// Paths of unreadable directories kept for a report, besides their count.
inline constexpr std::size_t kReportedPaths = 5;

struct ScanTotals {
    std::unordered_map<std::uint32_t, std::uint64_t> blocksByOwner; // uid -> 512-byte blocks
    std::uint64_t entries = 0;                                      // entries counted
    std::uint64_t unreadable = 0;                                   // directories not wholly read
    std::vector<std::string> firstUnreadable;                       // the first kReportedPaths: "path: reason"
    bool cancelled = false;                                         // the figures then mean nothing
};

struct ScanControl {
    unsigned threads = 0; // workers; 0: one per core
    std::chrono::milliseconds pollInterval{50};
    std::function<bool()> cancelled;                     // may be empty
    std::function<void(std::uint64_t entries)> progress; // may be empty
};

// Walks the tree below `root` (which alone may be reached through a symbolic
// link). A directory that cannot be read wholly is counted in `unreadable`;
// its own entry still counts, as du counts it. A mount point below `root`,
// even one of the same file system, is neither counted nor entered.
// Both callbacks run on the calling thread only, every pollInterval; no
// thread or descriptor of the walk outlives the call.
ScanTotals scanTree(const std::string& root, const ScanControl& control);

} // namespace scanner
