#include "netware/ldap/UsageScan.h"

#include <limits>

namespace nwldap {

UsageTotals scanVolume(const std::string& root, const scanner::ScanControl& control) {
    return scanner::scanTree(root, control);
}

nw::nint32 inUseBlocks(std::uint64_t blocks512) {
    const std::uint64_t blocks = blocks512 / 8 + (blocks512 % 8 != 0 ? 1 : 0);
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<nw::nint32>::max());
    return static_cast<nw::nint32>(blocks < kMax ? blocks : kMax);
}

} // namespace nwldap
