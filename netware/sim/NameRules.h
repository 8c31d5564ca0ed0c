#pragma once

// What a network may call its servers and volumes, checked alike for the
// servers a network file writes out and for those the generator makes.
// Names are checked as written (UTF-8): a control character must be seen
// before the conversion to 8-bit text could turn it into an undefined byte or
// a '?'. Lengths count characters after the conversion.

#include <string>
#include <string_view>

namespace nwsim {

// C0 controls, DEL and the C1 controls (U+0080 to U+009F).
bool hasControlCharacter(std::string_view utf8);

// What keeps the text from naming a server, or a volume, as the rest of a
// message ("the server name "FS[1]" contains "[", ..."); empty when nothing
// does.
std::string serverNameProblem(std::string_view utf8);
std::string volumeNameProblem(std::string_view utf8);

} // namespace nwsim
