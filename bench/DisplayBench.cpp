// The ordering and display of a listing's results, and scrolling through
// them afterwards: the window's own lists against a plain stable sort and
// plain list views filled with the same texts.

#include "bench/BareWindow.h"
#include "bench/Fixtures.h"
#include "bench/Suite.h"

#include "app/ListBox.h"
#include "netware/sim/Generator.h"

#include <QListView>
#include <QScrollBar>
#include <QStringListModel>
#include <QTest>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <map>
#include <numeric>

namespace bench {
namespace {

// Results as a listing finds them, container by container: the objects of
// a generated network with their names relative to its top, each with its
// usage summed over every volume, or a made-up figure where it uses none, so
// that every object gives a row. Ties are frequent, as in real listings.
vorlane::UsageRows foundRows(std::uint32_t count) {
    const nwsim::Network network = generatedNetwork(count);
    vorlane::UsageRows rows;
    // The relative name of every container, top first: each container is
    // made after its parent.
    std::vector<std::string> relative(network.entries.size());
    std::vector<std::uint32_t> order{1};
    for (std::size_t k = 0; k < order.size(); ++k) {
        const nwsim::Entry& container = network.entries[order[k]];
        for (const std::uint32_t child : container.children) {
            const nwsim::Entry& entry = network.entries[child];
            std::string name = entry.name;
            if (!relative[order[k]].empty())
                name.append(".").append(relative[order[k]]);
            if (nwsim::isContainerClass(entry.cls)) {
                relative[child] = std::move(name);
                order.push_back(child);
                continue;
            }
            std::int64_t kilobytes = 0;
            for (std::uint32_t u = entry.usageBegin; u < entry.usageBegin + entry.usageCount; ++u)
                kilobytes += std::int64_t{network.usages[u].inUse} * 4;
            if (kilobytes == 0)
                kilobytes = 100 * (1 + entry.objectId % 40);
            rows.add(name, kilobytes);
        }
    }
    return rows;
}

const vorlane::UsageRows& sharedRows(std::uint32_t count) {
    static std::map<std::uint32_t, vorlane::UsageRows*> cache;
    auto& rows = cache[count];
    if (rows == nullptr)
        rows = &kept(std::make_unique<vorlane::UsageRows>(foundRows(count)));
    return *rows;
}

// The tool's window shown (offscreen), empty: listings are not what is
// measured here, so it stands over a small network.
struct ShownTool {
    ShownTool() : client(generatedNetwork(100)), tool(client) {
        tool.window().show();
        if (!QTest::qWaitForWindowExposed(&tool.window()))
            throw std::runtime_error("the window did not show");
    }
    nwsim::SimClient client;
    ToolWindow tool;
};

ShownTool& shownTool() {
    static ShownTool& shown = kept(std::make_unique<ShownTool>());
    return shown;
}

BareWindow& shownBare() {
    static BareWindow& bare = [&]() -> BareWindow& {
        BareWindow* window = &kept(std::make_unique<BareWindow>());
        // The tool's font, so that both windows paint the same number of rows.
        window->setFont(shownTool().tool.window().font());
        window->show();
        if (!QTest::qWaitForWindowExposed(window))
            throw std::runtime_error("the bare window did not show");
        return *window;
    }();
    return bare;
}

// Laid out and painted: what the user sees once the handler returns.
void settle(QAbstractItemView& names, QAbstractItemView& usages) {
    names.doItemsLayout();
    usages.doItemsLayout();
    names.viewport()->repaint();
    usages.viewport()->repaint();
}

void toolDisplay(benchmark::State& state, std::uint32_t count) {
    const auto& found = sharedRows(count);
    ToolWindow& tool = shownTool().tool;
    for (auto _ : state) {
        state.PauseTiming();
        vorlane::UsageRows rows = found;
        state.ResumeTiming();
        vorlane::showUsageRows(std::move(rows), tool.users(), tool.usage());
        settle(tool.users(), tool.usage());
    }
    state.counters["rows"] = tool.usage().count();
}

void floorOfDisplay(benchmark::State& state, std::uint32_t count) {
    const auto& found = sharedRows(count);
    BareWindow& bare = shownBare();
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::uint32_t> order(found.size());
        state.ResumeTiming();
        std::iota(order.begin(), order.end(), std::uint32_t{0});
        std::stable_sort(order.begin(), order.end(), [&found](std::uint32_t a, std::uint32_t b) {
            return found.kilobytes(a) > found.kilobytes(b);
        });
        QStringList names;
        QStringList usages;
        names.reserve(static_cast<qsizetype>(order.size()));
        usages.reserve(static_cast<qsizetype>(order.size()));
        for (const std::uint32_t row : order) {
            const std::string_view name = found.name(row);
            names.append(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
            usages.append(QString::number(found.kilobytes(row)));
        }
        bare.usersModel().setStringList(names);
        bare.usageModel().setStringList(usages);
        settle(bare.users(), bare.usage());
    }
    state.counters["rows"] = bare.usageModel().rowCount();
}

// One step of scrolling: the usage list moves to a new first row (by page,
// striding across the whole range as a dragged thumb does) and both lists
// paint the rows that come into view.
int nextTop(int step, const QScrollBar& bar) {
    const long long range = static_cast<long long>(bar.maximum()) + 1;
    return static_cast<int>((static_cast<long long>(step) * 7919 * bar.pageStep()) % range);
}

void toolScroll(benchmark::State& state, std::uint32_t count) {
    ToolWindow& tool = shownTool().tool;
    if (tool.usage().count() != static_cast<int>(count)) {
        vorlane::showUsageRows(sharedRows(count), tool.users(), tool.usage());
        settle(tool.users(), tool.usage());
    }
    QScrollBar& bar = *tool.usage().verticalScrollBar();
    int step = 0;
    for (auto _ : state) {
        // The window's own scroll coupling brings the name list along.
        bar.setValue(nextTop(++step, bar));
        tool.users().viewport()->repaint();
        tool.usage().viewport()->repaint();
    }
    if (tool.users().topIndex() != tool.usage().topIndex())
        state.SkipWithError("the name list did not follow the usage list");
}

void floorOfScroll(benchmark::State& state, std::uint32_t count) {
    BareWindow& bare = shownBare();
    if (bare.usageModel().rowCount() != static_cast<int>(count)) {
        const vorlane::UsageRows& rows = sharedRows(count);
        QStringList names;
        QStringList usages;
        for (std::size_t row = 0; row < rows.size(); ++row) {
            const std::string_view name = rows.name(row);
            names.append(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
            usages.append(QString::number(rows.kilobytes(row)));
        }
        bare.usersModel().setStringList(names);
        bare.usageModel().setStringList(usages);
        settle(bare.users(), bare.usage());
    }
    QScrollBar& bar = *bare.usage().verticalScrollBar();
    int step = 0;
    for (auto _ : state) {
        const int top = nextTop(++step, bar);
        bar.setValue(top);
        bare.users().verticalScrollBar()->setValue(top);
        bare.users().viewport()->repaint();
        bare.usage().viewport()->repaint();
    }
}

} // namespace

std::vector<Pair> displayPairs(const SuiteOptions& options) {
    const std::uint32_t rows = options.displayRows;
    return {
        {"Display", std::to_string(rows), [rows](benchmark::State& state) { toolDisplay(state, rows); },
         [rows](benchmark::State& state) { floorOfDisplay(state, rows); }},
        {"Scroll", std::to_string(rows), [rows](benchmark::State& state) { toolScroll(state, rows); },
         [rows](benchmark::State& state) { floorOfScroll(state, rows); }},
    };
}

} // namespace bench
