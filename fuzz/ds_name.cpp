// Name parsing on arbitrary 8-bit text. A refused text leaves the output as it
// was; text that is too long or holds a control character is always refused.
// Each value of a name that parses, written alone as a one-component name the
// way the directory writes it (typed and typeless, value escaped), reads back
// as that value. (How names split, are typed and are written, the unit tests
// assert on cases of their own.)

#include "FuzzSupport.h"
#include "netware/sim/DsName.h"

#include <algorithm>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    nwsim::DsName name;
    name.components.push_back({"CN", "UNTOUCHED"});
    const auto rc = nwsim::parseDsName(text, name);
    const bool noName = text.size() > nw::kMaxDnChars || std::any_of(text.begin(), text.end(), [](char c) {
                            return static_cast<unsigned char>(c) < 0x20;
                        });
    FUZZ_REQUIRE(rc == nw::kSuccess ? !noName && (!name.root || name.components.empty())
                                    : rc == nw::kInvalidDsName && !name.root && name.components.size() == 1 &&
                                          name.components[0].type == "CN" && name.components[0].value == "UNTOUCHED");
    if (rc != nw::kSuccess)
        return 0;
    for (const nwsim::DsComponent& c : name.components) {
        for (const bool typeless : {true, false}) {
            const std::string rdn = nwsim::formatRdn(nwsim::ObjectClass::User, c.value, typeless);
            nwsim::DsName own;
            if (rdn.size() > nw::kMaxDnChars)
                continue; // the type made it too long: no directory could hold that name
            FUZZ_REQUIRE(nwsim::parseDsName(rdn, own) == nw::kSuccess && !own.root && own.components.size() == 1 &&
                         own.components[0].value == c.value);
        }
    }
    return 0;
}
