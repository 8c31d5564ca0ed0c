#pragma once

// The directory as one context handle has seen it: every entry it listed or
// passed through, numbered in the order they were read. A container is read
// from the directory once per context handle, whole, and resolving the names
// of its listing costs no further round trip to the server.
//
// Above the directory's naming contexts sits a root that the server does not
// have: its children are the outermost components of the naming contexts
// (ACME for o=ACME, com for dc=example,dc=com), and the components between
// them and a naming context are containers of their own, known only here.

#include "netware/ClientKit.h"

#include <deque>
#include <memory>
#include <span>
#include <string>
#include <unordered_map>
#include <vector>

namespace nwldap {

// An ID that no file can own ((uid_t)-1 means "no change" to chown), for
// entries without a uidNumber: they use nothing on any volume.
inline constexpr nw::nuint32 kNoOwner = 0xFFFFFFFF;
// Object IDs from here up stand for account names (of entries without a
// uidNumber), matched to the owner names the file servers report: no uid
// this high is ever taken from a uidNumber, so the two kinds never meet.
inline constexpr nw::nuint32 kFirstAccountId = 0xF0000000;

// One component of a DN: its attribute and its value, as the server wrote them.
struct Rdn {
    std::string type;
    std::string value; // UTF-8
};

// One entry as the directory gives it.
struct Entry {
    std::string dn;    // UTF-8, as the server gave it; empty above the naming contexts
    std::string type;  // the naming attribute
    std::string name8; // the naming value in 8-bit text, unescaped
    bool container = false;
    nw::nuint32 objectId = kNoOwner;
    std::string baseClass;
    std::string value;   // the naming value, UTF-8 as the server wrote it
    std::string account; // without a uidNumber: the name of its account on the file servers (UTF-8)
};

struct NamingContext {
    std::string dn;
    std::vector<Rdn> rdns; // innermost first
};

class DirectoryTree final : public nw::ContextMemory {
public:
    static constexpr nw::EntryId kRoot = 0;

    explicit DirectoryTree(const std::vector<NamingContext>& namingContexts);

    const Entry& entry(nw::EntryId id) const { return *nodes_[id].entry; }
    bool childrenKnown(nw::EntryId id) const { return nodes_[id].childrenKnown; }
    // Takes the children the directory listed for `parent`, in its order.
    void adopt(nw::EntryId parent, std::vector<std::unique_ptr<Entry>> children);
    // The first child of `parent` that the component names: its value,
    // ignoring case, and its naming attribute when the component is typed.
    // kNoEntryId when there is none.
    nw::EntryId find(nw::EntryId parent, const nw::NameComponent& component) const;
    // The children of a known entry (only its containers when asked).
    std::span<const nw::EntryId> children(nw::EntryId parent, bool containersOnly) const;

private:
    struct Node {
        std::unique_ptr<Entry> entry;
        bool childrenKnown = false;
        std::vector<nw::EntryId> children;                    // in the order the directory gave them
        std::vector<nw::EntryId> containers;                  // the containers among them, same order
        std::unordered_map<std::string, nw::EntryId> byValue; // folded value -> first child of it
    };
    nw::EntryId add(nw::EntryId parent, std::unique_ptr<Entry> entry);

    std::deque<Node> nodes_; // a deque: children handed out stay where they are as entries are added
};

// An entry for one component of a DN.
std::unique_ptr<Entry> entryFor(const Rdn& rdn);

// The class shown for an entry and whether it holds others: organizations,
// organizational units, countries, localities and domains are containers.
// The class shown is the first object class other than "top".
void classify(const std::vector<std::string>& objectClasses, Entry& entry);

// A uidNumber value as an object ID: a decimal number below kFirstAccountId,
// else kNoOwner (and the entry is known by its account name instead).
nw::nuint32 objectIdFrom(std::string_view uidNumber);

} // namespace nwldap
