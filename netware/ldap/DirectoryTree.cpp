#include "netware/ldap/DirectoryTree.h"

#include "netware/Charset.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace nwldap {

DirectoryTree::DirectoryTree(const std::vector<NamingContext>& namingContexts) {
    auto top = std::make_unique<Entry>();
    top->container = true;
    top->baseClass = "Top";
    nodes_.push_back({std::move(top), true, {}, {}, {}});
    for (const NamingContext& context : namingContexts) {
        nw::EntryId at = kRoot;
        for (auto rdn = context.rdns.rbegin(); rdn != context.rdns.rend(); ++rdn) {
            nw::EntryId next = find(at, {rdn->type, nw::utf8ToCp1252(rdn->value)});
            if (next == nw::kNoEntryId) {
                auto made = entryFor(*rdn);
                made->container = true;
                made->baseClass = "Top";
                next = add(at, std::move(made));
                nodes_[next].childrenKnown = true; // nothing but other naming contexts below it
            }
            at = next;
        }
        if (at != kRoot) {
            nodes_[at].entry->dn = context.dn;
            nodes_[at].childrenKnown = false; // the server knows what lies below
        }
    }
}

nw::EntryId DirectoryTree::add(nw::EntryId parent, std::unique_ptr<Entry> entry) {
    const auto id = static_cast<nw::EntryId>(nodes_.size());
    const bool container = entry->container;
    nodes_[parent].byValue.try_emplace(nw::foldedCp1252(entry->name8), id);
    nodes_.push_back({std::move(entry), false, {}, {}, {}});
    Node& at = nodes_[parent];
    at.children.push_back(id);
    if (container)
        at.containers.push_back(id);
    return id;
}

void DirectoryTree::adopt(nw::EntryId parent, std::vector<std::unique_ptr<Entry>> children) {
    Node& node = nodes_[parent];
    node.children.clear();
    node.containers.clear();
    node.byValue.clear();
    node.childrenKnown = true;
    for (auto& child : children)
        add(parent, std::move(child));
}

nw::EntryId DirectoryTree::find(nw::EntryId parent, const nw::NameComponent& component) const {
    const Node& node = nodes_[parent];
    const auto it = node.byValue.find(nw::foldedCp1252(component.value));
    if (it == node.byValue.end())
        return nw::kNoEntryId;
    if (component.type.empty() || nw::sameType(component.type, entry(it->second).type))
        return it->second;
    // Siblings that share a value are told apart by their attributes.
    const auto typed = std::find_if(node.children.begin(), node.children.end(), [&](nw::EntryId c) {
        return nw::sameType(component.type, entry(c).type) && nw::equalFoldedCp1252(component.value, entry(c).name8);
    });
    return typed == node.children.end() ? nw::kNoEntryId : *typed;
}

std::span<const nw::EntryId> DirectoryTree::children(nw::EntryId parent, bool containersOnly) const {
    const Node& node = nodes_[parent];
    return containersOnly ? node.containers : node.children;
}

std::unique_ptr<Entry> entryFor(const Rdn& rdn) {
    auto entry = std::make_unique<Entry>();
    entry->type = rdn.type;
    entry->name8 = nw::utf8ToCp1252(rdn.value);
    entry->value = rdn.value;
    return entry;
}

void classify(const std::vector<std::string>& objectClasses, Entry& entry) {
    static constexpr std::array<std::string_view, 5> kContainers = {"organization", "organizationalUnit", "country",
                                                                    "locality", "domain"};
    entry.container = std::any_of(objectClasses.begin(), objectClasses.end(), [](const std::string& cls) {
        return std::any_of(kContainers.begin(), kContainers.end(),
                           [&cls](std::string_view container) { return nw::sameType(cls, container); });
    });
    entry.baseClass.clear();
    for (const std::string& cls : objectClasses) {
        if (!nw::sameType(cls, "top")) {
            entry.baseClass = nw::utf8ToCp1252(cls).substr(0, nw::kMaxClassNameChars);
            break;
        }
    }
}

nw::nuint32 objectIdFrom(std::string_view uidNumber) {
    nw::nuint32 id = kNoOwner;
    const auto [end, ec] = std::from_chars(uidNumber.data(), uidNumber.data() + uidNumber.size(), id);
    if (ec != std::errc() || end != uidNumber.data() + uidNumber.size() || uidNumber.empty() || id >= kFirstAccountId)
        return kNoOwner;
    return id;
}

} // namespace nwldap
