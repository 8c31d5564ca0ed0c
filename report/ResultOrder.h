#pragma once

#include "report/UsageListing.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlane {

// The order of rows by usage, largest first, without moving the rows:
// position i of the result is the index of the row that goes i-th. Rows of
// equal usage keep the order in which the listing found them (container by
// container, and within one in the order the directory delivered them).
std::vector<std::uint32_t> usageOrder(const UsageRows& rows);

// A usage as shown: the plain decimal whole number of kilobytes.
std::string usageText(std::int64_t kilobytes);

} // namespace vorlane
