// What a network may call its servers and volumes.

#include "netware/sim/NameRules.h"

#include <gtest/gtest.h>

namespace nwsim {
namespace {

TEST(NameRules, ServerAndVolumeNames) {
    const std::string n47(47, 'N');
    const std::tuple<bool, std::string, std::string> cases[] = {
        {true, n47, ""},
        {true, "FS\u00A0", ""}, // the first character above the controls
        {true, "", "a server name cannot be empty"},
        {true, n47 + "N", "the server name \"" + n47 + "N\" is longer than 47 characters"},
        {true, "FS[1]", "the server name \"FS[1]\" contains \"[\", which server names cannot hold"},
        {true, "FSŁ", "contains \"?\""},
        {true, "FS\x7F", "the server name \"FS\x7F\" contains a control character"},
        {true, "FS\x1F", "a control character"},
        {true, "FS\u0085", "a control character"},
        {false, "VOL?: []", ""},
        {false, "ÀÀÀÀÀÀÀÀÀÀÀÀÀÀÀÀ", ""}, // 16 characters in 32 bytes
        {false, std::string(17, 'V'), "the volume name \"VVVVVVVVVVVVVVVVV\" is longer than 16 characters"},
    };
    for (const auto& [server, name, problem] : cases) {
        const std::string found = server ? serverNameProblem(name) : volumeNameProblem(name);
        EXPECT_TRUE(problem.empty() ? found.empty() : found.find(problem) != std::string::npos)
            << name << ": " << found;
    }
}

} // namespace
} // namespace nwsim
