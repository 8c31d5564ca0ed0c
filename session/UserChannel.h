#pragma once

#include <string>

namespace vorlane {

// How the tool talks to its user outside the window: modal messages and the
// immediate end of the program. The window supplies the real one; tests
// supply one that records the texts and turns the end of the program into
// something they can observe.
class UserChannel {
public:
    virtual ~UserChannel() = default;

    // Shows `text` (UTF-8) in a modal message box with an OK button only and
    // returns once the user has confirmed it.
    virtual void showMessage(const std::string& text) = 0;

    // Ends the program at once with `status`: no handler runs after it.
    [[noreturn]] virtual void endProgram(int status) = 0;
};

} // namespace vorlane
