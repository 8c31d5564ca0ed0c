// The one reading of dotted names, on arbitrary 8-bit text, under either
// client's rule of attribute types. A refused text leaves the output as it
// was; text that is too long or holds a control character is always refused.
// A name that parses, written back component by component as a listing
// delivers each (values escaped, a typeless [Root] too), parses to the same
// components. (How names split, are typed and are written, the unit tests
// assert on cases of their own.)

#include "FuzzSupport.h"
#include "netware/DottedName.h"
#include "netware/sim/Network.h"

#include <algorithm>
#include <string_view>

namespace {

std::string written(const nw::DottedName& name) {
    if (name.root)
        return "[Root]";
    std::string out;
    for (const nw::NameComponent& c : name.components)
        out += (out.empty() ? "" : ".") + nw::componentText(c);
    return out;
}

void readBack(std::string_view text, nw::TypeRule allowed) {
    nw::DottedName name;
    name.components.push_back({"CN", "UNTOUCHED"});
    const auto rc = nw::parseName(text, allowed, name);
    const bool noName = text.size() > nw::kMaxDnChars || std::any_of(text.begin(), text.end(), [](char c) {
                            return static_cast<unsigned char>(c) < 0x20;
                        });
    FUZZ_REQUIRE(rc == nw::kSuccess ? !noName && (!name.root || name.components.empty())
                                    : rc == nw::kInvalidDsName && !name.root && name.components.size() == 1 &&
                                          name.components[0].type == "CN" && name.components[0].value == "UNTOUCHED");
    if (rc != nw::kSuccess)
        return;
    const std::string again = written(name);
    nw::DottedName reread;
    if (again.size() > nw::kMaxDnChars)
        return; // only escapes can have made it longer: no name of that value fits
    FUZZ_REQUIRE(nw::parseName(again, allowed, reread) == nw::kSuccess && written(reread) == again &&
                 reread.components.size() == name.components.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    readBack(text, nw::anyAttributeName); // the directory client's
    readBack(text, nwsim::isNamingType);  // the stand-in's
    return 0;
}
