// Name parsing on arbitrary 8-bit text. A refused text leaves the output as it
// was; text that is too long or holds a control character is always refused.
// A name that parses is written back the way the directory writes names
// (types upper-case, values escaped) into text no longer than the original,
// which parses to the same components; each value written alone as a
// one-component name reads back as that value, typed and typeless.

#include "FuzzSupport.h"
#include "netware/sim/DsName.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

using nwsim::DsComponent;
using nwsim::DsName;
using nwsim::ObjectClass;

bool sameComponents(const DsName& a, const DsName& b) {
    return a.root == b.root && a.components.size() == b.components.size() &&
           std::equal(
               a.components.begin(), a.components.end(), b.components.begin(),
               [](const DsComponent& x, const DsComponent& y) { return x.type == y.type && x.value == y.value; });
}

// The name as the directory writes it. A lone typeless value spelled like
// "[Root]" needs its escape; next to other components it is unambiguous.
std::string written(const DsName& name) {
    if (name.root)
        return "[Root]";
    if (name.components.size() == 1 && name.components[0].type.empty())
        return nwsim::formatRdn(ObjectClass::User, name.components[0].value, true);
    std::string out;
    for (const DsComponent& c : name.components) {
        if (!out.empty())
            out += '.';
        if (!c.type.empty())
            out += c.type + '=';
        out += nwsim::escapeDsValue(c.value);
    }
    return out;
}

ObjectClass classNamedBy(std::string_view type) {
    if (type == "C")
        return ObjectClass::Country;
    if (type == "O")
        return ObjectClass::Organization;
    if (type == "OU")
        return ObjectClass::OrganizationalUnit;
    if (type == "L")
        return ObjectClass::Locality;
    return ObjectClass::User;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    DsName name;
    name.components.push_back({"CN", "UNTOUCHED"});
    const DsName before = name;
    const auto rc = nwsim::parseDsName(text, name);
    FUZZ_REQUIRE(rc == nw::kSuccess || rc == nw::kInvalidDsName);
    const bool control =
        std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    if (text.size() > nw::kMaxDnChars || control)
        FUZZ_REQUIRE(rc == nw::kInvalidDsName);
    if (rc != nw::kSuccess) {
        FUZZ_REQUIRE(sameComponents(name, before));
        return 0;
    }

    FUZZ_REQUIRE(!name.root || name.components.empty());
    constexpr std::array<std::string_view, 6> kTypes = {"", "C", "O", "OU", "L", "CN"};
    for (const DsComponent& c : name.components) {
        FUZZ_REQUIRE(!c.value.empty());
        FUZZ_REQUIRE(std::find(kTypes.begin(), kTypes.end(), c.type) != kTypes.end());
    }

    const std::string again = written(name);
    FUZZ_REQUIRE(again.size() <= text.size());
    DsName reread;
    FUZZ_REQUIRE(nwsim::parseDsName(again, reread) == nw::kSuccess);
    FUZZ_REQUIRE(sameComponents(reread, name));

    for (const DsComponent& c : name.components) {
        for (const bool typeless : {true, false}) {
            const ObjectClass cls = classNamedBy(c.type);
            const std::string rdn = nwsim::formatRdn(cls, c.value, typeless);
            if (rdn.size() > nw::kMaxDnChars)
                continue; // the type made it too long: no directory could hold that name
            DsName own;
            FUZZ_REQUIRE(nwsim::parseDsName(rdn, own) == nw::kSuccess);
            FUZZ_REQUIRE(!own.root && own.components.size() == 1 && own.components[0].value == c.value);
            FUZZ_REQUIRE(nwsim::typeFits(own.components[0], cls));
        }
    }
    return 0;
}
