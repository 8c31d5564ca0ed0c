#pragma once

// The stand-in's lookups into a network's directory, each in constant time
// however large the directory is: a child of a container by name, and an
// entry by object ID.

#include "netware/Charset.h"
#include "netware/sim/Network.h"

#include <string_view>
#include <unordered_map>
#include <vector>

namespace nwsim {

// The children of every entry, hashed by folded name, so that one name
// component costs one probe however many siblings it has. Each parent has a
// table of its own (open addressing, linear probing): the objects of one
// container are resolved one after another, and their probes then stay in
// that container's small table instead of roaming one table the size of the
// whole directory. Siblings that share a name are found in the order the
// directory delivers them, since the first was inserted first.
class ChildIndex {
public:
    void build(const std::vector<Entry>& entries);

    // The first child of `parent` named `value` (case-insensitively) that
    // `accept` takes, or kNoEntry.
    template <class Accept>
    std::uint32_t find(const std::vector<Entry>& entries, std::uint32_t parent, std::string_view value,
                       Accept accept) const {
        if (parent >= tables_.size() || tables_[parent].mask == 0)
            return kNoEntry;
        const Table& table = tables_[parent];
        const auto h = hash(value);
        for (std::size_t i = h & table.mask;; i = (i + 1) & table.mask) {
            const Slot& s = slots_[table.first + i];
            if (s.entry == kNoEntry)
                return kNoEntry;
            if (s.hash == h && nw::equalFoldedCp1252(entries[s.entry].name, value) && accept(s.entry))
                return s.entry;
        }
    }

private:
    struct Slot {
        std::uint32_t entry = kNoEntry;
        std::uint32_t hash = 0;
    };
    // A parent's slots: slots_[first .. first + mask]; mask 0 for a parent
    // without children.
    struct Table {
        std::size_t first = 0;
        std::uint32_t mask = 0;
    };

    static std::uint32_t hash(std::string_view name) {
        std::uint64_t h = 1469598103934665603ull; // FNV-1a over the folded bytes
        for (char c : name) {
            h ^= static_cast<unsigned char>(nw::foldCp1252(c));
            h *= 1099511628211ull;
        }
        return static_cast<std::uint32_t>(h ^ (h >> 29));
    }

    std::vector<Table> tables_;
    std::vector<Slot> slots_;
};

// Object IDs to entries. Networks number their objects densely (the loader
// and the generator count them up), so a table indexed by the distance from
// the smallest ID serves almost every network: it is smaller than a hash
// map and keeps objects that are listed together next to each other in
// memory. IDs spread too thinly for a table go to a hash map. Where two
// entries share an ID the first one counts.
class ObjectIndex {
public:
    void build(const std::vector<Entry>& entries);
    std::uint32_t find(nw::nuint32 objectId) const;

private:
    nw::nuint32 base_ = 0;
    std::vector<std::uint32_t> dense_;
    std::unordered_map<nw::nuint32, std::uint32_t> sparse_;
};

} // namespace nwsim
