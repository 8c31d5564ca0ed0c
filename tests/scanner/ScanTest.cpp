// The usage walk held to du on the same trees, as root and as nobody.

#include "scanner/Scan.h"
#include "scanner/Directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;

// What `du -s -x <option>` prints for `path`, run as the test's effective user.
std::uint64_t du(const std::string& path, const char* option) {
    int out[2];
    EXPECT_EQ(pipe(out), 0);
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], 1);
        dup2(open("/dev/null", O_WRONLY), 2); // what it could not read is the walk's to report
        execlp("du", "du", "-s", "-x", option, path.c_str(), nullptr);
        _exit(127);
    }
    close(out[1]);
    char text[64] = {};
    EXPECT_GT(read(out[0], text, sizeof text - 1), 0);
    close(out[0]);
    waitpid(child, nullptr, 0);
    return std::strtoull(text, nullptr, 10);
}

std::size_t countOf(const char* folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
}

struct UsageWalk : testing::Test {
    void SetUp() override { ASSERT_EQ(mkdir(top.c_str(), 0755), 0); }
    void TearDown() override {
        for (auto mountPoint = mounts.rbegin(); mountPoint != mounts.rend(); ++mountPoint)
            umount2(mountPoint->c_str(), MNT_DETACH);
        mounts.clear();
        // rm copes with paths past PATH_MAX; the owner may need to open closed directories first.
        ASSERT_EQ(std::system(("chmod -R u+rwx '" + top + "' && rm -rf '" + top + "'").c_str()), 0);
    }
    void run(const char* command) { ASSERT_EQ(std::system(("cd '" + top + "' && " + command).c_str()), 0); }
    bool mountBelow(const char* where, const char* source, const char* type, unsigned long flags) {
        const std::string target = top + "/" + where;
        if (mkdir(target.c_str(), 0755) != 0 || mount(source, target.c_str(), type, flags, nullptr) != 0)
            return false;
        mounts.push_back(target);
        return true;
    }

    void walkAs(uid_t user);

    std::string top = testing::TempDir() + "vorlane-scanner-" + std::to_string(getpid());
    std::vector<std::string> mounts;
};

// What the walk finds as `user` is what du finds as that user.
void UsageWalk::walkAs(uid_t user) {
    SCOPED_TRACE(user);
    ASSERT_EQ(seteuid(user), 0);
    const std::size_t descriptors = countOf("/proc/self/fd");
    const scanner::ScanTotals totals = scanner::scanTree(top, {});
    EXPECT_EQ(countOf("/proc/self/fd"), descriptors);
    std::uint64_t all = 0;
    for (const auto& [owner, blocks] : totals.blocksByOwner)
        all += blocks;
    EXPECT_EQ(all, du(top, "-B512"));
    EXPECT_EQ(totals.entries, du(top, "--inodes"));
    if (geteuid() == 0 && totals.blocksByOwner.count(60002) != 0) {
        EXPECT_EQ(totals.blocksByOwner.at(60002), du(top + "/home", "-B512"));
    }
    if (getuid() == 0) {
        ASSERT_EQ(seteuid(0), 0);
    }
    std::vector<std::string> expected;
    if (user != 0 && access((top + "/closed").c_str(), F_OK) == 0)
        expected = {top + "/closed: Permission denied", top + "/listed: Permission denied"};
    std::vector<std::string> reported = totals.firstUnreadable;
    std::sort(reported.begin(), reported.end());
    EXPECT_EQ(reported, expected);
    EXPECT_EQ(totals.unreadable, expected.size());
    EXPECT_FALSE(totals.cancelled);
}

const struct {
    const char* what;
    bool (*make)(UsageWalk&); // false: not possible here
} kTrees[] = {
    {"a path past PATH_MAX",
     [](UsageWalk& s) {
         s.run("for l in a b c d e f g h i j k l m n o p q r s t u v w x y; do n=$(printf %0200d 0 | tr 0 $l) && "
               "mkdir $n && cd -P $n || exit 1; done && head -c 64M /dev/zero >big");
         return true;
     }},
    {"hard links and symbolic links, two owners",
     [](UsageWalk& s) {
         s.run("mkdir -p home/sub && head -c 100000 /dev/zero >home/sub/big && ln home/sub/big home/again && "
               "ln -s sub/big home/link && ln -s sub home/dirlink && echo x >small && ln small home/small");
         return geteuid() != 0 || std::system(("chown -hR 60002 '" + s.top + "/home'").c_str()) == 0;
     }},
    {"directories closed to all but root",
     [](UsageWalk& s) {
         s.run("mkdir -p closed/in listed/in && head -c 100000 /dev/zero >closed/in/f && "
               "head -c 100000 /dev/zero >listed/in/f && chmod 0 closed && chmod 444 listed");
         return true;
     }},
    {"another file system below",
     [](UsageWalk& s) {
         return s.mountBelow("other", "none", "tmpfs", 0) &&
                std::system(("head -c 50000 /dev/zero >'" + s.top + "/other/f'").c_str()) == 0;
     }},
    {"the tree bound inside itself",
     [](UsageWalk& s) {
         s.run("mkdir -p a/b && head -c 100000 /dev/zero >a/b/f");
         return s.mountBelow("again", s.top.c_str(), nullptr, MS_BIND);
     }},
};

// Each tree is walked as root and as nobody; what cannot be read then is
// what du cannot read either (the directories only root may enter or list).
TEST_F(UsageWalk, EveryFigureIsWhatDuCounts) {
    std::string skipped;
    for (const auto& tree : kTrees) {
        SCOPED_TRACE(tree.what);
        if (!tree.make(*this)) {
            skipped += std::string(" \"") + tree.what + "\"";
            continue;
        }
        for (const uid_t user : geteuid() == 0 ? std::vector<uid_t>{0, kNobody} : std::vector<uid_t>{geteuid()})
            walkAs(user);
        TearDown();
        SetUp();
    }
    if (!skipped.empty())
        GTEST_SKIP() << "needs root and mount(2):" << skipped;
}

// The directory opened must be the one stat'ed in its parent: swapped for a
// link or for another directory in between, it is refused.
TEST_F(UsageWalk, ADirectorySwappedAfterItsStatIsRefused) {
    const struct {
        const char* swap;
        bool followLink;
        int error; // 0: opened
    } cases[] = {
        {"true", false, 0},
        {"mv d old && ln -s old d", true, 0}, // the top of a walk may be a link
        {"mv d old && ln -s old d", false, ENOTDIR},
        {"mv d old && mkdir d", false, scanner::kReplaced},
        {"rmdir d", false, ENOENT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.swap);
        run("rm -rf d old && mkdir d");
        struct stat status {};
        ASSERT_EQ(stat((top + "/d").c_str(), &status), 0);
        run(c.swap);
        const scanner::Fd parent(open(top.c_str(), O_DIRECTORY | O_CLOEXEC));
        const scanner::Opened opened =
            scanner::openDirectory(parent.get(), "d", {status.st_dev, status.st_ino}, c.followLink);
        EXPECT_EQ(opened.error, c.error) << scanner::reasonText(opened.error);
        EXPECT_EQ(static_cast<bool>(opened.fd), c.error == 0);
    }
}

// Below the depth the descriptor limit allows, a directory is counted and
// reported, never dropped unseen.
TEST_F(UsageWalk, TooDeepADirectoryIsReported) {
    run("mkdir -p 1/2/3/4/5/6/7/8/9/10/11/12/13/14/15/16/17/18/19/20");
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    const rlimit low{64, limit.rlim_max}; // 16 levels for one worker
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
    scanner::ScanControl control;
    control.threads = 1;
    const scanner::ScanTotals totals = scanner::scanTree(top, control);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
    EXPECT_EQ(totals.entries, 1u + 17u);
    EXPECT_EQ(totals.unreadable, 1u);
    EXPECT_EQ(totals.firstUnreadable,
              std::vector<std::string>{top + "/1/2/3/4/5/6/7/8/9/10/11/12/13/14/15/16/17: deeper than 16 levels"});
}

TEST_F(UsageWalk, ACancelStopsTheWalkAndLeavesNothingOpenOrRunning) {
    // In memory the files are made far faster than on some disks.
    const std::string tree = mountBelow("big", "none", "tmpfs", 0) ? top + "/big" : top;
    const std::string make = "for d in $(seq 20); do mkdir $d && (cd $d && touch $(seq 1000)); done";
    ASSERT_EQ(std::system(("cd '" + tree + "' && " + make).c_str()), 0);
    const std::size_t descriptors = countOf("/proc/self/fd");
    const std::size_t threads = countOf("/proc/self/task");
    int asked = 0;
    std::vector<std::uint64_t> progress;
    scanner::ScanControl control;
    control.threads = 2;
    control.pollInterval = std::chrono::milliseconds(1);
    const auto caller = std::this_thread::get_id();
    control.cancelled = [&] {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        return ++asked == 2;
    };
    control.progress = [&](std::uint64_t entries) {
        EXPECT_EQ(std::this_thread::get_id(), caller);
        progress.push_back(entries);
    };
    const scanner::ScanTotals totals = scanner::scanTree(tree, control);
    EXPECT_TRUE(totals.cancelled);
    EXPECT_EQ(asked, 2);
    ASSERT_EQ(progress.size(), 1u);
    EXPECT_GE(progress[0], 1u); // the top at least
    EXPECT_LT(totals.entries, 20'021u);
    EXPECT_EQ(countOf("/proc/self/fd"), descriptors);
    EXPECT_EQ(countOf("/proc/self/task"), threads);
}

} // namespace
