#include "netware/sim/NameRules.h"

#include "netware/Charset.h"
#include "netware/Protocol.h"

namespace nwsim {
namespace {

// Bindery names hold neither spaces nor these; a character the 8-bit set
// cannot hold has become '?' and is refused like a written one.
constexpr std::string_view kNotInServerNames = " /\\:;,*?[]";

std::string quoted(std::string_view text) {
    return '"' + std::string(text) + '"';
}

std::string nameProblem(std::string_view kind, std::string_view utf8, std::size_t maxChars) {
    if (utf8.empty())
        return "a " + std::string(kind) + " cannot be empty";
    const std::string the = "the " + std::string(kind) + " " + quoted(utf8);
    if (hasControlCharacter(utf8))
        return the + " contains a control character";
    if (nw::utf8ToCp1252(utf8).size() > maxChars)
        return the + " is longer than " + std::to_string(maxChars) + " characters";
    return {};
}

} // namespace

bool hasControlCharacter(std::string_view utf8) {
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        if (b < 0x20 || b == 0x7F)
            return true;
        // U+0080 to U+009F are encoded C2 80 to C2 9F.
        if (b == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) <= 0x9F)
            return true;
    }
    return false;
}

std::string serverNameProblem(std::string_view utf8) {
    if (std::string problem = nameProblem("server name", utf8, nw::kMaxServerNameChars); !problem.empty())
        return problem;
    const std::string name = nw::utf8ToCp1252(utf8);
    if (const auto bad = name.find_first_of(kNotInServerNames); bad != std::string::npos)
        return "the server name " + quoted(utf8) + " contains " + quoted(name.substr(bad, 1)) +
               ", which server names cannot hold (nor spaces, / \\ : ; , * ? [ ])";
    return {};
}

std::string volumeNameProblem(std::string_view utf8) {
    return nameProblem("volume name", utf8, nw::kMaxVolumeNameChars);
}

} // namespace nwsim
