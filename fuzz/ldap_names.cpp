// The directory client's reading of dotted names, on arbitrary 8-bit text.
// (That a refused text leaves the name as it was is asserted case by case in
// the unit tests.) A name that parses, written
// back (values escaped), parses to the same components, in no more text than
// it came in: so no component is empty and every type is an attribute name.

#include "FuzzSupport.h"
#include "netware/ldap/Names.h"

namespace {

// The root, or the components as "type=value" with the value escaped.
std::string written(const nwldap::DottedName& name) {
    if (name.root)
        return "[Root]";
    std::string out;
    for (const nwldap::NameComponent& c : name.components) {
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
    nwldap::DottedName name;
    if (nwldap::parseName(text, name) != nw::kSuccess)
        return 0;
    const std::string again = written(name);
    FUZZ_REQUIRE(again.size() <= text.size() || name.components.size() == 1);
    nwldap::DottedName reread;
    FUZZ_REQUIRE(nwldap::parseName(again, reread) == nw::kSuccess || again.size() > nw::kMaxDnChars);
    // Equal components write the same text, and the text tells the type apart.
    if (again.size() <= nw::kMaxDnChars)
        FUZZ_REQUIRE(written(reread) == again && reread.components.size() == name.components.size());
    return 0;
}
