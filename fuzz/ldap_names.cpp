// The directory client's reading of dotted names, on arbitrary 8-bit text.
// A refused text leaves the output as it was; text that is too long or holds
// a control character is always refused. A name that parses has non-empty
// values and attribute names for types, and written back (values escaped)
// it parses to the same components, in no more text than it came in.

#include "FuzzSupport.h"
#include "netware/ldap/Names.h"

#include <algorithm>
#include <cctype>

namespace {

using nwldap::DottedName;
using nwldap::NameComponent;

bool same(const DottedName& a, const DottedName& b) {
    return a.root == b.root && std::equal(a.components.begin(), a.components.end(), b.components.begin(),
                                          b.components.end(), [](const NameComponent& x, const NameComponent& y) {
                                              return x.type == y.type && x.value == y.value;
                                          });
}

std::string written(const DottedName& name) {
    if (name.root)
        return "[Root]";
    std::string out;
    for (const NameComponent& c : name.components) {
        std::string value = nwldap::escapeValue(c.value);
        // A lone value spelled like the root needs an escape to stay a value.
        if (name.components.size() == 1 && c.type.empty() && nwldap::foldedKey(c.value) == nwldap::foldedKey("[Root]"))
            value = "\\" + value;
        out += (out.empty() ? "" : ".") + (c.type.empty() ? "" : c.type + "=") + value;
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    DottedName name{false, {{"cn", "UNTOUCHED"}}};
    const DottedName before = name;
    const nw::NWRCODE rc = nwldap::parseName(text, name);
    FUZZ_REQUIRE(rc == nw::kSuccess || rc == nw::kInvalidDsName);
    const bool control =
        std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    if (text.size() > nw::kMaxDnChars || control)
        FUZZ_REQUIRE(rc == nw::kInvalidDsName);
    if (rc != nw::kSuccess) {
        FUZZ_REQUIRE(same(name, before));
        return 0;
    }
    FUZZ_REQUIRE(!name.root || name.components.empty());
    for (const NameComponent& c : name.components) {
        FUZZ_REQUIRE(!c.value.empty());
        FUZZ_REQUIRE(c.type.empty() || std::isalpha(static_cast<unsigned char>(c.type.front())) != 0);
    }
    const std::string again = written(name);
    FUZZ_REQUIRE(again.size() <= text.size() || name.components.size() == 1);
    DottedName reread;
    FUZZ_REQUIRE(nwldap::parseName(again, reread) == nw::kSuccess || again.size() > nw::kMaxDnChars);
    if (again.size() <= nw::kMaxDnChars)
        FUZZ_REQUIRE(same(reread, name));
    return 0;
}
