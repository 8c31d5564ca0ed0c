#include "session/Fatal.h"

#include <cstdlib>

namespace vorlane {

void die(UserChannel& user, nw::NWRCODE rc, std::string_view what) {
    user.showMessage(std::string(what) + " failed : " + std::to_string(rc));
    user.endProgram(kFailureExitStatus);
    std::abort(); // a channel whose endProgram returned broke its promise
}

std::string niceStr(std::string_view inp) {
    return std::string(inp.substr(0, inp.find('\0')));
}

} // namespace vorlane
