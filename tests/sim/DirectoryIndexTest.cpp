#include "netware/sim/DirectoryIndex.h"

#include <gtest/gtest.h>

namespace nwsim {
namespace {

// [Root] holding ACME, which holds MÜLLER, a group and a unit both named
// SAME, and U0 to U299; entry i has object ID `ids[i]`.
std::vector<Entry> acme(const std::vector<nw::nuint32>& ids = {}) {
    std::vector<Entry> entries(2);
    entries[0].children = {1};
    entries[1].name = "ACME";
    const auto add = [&](std::string name, ObjectClass cls) {
        entries[1].children.push_back(static_cast<std::uint32_t>(entries.size()));
        entries.push_back({std::move(name), cls, 0, 1, {}, {}, 0, 0});
    };
    add("M\xDCLLER", ObjectClass::User);
    add("SAME", ObjectClass::Group);
    add("same", ObjectClass::OrganizationalUnit);
    for (int i = 0; i < 300; ++i)
        add("U" + std::to_string(i), ObjectClass::User);
    for (std::size_t i = 0; i < entries.size(); ++i)
        entries[i].objectId = i < ids.size() ? ids[i] : static_cast<nw::nuint32>(1000 + i);
    return entries;
}

TEST(ChildIndex, FindsEveryChildByItsFoldedNameAndNoOtherName) {
    const auto entries = acme();
    ChildIndex index;
    index.build(entries);
    const auto find = [&](std::uint32_t parent, std::string_view name) {
        return index.find(entries, parent, name, [](std::uint32_t) { return true; });
    };
    EXPECT_EQ(find(0, "acme"), 1u);
    EXPECT_EQ(find(1, "m\xFCller"), 2u);
    EXPECT_EQ(find(1, "MULLER"), kNoEntry);
    for (std::uint32_t i = 0; i < 300; ++i)
        ASSERT_EQ(find(1, "u" + std::to_string(i)), 5 + i);
    for (const char* absent : {"U300", "U", "U00", "", "ACME"})
        EXPECT_EQ(find(1, absent), kNoEntry) << absent;
    EXPECT_EQ(find(2, "U1"), kNoEntry);                                          // a parent without children
    EXPECT_EQ(find(static_cast<std::uint32_t>(entries.size()), "U1"), kNoEntry); // no such parent
    // Siblings of one name come in the order the directory delivers them,
    // unless the caller passes over the first.
    EXPECT_EQ(find(1, "Same"), 3u);
    EXPECT_EQ(index.find(entries, 1, "SAME", [](std::uint32_t e) { return e != 3; }), 4u);
}

TEST(ObjectIndex, FindsEntriesByIdWhetherIdsAreDenseOrSpreadThin) {
    for (const nw::nuint32 last : {1400u, 0xFFFFFFF0u}) {
        std::vector<nw::nuint32> ids(305);
        for (std::size_t i = 0; i < ids.size(); ++i)
            ids[i] = static_cast<nw::nuint32>(1000 + i);
        ids[304] = last;
        ids[7] = 1005; // a second entry with the ID of entry 5
        ObjectIndex index;
        index.build(acme(ids));
        EXPECT_EQ(index.find(1000), 0u) << last;
        EXPECT_EQ(index.find(1303), 303u) << last;
        EXPECT_EQ(index.find(last), 304u) << last;
        EXPECT_EQ(index.find(1005), 5u) << last;
        for (const nw::nuint32 unknown : {0u, 999u, 1007u, 1304u, last + 1, 0xFFFFFFFFu})
            EXPECT_EQ(index.find(unknown), kNoEntry) << last << " " << unknown;
    }
    EXPECT_EQ(ObjectIndex().find(1), kNoEntry);
}

} // namespace
} // namespace nwsim
