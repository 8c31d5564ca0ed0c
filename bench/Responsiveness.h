#pragma once

// Whether the window stays alive during a long listing: the longest time
// the user-interface thread goes without handling events while it lists
// 100,000 objects over a network that takes 50 µs a call, and while the
// directory client scans a large volume inside one call; and what one
// update of the listing's progress costs.

#include "bench/RatioReport.h"
#include "bench/Suite.h"

#include <map>
#include <ostream>
#include <string>

namespace bench {

void registerResponsivenessBenchmarks(const SuiteOptions& options);

// The table of these figures, for the summary.
void writeResponsiveness(std::ostream& out, const std::map<std::string, Measurement>& measurements, bool judge);

} // namespace bench
