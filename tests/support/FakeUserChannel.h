#pragma once

#include "session/UserChannel.h"

#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// Thrown where the real program would end; tests catch it to see that the
// program ended, with which status, and that nothing ran after it.
struct ProgramEnded {
    int status;
};

// Records every message instead of showing it, and turns the end of the
// program into a ProgramEnded exception.
class FakeUserChannel final : public vorlane::UserChannel {
public:
    void showMessage(const std::string& text) override {
        messages.push_back(text);
        if (onMessage)
            onMessage(text);
    }
    [[noreturn]] void endProgram(int status) override { throw ProgramEnded{status}; }

    std::vector<std::string> messages;
    std::function<void(const std::string&)> onMessage;
};

} // namespace testing_support
