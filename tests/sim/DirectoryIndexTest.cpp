#include "netware/sim/DirectoryIndex.h"

#include <gtest/gtest.h>

namespace nwsim {
namespace {

// [Root] holding ACME (entry 1), which holds MÜLLER, a group and a unit both
// named SAME, and U0 to U299 (entries 5 to 304). Entry i has the ID 1000 + i,
// but entry 7 has the ID of entry 5, and entry 304 the ID `last`.
std::vector<Entry> acme(nw::nuint32 last) {
    std::vector<Entry> entries = {{"[Root]", ObjectClass::Other, 1000, kNoEntry, {1}, {}, 0, 0},
                                  {"ACME", ObjectClass::Organization, 1001, 0, {}, {}, 0, 0}};
    const std::pair<std::string, ObjectClass> named[] = {
        {"M\xDCLLER", ObjectClass::User}, {"SAME", ObjectClass::Group}, {"same", ObjectClass::OrganizationalUnit}};
    for (std::uint32_t i = 2; i < 305; ++i) {
        const auto& [name, cls] = i < 5 ? named[i - 2] : std::pair("U" + std::to_string(i - 5), ObjectClass::User);
        entries.push_back({name, cls, 1000 + i, 1, {}, {}, 0, 0});
        entries[1].children.push_back(i);
    }
    entries[7].objectId = 1005;
    entries[304].objectId = last;
    return entries;
}

TEST(ChildIndex, FindsEveryChildByItsFoldedNameAndNoOtherName) {
    const auto entries = acme(1304);
    ChildIndex index;
    index.build(entries);
    const auto find = [&](std::uint32_t parent, std::string_view name) {
        return index.find(entries, parent, name, [](std::uint32_t) { return true; });
    };
    EXPECT_EQ(std::tuple(find(0, "acme"), find(1, "m\xFCller"), find(1, "MULLER")), std::tuple(1u, 2u, kNoEntry));
    for (std::uint32_t i = 0; i < 300; ++i)
        ASSERT_EQ(find(1, "u" + std::to_string(i)), 5 + i);
    for (const char* absent : {"U300", "U", "U00", "", "ACME"})
        EXPECT_EQ(find(1, absent), kNoEntry) << absent;
    EXPECT_EQ(find(2, "U1"), kNoEntry);   // a parent without children
    EXPECT_EQ(find(305, "U1"), kNoEntry); // no such parent
    // Siblings of one name come in the order the directory delivers them,
    // unless the caller passes over the first.
    EXPECT_EQ(find(1, "Same"), 3u);
    EXPECT_EQ(index.find(entries, 1, "SAME", [](std::uint32_t e) { return e != 3; }), 4u);
}

TEST(ObjectIndex, FindsEntriesByIdWhetherIdsAreDenseOrSpreadThin) {
    for (const nw::nuint32 last : {1400u, 0xFFFFFFF0u}) {
        ObjectIndex index;
        index.build(acme(last));
        EXPECT_EQ(std::tuple(index.find(1000), index.find(1303), index.find(last), index.find(1005)),
                  std::tuple(0u, 303u, 304u, 5u));
        for (const nw::nuint32 unknown : {0u, 999u, 1007u, 1304u, last + 1, 0xFFFFFFFFu})
            EXPECT_EQ(index.find(unknown), kNoEntry) << last << " " << unknown;
    }
    EXPECT_EQ(ObjectIndex().find(1), kNoEntry);
}

} // namespace
} // namespace nwsim
