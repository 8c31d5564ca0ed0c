// Name parsing on arbitrary 8-bit text. A refused text leaves the output as it
// was; text that is too long or holds a control character is always refused.
// A name that parses is written back the way the directory writes names
// (types upper-case, values escaped) into text no longer than the original,
// which parses to the same components; each value written alone as a
// one-component name, typed and typeless, reads back as that value and fits
// the class its type names.

#include "FuzzSupport.h"
#include "netware/sim/DsName.h"

#include <algorithm>
#include <iterator>
#include <string_view>

namespace {

using nwsim::DsComponent;
using nwsim::DsName;
using nwsim::ObjectClass;

bool same(const DsName& a, const DsName& b) {
    return a.root == b.root && std::equal(a.components.begin(), a.components.end(), b.components.begin(),
                                          b.components.end(), [](const DsComponent& x, const DsComponent& y) {
                                              return x.type == y.type && x.value == y.value;
                                          });
}

// The name as the directory writes it. A lone typeless value spelled like
// "[Root]" needs its escape; next to other components it is unambiguous.
std::string written(const DsName& name) {
    if (name.root)
        return "[Root]";
    if (name.components.size() == 1 && name.components[0].type.empty())
        return nwsim::formatRdn(ObjectClass::User, name.components[0].value, true);
    std::string out;
    for (const DsComponent& c : name.components)
        out += (out.empty() ? "" : ".") + (c.type.empty() ? "" : c.type + "=") + nwsim::escapeDsValue(c.value);
    return out;
}

constexpr ObjectClass kNamed[] = {ObjectClass::Country, ObjectClass::Organization, ObjectClass::OrganizationalUnit,
                                  ObjectClass::Locality, ObjectClass::User};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    DsName name;
    name.components.push_back({"CN", "UNTOUCHED"});
    const DsName before = name;
    const auto rc = nwsim::parseDsName(text, name);
    const bool noName = text.size() > nw::kMaxDnChars || std::any_of(text.begin(), text.end(), [](char c) {
                            return static_cast<unsigned char>(c) < 0x20;
                        });
    FUZZ_REQUIRE(rc == nw::kSuccess ? !noName : rc == nw::kInvalidDsName && same(name, before));
    if (rc != nw::kSuccess)
        return 0;

    FUZZ_REQUIRE(!name.root || name.components.empty());
    const std::string again = written(name);
    DsName reread;
    FUZZ_REQUIRE(again.size() <= text.size() && nwsim::parseDsName(again, reread) == nw::kSuccess &&
                 same(reread, name));
    for (const DsComponent& c : name.components) {
        // A typed component names one of these classes; a typeless one any.
        const auto* cls = std::find_if(std::begin(kNamed), std::end(kNamed), [&](ObjectClass k) {
            return c.type.empty() || c.type == nwsim::namingAttribute(k);
        });
        FUZZ_REQUIRE(!c.value.empty() && cls != std::end(kNamed));
        for (const bool typeless : {true, false}) {
            const std::string rdn = nwsim::formatRdn(*cls, c.value, typeless);
            DsName own;
            if (rdn.size() > nw::kMaxDnChars)
                continue; // the type made it too long: no directory could hold that name
            FUZZ_REQUIRE(nwsim::parseDsName(rdn, own) == nw::kSuccess && !own.root && own.components.size() == 1 &&
                         own.components[0].value == c.value && nwsim::typeFits(own.components[0], *cls));
        }
    }
    return 0;
}
