#include "netware/sim/DirectoryIndex.h"

#include <algorithm>

namespace nwsim {

void ChildIndex::build(const std::vector<Entry>& entries) {
    tables_.assign(entries.size(), Table{});
    std::size_t total = 0;
    for (std::size_t p = 0; p < entries.size(); ++p) {
        const std::size_t n = entries[p].children.size();
        if (n == 0)
            continue;
        // At most half full, so that a probe for a name no child has ends soon.
        std::size_t capacity = 4;
        while (capacity < 2 * n)
            capacity <<= 1;
        tables_[p] = {total, static_cast<std::uint32_t>(capacity - 1)};
        total += capacity;
    }
    slots_.assign(total, Slot{});
    for (std::size_t p = 0; p < entries.size(); ++p) {
        const Table& table = tables_[p];
        for (std::uint32_t c : entries[p].children) {
            const auto h = hash(entries[c].name);
            std::size_t i = h & table.mask;
            while (slots_[table.first + i].entry != kNoEntry)
                i = (i + 1) & table.mask;
            slots_[table.first + i] = {c, h};
        }
    }
}

void ObjectIndex::build(const std::vector<Entry>& entries) {
    if (entries.empty())
        return;
    const auto [low, high] = std::ranges::minmax_element(entries, {}, &Entry::objectId);
    const std::uint64_t range = std::uint64_t{high->objectId} - low->objectId + 1;
    if (range <= 4 * std::uint64_t{entries.size()} + 64) {
        base_ = low->objectId;
        dense_.assign(static_cast<std::size_t>(range), kNoEntry);
        std::uint32_t index = 0;
        for (const Entry& e : entries) {
            auto& slot = dense_[e.objectId - base_];
            if (slot == kNoEntry)
                slot = index;
            ++index;
        }
        return;
    }
    std::uint32_t index = 0;
    for (const Entry& e : entries)
        sparse_.emplace(e.objectId, index++);
}

std::uint32_t ObjectIndex::find(nw::nuint32 objectId) const {
    if (!dense_.empty())
        return objectId >= base_ && objectId - base_ < dense_.size() ? dense_[objectId - base_] : kNoEntry;
    const auto it = sparse_.find(objectId);
    return it == sparse_.end() ? kNoEntry : it->second;
}

} // namespace nwsim
