#include "bench/RatioReport.h"

#include "bench/Responsiveness.h"
#include "bench/Suite.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

namespace bench {
namespace {

constexpr double kFrameSeconds = 1.0 / 60; // a step of scrolling within one frame at 60 Hz

std::string fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string duration(double seconds) {
    if (seconds >= 1)
        return fixed(seconds, 2) + " s";
    if (seconds >= 1e-3)
        return fixed(seconds * 1e3, 1) + " ms";
    return fixed(seconds * 1e6, 1) + " µs";
}

std::string verdict(bool judge, bool met) {
    if (!judge)
        return "(smoke run)";
    return met ? "met" : "**missed**";
}

double median(std::vector<double> values) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 == 1 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

double medianTime(const Measurement& m) {
    std::vector<double> values;
    for (const auto& [round, seconds] : m.seconds)
        values.push_back(seconds);
    return median(values);
}

// a / b within each round both were measured in, lowest, median and highest.
struct Ratios {
    double low = 0;
    double median = 0;
    double high = 0;
    bool any = false;
};

Ratios roundRatios(const Measurement& a, const Measurement& b) {
    std::vector<double> ratios;
    for (const auto& [round, seconds] : a.seconds) {
        const auto other = b.seconds.find(round);
        if (other != b.seconds.end() && other->second > 0)
            ratios.push_back(seconds / other->second);
    }
    Ratios r;
    if (ratios.empty())
        return r;
    r.any = true;
    r.low = *std::min_element(ratios.begin(), ratios.end());
    r.high = *std::max_element(ratios.begin(), ratios.end());
    r.median = median(ratios);
    return r;
}

std::string ratioText(const Ratios& r) {
    std::string text = fixed(r.median, 3);
    if (r.low != r.high)
        text += " (" + fixed(r.low, 2) + "–" + fixed(r.high, 2) + ")";
    return text;
}

bool numeric(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(c) != 0; });
}

struct PairTarget {
    const char* family;
    const char* what;
    double target;            // 0: none
    std::uint32_t targetFrom; // the target applies to networks of this size and up
};

const std::vector<PairTarget> kPairs = {
    {"ListingByVolume", "Listing by volume, Recurse", 1.1, 1000000},
    {"ListingByServer", "Listing by server, Recurse", 1.1, 1000000},
    {"Display", "Ordering and display of the results", 1.5, 0},
    {"Scroll", "One step of scrolling, both lists painted", 0, 0},
    {"Startup", "Start-up to the window shown, in process", 1.3, 0},
    {"StartupProgram", "Start-up to the window shown, whole program", 1.3, 0},
    {"DirectoryListing", "Listing by volume of one unit, directory client on a local slapd", 1.3, 10000},
    {"VolumeScan", "Scan of a volume for the usage of every owner, warm, against du -sx", 1.0, 200000},
    {"VolumeScanGdu", "The same scan, warm, against gdu -npsx", 0, 0},
    {"VolumeScanCold", "The same scan, page cache dropped, against du -sx", 1.0, 200000},
    {"VolumeScanGduCold", "The same scan, page cache dropped, against gdu -npsx", 1.0, 200000},
};

} // namespace

void RatioReport::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred) {
            anyError_ = true;
            continue;
        }
        if (run.run_type == Run::RT_Aggregate)
            continue;
        // "family/variant/size/round:n"; a benchmark run once has no round.
        std::string name = run.run_name.function_name;
        int round = 0;
        if (const auto at = name.rfind("/round:"); at != std::string::npos) {
            round = std::stoi(name.substr(at + 7));
            name.erase(at);
        }
        // Wall time where the benchmark chose it (whole program runs,
        // manual timing), else CPU time (this thread's, or the process's
        // where the work runs on threads of its own), which other work on
        // the machine inflates least.
        const std::string& type = run.run_name.time_type;
        const bool wall = type.find("real_time") != std::string::npos || type.find("manual_time") != std::string::npos;
        const double perIteration = wall ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime();
        Measurement& m = measurements_[name];
        m.seconds[round] = perIteration / benchmark::GetTimeUnitMultiplier(run.time_unit);
        m.counters = run.counters;
    }
}

const Measurement* RatioReport::find(const std::string& name) const {
    const auto it = measurements_.find(name);
    return it == measurements_.end() ? nullptr : &it->second;
}

std::vector<std::string> RatioReport::sizesOf(const std::string& family) const {
    std::vector<std::string> sizes;
    const std::string prefix = family + "/tool/";
    for (const auto& entry : measurements_) {
        if (entry.first.rfind(prefix, 0) == 0)
            sizes.push_back(entry.first.substr(prefix.size()));
    }
    std::sort(sizes.begin(), sizes.end(), [](const std::string& a, const std::string& b) {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    return sizes;
}

void RatioReport::writeSummary(std::ostream& out, bool judge) const {
    writePairs(out, judge);
    writeGrowth(out, judge);
    writeMemory(out, judge);
    writeResponsiveness(out, measurements_, judge);
}

void RatioReport::writePairs(std::ostream& out, bool judge) const {
    out << "\n| Measure | Size | Tool | Floor | Tool / floor (range) | Target | |\n";
    out << "|---|---|---|---|---|---|---|\n";
    for (const PairTarget& pair : kPairs) {
        for (const std::string& size : sizesOf(pair.family)) {
            const Measurement* tool = find(benchmarkName(pair.family, "tool", size));
            const Measurement* floor = find(benchmarkName(pair.family, "floor", size));
            if (tool == nullptr || floor == nullptr)
                continue;
            const Ratios ratio = roundRatios(*tool, *floor);
            if (!ratio.any)
                continue;
            const double toolTime = medianTime(*tool);
            std::string target = "-";
            std::string met;
            if (pair.target > 0 && (!numeric(size) || std::stoull(size) >= pair.targetFrom)) {
                target = "≤ " + fixed(pair.target, 1);
                met = verdict(judge, ratio.median <= pair.target);
            } else if (std::string(pair.family) == "Scroll") {
                target = "tool ≤ " + duration(kFrameSeconds);
                met = verdict(judge, toolTime <= kFrameSeconds);
            }
            out << "| " << pair.what << " | " << size << " | " << duration(toolTime) << " | "
                << duration(medianTime(*floor)) << " | " << ratioText(ratio) << " | " << target << " | " << met
                << " |\n";
        }
    }
}

// Ten times the objects should cost at most eleven times the time.
void RatioReport::writeGrowth(std::ostream& out, bool judge) const {
    out << "\n| Growth | Sizes | Larger | Smaller | Larger / smaller (range) | Target | |\n";
    out << "|---|---|---|---|---|---|---|\n";
    for (const std::string family : {"ListingByVolume", "ListingByServer"}) {
        const auto sizes = sizesOf(family);
        for (std::size_t i = 1; i < sizes.size(); ++i) {
            const double from = std::stod(sizes[i - 1]);
            const double to = std::stod(sizes[i]);
            for (const char* variant : {"tool", "floor"}) {
                const Measurement* small = find(benchmarkName(family, variant, sizes[i - 1]));
                const Measurement* large = find(benchmarkName(family, variant, sizes[i]));
                if (small == nullptr || large == nullptr)
                    continue;
                const Ratios growth = roundRatios(*large, *small);
                const bool judged = std::string(variant) == "tool" && to == 10 * from && from >= 100000;
                out << "| " << (family == "ListingByVolume" ? "Listing by volume" : "Listing by server") << ", "
                    << variant << " | " << sizes[i - 1] << " → " << sizes[i] << " | " << duration(medianTime(*large))
                    << " | " << duration(medianTime(*small)) << " | " << ratioText(growth) << " | "
                    << (judged ? "≤ 11" : "-") << " | " << (judged ? verdict(judge, growth.median <= 11) : "")
                    << " |\n";
            }
        }
    }
}

void RatioReport::writeMemory(std::ostream& out, bool judge) const {
    out << "\n| Memory | Objects | Peak with the listing | Peak without | Per result row | Target | |\n";
    out << "|---|---|---|---|---|---|---|\n";
    for (const auto& [name, m] : measurements_) {
        if (name.rfind("PeakMemory/", 0) != 0)
            continue;
        const auto& c = m.counters;
        if (!c.contains("bytes_per_row") || !c.contains("rows"))
            continue;
        const double perRow = c.at("bytes_per_row").value;
        out << "| After a listing by server, " << fixed(c.at("rows").value, 0) << " rows | "
            << name.substr(name.rfind('/') + 1) << " | " << fixed(c.at("listing_peak_MiB").value, 1) << " MiB | "
            << fixed(c.at("network_peak_MiB").value, 1) << " MiB | " << fixed(perRow, 0) << " bytes | ≤ 300 bytes | "
            << verdict(judge, perRow <= 300) << " |\n";
    }
}

} // namespace bench
