#pragma once

#include "report/UsageListing.h"

#include <string>
#include <vector>

namespace vorlane {

// Orders rows by usage, largest first. Rows of equal usage keep the order
// in which the listing found them (container by container, and within one
// in the order the directory delivered them).
void orderByUsage(std::vector<UsageRow>& rows);

// A usage as shown: the plain decimal whole number of kilobytes.
std::string usageText(std::int64_t kilobytes);

} // namespace vorlane
