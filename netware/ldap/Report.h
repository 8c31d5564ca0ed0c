#pragma once

// Text for the lines the directory client writes to standard error.

#include <cstddef>
#include <string>
#include <string_view>

namespace nwldap {

// Text from outside (a DN from the server, a URI, a path) as a terminal may
// show it: every byte below 0x20, 0x7F, every byte of a C1 control
// (U+0080-U+009F) and every byte of malformed UTF-8 as \xNN, a backslash as
// \\, the rest of valid UTF-8 unchanged. A name cannot move the cursor,
// recolour the terminal or hide a line behind another.
std::string printable(std::string_view text);

// A count with its thousands grouped: 12,000.
std::string grouped(std::size_t count);

} // namespace nwldap
