#include "netware/ldap/DirectoryTree.h"

#include "netware/Charset.h"
#include "netware/ldap/Chunks.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace nwldap {

void Entry::addChild(std::unique_ptr<Entry> child) {
    byKey_.try_emplace(foldedKey(child->name8), child.get());
    children.push_back(std::move(child));
}

void Entry::replaceChildren(std::vector<std::unique_ptr<Entry>> listed) {
    children.clear();
    byKey_.clear();
    byKey_.reserve(listed.size());
    for (auto& child : listed)
        addChild(std::move(child));
    childrenKnown = true;
}

Entry* Entry::find(const NameComponent& component) const {
    const auto it = byKey_.find(foldedKey(component.value));
    if (it == byKey_.end())
        return nullptr;
    if (!component.type.empty() && !sameType(component.type, it->second->type))
        return nullptr;
    return it->second;
}

std::unique_ptr<Entry> entryFor(const Rdn& rdn) {
    auto entry = std::make_unique<Entry>();
    entry->type = rdn.type;
    entry->name8 = nw::utf8ToCp1252(rdn.value);
    return entry;
}

DirectoryTree::DirectoryTree(const std::vector<NamingContext>& namingContexts) {
    root_.container = true;
    root_.childrenKnown = true;
    root_.baseClass = "Top";
    for (const NamingContext& context : namingContexts) {
        Entry* at = &root_;
        for (auto rdn = context.rdns.rbegin(); rdn != context.rdns.rend(); ++rdn) {
            Entry* next = at->find({rdn->type, nw::utf8ToCp1252(rdn->value)});
            if (next == nullptr) {
                auto made = entryFor(*rdn);
                made->container = true;
                made->childrenKnown = true; // nothing but other naming contexts below it
                made->baseClass = "Top";
                next = made.get();
                at->addChild(std::move(made));
            }
            at = next;
        }
        if (at != &root_) {
            at->dn = context.dn;
            at->childrenKnown = false; // the server knows what lies below
        }
    }
}

nw::NWRCODE DirectoryTree::resolve(Entry& from, const std::vector<NameComponent>& components,
                                   const FetchChildren& fetch, Entry*& out) {
    Entry* at = &from;
    for (auto component = components.rbegin(); component != components.rend(); ++component) {
        if (!at->childrenKnown) {
            if (const nw::NWRCODE rc = fetch(*at); rc != nw::kSuccess)
                return rc;
        }
        at = at->find(*component);
        if (at == nullptr)
            return nw::kNoSuchEntry;
    }
    out = at;
    return nw::kSuccess;
}

void classify(const std::vector<std::string>& objectClasses, Entry& entry) {
    static constexpr std::array<std::string_view, 5> kContainers = {"organization", "organizationalUnit", "country",
                                                                    "locality", "domain"};
    entry.container = std::any_of(objectClasses.begin(), objectClasses.end(), [](const std::string& cls) {
        return std::any_of(kContainers.begin(), kContainers.end(),
                           [&cls](std::string_view container) { return sameType(cls, container); });
    });
    entry.baseClass.clear();
    for (const std::string& cls : objectClasses) {
        if (!sameType(cls, "top")) {
            entry.baseClass = nw::utf8ToCp1252(cls).substr(0, kMaxClassChars);
            break;
        }
    }
}

nw::nuint32 objectIdFrom(std::string_view uidNumber) {
    nw::nuint32 id = kNoOwner;
    const auto [end, ec] = std::from_chars(uidNumber.data(), uidNumber.data() + uidNumber.size(), id);
    if (ec != std::errc() || end != uidNumber.data() + uidNumber.size() || uidNumber.empty())
        return kNoOwner;
    return id;
}

} // namespace nwldap
