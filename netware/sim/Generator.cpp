#include "netware/sim/Generator.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>

namespace nwsim {
namespace {

// splitmix64: tiny, fast, and its output is fixed by its definition alone.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // The modulo bias is far below anything a test of the shape could see.
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(next() % n); }

    // Uniform in [0, 1), from the top 53 bits: exact in a double on every machine.
    double unit() { return static_cast<double>(next() >> 11) * 0x1p-53; }

private:
    std::uint64_t state_;
};

struct LeafKind {
    ObjectClass cls;
    char letter;
    std::uint32_t weight; // out of 100
};

constexpr std::array<LeafKind, 7> kLeafKinds = {{
    {ObjectClass::User, 'U', 80},
    {ObjectClass::Group, 'G', 6},
    {ObjectClass::Printer, 'P', 4},
    {ObjectClass::PrintQueue, 'Q', 4},
    {ObjectClass::DirectoryMap, 'M', 2},
    {ObjectClass::Profile, 'R', 2},
    {ObjectClass::Alias, 'A', 2},
}};

constexpr std::uint32_t kMaxUsagesPerObject = 3;
constexpr std::uint32_t kBlockStep = 25;     // figures are multiples of this, so ties are frequent
constexpr std::uint32_t kBlockSteps = 4000;  // up to 100,000 blocks (400 MB)
constexpr std::uint32_t kHeavyUserOdds = 50; // one in this many uses twenty times as much

std::string numbered(std::string_view prefix, std::uint64_t number) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    std::string out(prefix);
    out.append(digits, end);
    return out;
}

// The smallest number of sub-containers per container for which a tree of
// `depth` levels below the top has at least `containers` containers.
std::uint64_t branching(std::uint64_t containers, std::uint32_t depth) {
    for (std::uint64_t b = 1;; ++b) {
        std::uint64_t total = 1;
        std::uint64_t level = 1;
        for (std::uint32_t d = 0; d < depth; ++d) {
            level = std::min(level * b, containers); // more are never needed, and it cannot overflow
            total += level;
        }
        if (total >= containers)
            return b;
    }
}

class Builder {
public:
    explicit Builder(const GeneratorSettings& s) : s_(s), random_(s.seed) {}

    Network build() {
        makeServers();

        const std::uint64_t objects = s_.objects;
        const std::uint64_t perContainer = s_.objectsPerContainer;
        // Every container but the last filled holds perContainer leaves.
        const std::uint64_t containers = std::max<std::uint64_t>(1, (objects + perContainer - 1) / perContainer);
        const std::uint64_t subContainers = branching(containers, s_.depth);
        net_.entries.reserve(1 + containers + objects);
        net_.usages.reserve(static_cast<std::size_t>(static_cast<double>(objects) * s_.usageFraction * 2.2));

        const std::uint32_t root = add("[Root]", ObjectClass::Other, kNoEntry);
        const std::uint32_t top = add("CORP", ObjectClass::Organization, root);
        net_.entries[root].containers.push_back(top);

        // Level by level: each container is given its share of leaves when it
        // is made, so containers are only made while leaves are left for them.
        struct Pending {
            std::uint32_t entry;
            std::uint64_t leaves;
        };
        std::vector<Pending> queue;
        std::uint64_t unassigned = objects;
        const auto share = [&] {
            const std::uint64_t n = std::min(perContainer, unassigned);
            unassigned -= n;
            return n;
        };
        queue.push_back({top, share()});
        std::uint64_t departments = 0;
        for (std::size_t q = 0; q < queue.size(); ++q) {
            const Pending c = queue[q];
            for (std::uint64_t i = 0; i < c.leaves; ++i)
                addLeaf(c.entry);
            // Sub-containers only while leaves are left for them: with the
            // branching above, none is left once the deepest level is reached.
            for (std::uint64_t b = 0; b < subContainers && unassigned > 0; ++b) {
                const std::uint32_t unit =
                    add(numbered("DEPT", ++departments), ObjectClass::OrganizationalUnit, c.entry);
                net_.entries[c.entry].containers.push_back(unit);
                queue.push_back({unit, share()});
            }
        }
        return std::move(net_);
    }

private:
    void makeServers() {
        for (std::uint32_t i = 1; i <= s_.servers; ++i) {
            Server server;
            server.name = numbered("FS", i);
            for (std::uint32_t v = 0; v < s_.volumesPerServer; ++v)
                server.volumes.push_back(
                    {static_cast<nw::nuint16>(v), v == 0 ? std::string("SYS") : numbered("VOL", v)});
            net_.servers.push_back(std::move(server));
        }
        net_.defaultServer = 0;
    }

    std::uint32_t add(std::string name, ObjectClass cls, std::uint32_t parent) {
        const auto index = static_cast<std::uint32_t>(net_.entries.size());
        Entry entry;
        entry.name = std::move(name);
        entry.cls = cls;
        entry.objectId = kFirstGeneratedObjectId + index;
        entry.parent = parent;
        entry.usageBegin = static_cast<std::uint32_t>(net_.usages.size());
        net_.entries.push_back(std::move(entry));
        if (parent != kNoEntry)
            net_.entries[parent].children.push_back(index);
        return index;
    }

    void addLeaf(std::uint32_t container) {
        std::uint32_t pick = random_.below(100);
        const LeafKind* kind = &kLeafKinds.back();
        for (const auto& k : kLeafKinds) {
            if (pick < k.weight) {
                kind = &k;
                break;
            }
            pick -= k.weight;
        }
        const std::uint32_t leaf = add(numbered(std::string_view(&kind->letter, 1), ++leaves_), kind->cls, container);
        if (random_.unit() < s_.usageFraction)
            addUsages(leaf);
    }

    void addUsages(std::uint32_t leaf) {
        const std::uint32_t slots = s_.servers * s_.volumesPerServer;
        const std::uint32_t count = std::min(1 + random_.below(kMaxUsagesPerObject), slots);
        const auto begin = net_.usages.size();
        while (net_.usages.size() - begin < count) {
            Usage usage;
            usage.server = random_.below(s_.servers);
            usage.volume = static_cast<nw::nuint16>(random_.below(s_.volumesPerServer));
            const bool taken =
                std::any_of(net_.usages.begin() + static_cast<std::ptrdiff_t>(begin), net_.usages.end(),
                            [&](const Usage& u) { return u.server == usage.server && u.volume == usage.volume; });
            if (taken)
                continue;
            std::uint32_t blocks = kBlockStep * (1 + random_.below(kBlockSteps));
            if (random_.below(kHeavyUserOdds) == 0)
                blocks *= 20;
            usage.inUse = static_cast<nw::nint32>(blocks);
            net_.usages.push_back(usage);
        }
        net_.entries[leaf].usageCount = count;
    }

    GeneratorSettings s_;
    Random random_;
    Network net_;
    std::uint64_t leaves_ = 0;
};

} // namespace

Network generateNetwork(const GeneratorSettings& settings) {
    GeneratorSettings s = settings;
    s.objects = std::min(s.objects, kMaxGeneratedObjects);
    s.objectsPerContainer = std::clamp<std::uint32_t>(s.objectsPerContainer, 1, kMaxObjectsPerContainer);
    s.depth = std::clamp<std::uint32_t>(s.depth, 1, kMaxGeneratedDepth);
    s.servers = std::clamp<std::uint32_t>(s.servers, 1, kMaxGeneratedServers);
    s.volumesPerServer = std::clamp<std::uint32_t>(s.volumesPerServer, 1, nw::kMaxVolumes);
    s.usageFraction = std::clamp(s.usageFraction, 0.0, 1.0);
    return Builder(s).build();
}

} // namespace nwsim
