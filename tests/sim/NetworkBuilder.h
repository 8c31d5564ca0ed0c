#pragma once

// Builds simulated networks in code for tests: servers with their volumes,
// directory objects under their parents, and disk usage figures.

#include "netware/sim/Network.h"

#include <string>
#include <utility>
#include <vector>

namespace nwsim::test {

class NetworkBuilder {
public:
    NetworkBuilder() {
        Entry root;
        root.name = "[Root]";
        root.cls = ObjectClass::Other;
        root.objectId = nextId_++;
        net_.entries.push_back(std::move(root));
        usages_.emplace_back();
    }

    static constexpr std::uint32_t kRoot = 0;

    // Returns the server's index.
    std::uint32_t server(std::string name, std::vector<Volume> volumes = {{0, "SYS"}}) {
        net_.servers.push_back({std::move(name), std::move(volumes)});
        return static_cast<std::uint32_t>(net_.servers.size() - 1);
    }

    // Adds an object under `parent`, with the next free object ID unless
    // one is given. Returns the entry's index.
    std::uint32_t add(std::uint32_t parent, ObjectClass cls, std::string name, nw::nuint32 objectId = 0) {
        Entry e;
        e.name = std::move(name);
        e.cls = cls;
        e.objectId = objectId != 0 ? objectId : nextId_++;
        e.parent = parent;
        const auto index = static_cast<std::uint32_t>(net_.entries.size());
        net_.entries.push_back(std::move(e));
        net_.entries[parent].children.push_back(index);
        if (isContainerClass(cls))
            net_.entries[parent].containers.push_back(index);
        usages_.emplace_back();
        return index;
    }

    NetworkBuilder& use(std::uint32_t entry, std::uint32_t server, nw::nuint16 volume, nw::nint32 inUse,
                        nw::nint32 restriction = Usage{}.restriction) {
        usages_[entry].push_back({server, volume, inUse, restriction});
        return *this;
    }

    Network& knobs() { return net_; }

    Network build() const {
        Network out = net_;
        for (std::size_t i = 0; i < out.entries.size(); ++i) {
            out.entries[i].usageBegin = static_cast<std::uint32_t>(out.usages.size());
            out.entries[i].usageCount = static_cast<std::uint32_t>(usages_[i].size());
            out.usages.insert(out.usages.end(), usages_[i].begin(), usages_[i].end());
        }
        return out;
    }

private:
    Network net_;
    std::vector<std::vector<Usage>> usages_;
    nw::nuint32 nextId_ = 0x01000000;
};

} // namespace nwsim::test
