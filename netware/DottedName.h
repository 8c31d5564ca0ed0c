#pragma once

// Dotted directory names as the directory library reads and writes them:
// innermost component first, components separated by '.', each typeless
// (JSMITH) or typed (CN=JSMITH). A backslash takes the next character
// literally, so `A\.B` is the single component "A.B". The text is 8-bit
// (Windows-1252) throughout, and names compare ignoring case (Charset.h).

#include "netware/Client.h"

#include <string>
#include <string_view>
#include <vector>

namespace nw {

// One component of a name, its escapes removed. `type` is the attribute
// type as written, empty for a typeless component.
struct NameComponent {
    std::string type;
    std::string value;
};

// A parsed name. `root` is set for the name [Root] (any case), the top of
// the tree; otherwise the components stand innermost first, as written. No
// components and no root: the empty name, which stands for the name context
// itself.
struct DottedName {
    bool root = false;
    std::vector<NameComponent> components;
};

// Which attribute types a typed component may carry: each client has its
// own (the stand-in C, O, OU, L and CN; the directory client any).
using TypeRule = bool (*)(std::string_view type);

// Any attribute name: a letter, then letters, digits and '-'.
bool anyAttributeName(std::string_view type);

// Reads `text` into `out`. Returns kSuccess, or kInvalidDsName (with `out`
// unchanged) for text that is no name:
//  - more than kMaxDnChars characters, or any control character (< 0x20);
//  - an empty component: a leading or trailing dot, or two dots in a row;
//  - a type with no value ("CN="), a value with no type ("=X"), more than one
//    unescaped '=' in a component, a type that `allowed` refuses, or an
//    escape inside the type;
//  - an unescaped '+' (multi-valued names are not supported);
//  - a backslash with nothing after it.
// Spaces belong to the text. The empty text is valid and has no components.
NWRCODE parseName(std::string_view text, TypeRule allowed, DottedName& out);

// Whether two attribute types are the same one: they ignore case.
bool sameType(std::string_view a, std::string_view b);

// The value with '.', '=', '+' and '\' escaped, so that it reads back as
// the one value.
std::string escapeValue(std::string_view value);

// One component as a listing delivers it, escaped: TYPE=value, or the value
// alone when it has no type. Alone and typeless, the value [Root] would name
// the top of the tree instead, so it goes out as \[Root].
std::string componentText(const NameComponent& component);

} // namespace nw
