// The ordering of a listing's rows and the two result lists that show them.

#include "app/ListBox.h"
#include "report/ResultOrder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>

namespace {

using vorlane::UsageRow;

std::vector<UsageRow> numbered(const std::vector<std::int64_t>& usages) {
    std::vector<UsageRow> rows;
    for (std::size_t i = 0; i < usages.size(); ++i)
        rows.push_back({std::to_string(i), usages[i]});
    return rows;
}

std::vector<UsageRow> stableReference(std::vector<UsageRow> rows) {
    std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.kilobytes > b.kilobytes; });
    return rows;
}

void expectSameRows(const std::vector<UsageRow>& got, const std::vector<UsageRow>& want, const char* shape) {
    ASSERT_EQ(got.size(), want.size()) << shape;
    for (std::size_t i = 0; i < got.size(); ++i) {
        ASSERT_EQ(got[i].name, want[i].name) << shape << " at " << i;
        ASSERT_EQ(got[i].kilobytes, want[i].kilobytes) << shape << " at " << i;
    }
}

TEST(ResultOrder, OrdersExactlyAsAStableSortLargestFirst) {
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
        {"ties of a listing", draw(70000, 1, 40)},
        {"all equal", std::vector<std::int64_t>(300, 100)},
        {"already in order", {9, 8, 8, 7, 1}},
        {"reversed", {1, 2, 3, 4, 5, 6}},
        {"wide", draw(5000, 0, std::int64_t{1} << 62)},
        {"negative and extreme", {0, -4, kMax, kMin, -4, 12, kMin, kMax, 0, 1}},
    };
    for (const auto& [shape, usages] : shapes) {
        std::vector<UsageRow> rows = numbered(usages);
        const std::vector<UsageRow> want = stableReference(rows);
        std::vector<UsageRow> shown;
        for (const std::uint32_t at : vorlane::usageOrder(rows))
            shown.push_back(rows[at]);
        expectSameRows(shown, want, shape);
        vorlane::orderByUsage(rows);
        expectSameRows(rows, want, shape);
    }
}

QStringList texts(const vorlane::ListBox& list) {
    QStringList out;
    for (int row = 0; row < list.count(); ++row)
        out << list.itemText(row);
    return out;
}

TEST(ResultLists, ShowTheOrderedRowsRowForRowIn8BitTextAndPlainNumbers) {
    vorlane::ListBox names;
    vorlane::ListBox usages;
    vorlane::showUsageRows({{"A", 8}, {"M\xDCLLER", 20}, {"\x80URO.\x8ASTA", 20}, {"D", 8589934588}}, names, usages);
    EXPECT_EQ(texts(names), (QStringList{"D", QString::fromUtf8("MÜLLER"), QString::fromUtf8("€URO.ŠSTA"), "A"}));
    EXPECT_EQ(texts(usages), (QStringList{"8589934588", "20", "20", "8"}));
    // What the view paints and what assistive technology reads.
    const QModelIndex first = names.model()->index(1, 0);
    EXPECT_EQ(first.data(Qt::DisplayRole).toString(), QString::fromUtf8("MÜLLER"));
    EXPECT_EQ(first.data(Qt::AccessibleTextRole).toString(), QString::fromUtf8("MÜLLER"));
    EXPECT_FALSE(names.model()->index(4, 0).data(Qt::DisplayRole).isValid());
}

TEST(ResultLists, ANewListingReplacesTheRowsAndRowsOutsideAreEmpty) {
    vorlane::ListBox names;
    vorlane::ListBox usages;
    vorlane::showUsageRows({{"A", 1}, {"B", 2}, {"C", 3}}, names, usages);
    vorlane::showUsageRows({{"X", 7}}, names, usages);
    EXPECT_EQ(texts(names), QStringList{"X"});
    EXPECT_EQ(texts(usages), QStringList{"7"});
    EXPECT_EQ(names.itemText(-1), QString());
    EXPECT_EQ(names.itemText(1), QString());

    vorlane::showUsageRows({}, names, usages);
    EXPECT_EQ(names.count(), 0);
    EXPECT_EQ(usages.count(), 0);
}

TEST(ResultLists, PlainTextRowsCanBeSetAppendedAndCleared) {
    vorlane::ListBox list;
    list.setItems({"one", "two"});
    list.addItem("three");
    EXPECT_EQ(texts(list), (QStringList{"one", "two", "three"}));
    list.clear();
    EXPECT_EQ(list.count(), 0);
    list.addItem("again");
    EXPECT_EQ(texts(list), QStringList{"again"});
}

} // namespace
