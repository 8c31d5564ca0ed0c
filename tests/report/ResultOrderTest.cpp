#include "report/ResultOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>

namespace {

// Usage order must be exactly what a stable sort by usage, largest first,
// gives: equal usages keep the order in which the listing found them.
TEST(ResultOrder, IsAStableSortLargestFirstForEveryShapeOfInput) {
    std::mt19937_64 random(7);
    const auto draw = [&random](std::size_t n, std::int64_t low, std::int64_t high) {
        std::uniform_int_distribution<std::int64_t> pick(low, high);
        std::vector<std::int64_t> usages(n);
        for (auto& u : usages)
            u = pick(random);
        return usages;
    };
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
    const std::vector<std::pair<const char*, std::vector<std::int64_t>>> shapes = {
        {"empty", {}},
        {"one", {5}},
        {"found order", {8, 20, 20, 4}},
        {"ties of a listing", draw(70000, 1, 40)},
        {"all equal", std::vector<std::int64_t>(300, 100)},
        {"reversed", {1, 2, 3, 4, 5, 6}},
        {"low bytes alike", {1024, 4096, 2048, 1 << 20, 4096}},
        {"wide", draw(5000, 0, std::int64_t{1} << 62)},
        {"negative and extreme", {0, -4, kMax, kMin, -4, 12, kMin, kMax, 0, 1, 256, 65536}},
    };
    for (const auto& [shape, usages] : shapes) {
        vorlane::UsageRows rows;
        for (std::size_t i = 0; i < usages.size(); ++i)
            rows.add(std::to_string(i), usages[i]);
        std::vector<std::uint32_t> want(rows.size());
        for (std::uint32_t i = 0; i < want.size(); ++i)
            want[i] = i;
        std::stable_sort(want.begin(), want.end(),
                         [&usages](std::uint32_t a, std::uint32_t b) { return usages[a] > usages[b]; });
        EXPECT_EQ(vorlane::usageOrder(rows), want) << shape;
    }
}

} // namespace
