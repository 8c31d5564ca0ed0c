#pragma once

// The directory as one context handle has seen it: every entry it listed or
// passed through, under the names it handed out for them. A name the client
// delivered resolves through this memory to the very entry it was made from,
// even where the 8-bit set could not hold the entry's name (its characters
// became '?'), and resolving the names of a listing costs no further
// round trip to the server.
//
// Above the directory's naming contexts sits a root that the server does not
// have: its children are the outermost components of the naming contexts
// (ACME for o=ACME, com for dc=example,dc=com), and the components between
// them and a naming context are containers of their own, known only here.

#include "netware/Client.h"
#include "netware/ldap/Names.h"

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace nwldap {

// An ID that no file can own ((uid_t)-1 means "no change" to chown), for
// entries without a uidNumber: they use nothing on any volume.
inline constexpr nw::nuint32 kNoOwner = 0xFFFFFFFF;

// One component of a DN: its attribute and its value, as the server wrote them.
struct Rdn {
    std::string type;
    std::string value; // UTF-8
};

struct Entry {
    std::string dn;    // UTF-8, as the server gave it; empty above the naming contexts
    std::string type;  // the naming attribute
    std::string name8; // the naming value in 8-bit text, unescaped
    bool container = false;
    nw::nuint32 objectId = kNoOwner;
    std::string baseClass;
    bool childrenKnown = false;
    std::vector<std::unique_ptr<Entry>> children; // in the order the directory gave them

    // Siblings are expected to differ in name; of two that share one, the
    // first one listed is the one found.
    void addChild(std::unique_ptr<Entry> child);
    void replaceChildren(std::vector<std::unique_ptr<Entry>> listed);
    Entry* find(const NameComponent& component) const;

private:
    std::unordered_map<std::string, Entry*> byKey_;
};

// Reads the children of an entry from the directory into it (through
// replaceChildren); returns a code of the client.
using FetchChildren = std::function<nw::NWRCODE(Entry& parent)>;

struct NamingContext {
    std::string dn;
    std::vector<Rdn> rdns; // innermost first
};

class DirectoryTree {
public:
    explicit DirectoryTree(const std::vector<NamingContext>& namingContexts);

    Entry& root() { return root_; }

    // The entry of a name (components innermost first) below `from`, the
    // root for a full name. Children not yet known are fetched on the way
    // down. kNoSuchEntry when a component has no entry; a fetch's own code
    // when it fails.
    static nw::NWRCODE resolve(Entry& from, const std::vector<NameComponent>& components, const FetchChildren& fetch,
                               Entry*& out);

private:
    Entry root_;
};

// An entry for one component of a DN.
std::unique_ptr<Entry> entryFor(const Rdn& rdn);

// The class shown for an entry and whether it holds others: organizations,
// organizational units, countries, localities and domains are containers.
// The class shown is the first object class other than "top".
void classify(const std::vector<std::string>& objectClasses, Entry& entry);

// A uidNumber value as an object ID: a decimal number below kNoOwner, else
// kNoOwner.
nw::nuint32 objectIdFrom(std::string_view uidNumber);

} // namespace nwldap
