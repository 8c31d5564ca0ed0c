#pragma once

// The clients the contract holds to, each over the same small directory: the
// stand-in over a network file, the directory client over the same entries
// held in memory.

#include "netware/Charset.h"
#include "netware/ldap/LdapClient.h"
#include "netware/sim/NetworkLoader.h"
#include "netware/sim/SimClient.h"
#include "support/MemoryDirectory.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <memory>

namespace contract {

// ACME's ID is the one no file owns, as the directory client gives every
// naming context.
inline constexpr std::string_view kDirectory = R"({
  "servers": [{"name": "FS1", "volumes": [{"number": 0, "name": "SYS"}]}],
  "defaultServer": "FS1", "defaultContext": "SALES.ACME",
  "tree": [{"name": "ACME", "class": "Organization", "id": 4294967295, "children": [
    {"name": "SALES", "class": "Organizational Unit", "id": 110, "children": [
      {"name": "JSMITH", "class": "User", "id": 501},
      {"name": "J.DOE", "class": "User", "id": 502},
      {"name": "A=B+C\\D", "class": "User", "id": 503},
      {"name": "[Root]", "class": "User", "id": 504},
      {"name": "Ma\u00EFa", "class": "User", "id": 505},
      {"name": "EAST", "class": "Organizational Unit", "id": 111, "children": [
        {"name": "Printer1", "class": "Printer", "id": 601}]},
      {"name": "WEST", "class": "Organizational Unit", "id": 112}]},
    {"name": "Admin", "class": "Group", "id": 120}]}]})";

// The entries no network file may hold, which a directory may: control
// characters, siblings of the same name, names too long to deliver.
inline void addHostileEntries(nwsim::Network& net) {
    const auto add = [&net](std::uint32_t parent, std::string name, nwsim::ObjectClass cls, nw::nuint32 id) {
        const auto index = static_cast<std::uint32_t>(net.entries.size());
        net.entries.push_back({std::move(name), cls, id, parent, {}, {}, 0, 0});
        net.entries[parent].children.push_back(index);
        if (nwsim::isContainerClass(cls))
            net.entries[parent].containers.push_back(index);
        return index;
    };
    const std::uint32_t east = 8; // [Root] ACME SALES JSMITH J.DOE A=B+C\D [Root] Maïa EAST
    ASSERT_EQ(net.entries.at(east).name, "EAST");
    add(east, "bad\nname", nwsim::ObjectClass::User, 701);
    add(east, "a", nwsim::ObjectClass::User, 702);
    add(east, std::string("a\0b", 3), nwsim::ObjectClass::User, 703);
    add(east, "a?b", nwsim::ObjectClass::User, 704);
    add(east, "smith", nwsim::ObjectClass::User, 705);
    add(east, "SMITH", nwsim::ObjectClass::Group, 706);
    add(east, std::string(130, '.'), nwsim::ObjectClass::User, 707); // 260 characters once escaped
    const std::uint32_t longer = add(1, std::string(200, 'L'), nwsim::ObjectClass::OrganizationalUnit, 710);
    add(longer, std::string(60, 'N'), nwsim::ObjectClass::User, 711); // 261 with its container's name
}

inline nwsim::Network network() {
    nw::Opened<nwsim::Network> loaded = nwsim::loadNetworkJson(kDirectory, "contract directory");
    EXPECT_EQ(loaded.error(), "");
    addHostileEntries(*loaded);
    return std::move(*loaded);
}

struct StandIn {
    static constexpr bool kWaits = true; // its latency
    static std::unique_ptr<nw::ClientKit> make(nwsim::Network net) {
        return std::make_unique<nwsim::SimClient>(std::move(net));
    }
};

// The same entries as LDAP entries: each naming attribute in lower case, each
// object below [Root] a naming context of its own.
inline std::unique_ptr<testing_support::MemoryDirectory> memoryDirectory(const nwsim::Network& net) {
    auto directory = std::make_unique<testing_support::MemoryDirectory>();
    std::vector<std::string> dns(net.entries.size());
    for (std::uint32_t e = 1; e < net.entries.size(); ++e) {
        const nwsim::Entry& entry = net.entries[e];
        std::string type = nwsim::namingAttribute(entry.cls);
        for (char& c : type)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const std::string value = nw::cp1252ToUtf8(entry.name);
        dns[e] = type + "=" + value + (entry.parent == 0 ? "" : "," + dns[entry.parent]);
        if (entry.parent == 0)
            directory->contexts.push_back({dns[e], {{type, value}}});
        else
            directory->children[dns[entry.parent]].push_back(
                {type, value, nwsim::isContainerClass(entry.cls), entry.objectId, nwsim::className(entry.cls)});
    }
    return directory;
}

struct Directory {
    static constexpr bool kWaits = false; // no call of its waits on anything it could be asked to stop
    static std::unique_ptr<nw::ClientKit> make(const nwsim::Network& net) {
        const std::string volume = testing::TempDir() + "vorlane-contract-volume";
        std::filesystem::create_directories(volume);
        return std::make_unique<nwldap::LdapClient>(memoryDirectory(net), std::vector<nwldap::Volume>{{"SYS", volume}},
                                                    nw::cp1252ToUtf8(net.servers.at(0).name),
                                                    nw::cp1252ToUtf8(net.defaultContext));
    }
};

} // namespace contract
