// VORLANE_VOLUMES on arbitrary text. A refused list leaves the output as it
// was. An accepted one has 1 to 64 volumes with names of 1 to 16 letters,
// digits or "_-$.", no two alike ignoring case, and absolute paths without a
// comma; written back as NAME=path items joined by commas it reads the same.

#include "FuzzSupport.h"
#include "netware/ldap/Settings.h"

#include <algorithm>
#include <cctype>
#include <set>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<nwldap::VolumeSetting> volumes{{"KEPT", "/kept"}};
    const std::string error = nwldap::parseVolumes(text, volumes);
    if (!error.empty()) {
        FUZZ_REQUIRE(volumes.size() == 1 && volumes[0].name == "KEPT");
        return 0;
    }
    FUZZ_REQUIRE(!volumes.empty() && volumes.size() <= nw::kMaxVolumes);
    std::set<std::string> names;
    std::string written;
    for (const auto& volume : volumes) {
        FUZZ_REQUIRE(!volume.name.empty() && volume.name.size() <= nwldap::kMaxVolumeNameChars);
        std::string upper;
        for (const char c : volume.name) {
            FUZZ_REQUIRE(std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '-' || c == '$' ||
                         c == '.');
            upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        FUZZ_REQUIRE(names.insert(upper).second);
        FUZZ_REQUIRE(!volume.path.empty() && volume.path.front() == '/' && volume.path.find(',') == std::string::npos);
        written += (written.empty() ? "" : ",") + volume.name + "=" + volume.path;
    }
    std::vector<nwldap::VolumeSetting> again;
    FUZZ_REQUIRE(nwldap::parseVolumes(written, again).empty());
    FUZZ_REQUIRE(again.size() == volumes.size());
    for (std::size_t i = 0; i < again.size(); ++i)
        FUZZ_REQUIRE(again[i].name == volumes[i].name && again[i].path == volumes[i].path);
    return 0;
}
