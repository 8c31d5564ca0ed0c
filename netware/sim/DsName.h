#pragma once

// Dotted directory names as the directory library reads and writes them:
// innermost component first, components separated by '.', each either
// typeless (JSMITH) or typed (CN=JSMITH). A backslash takes the next
// character literally, so `A\.B` is the single component "A.B".
//
// Comparison is case-insensitive in the workstation's 8-bit character set
// (nw::equalFoldedCp1252); names are always handed back as the directory
// stores them.

#include "netware/Client.h"
#include "netware/sim/Network.h"

#include <string>
#include <string_view>
#include <vector>

namespace nwsim {

// One component of a name, with its escapes removed. `type` is the
// upper-case attribute type of a typed component (C, O, OU, L or CN) and
// empty for a typeless one.
struct DsComponent {
    std::string type;
    std::string value;
};

// A parsed name. `root` is set for the name [Root]; otherwise the
// components stand innermost first, as written. No components and no root:
// the empty name, which stands for the name context itself.
struct DsName {
    bool root = false;
    std::vector<DsComponent> components;
};

// Reads `text` into `out`. Returns kSuccess, or kInvalidDsName (with `out`
// unchanged) for text that is no name:
//  - more than kMaxDnChars characters, or any control character (< 0x20);
//  - an empty component: a leading or trailing dot, or two dots in a row;
//  - a type with no value ("CN="), a value with no type ("=X"), more than one
//    unescaped '=' in a component, or a type other than C, O, OU, L, CN;
//  - an unescaped '+' (multi-valued names are not supported);
//  - a backslash with nothing after it.
// The empty text is valid and has no components.
nw::NWRCODE parseDsName(std::string_view text, DsName& out);

// Whether a component may name an object of class `cls`: a typeless one
// always may, a typed one only with the class's naming attribute.
bool typeFits(const DsComponent& component, ObjectClass cls);

// The value with '.', '=', '+' and '\' escaped, so that the name can be
// passed straight back.
std::string escapeDsValue(std::string_view value);

// One object's own name as listings deliver it: "CN=JSMITH", or "JSMITH"
// when `typeless`.
std::string formatRdn(ObjectClass cls, std::string_view value, bool typeless);

} // namespace nwsim
