#include "netware/sim/DirectoryIndex.h"

#include <gtest/gtest.h>

namespace nwsim {
namespace {

// [Root] holding ACME (entry 1), which holds MÜLLER, a group and a unit both
// named SAME, and U0 to U299 (entries 5 to 304); entry i has the ID ids[i].
std::vector<Entry> acme(const std::vector<nw::nuint32>& ids) {
    std::vector<Entry> entries = {{"[Root]", ObjectClass::Other, ids[0], kNoEntry, {1}, {}, 0, 0}};
    std::vector<std::pair<std::string, ObjectClass>> names = {{"ACME", ObjectClass::Organization},
                                                              {"M\xDCLLER", ObjectClass::User},
                                                              {"SAME", ObjectClass::Group},
                                                              {"same", ObjectClass::OrganizationalUnit}};
    for (int i = 0; i < 300; ++i)
        names.emplace_back("U" + std::to_string(i), ObjectClass::User);
    for (const auto& [name, cls] : names) {
        const auto index = static_cast<std::uint32_t>(entries.size());
        entries.push_back({name, cls, ids[index], index == 1 ? 0u : 1u, {}, {}, 0, 0});
        if (index > 1)
            entries[1].children.push_back(index);
    }
    return entries;
}

std::vector<nw::nuint32> ids(nw::nuint32 last) {
    std::vector<nw::nuint32> out(305);
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<nw::nuint32>(1000 + i);
    out[7] = 1005; // a second entry with the ID of entry 5
    out[304] = last;
    return out;
}

TEST(ChildIndex, FindsEveryChildByItsFoldedNameAndNoOtherName) {
    const auto entries = acme(ids(1304));
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
        index.build(acme(ids(last)));
        EXPECT_EQ(std::tuple(index.find(1000), index.find(1303), index.find(last), index.find(1005)),
                  std::tuple(0u, 303u, 304u, 5u))
            << last;
        for (const nw::nuint32 unknown : {0u, 999u, 1007u, 1304u, last + 1, 0xFFFFFFFFu})
            EXPECT_EQ(index.find(unknown), kNoEntry) << last << " " << unknown;
    }
    EXPECT_EQ(ObjectIndex().find(1), kNoEntry);
}

} // namespace
} // namespace nwsim
