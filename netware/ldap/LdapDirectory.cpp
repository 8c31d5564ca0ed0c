// The directory client's directory: what each context handle has read of
// it, and the reads it still needs.

#include "netware/Charset.h"
#include "netware/ldap/ErrorCodes.h"
#include "netware/ldap/LdapClient.h"
#include "netware/ldap/Report.h"

#include <chrono>

namespace nwldap {
namespace {

constexpr auto kProgressEvery = std::chrono::milliseconds(100);

DirectoryTree& treeOf(nw::ContextMemory* memory) {
    return static_cast<DirectoryTree&>(*memory);
}

} // namespace

// What the read of a container tells the watcher as it goes: once the read
// has taken 100 ms, how many entries it holds; after that at most every
// 100 ms, and only when the count has changed.
std::function<void(std::size_t)> LdapClient::readingProgress(const Entry& container) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    return [this, start, said = start, name = nw::cp1252ToUtf8(container.name8),
            count = std::size_t{0}](std::size_t entries) mutable {
        const Clock::time_point now = Clock::now();
        if (watcher() == nullptr || now - said < kProgressEvery || (said != start && entries == count))
            return;
        said = now;
        count = entries;
        watcher()->doing("Reading " + name + ": " + grouped(entries) + (entries == 1 ? " entry" : " entries"));
    };
}

// Every context handle has a memory of the directory of its own.
std::unique_ptr<nw::ContextMemory> LdapClient::newContextMemory() {
    return std::make_unique<DirectoryTree>(directory_->namingContexts());
}

nw::EntryId LdapClient::root(nw::ContextMemory*) {
    return DirectoryTree::kRoot;
}

// The whole container is read at once, in pages, and kept with the context:
// the directory may drop a paged search as soon as another search runs on
// the connection, and the tool interleaves listings (a walk goes down into
// a container before its parent's listing has ended).
nw::NWRCODE LdapClient::readChildren(DirectoryTree& tree, nw::EntryId parent) {
    if (tree.childrenKnown(parent))
        return nw::kSuccess;
    std::vector<std::unique_ptr<Entry>> children;
    const Entry& container = tree.entry(parent);
    if (const int rc = directory_->readChildren(
            container.dn, children, [this] { return watcher() != nullptr && watcher()->cancelled(); },
            readingProgress(container));
        rc != 0)
        return codeForLdap(rc);
    tree.adopt(parent, std::move(children));
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::child(nw::ContextMemory* memory, nw::EntryId parent, const nw::NameComponent& component,
                              nw::EntryId& out) {
    DirectoryTree& tree = treeOf(memory);
    if (const nw::NWRCODE rc = readChildren(tree, parent); rc != nw::kSuccess)
        return rc;
    const nw::EntryId found = tree.find(parent, component);
    if (found == nw::kNoEntryId)
        return nw::kNoSuchEntry;
    out = found;
    return nw::kSuccess;
}

nw::NWRCODE LdapClient::children(nw::ContextMemory* memory, nw::EntryId parent, bool containersOnly,
                                 std::span<const nw::EntryId>& out) {
    DirectoryTree& tree = treeOf(memory);
    if (const nw::NWRCODE rc = readChildren(tree, parent); rc != nw::kSuccess)
        return rc;
    out = tree.children(parent, containersOnly);
    return nw::kSuccess;
}

nw::EntryFacts LdapClient::facts(nw::ContextMemory* memory, nw::EntryId entry) const {
    const Entry& e = treeOf(memory).entry(entry);
    return {e.type, e.name8, e.baseClass, e.container, false, 0};
}

nw::nuint32 LdapClient::objectIdOf(nw::ContextMemory* memory, nw::EntryId entry) const {
    const Entry& e = treeOf(memory).entry(entry);
    return e.objectId == kNoOwner && !e.account.empty() ? accountId(e.account) : e.objectId;
}

} // namespace nwldap
