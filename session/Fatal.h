#pragma once

#include "netware/Client.h"
#include "session/UserChannel.h"

#include <string>
#include <string_view>

namespace vorlane {

// The exit status of every run that ends on a failure.
inline constexpr int kFailureExitStatus = 1;

// The one fatal-error report: "<what> failed : <rc>", then the end of the
// program.
[[noreturn]] void die(UserChannel& user, nw::NWRCODE rc, std::string_view what);

// The text of a fixed buffer up to its first NUL. A buffer the client filled
// to the last byte without a NUL is taken whole: it is the name, not garbage.
std::string niceStr(std::string_view inp);

} // namespace vorlane
