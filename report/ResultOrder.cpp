#include "report/ResultOrder.h"

#include <algorithm>

namespace vorlane {

void orderByUsage(std::vector<UsageRow>& rows) {
    std::stable_sort(rows.begin(), rows.end(),
                     [](const UsageRow& a, const UsageRow& b) { return a.kilobytes > b.kilobytes; });
}

std::string usageText(std::int64_t kilobytes) {
    return std::to_string(kilobytes);
}

} // namespace vorlane
