#pragma once

#include "session/UserChannel.h"

namespace vorlane {

// Messages as modal message boxes titled with the application's name, and
// an end of the program that runs nothing after it: no unload handler, no
// destructors, as a fatal error requires.
class QtUserChannel final : public UserChannel {
public:
    void showMessage(const std::string& text) override;
    [[noreturn]] void endProgram(int status) override;
};

} // namespace vorlane
