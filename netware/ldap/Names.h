#pragma once

// The tool's dotted names, as the directory client reads and writes them.
//
// A name is a dot-separated list of components, innermost first:
// SMITH.EAST.SALES.ACME, or typed, CN=SMITH.OU=EAST.OU=SALES.O=ACME, or a
// mix. A typeless component stands for an entry whose naming value is that
// text, whatever its naming attribute; a typed one also names the attribute.
// A backslash takes the next character literally, so A\.B is the one
// component "A.B". The text is 8-bit (Windows-1252) throughout.

#include "netware/Client.h"

#include <string>
#include <string_view>
#include <vector>

namespace nwldap {

struct NameComponent {
    std::string type;  // the naming attribute as written, empty when typeless
    std::string value; // unescaped
};

struct DottedName {
    bool root = false;                     // "[Root]": the top of the directory
    std::vector<NameComponent> components; // innermost first; empty for "" and "[Root]"
};

// Reads a name. Returns kSuccess, or kInvalidDsName (leaving `out` alone) for
// text of more than 256 characters; a control character; an empty component
// (a leading or trailing dot, ".."); a type or value missing around "=";
// two unescaped "=" in one component; a type that is no attribute name
// (a letter, then letters, digits and "-"); an escape in the type; an
// unescaped "+"; a backslash at the very end. Spaces belong to the text.
nw::NWRCODE parseName(std::string_view text, DottedName& out);

// A value as a component of a name: "." "=" "+" and "\" escaped, so that
// parseName gives the value back.
std::string escapeValue(std::string_view value);

// The text a name is matched by: every byte folded the way the directory
// compares names, ignoring case.
std::string foldedKey(std::string_view text);

// True when two attribute names are the same one (they ignore case).
bool sameType(std::string_view a, std::string_view b);

} // namespace nwldap
