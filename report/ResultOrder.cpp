#include "report/ResultOrder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <numeric>

namespace vorlane {
namespace {

// Usage as an unsigned key whose ascending order is descending usage.
std::uint64_t descendingKey(std::int64_t kilobytes) {
    return ~(static_cast<std::uint64_t>(kilobytes) ^ 0x8000000000000000u);
}

} // namespace

// A least-significant-digit radix sort by usage, byte by byte, over the
// positions found. Each pass is stable, so rows of equal usage keep the
// order found, and a pass over a byte that all keys share (most of the high
// bytes) is skipped. Its cost grows linearly with the rows, where a
// comparison sort's would not.
std::vector<std::uint32_t> usageOrder(const UsageRows& rows) {
    const std::size_t n = rows.size();
    if (n == 0)
        return {};
    std::vector<std::uint64_t> keys(n);
    for (std::size_t i = 0; i < n; ++i)
        keys[i] = descendingKey(rows.kilobytes(i));
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), std::uint32_t{0});
    std::vector<std::uint64_t> keysOut(n);
    std::vector<std::uint32_t> orderOut(n);
    for (int shift = 0; shift < 64; shift += 8) {
        std::array<std::size_t, 257> start{};
        for (const std::uint64_t key : keys)
            ++start[((key >> shift) & 0xFF) + 1];
        if (start[((keys[0] >> shift) & 0xFF) + 1] == n)
            continue;
        std::partial_sum(start.begin(), start.end(), start.begin());
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t at = start[(keys[i] >> shift) & 0xFF]++;
            keysOut[at] = keys[i];
            orderOut[at] = order[i];
        }
        keys.swap(keysOut);
        order.swap(orderOut);
    }
    return order;
}

std::string usageText(std::int64_t kilobytes) {
    return std::to_string(kilobytes);
}

} // namespace vorlane
