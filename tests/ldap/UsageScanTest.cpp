#include "netware/ldap/UsageScan.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <numeric>
#include <sys/mount.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// What du says of a path, in blocks of `unit` bytes (one file system, each
// hard-linked file once).
std::uint64_t du(const fs::path& path, int unit) {
    FILE* pipe = popen(("du -s -x -B" + std::to_string(unit) + " '" + path.string() + "'").c_str(), "r");
    unsigned long long blocks = 0;
    EXPECT_EQ(fscanf(pipe, "%llu", &blocks), 1);
    pclose(pipe);
    return blocks;
}

std::uint64_t all(const nwldap::UsageTotals& totals) {
    return std::accumulate(totals.blocksByOwner.begin(), totals.blocksByOwner.end(), std::uint64_t{0},
                           [](std::uint64_t sum, const auto& owner) { return sum + owner.second; });
}

struct Scan : testing::Test {
    ~Scan() override {
        umount2((top / "other").c_str(), MNT_DETACH);
        fs::remove_all(top);
    }
    fs::path top = fs::temp_directory_path() / ("vorlane-scan-" + std::to_string(getpid()));
};

TEST_F(Scan, EachOwnerHoldsWhatDuCountsForTheirFiles) {
    if (geteuid() != 0)
        GTEST_SKIP() << "giving files to other owners needs root";
    for (const nw::nuint32 uid : {60002u, 60003u}) {
        const fs::path home = top / std::to_string(uid);
        fs::create_directories(home / "sub");
        std::ofstream(home / "small") << "small";
        std::ofstream(home / "sub" / "big") << std::string(100000 + uid, 'x');
        fs::create_hard_link(home / "sub" / "big", home / "again");
        fs::create_symlink("sub/big", home / "link");
        for (const auto& entry : fs::recursive_directory_iterator(home))
            ASSERT_EQ(lchown(entry.path().c_str(), uid, uid), 0);
        ASSERT_EQ(lchown(home.c_str(), uid, uid), 0);
    }
    fs::create_directories(top / "other");
    const bool mounted = mount("none", (top / "other").c_str(), "tmpfs", 0, nullptr) == 0;
    std::ofstream(top / "other" / "elsewhere") << std::string(50000, 'x');
    ASSERT_EQ(chown((top / "other" / "elsewhere").c_str(), 60003, 60003), 0);

    const nwldap::UsageTotals totals = nwldap::scanVolume(top.string());
    for (const nw::nuint32 uid : {60002u, 60003u})
        EXPECT_EQ(nwldap::inUseBlocks(totals.blocksByOwner.at(uid)), du(top / std::to_string(uid), 4096)) << uid;
    EXPECT_EQ(all(totals), du(top, 512));
    if (!mounted)
        GTEST_SKIP() << "no file system could be mounted below the volume to see it left out";
}

TEST_F(Scan, AnUnreadableDirectoryIsCountedButNotEntered) {
    fs::create_directories(top / "closed" / "inside");
    std::ofstream(top / "closed" / "inside" / "file") << std::string(100000, 'x');
    fs::permissions(top / "closed", fs::perms::owner_all);
    // Root reads every directory: the scan then runs as nobody.
    const bool root = geteuid() == 0;
    ASSERT_EQ(root ? seteuid(65534) : 0, 0);
    const nwldap::UsageTotals totals = nwldap::scanVolume(top.string());
    ASSERT_EQ(root ? seteuid(0) : 0, 0);
    EXPECT_EQ(totals.unreadable, 1u);
    EXPECT_EQ(totals.firstUnreadable, std::vector<std::string>{(top / "closed").string()});
    EXPECT_LT(all(totals) * 512, 100000u);
    EXPECT_GT(all(totals), 0u);
}

TEST(InUse, FourKilobyteBlocksRoundedUpAndCapped) {
    const std::pair<std::uint64_t, nw::nint32> cases[] = {
        {0, 0}, {1, 1}, {8, 1}, {9, 2}, {8ull * 0x7FFFFFFF, 0x7FFFFFFF}, {8ull * 0x80000000, 0x7FFFFFFF}};
    for (const auto& [blocks512, blocks] : cases)
        EXPECT_EQ(nwldap::inUseBlocks(blocks512), blocks) << blocks512;
}

} // namespace
