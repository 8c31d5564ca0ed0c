#include "netware/sim/Network.h"

#include "netware/Charset.h"

#include <algorithm>
#include <array>

namespace nwsim {
namespace {

struct ClassInfo {
    ObjectClass cls;
    const char* name;
    const char* naming;
};

constexpr std::array<ClassInfo, 14> kClasses = {{
    {ObjectClass::Country, "Country", "C"},
    {ObjectClass::Organization, "Organization", "O"},
    {ObjectClass::OrganizationalUnit, "Organizational Unit", "OU"},
    {ObjectClass::Locality, "Locality", "L"},
    {ObjectClass::User, "User", "CN"},
    {ObjectClass::Group, "Group", "CN"},
    {ObjectClass::Printer, "Printer", "CN"},
    {ObjectClass::PrintQueue, "Queue", "CN"},
    {ObjectClass::NcpServer, "NCP Server", "CN"},
    {ObjectClass::Volume, "Volume", "CN"},
    {ObjectClass::DirectoryMap, "Directory Map", "CN"},
    {ObjectClass::Profile, "Profile", "CN"},
    {ObjectClass::Alias, "Alias", "CN"},
    {ObjectClass::Other, "Top", "CN"},
}};

const ClassInfo& info(ObjectClass c) {
    return kClasses[static_cast<std::size_t>(c)];
}

} // namespace

bool isContainerClass(ObjectClass c) {
    return c == ObjectClass::Country || c == ObjectClass::Organization || c == ObjectClass::OrganizationalUnit ||
           c == ObjectClass::Locality;
}

const char* namingAttribute(ObjectClass c) {
    return info(c).naming;
}

bool isNamingType(std::string_view type) {
    return std::any_of(kClasses.begin(), kClasses.end(),
                       [type](const ClassInfo& c) { return nw::equalFoldedCp1252(type, c.naming); });
}

const char* className(ObjectClass c) {
    return info(c).name;
}

std::optional<ObjectClass> classFromName(const std::string& name) {
    for (const auto& c : kClasses) {
        if (name == c.name)
            return c.cls;
    }
    return std::nullopt;
}

} // namespace nwsim
