// VORLANE_VOLUMES on arbitrary text. A refused list leaves the output as it
// was. An accepted one has 1 to 64 volumes, and written back as NAME=path
// items joined by commas it reads the same. (Which names and paths are
// refused is asserted case by case in the unit tests.)

#include "FuzzSupport.h"
#include "netware/Client.h"
#include "netware/ldap/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<nwldap::VolumeSetting> volumes{{"KEPT", "/kept"}};
    const bool refused = !nwldap::parseVolumes(text, volumes).empty();
    FUZZ_REQUIRE(!refused || (volumes.size() == 1 && volumes[0].name == "KEPT"));
    if (refused)
        return 0;
    FUZZ_REQUIRE(!volumes.empty() && volumes.size() <= nw::kMaxVolumes);
    std::string written;
    for (const auto& volume : volumes)
        written += (written.empty() ? "" : ",") + volume.name + "=" + volume.path;
    std::vector<nwldap::VolumeSetting> again;
    FUZZ_REQUIRE(nwldap::parseVolumes(written, again).empty() && again.size() == volumes.size());
    for (std::size_t i = 0; i < again.size(); ++i)
        FUZZ_REQUIRE(again[i].name == volumes[i].name && again[i].path == volumes[i].path);
    return 0;
}
